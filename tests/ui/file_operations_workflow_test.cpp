// Copy, move, rename and delete as the user gives them: items selected in
// the explorer list, the shortcut or menu item, the copy window's field and
// buttons, the replace question, and what is on disk and in the list after.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <sys/stat.h>

#include "support/own_process.h"
#include "support/program_fixture.h"
#include "support/workflow_fixture.h"
#include "ui/compression.h"
#include "ui/dialogs/copy_window.h"
#include "ui/file_operations.h"
#include "ui/opening.h"
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

    // The main window is the active one, as on a desktop, so that a click
    // gives the keyboard focus.
    void activate()
    {
        QWidget *window = pf::windowWidget(ids::WindowMain);
        ASSERT_NE(window, nullptr);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    // A click on the row of list `id` whose first column reads `name`.
    void clickRow(int id, const std::string &name)
    {
        QWidget *list = pf::gadgetWidget(id);
        auto *view = qobject_cast<QAbstractItemView *>(list && list->focusProxy() ? list->focusProxy() : list);
        ASSERT_NE(view, nullptr);
        // The explorer list fills its folder in the background.
        for (int i = 0; i < 200; ++i) {
            const QAbstractItemModel *model = view->model();
            const QModelIndex root = view->rootIndex();
            for (int row = 0; row < model->rowCount(root); ++row) {
                const QModelIndex index = model->index(row, 0, root);
                if (model->data(index).toString().toStdString() == name) {
                    view->scrollTo(index);
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                    pump();
                    return;
                }
            }
            pf::processSystemEvents(10);
        }
        FAIL() << name << " is not in the list";
    }

    // A key typed on the keyboard: it goes to the control with the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key, modifiers);
        pump();
    }

    std::string trashed(const std::string &name) const { return (folder() / "data/Trash/files" / name).string(); }

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
    menu(ids::MenuDelete);
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
    if (ranInOwnProcess())
        return;
    const fs::path data = folder() / "data";
    fs::create_directories(data);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    english();
    ASSERT_TRUE(start());
    showFolder(folder() / "src");
    select({"a.txt", "tree"});
    const std::string question =
        "Move to the trash:\r" + (folder() / "src/tree").string() + "\r" + (folder() / "src/a.txt").string();
    pf::expectDialog({pf::DialogKind::YesNo, "Delete", question, "", pf::MessageIcon::Question, false, "", false});
    menu(ids::MenuDelete);
    EXPECT_TRUE(fs::exists(folder() / "src/a.txt")) << "No keeps everything";
    pf::expectYesNo(true);
    menu(ids::MenuDelete);
    EXPECT_FALSE(fs::exists(folder() / "src/a.txt"));
    EXPECT_FALSE(fs::exists(folder() / "src/tree"));
    EXPECT_EQ(text(data / "Trash/files/a.txt"), "alpha");
    EXPECT_EQ(text(data / "Trash/files/tree/inner/deep.txt"), "deep");
    const std::string info = text(data / "Trash/info/a.txt.trashinfo");
    EXPECT_NE(info.find("Path=" + (folder() / "src/a.txt").string()), std::string::npos) << info;
    EXPECT_TRUE(fs::exists(data / "Trash/info/tree.trashinfo"));
    EXPECT_TRUE(listShows("a.txt", false));
}

// In a home where no trash was ever made, the trash is made in the home,
// and nothing lands in the folder the program was started from.
TEST_F(FileOperationsWorkflowTest, TheFirstTrashOfAFreshHomeIsMadeThere)
{
    if (ranInOwnProcess())
        return;
    ::unsetenv("XDG_DATA_HOME");
    const fs::path started = folder() / "started";
    fs::create_directories(started);
    ASSERT_EQ(::chdir(started.c_str()), 0);
    french();
    ASSERT_TRUE(start());
    activate();
    showFolder(folder() / "src");
    clickRow(ids::ExplorerList, "b.txt");
    pf::expectDialog({pf::DialogKind::YesNo, "Suppression",
                      "Envoyer vers la corbeille :\r" + (folder() / "src/b.txt").string(), "",
                      pf::MessageIcon::Question, false, "", true});
    press(Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(folder() / "src/b.txt"));
    EXPECT_EQ(text(homeFolder() / ".local/share/Trash/files/b.txt"), "beta");
    EXPECT_TRUE(fs::exists(homeFolder() / ".local/share/Trash/info/b.txt.trashinfo"));
    EXPECT_TRUE(fs::is_empty(started)) << "nothing in the working folder";
}

// Delete and Ctrl+A edit the text of the address box; in the archive list Delete does nothing; only in the explorer list
// does it offer to trash the selection.
TEST_F(FileOperationsWorkflowTest, TheDeleteKeyActsWhereTheFocusIs)
{
    if (ranInOwnProcess())
        return;
    ::setenv("XDG_DATA_HOME", (folder() / "data").c_str(), 1);
    const std::string archive = makeZip("src/shown.zip", {{"one.txt", "1"}, {"two.txt", "2"}});
    french();
    ASSERT_TRUE(start());
    activate();
    ui::openArchiveAtPath(archive);
    pump();
    showFolder(folder() / "src");
    clickRow(ids::ExplorerList, "a.txt");

    auto *address = qobject_cast<QComboBox *>(pf::gadgetWidget(ids::ExplorerCombo));
    ASSERT_TRUE(address && address->lineEdit());
    const QString folderText = address->currentText();
    QTest::mouseClick(address->lineEdit(), Qt::LeftButton);
    press(Qt::Key_Home);
    press(Qt::Key_Delete);
    EXPECT_EQ(address->currentText(), folderText.mid(1));
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Delete);
    EXPECT_EQ(address->currentText(), QString());

    // On the archive list the key is about the archive's entries, never the
    // explorer's selection: the question names the entry, and "no" keeps it.
    clickRow(ids::ArchiveList, "one.txt");
    ASSERT_EQ(pf::activeGadget(), ids::ArchiveList);
    pf::expectYesNo(false);
    press(Qt::Key_Delete);
    EXPECT_EQ(archiveRows().size(), 2u);
    EXPECT_EQ(ui::currentArchivePath(), archive);

    EXPECT_TRUE(fs::exists(folder() / "src/a.txt"));
    EXPECT_TRUE(fs::exists(archive));
    EXPECT_FALSE(fs::exists(folder() / "data/Trash"));
    ASSERT_EQ(pf::shownDialogs().size(), 1u);
    EXPECT_NE(pf::shownDialogs()[0].text.find("one.txt"), std::string::npos);

    clickRow(ids::ExplorerList, "a.txt");
    pf::expectYesNo(true);
    press(Qt::Key_Delete);
    EXPECT_EQ(text(trashed("a.txt")), "alpha");
}

// The question names the first five items and how many more; an archive
// shown in the window that goes to the trash, itself or with its folder, is
// closed from the window.
TEST_F(FileOperationsWorkflowTest, TrashingTheShownArchiveClosesIt)
{
    if (ranInOwnProcess())
        return;
    ::setenv("XDG_DATA_HOME", (folder() / "data").c_str(), 1);
    const std::string shown = makeZip("src/shown.zip", {{"one.txt", "1"}});
    const std::string inner = makeZip("src/tree/inner.zip", {{"two.txt", "2"}});
    for (const char *name : {"c.txt", "d.txt", "e.txt", "f.txt"})
        writeFile(std::string("src/") + name, name);
    english();
    ASSERT_TRUE(start());
    activate();
    ui::openArchiveAtPath(shown);
    pump();
    ASSERT_EQ(archiveRows().size(), 1u);
    pf::setGadgetText(ids::StrArchiveFilter, "one");
    showFolder(folder() / "src");
    select({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "shown.zip"});
    const auto question = [&](std::vector<std::string> names) {
        std::string text = "Move to the trash:";
        for (const auto &name : names)
            text += "\r" + (folder() / "src" / name).string();
        return text;
    };
    pf::expectDialog({pf::DialogKind::YesNo, "Delete",
                      question({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) + "\rand 2 more", "",
                      pf::MessageIcon::Question, false, "", true});
    menu(ids::MenuDelete);
    EXPECT_TRUE(fs::exists(trashed("shown.zip")));
    EXPECT_TRUE(fs::exists(trashed("f.txt")));
    EXPECT_TRUE(ui::currentArchivePath().empty());
    EXPECT_TRUE(archiveRows().empty());
    EXPECT_EQ(pf::getWindowTitle(ids::WindowMain), ui::kMainTitle);
    EXPECT_EQ(pf::getGadgetText(ids::StrArchiveFilter), "") << "the filter went with its archive";

    ui::openArchiveAtPath(inner);
    pump();
    ASSERT_EQ(archiveRows().size(), 1u);
    ASSERT_TRUE(listShows("tree", true));
    select({"tree"});
    pf::expectYesNo(true);
    menu(ids::MenuDelete);
    EXPECT_TRUE(fs::exists(trashed("tree/inner.zip")));
    EXPECT_TRUE(ui::currentArchivePath().empty()) << "its folder went to the trash";
    EXPECT_TRUE(archiveRows().empty());
}

} // namespace
} // namespace zarvon::testing
