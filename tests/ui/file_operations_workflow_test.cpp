// Copy, move, rename and delete as the user gives them: items selected in
// the explorer list, the shortcut or menu item, the copy window's field and
// buttons, the replace question, and what is on disk and in the list after.
#include <QAbstractButton>

#include <sys/stat.h>

#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "ui/dialogs/copy_window.h"
#include "ui/file_operations.h"
#include "ui/progress.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {
namespace {

namespace pf = zarvon::platform;
namespace fs = std::filesystem;

class FileOperationsWorkflowTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        writeFile("src/a.txt", "alpha");
        writeFile("src/b.txt", "beta");
        writeFile("src/report.zip", "not really a zip");
        writeFile("src/tree/inner/deep.txt", "deep");
        fs::create_directories(folder() / "dest");
    }
    void TearDown() override
    {
        ProgramTest::TearDown();
        std::error_code ignored;
        if (!shm_.empty())
            fs::remove_all(shm_, ignored);
        ::unsetenv("XDG_DATA_HOME");
    }

    void french() { writeStandardIni(); }
    void english() { writeStandardIni({{"View/FrenchLanguage", "0"}, {"View/EnglishLanguage", "1"}}); }

    void click(int id)
    {
        auto *button = qobject_cast<QAbstractButton *>(pf::gadgetWidget(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
        pump();
    }

    void select(const std::vector<std::string> &names)
    {
        for (const auto &name : names) {
            const int item = explorerItem(name);
            ASSERT_GE(item, 0) << name;
            pf::setGadgetItemState(ids::ExplorerList, item, pf::ItemSelected);
            pf::setGadgetState(ids::ExplorerList, item);
        }
        pump();
    }

    // The list follows the disk: waits, within a bound, for `name` to be
    // shown (or not).
    bool listShows(const std::string &name, bool shown)
    {
        for (int i = 0; i < 200; ++i) {
            if ((explorerItem(name) >= 0) == shown)
                return true;
            pf::processSystemEvents(10);
        }
        return false;
    }

    static std::string text(const fs::path &path) { return readFile(path); }

    fs::path shm_;
};

TEST_F(FileOperationsWorkflowTest, CopyActsOnEverySelectedItemFolderIncluded)
{
    french();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt", "b.txt", "tree"});
    menu(ids::ShortcutCopyZip);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    EXPECT_EQ(ui::copyWindowUse(), ui::CopyWindowUse::Copy);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Copier une archive");
    EXPECT_EQ(pf::getGadgetText(ids::TxtCopy), "Copier le fichier : ''tree, a.txt, b.txt''  Vers")
        << "the prompt names every item the copy acts on, in list order";
    EXPECT_FALSE(pf::isGadgetHidden(ids::BtCopyBrowse));
    click(ids::BtOk);
    EXPECT_TRUE(pf::isWindow(ids::WindowCopy)) << "an empty field does nothing";
    pf::expectFolder((folder() / "dest").string() + "/");
    click(ids::BtCopyBrowse);
    EXPECT_EQ(pf::getGadgetText(ids::StrCopyDestination), (folder() / "dest").string() + "/");
    click(ids::BtOk);
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    EXPECT_EQ(text(folder() / "dest/a.txt"), "alpha");
    EXPECT_EQ(text(folder() / "dest/b.txt"), "beta");
    EXPECT_EQ(text(folder() / "dest/tree/inner/deep.txt"), "deep");
    EXPECT_EQ(text(folder() / "src/a.txt"), "alpha");
}

TEST_F(FileOperationsWorkflowTest, MoveAsksBeforeReplacingAndTheListShowsTheResult)
{
    english();
    writeFile("dest/a.txt", "older");
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt", "b.txt"});
    menu(ids::MenuCutZip);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    EXPECT_EQ(ui::copyWindowUse(), ui::CopyWindowUse::Move);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Cut Zip file");
    EXPECT_EQ(pf::getGadgetText(ids::TxtCopy), "Move the file : ''a.txt, b.txt''  to");
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    pf::expectReplace(pf::ReplaceAnswer::No, true);
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/a.txt"), "older") << "No keeps the file there";
    EXPECT_EQ(text(folder() / "src/a.txt"), "alpha") << "and the one that would have replaced it";
    EXPECT_EQ(text(folder() / "dest/b.txt"), "beta");
    EXPECT_FALSE(fs::exists(folder() / "src/b.txt"));
    EXPECT_TRUE(listShows("b.txt", false));
    EXPECT_TRUE(listShows("a.txt", true));
}

TEST_F(FileOperationsWorkflowTest, YesToAllIsAskedOnceForEveryConflict)
{
    french();
    writeFile("dest/a.txt", "old a");
    writeFile("dest/b.txt", "old b");
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt", "b.txt"});
    menu(ids::MenuCopyZip);
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    pf::expectReplace(pf::ReplaceAnswer::YesToAll, true);
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/a.txt"), "alpha");
    EXPECT_EQ(text(folder() / "dest/b.txt"), "beta");
}

TEST_F(FileOperationsWorkflowTest, CopyOfOneConflictingFileAsksWithoutToAllAndCancelStops)
{
    french();
    writeFile("dest/a.txt", "older");
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt"});
    menu(ids::MenuCopyZip);
    EXPECT_EQ(pf::getGadgetText(ids::TxtCopy),
              "Copier le fichier : ''" + (folder() / "src/a.txt").string() + "''  Vers");
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    pf::expectReplace(pf::ReplaceAnswer::Cancel, false);
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/a.txt"), "older");
    menu(ids::MenuCopyZip);
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    pf::expectReplace(pf::ReplaceAnswer::Yes, false);
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/a.txt"), "alpha");
}

TEST_F(FileOperationsWorkflowTest, CancelInTheProgressWindowLeavesNoHalfFile)
{
    french();
    writeFile("src/big.bin", std::string(3 << 20, 'x'));
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"big.bin"});
    menu(ids::MenuCopyZip);
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    int blocks = 0;
    ui::setProgressObserver([&blocks](const std::string &, float) {
        if (++blocks == 1)
            qobject_cast<QAbstractButton *>(pf::gadgetWidget(ui::progressCancelButton()))->click();
    });
    click(ids::BtOk);
    ui::setProgressObserver(nullptr);
    EXPECT_EQ(blocks, 1) << "the copy stops at the block after the click";
    EXPECT_TRUE(fs::is_empty(folder() / "dest")) << "no half file, no temporary";
    EXPECT_FALSE(ui::isProgressWindowOpen());
}

TEST_F(FileOperationsWorkflowTest, FailuresNameTheItemAndTheReason)
{
    french();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"tree"});
    menu(ids::MenuCopyZip);
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "nowhere").string());
    expectMessageContaining("Ce dossier de destination n'existe pas :\r" + (folder() / "nowhere").string(),
                            pf::MessageIcon::Error);
    click(ids::BtOk);
    EXPECT_TRUE(pf::isWindow(ids::WindowCopy)) << "the window stays for another folder";
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "src/tree/inner").string());
    expectMessageContaining((folder() / "src/tree").string() + " : un dossier ne peut aller en lui-même",
                            pf::MessageIcon::Warning);
    click(ids::BtOk);
    EXPECT_FALSE(fs::exists(folder() / "src/tree/inner/tree"));
}

TEST_F(FileOperationsWorkflowTest, WithoutSelectionEachCommandSaysSo)
{
    french();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    for (int item : {ids::MenuCopyZip, ids::MenuCutZip, ids::MenuRenameZip}) {
        pf::expectMessage("Impossible", "Aucun fichier sélectionné !", pf::MessageIcon::Error);
        menu(item);
        EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    }
    pf::expectMessage("Suppression", "Sélectionner les éléments à supprimer !", pf::MessageIcon::Warning);
    menu(ids::ShortcutDelete);
}

TEST_F(FileOperationsWorkflowTest, RenameKeepsTheExtensionAndRefusesATakenName)
{
    french();
    writeFile("src/old.zip", "other");
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"report.zip"});
    menu(ids::ShortcutRenameZip);
    ASSERT_TRUE(pf::isWindowVisible(ids::WindowCopy));
    EXPECT_EQ(ui::copyWindowUse(), ui::CopyWindowUse::Rename);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Renommer une archive");
    EXPECT_EQ(pf::getGadgetText(ids::StrCopyDestination), "report");
    EXPECT_EQ(pf::getGadgetText(ids::TxtRenameExtension), ".zip");
    EXPECT_EQ(pf::getGadgetText(ids::TxtDestination), "Nom du Fichier");
    EXPECT_FALSE(pf::isGadget(ids::BtCopyBrowse));
    EXPECT_NE(pf::getGadgetText(ids::TxtCopy).find((folder() / "src/report.zip").string()), std::string::npos)
        << "the prompt names the item renamed";
    pf::setGadgetText(ids::StrCopyDestination, "old");
    expectMessageContaining("old.zip : un autre élément porte déjà ce nom", pf::MessageIcon::Warning);
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "src/old.zip"), "other") << "the other file is not destroyed";
    EXPECT_TRUE(pf::isWindow(ids::WindowCopy));
    pf::setGadgetText(ids::StrCopyDestination, "new");
    click(ids::BtOk);
    EXPECT_FALSE(pf::isWindow(ids::WindowCopy));
    EXPECT_EQ(text(folder() / "src/new.zip"), "not really a zip");
    EXPECT_TRUE(listShows("new.zip", true));
    EXPECT_TRUE(listShows("report.zip", false));
}

TEST_F(FileOperationsWorkflowTest, RenameOfAFolderWithoutDotShowsItsWholeName)
{
    english();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"tree"});
    menu(ids::MenuRenameZip);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Rename Zip file");
    EXPECT_EQ(pf::getGadgetText(ids::StrCopyDestination), "tree");
    EXPECT_FALSE(pf::isGadget(ids::TxtRenameExtension));
    pf::setGadgetText(ids::StrCopyDestination, "forest");
    click(ids::BtOk);
    EXPECT_TRUE(fs::is_directory(folder() / "src/forest/inner"));
}

TEST_F(FileOperationsWorkflowTest, TitlesFromAnyLanguageFileStillWork)
{
    // A language file of other words: the window still knows its use.
    writeFile("program/French.lng", "[Files]\r\nWindowCopy = Copie\r\nCutZip = Coupe\r\nTxtNomFenRenommer = Nom\r\n");
    french();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt"});
    menu(ids::MenuCutZip);
    EXPECT_EQ(pf::getWindowTitle(ids::WindowCopy), "Coupe");
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(folder() / "src/a.txt"));
}

TEST_F(FileOperationsWorkflowTest, MoveFromMemoryToTheDisk)
{
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no /dev/shm";
    std::string pattern = "/dev/shm/zarvon-move-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    shm_ = pattern;
    fs::create_directories(shm_ / "photos");
    std::ofstream(shm_ / "photos/one.jpg") << "jpeg";
    std::ofstream(shm_ / "note.txt") << "note";
    french();
    ASSERT_TRUE(start());
    showFolder(shm_);
    select({"photos", "note.txt"});
    menu(ids::MenuCutZip);
    pf::setGadgetText(ids::StrCopyDestination, (folder() / "dest").string());
    click(ids::BtOk);
    EXPECT_EQ(text(folder() / "dest/photos/one.jpg"), "jpeg");
    EXPECT_EQ(text(folder() / "dest/note.txt"), "note");
    EXPECT_FALSE(fs::exists(shm_ / "photos"));
    EXPECT_FALSE(fs::exists(shm_ / "note.txt"));
    EXPECT_TRUE(listShows("photos", false));
}

TEST_F(FileOperationsWorkflowTest, DeleteSendsFilesAndFoldersToTheTrash)
{
    const fs::path data = folder() / "data";
    fs::create_directories(data);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    english();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt", "tree"});
    pf::expectDialog({pf::DialogKind::YesNo, "Delete", "Delete selected file to recyclebin ?", "",
                      pf::MessageIcon::Question, false, "", false});
    menu(ids::ShortcutDelete);
    EXPECT_TRUE(fs::exists(folder() / "src/a.txt")) << "No keeps everything";
    pf::expectYesNo(true);
    menu(ids::ShortcutDelete);
    EXPECT_FALSE(fs::exists(folder() / "src/a.txt"));
    EXPECT_FALSE(fs::exists(folder() / "src/tree"));
    EXPECT_EQ(text(data / "Trash/files/a.txt"), "alpha");
    EXPECT_EQ(text(data / "Trash/files/tree/inner/deep.txt"), "deep");
    const std::string info = text(data / "Trash/info/a.txt.trashinfo");
    EXPECT_NE(info.find("Path=" + (folder() / "src/a.txt").string()), std::string::npos) << info;
    EXPECT_TRUE(fs::exists(data / "Trash/info/tree.trashinfo"));
    EXPECT_TRUE(listShows("a.txt", false));
}

TEST_F(FileOperationsWorkflowTest, AnItemAlreadyGoneCountsAsTrashed)
{
    const fs::path data = folder() / "data";
    fs::create_directories(data);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_TRUE(ui::moveItemToTrash((folder() / "src/gone.txt").string()));
    EXPECT_FALSE(fs::exists(data / "Trash/files/gone.txt"));
    EXPECT_TRUE(ui::moveItemToTrash((folder() / "src/tree/").string())) << "a folder given with its slash";
    EXPECT_TRUE(fs::exists(data / "Trash/files/tree/inner/deep.txt"));
}

} // namespace
} // namespace zarvon::testing
