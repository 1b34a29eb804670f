// Pictures of every dialog window, written to build/screenshots/ for a person
// to look at (nothing clipped, nothing overlapping). The test checks that each
// picture was written with the window's size.
#include <QImage>

#include "ui/platform/qt_access.h"

#include "ui/progress.h"
#include "support/window_checks.h"
#include "support/workflow_fixture.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/add_files_window.h"
#include "ui/dialogs/compression_window.h"
#include "ui/dialogs/configuration_window.h"
#include "ui/dialogs/copy_window.h"
#include "ui/dialogs/help_window.h"
#include "ui/dialogs/assistant_window.h"
#include "ui/dialogs/information_window.h"
#include "ui/information.h"

namespace zarvon::testing {
namespace {

class DialogScreenshotTest : public WorkflowTest {
protected:
    void shoot(int window, const std::string &name)
    {
        ASSERT_TRUE(pf::isWindow(window)) << name;
        pf::showWindow(window);
        pf::processSystemEvents(50);
        const fs::path folder = fs::path(ZARVON_BIN_DIR).parent_path() / "screenshots";
        fs::create_directories(folder);
        const std::string file = (folder / (name + ".png")).string();
        ASSERT_TRUE(pf::saveWindowPicture(window, file)) << file;
        const QImage picture(QString::fromStdString(file));
        EXPECT_GE(picture.width(), pf::windowWidth(window)) << name;
        EXPECT_GE(picture.height(), pf::windowHeight(window)) << name;
        expectNothingClipped(window, name);
    }

    void english()
    {
        writeSettings("[View]\r\nEnglishLanguage = 1\r\n");
        if (fs::exists(std::string(ZARVON_SOURCE_DIR) + "/lang/English.lng"))
            useLanguage("English.lng");
    }
};

TEST_F(DialogScreenshotTest, CompressionWindow)
{
    ASSERT_TRUE(ui::buildCompressionWindow());
    pf::setGadgetText(ids::StrZipName, "photos.zip");
    pf::setGadgetText(ids::StrLocation, "/home/ana/Sauvegardes/");
    pf::setGadgetText(ids::StrPassword, "secret");
    shoot(ids::WindowCompression, "compression_window_fr");
}

TEST_F(DialogScreenshotTest, CompressionWindowEnglish)
{
    english();
    ASSERT_TRUE(ui::buildCompressionWindow());
    shoot(ids::WindowCompression, "compression_window_en");
}

TEST_F(DialogScreenshotTest, ConfigurationWindowBothPages)
{
    ASSERT_TRUE(ui::buildConfigurationWindow());
    shoot(ids::WindowConfiguration, "configuration_window_general_fr");
    pf::setGadgetState(ids::PanelConfig, 1);
    shoot(ids::WindowConfiguration, "configuration_window_integration_fr");
}

TEST_F(DialogScreenshotTest, ConfigurationWindowEnglish)
{
    english();
    ASSERT_TRUE(ui::buildConfigurationWindow());
    shoot(ids::WindowConfiguration, "configuration_window_general_en");
    pf::setGadgetState(ids::PanelConfig, 1);
    shoot(ids::WindowConfiguration, "configuration_window_integration_en");
}

TEST_F(DialogScreenshotTest, AddFilesWindow)
{
    writeFile(path("a.txt"), "a");
    ASSERT_TRUE(ui::buildAddFilesWindow());
    shoot(ids::WindowAddFiles, "add_files_window");
}

TEST_F(DialogScreenshotTest, CopyWindowAndPasswordWindow)
{
    ASSERT_TRUE(ui::buildCopyWindow());
    shoot(ids::WindowCopy, "copy_window");
    ASSERT_TRUE(ui::buildPasswordWindow("/home/ana/extraits/", ui::PasswordDestination::Editable));
    pf::setGadgetText(ids::StrCopyDestination, "secret");
    shoot(ids::WindowCopy, "password_window_fr");
    // For an entry to open or drag out: no destination row.
    ASSERT_TRUE(ui::buildPasswordWindow("", ui::PasswordDestination::None));
    EXPECT_FALSE(pf::isGadget(ids::StrPwdDestination));
    shoot(ids::WindowCopy, "password_window_entry_fr");
}

TEST_F(DialogScreenshotTest, PasswordWindowEnglish)
{
    english();
    ASSERT_TRUE(ui::buildPasswordWindow("", ui::PasswordDestination::Editable));
    shoot(ids::WindowCopy, "password_window_en");
}

TEST_F(DialogScreenshotTest, ProgressWindows)
{
    const int window = ui::openProgressWindow(10);
    ASSERT_GE(window, 0);
    ui::setProgressFileText("vacances-2026-photo-0042.jpg");
    ui::setProgressOverall(4);
    pf::setGadgetState(ui::progressFileBar(), 60);
    ui::setProgressTitle("Progression...  40 %");
    shoot(window, "progress_window");
    const int reduced = ui::openExtractionProgressWindow("Extraction des fichiers...");
    ui::setProgressFileText("readme.txt");
    shoot(reduced, "progress_window_extraction");
}

TEST_F(DialogScreenshotTest, AboutWindow)
{
    ASSERT_TRUE(ui::buildAboutWindow());
    shoot(ids::WindowAbout, "about_window_fr");
}

TEST_F(DialogScreenshotTest, HelpWindowBothLanguages)
{
    ui::showHelpWindow();
    shoot(ids::WindowHelp, "help_window_fr");
    english();
    ui::showHelpWindow();
    shoot(ids::WindowHelp, "help_window_en");
}

TEST_F(DialogScreenshotTest, AboutWindowEnglish)
{
    english();
    ASSERT_TRUE(ui::buildAboutWindow());
    shoot(ids::WindowAbout, "about_window_en");
}

class FileOperationScreenshotTest : public DialogScreenshotTest, public ::testing::WithParamInterface<bool> {
protected:
    // The shipped language file of the parameter's language.
    std::string language()
    {
        if (GetParam()) {
            english();
            return "en";
        }
        useLanguage("French.lng");
        return "fr";
    }
};

TEST_P(FileOperationScreenshotTest, InformationWindow)
{
    const std::string suffix = language();
    const bool en = GetParam();
    ASSERT_TRUE(ui::buildInformationWindow(
        {"sauvegarde-2026.zip", en ? "128 File(s), 12 Folder(s)" : "128 Fichier(s), 12 Dossier(s)",
         en ? "Encrypted Zip (AES-256)" : "Archive Cryptée (AES-256)", ui::kilobyteText(48213000),
         ui::methodsText({"Deflate", "Stored", "Deflate64"}), ui::kilobyteText(20371000),
         en ? "Wednesday 12/30/2026 23:59:58" : "Mercredi 30/12/2026 23:59:58",
         en ? "Saterday 12/26/2026 23:59:58" : "Samedi 26/12/2026 23:59:58"}));
    shoot(ids::WindowInfoArchive, "information_window_" + suffix);
}

TEST_P(FileOperationScreenshotTest, CopyWindowInItsThreeUses)
{
    const std::string suffix = language();
    const auto &texts = settings::currentBuiltInTexts();
    ASSERT_TRUE(ui::buildTransferWindow(ui::CopyWindowUse::Copy,
                                        texts.copyBefore + "/home/ana/photos/vacances.zip" + texts.copyAfter));
    pf::setGadgetText(ids::StrCopyDestination, "/home/ana/Sauvegardes/");
    shoot(ids::WindowCopy, "copy_window_copy_" + suffix);
    ASSERT_TRUE(ui::buildTransferWindow(ui::CopyWindowUse::Move,
                                        texts.moveBefore + "report.zip, notes.txt, photos" + texts.copyAfter));
    shoot(ids::WindowCopy, "copy_window_move_" + suffix);
    ASSERT_TRUE(ui::buildRenameWindow(settings::languageText("TxtRenameFile", "Renommer le fichier :") +
                                          "\r''/home/ana/report.zip''",
                                      "report", "zip"));
    shoot(ids::WindowCopy, "copy_window_rename_" + suffix);
}

TEST_P(FileOperationScreenshotTest, AssistantPages)
{
    const std::string suffix = language();
    ASSERT_TRUE(ui::buildAssistantWindow());
    shoot(ids::WindowAssistant, "assistant_welcome_" + suffix);
    ui::arrangeAssistantPage(ui::AssistantPage::ChooseOperation);
    shoot(ids::WindowAssistant, "assistant_operation_" + suffix);
    ui::arrangeAssistantPage(ui::AssistantPage::ArchiveName);
    pf::setGadgetText(ids::StrAssistArchiveName, "/home/ana/Archive.zip");
    shoot(ids::WindowAssistant, "assistant_archive_name_" + suffix);
    ui::arrangeAssistantPage(ui::AssistantPage::FilesToCompress);
    pf::addGadgetItem(ids::TxtListIconAssist, -1, "/home/ana/photos/");
    shoot(ids::WindowAssistant, "assistant_files_" + suffix);
    ui::arrangeAssistantPage(ui::AssistantPage::Extraction);
    pf::setGadgetText(ids::StrAssistSourceArchive, "/home/ana/Archive.zip");
    pf::setGadgetText(ids::StrAssistDestination, "/home/ana/extraits/");
    ui::showAssistantFinish(true);
    shoot(ids::WindowAssistant, "assistant_extraction_" + suffix);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, FileOperationScreenshotTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) { return info.param ? "English" : "French"; });

} // namespace
} // namespace zarvon::testing
