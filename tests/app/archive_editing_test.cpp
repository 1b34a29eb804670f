// Changing the shown archive from the archive list as a person does: its
// popup menu, Delete and F2 on the focused list, files dropped onto it; and
// the editing commands greyed out, with the reason, for a read-only format.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "engine/engine.h"
#include "settings/setting_keys.h"
#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class ArchiveEditingTest : public ProgramTest {
protected:
    QAbstractItemView *listView() { return qobject_cast<QAbstractItemView *>(gadgetWidget(ids::ArchiveList)); }

    // A right click on the row showing `row`: the list's own context-menu event.
    void rightClick(const std::string &row)
    {
        clickRow(ids::ArchiveList, row);
        QAbstractItemView *view = listView();
        const auto found = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole,
                                                QString::fromStdString(row), 1, Qt::MatchExactly);
        const QPoint at = view->visualRect(found.first()).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
        pump();
    }

    void pressKey(Qt::Key key)
    {
        // A message box closed a moment ago may leave no widget with the focus
        // offscreen; the click before gave it to the list.
        if (!QApplication::focusWidget()) {
            QApplication::setActiveWindow(windowWidget(ids::WindowMain));
            listView()->setFocus();
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        pump();
    }

    static std::vector<std::string> entriesOf(const std::string &archive)
    {
        std::vector<engine::EntryInfo> entries;
        engine::listEntries(archive, entries);
        std::vector<std::string> names;
        for (const auto &e : entries)
            names.push_back(e.fileName);
        return names;
    }
};

TEST_F(ArchiveEditingTest, ContextMenuDeleteKeyAndF2ChangeTheArchive)
{
    writeStandardIni();
    const std::string zip = makeZip("a.zip", {{"docs/x.txt", "x"}, {"docs/y.txt", "y"}, {"z.txt", "z"}});
    ASSERT_TRUE(start({zip}));

    // The menu of a right click: every command there; Delete asks, naming the entry.
    rightClick("z.txt");
    QAction *remove = menuItemAction(ids::ArchiveListMenu, ids::MenuArchiveDelete);
    ASSERT_NE(remove, nullptr);
    for (int item : {ids::MenuArchiveOpen, ids::MenuArchiveExtract, ids::MenuArchiveAdd, ids::MenuArchiveRename,
                     ids::MenuArchiveNewFolder, ids::MenuArchiveTest, ids::MenuArchiveInfo})
        EXPECT_TRUE(menuItemAction(ids::ArchiveListMenu, item)->isEnabled()) << item;
    ScriptStep question;
    question.kind = DialogKind::YesNo;
    question.textContains = "z.txt";
    question.yes = true;
    expectDialog(question);
    remove->trigger();
    pump();
    EXPECT_EQ(entriesOf(zip), (std::vector<std::string>{"docs/x.txt", "docs/y.txt"}));
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"docs/x.txt", "docs/y.txt"}));

    // F2 on the focused list renames the selected entry.
    clickRow(ids::ArchiveList, "docs/y.txt");
    ASSERT_EQ(QApplication::focusWidget(), listView());
    expectText("docs/w.txt");
    pressKey(Qt::Key_F2);
    EXPECT_EQ(entriesOf(zip), (std::vector<std::string>{"docs/x.txt", "docs/w.txt"}));

    // Delete on the focused list: a "no" keeps everything; a name taken is refused.
    clickRow(ids::ArchiveList, "docs/x.txt");
    expectYesNo(false);
    pressKey(Qt::Key_Delete);
    EXPECT_EQ(entriesOf(zip).size(), 2u);
    const std::string before = readFile(zip);
    clickRow(ids::ArchiveList, "docs/x.txt");
    expectText("DOCS/W.TXT");
    ScriptStep refused;
    refused.textContains = "DOCS/W.TXT";
    expectDialog(refused);
    pressKey(Qt::Key_F2);
    EXPECT_TRUE(readFile(zip) == before);
    EXPECT_EQ(unusedSteps(), 0);
}

TEST_F(ArchiveEditingTest, FilesDroppedOnTheListAreAddedAfterTheReplaceQuestion)
{
    writeStandardIni();
    writeFile("elsewhere/z.txt", "new z");
    writeFile("elsewhere/n.txt", "n");
    const std::string zip = makeZip("a.zip", {{"z.txt", "z"}});
    ASSERT_TRUE(start({zip}));
    QWidget *window = windowWidget(ids::WindowMain);
    QWidget *list = gadgetWidget(ids::ArchiveList);
    const QPoint point = list->mapTo(window, list->rect().center());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder() / "elsewhere/z.txt").string())),
                  QUrl::fromLocalFile(QString::fromStdString((folder() / "elsewhere/n.txt").string()))});
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    expectReplace(ReplaceAnswer::Yes, true);
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    pump();
    EXPECT_EQ(unusedSteps(), 0);
    EXPECT_EQ(entriesOf(zip), (std::vector<std::string>{"z.txt", "n.txt"}));
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"z.txt", "n.txt"}));
    engine::extractMatching(zip, "z.txt", (folder() / "out").string(), 0);
    EXPECT_EQ(readFile(folder() / "out/z.txt"), "new z");
}

TEST_F(ArchiveEditingTest, ReadOnlyFormatsGreyTheEditingCommandsAndSayWhy)
{
    writeStandardIni();
    writeFile("a.rar", std::string("Rar!\x1a\x07\x01\x00", 8) + std::string(64, '\0'));
    ASSERT_TRUE(start({(folder() / "a.rar").string()}));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), listView()->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(listView()->viewport(), &event);
    pump();
    for (int item : {ids::MenuArchiveAdd, ids::MenuArchiveDelete, ids::MenuArchiveRename, ids::MenuArchiveNewFolder}) {
        QAction *action = menuItemAction(ids::ArchiveListMenu, item);
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->isEnabled()) << item;
        EXPECT_EQ(action->toolTip().toStdString(), "Les archives de ce format ne peuvent pas être modifiées");
    }
    EXPECT_TRUE(menuItemAction(ids::ArchiveListMenu, ids::MenuArchiveTest)->isEnabled());
}

TEST_F(ArchiveEditingTest, TheFolderViewWalksTheArchiveAndActsOnWholeFolders)
{
    writeStandardIni();
    const std::string zip =
        makeZip("a.zip", {{"docs/", ""}, {"docs/x.txt", "x"}, {"docs/sub/y.txt", "y"}, {"top.txt", "t"}});
    ASSERT_TRUE(start({zip}));
    menu(ids::MenuFolders);
    EXPECT_EQ(settings::settingText(settings::kArchiveFolders), "1");
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"docs/", "top.txt"}));
    EXPECT_NE(getGadgetColumnTitle(ids::ArchiveList, 0).find("(4)"), std::string::npos) << "the whole archive's count";
    // Enter on a folder row goes into it; the title says where.
    clickRow(ids::ArchiveList, "docs/");
    pressKey(Qt::Key_Return);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"..", "sub/", "x.txt"}));
    EXPECT_NE(getWindowTitle(ids::WindowMain).find(": /docs/"), std::string::npos) << getWindowTitle(ids::WindowMain);
    // Extract on a folder row takes everything under it.
    clickRow(ids::ArchiveList, "sub/");
    expectFolder((folder() / "out").string() + "/");
    ScriptStep done;
    expectDialog(done);
    menu(ids::MenuArchiveExtract);
    EXPECT_EQ(readFile(folder() / "out/docs/sub/y.txt"), "y");
    // Delete on a folder row removes it with what it holds; ".." goes back up.
    clickRow(ids::ArchiveList, "sub/");
    expectYesNo(true);
    pressKey(Qt::Key_Delete);
    EXPECT_EQ(entriesOf(zip), (std::vector<std::string>{"docs/", "docs/x.txt", "top.txt"}));
    clickRow(ids::ArchiveList, "..");
    pressKey(Qt::Key_Return);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"docs/", "top.txt"}));
    EXPECT_EQ(unusedSteps(), 0);
}

TEST_F(ArchiveEditingTest, FilesAddedToAnEncryptedArchiveTakeItsCheckedPassword)
{
    writeStandardIni();
    writeFile("elsewhere/n.txt", "n");
    writeFile("elsewhere/s.txt", "secret");
    const std::string zip = (folder() / "enc.zip").string();
    engine::createArchive(zip, 0);
    engine::setPassword("s3cret");
    engine::addFile((folder() / "elsewhere/s.txt").string(), 0);
    ASSERT_EQ(engine::closeArchives(), 0);
    engine::setPassword("");
    ASSERT_TRUE(start({zip}));
    const std::string before = readFile(zip);
    auto dropOne = [&] {
        QWidget *window = windowWidget(ids::WindowMain);
        const QPoint point = listView()->mapTo(window, listView()->rect().center());
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder() / "elsewhere/n.txt").string()))});
        QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        pump();
    };
    // A wrong password is caught before anything is written.
    expectYesNo(true);
    expectText("wrong");
    ScriptStep refused;
    refused.textContains = "mot de passe";
    expectDialog(refused);
    dropOne();
    EXPECT_TRUE(readFile(zip) == before);
    expectYesNo(true);
    expectText("s3cret");
    dropOne();
    EXPECT_EQ(unusedSteps(), 0);
    std::vector<engine::EntryInfo> entries;
    ASSERT_EQ(engine::listEntries(zip, entries), 2);
    EXPECT_TRUE(entries[1].isEncrypted());
}

} // namespace
