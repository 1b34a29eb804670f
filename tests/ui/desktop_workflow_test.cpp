// A person's path through the real program: select files in the explorer
// list, Compresser, fill the compression window, Ok; select the new archive,
// Extraire Archive, choose a folder, see the files. Every step goes through
// the menus, the buttons' own clicks and the dispatch, in French and English.
#include <QAbstractButton>

#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "ui/platform/qt_access.h"
#include "ui/opening.h"

namespace zarvon::testing {
namespace {

class DesktopWorkflowTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        source_ = (folder() / "source").string();
        writeFile("source/report.txt", "quarterly report\n");
        writeFile("source/photo.bin", noise(130000, 11));
        std::filesystem::create_directories(folder() / "out");
    }

    // A click on a control's widget, then the dispatch of what it queued.
    void click(int id)
    {
        auto *button = qobject_cast<QAbstractButton *>(platform::gadgetWidget(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
        pump();
    }

    void select(const std::vector<std::string> &names)
    {
        for (const auto &name : names) {
            const int item = explorerItem(name);
            ASSERT_GE(item, 0) << name;
            platform::setGadgetState(ids::ExplorerList, item);
        }
        for (const auto &name : names)
            platform::setGadgetItemState(ids::ExplorerList, explorerItem(name), platform::ItemSelected);
        pump();
    }

    // The whole path; the texts come from the language in use.
    void compressThenExtract(const std::string &password)
    {
        ASSERT_TRUE(start());
        showFolder(source_);
        select({"report.txt", "photo.bin"});
        menu(ids::MenuAddToZip);
        ASSERT_TRUE(platform::isWindowVisible(ids::WindowCompression));
        platform::setGadgetText(ids::StrZipName, "bundle");
        platform::setGadgetText(ids::StrLocation, (folder() / "out").string());
        platform::setGadgetText(ids::StrPassword, password);
        platform::setGadgetText(ids::StrConfirmPassword, password);
        click(ids::BtCompressOk);
        const std::string archive = (folder() / "out" / "bundle.zip").string();
        ASSERT_TRUE(std::filesystem::exists(archive));
        const auto tested =
            runCommand("unzip -t " + (password.empty() ? "" : "-P " + password + " ") + quoted(archive));
        EXPECT_EQ(tested.status, 0) << tested.output;

        showFolder((folder() / "out").string());
        ASSERT_GE(explorerItem("bundle.zip"), 0) << "the new archive appears in the explorer list";
        select({"bundle.zip"});
        const std::string destination = (folder() / "extracted").string() + "/";
        const std::string done = settings::languageText("MsgExtract1", "Extraction des fichiers terminée");
        if (password.empty()) {
            platform::expectFolder(destination);
            platform::expectMessage("Zarvon", done, platform::MessageIcon::Information);
            menu(ids::MenuExtractZip);
        } else {
            menu(ids::MenuExtractZip);
            ASSERT_TRUE(platform::isWindowVisible(ids::WindowCopy));
            platform::setGadgetText(ids::StrCopyDestination, password);
            platform::expectFolder(destination);
            click(ids::BtBrowse3);
            platform::expectMessage("Zarvon", done, platform::MessageIcon::Information);
            click(ids::BtOk);
            EXPECT_FALSE(platform::isWindow(ids::WindowCopy));
        }
        EXPECT_EQ(readFile(folder() / "extracted" / "report.txt"), "quarterly report\n");
        EXPECT_EQ(readFile(folder() / "extracted" / "photo.bin"), noise(130000, 11));
    }

    std::string source_;
};

TEST_F(DesktopWorkflowTest, CompressAndExtractInFrench)
{
    writeStandardIni();
    compressThenExtract("");
    EXPECT_EQ(platform::getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
}

TEST_F(DesktopWorkflowTest, CompressAndExtractWithPasswordInEnglish)
{
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    compressThenExtract("hunter2");
}

TEST_F(DesktopWorkflowTest, CompressCommandWithoutSelectionInEnglish)
{
    writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}});
    ASSERT_TRUE(start());
    const std::string text = settings::languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !");
    EXPECT_NE(text, "Veuillez selectionnez les fichiers !") << "English.lng gives its own text";
    showFolder(source_);
    platform::expectMessage("Zarvon", text, platform::MessageIcon::Error);
    menu(ids::MenuAddToZip);
    EXPECT_FALSE(platform::isWindow(ids::WindowCompression));
}

TEST_F(DesktopWorkflowTest, SelectedEntriesOfTheOpenArchiveAndTheirDrag)
{
    writeStandardIni();
    const std::string archive = makeZip("archives/set.zip", {{"docs/a.txt", "A"}, {"misc/a.txt", "B"}, {"c.txt", "C"}});
    ASSERT_TRUE(start({archive}));
    ASSERT_EQ(archiveRows().size(), 3u);
    for (int i = 0; i < 2; ++i)
        platform::setGadgetItemState(ids::ArchiveList, i, platform::ItemSelected);
    // Only the archive list has a selection: the explorer's is empty.
    for (int i = 0; i < platform::countGadgetItems(ids::ExplorerList); ++i)
        platform::setGadgetItemState(ids::ExplorerList, i, 0);
    const std::string destination = (folder() / "picked").string() + "/";
    platform::expectFolder(destination);
    platform::expectMessage("Zarvon", settings::languageText("MsgExtract1", "Extraction des fichiers terminée"),
                            platform::MessageIcon::Information);
    menu(ids::MenuExtractZip);
    EXPECT_EQ(readFile(folder() / "picked" / "docs" / "a.txt"), "A");
    EXPECT_EQ(readFile(folder() / "picked" / "misc" / "a.txt"), "B");
    EXPECT_FALSE(std::filesystem::exists(folder() / "picked" / "c.txt"));

    // Dragging the third row carries that entry out as a file, without a
    // question, and leaves the chosen folder alone.
    platform::recordFileDrags(true);
    for (int i = 0; i < 3; ++i)
        platform::setGadgetItemState(ids::ArchiveList, i, i == 2 ? platform::ItemSelected : 0);
    control(ids::ArchiveList, platform::EventSubtype::DragStart);
    const std::vector<std::string> dragged = platform::lastDraggedFiles();
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(std::filesystem::path(dragged[0]).filename(), "c.txt");
    EXPECT_EQ(readFile(dragged[0]), "C");
    EXPECT_FALSE(std::filesystem::exists(folder() / "picked" / "c.txt"));
    ui::removeTemporaryFolders();
}

} // namespace
} // namespace zarvon::testing
