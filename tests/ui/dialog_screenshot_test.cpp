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

namespace zarvon::testing {
namespace {

class DialogScreenshotTest : public WorkflowTest {
protected:
    void shoot(int window, const std::string &name) {
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

    void english() {
        writeSettings("[View]\r\nEnglishLanguage = 1\r\n");
        if (fs::exists(std::string(ZARVON_SOURCE_DIR) + "/lang/English.lng")) useLanguage("English.lng");
    }
};

TEST_F(DialogScreenshotTest, CompressionWindow) {
    ASSERT_TRUE(ui::buildCompressionWindow());
    pf::setGadgetText(ids::StrZipName, "photos.zip");
    pf::setGadgetText(ids::StrLocation, "/home/ana/Sauvegardes/");
    pf::setGadgetText(ids::StrPassword, "secret");
    shoot(ids::WindowCompression, "compression_window_fr");
}

TEST_F(DialogScreenshotTest, CompressionWindowEnglish) {
    english();
    ASSERT_TRUE(ui::buildCompressionWindow());
    shoot(ids::WindowCompression, "compression_window_en");
}

TEST_F(DialogScreenshotTest, ConfigurationWindowBothPages) {
    ASSERT_TRUE(ui::buildConfigurationWindow());
    shoot(ids::WindowConfiguration, "configuration_window_general_fr");
    pf::setGadgetState(ids::PanelConfig, 1);
    shoot(ids::WindowConfiguration, "configuration_window_integration_fr");
}

TEST_F(DialogScreenshotTest, ConfigurationWindowEnglish) {
    english();
    ASSERT_TRUE(ui::buildConfigurationWindow());
    shoot(ids::WindowConfiguration, "configuration_window_general_en");
    pf::setGadgetState(ids::PanelConfig, 1);
    shoot(ids::WindowConfiguration, "configuration_window_integration_en");
}

TEST_F(DialogScreenshotTest, AddFilesWindow) {
    writeFile(path("a.txt"), "a");
    ASSERT_TRUE(ui::buildAddFilesWindow());
    shoot(ids::WindowAddFiles, "add_files_window");
}

TEST_F(DialogScreenshotTest, CopyWindowAndPasswordWindow) {
    ASSERT_TRUE(ui::buildCopyWindow());
    shoot(ids::WindowCopy, "copy_window");
    ASSERT_TRUE(ui::buildPasswordWindow("/home/ana/extraits/", false));
    pf::setGadgetText(ids::StrCopyDestination, "secret");
    shoot(ids::WindowCopy, "password_window_fr");
}

TEST_F(DialogScreenshotTest, PasswordWindowEnglish) {
    english();
    ASSERT_TRUE(ui::buildPasswordWindow("", false));
    shoot(ids::WindowCopy, "password_window_en");
}

TEST_F(DialogScreenshotTest, ProgressWindows) {
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

TEST_F(DialogScreenshotTest, AboutWindow) {
    ASSERT_TRUE(ui::buildAboutWindow());
    shoot(ids::WindowAbout, "about_window_fr");
}

TEST_F(DialogScreenshotTest, AboutWindowEnglish) {
    english();
    ASSERT_TRUE(ui::buildAboutWindow());
    shoot(ids::WindowAbout, "about_window_en");
}

}  // namespace
}  // namespace zarvon::testing
