// The platform layer on real widgets: numbering, events, the explorer list,
// shortcuts, menus and the requester script.
#include <algorithm>
#include "support/gui_fixture.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTreeView>
#include <QTreeWidget>
#include <QSysInfo>
#include <QWidget>

#include <gtest/gtest-spi.h>

#include <filesystem>
#include <fstream>

using namespace zarvon::platform;
using zarvon::testing::GuiTest;

namespace {

class PlatformTest : public GuiTest {};

void sendKey(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
}

TEST_F(PlatformTest, ControlsAreAddressedByTheirNumbers)
{
    ASSERT_EQ(openWindow(2, 0, 0, 300, 200, "Title", WindowInvisible | WindowScreenCentered), 2);
    stringGadget(75, 10, 10, 100, 20, "name");
    checkBoxGadget(88, 10, 40, 100, 20, "Show");
    comboBoxGadget(85, 10, 70, 100, 100);
    addGadgetItem(85, -1, "Normal");
    addGadgetItem(85, -1, "Deflate");
    setGadgetState(85, 1);
    setGadgetState(88, 1);

    EXPECT_EQ(getGadgetText(75), "name");
    EXPECT_EQ(getGadgetState(88), 1);
    EXPECT_EQ(getGadgetText(85), "Deflate");
    EXPECT_EQ(countGadgetItems(85), 2);
    EXPECT_EQ(getWindowTitle(2), "Title");
    EXPECT_EQ(windowWidth(2), 300);

    // A control created again under the same number replaces the first one.
    stringGadget(75, 10, 10, 100, 20, "other");
    EXPECT_EQ(getGadgetText(75), "other");

    closeWindow(2);
    EXPECT_FALSE(isWindow(2));
    EXPECT_FALSE(isGadget(75));
    EXPECT_EQ(getGadgetText(75), "");
}

TEST_F(PlatformTest, OnlyAListMadeWithCheckBoxesShowsThem)
{
    ASSERT_EQ(openWindow(2, 0, 0, 300, 200, "Title", WindowInvisible | WindowScreenCentered), 2);
    for (unsigned flags : {unsigned(ListToggleSelect), unsigned(ListCheckBoxes)}) {
        listIconGadget(170, 10, 10, 280, 80, "Files", 270, flags);
        addGadgetItem(170, -1, "a");
        setGadgetItemState(170, 0, ItemSelected);
        const auto *row = static_cast<QTreeWidget *>(gadgetWidget(170))->topLevelItem(0);
        EXPECT_EQ(row->data(0, Qt::CheckStateRole).isValid(), flags == ListCheckBoxes) << flags;
    }
}

TEST_F(PlatformTest, ProgramChangesRaiseNoEventsButUserClicksDo)
{
    openWindow(3, 0, 0, 300, 200, "", WindowInvisible);
    buttonGadget(55, 10, 10, 80, 20, "Ok");
    checkBoxGadget(91, 10, 40, 100, 20, "Box");
    setGadgetState(91, 1);
    setGadgetText(55, "Ok!");
    EXPECT_EQ(pendingEventCount(), 0);

    static_cast<QPushButton *>(gadgetWidget(55))->click();
    static_cast<QCheckBox *>(gadgetWidget(91))->click();
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Control);
    EXPECT_EQ(events[0].source, 55);
    EXPECT_EQ(events[0].window, 3);
    EXPECT_EQ(events[0].subtype, EventSubtype::LeftClick);
    EXPECT_EQ(events[1].source, 91);
    EXPECT_EQ(getGadgetState(91), 0);
}

TEST_F(PlatformTest, OptionButtonsOfOneGroupExcludeEachOther)
{
    openWindow(1, 0, 0, 300, 200, "", WindowInvisible);
    optionGadget(166, 10, 10, 90, 20, "compresser");
    optionGadget(167, 110, 10, 90, 20, "Décompresser");
    EXPECT_EQ(getGadgetState(166), 0);
    EXPECT_EQ(getGadgetState(167), 0);
    static_cast<QRadioButton *>(gadgetWidget(166))->click();
    static_cast<QRadioButton *>(gadgetWidget(167))->click();
    EXPECT_EQ(getGadgetState(166), 0);
    EXPECT_EQ(getGadgetState(167), 1);
    setGadgetState(166, 1);
    EXPECT_EQ(getGadgetState(167), 0);
}

TEST_F(PlatformTest, CloseBoxIsReportedAndLeavesTheWindowOpen)
{
    openWindow(9, 0, 0, 200, 100, "A propos", WindowCloseBox);
    windowWidget(9)->close();
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::CloseWindow);
    EXPECT_EQ(events[0].window, 9);
    EXPECT_TRUE(isWindow(9));
    EXPECT_TRUE(isWindowVisible(9));
}

TEST_F(PlatformTest, EveryWindowShowsTheProgramsPicture)
{
    openWindow(0, 0, 0, 300, 200, "Zarvon", WindowCloseBox | WindowMinimizeBox | WindowSizeable);
    openWindow(9, 0, 0, 200, 100, "A propos", WindowCloseBox | WindowTool, 0);
    for (int window : {0, 9}) {
        const std::vector<int> sizes = windowIconSizes(window);
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), 16), sizes.end()) << window;
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), 48), sizes.end()) << window;
    }
}

TEST_F(PlatformTest, EscapeClosesADialogAndReturnPressesItsDefaultButton)
{
    openWindow(0, 0, 0, 300, 200, "main", 0);
    stringGadget(70, 10, 10, 100, 20, "");
    openWindow(9, 0, 0, 200, 100, "dialog", WindowCloseBox, 0);
    stringGadget(75, 10, 10, 100, 20, "abc");
    buttonGadget(76, 10, 40, 60, 20, "Ok", ButtonDefault);
    buttonGadget(77, 80, 40, 60, 20, "Cancel");
    sendKey(gadgetWidget(75), Qt::Key_Return);
    sendKey(gadgetWidget(75), Qt::Key_Escape);
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Control);
    EXPECT_EQ(events[0].source, 76);
    EXPECT_EQ(events[1].kind, EventKind::CloseWindow);
    EXPECT_EQ(events[1].window, 9);
    EXPECT_TRUE(isWindow(9)) << "the program decides what closing means";
    // The main window is no dialog: Escape there closes nothing.
    sendKey(gadgetWidget(70), Qt::Key_Escape);
    sendKey(gadgetWidget(70), Qt::Key_Return);
    EXPECT_TRUE(takeEvents().empty());
}

TEST_F(PlatformTest, ShortcutsAreTakenBeforeTheFocusedFieldSeesTheKey)
{
    openWindow(0, 0, 0, 300, 200, "", 0);
    stringGadget(75, 10, 10, 100, 20, "abc");
    addKeyboardShortcut(0, "Ctrl+A", 10004);
    addKeyboardShortcut(0, "Return", 10007);
    QWidget *edit = gadgetWidget(75);
    sendKey(edit, Qt::Key_A, Qt::ControlModifier);
    sendKey(edit, Qt::Key_Return);
    sendKey(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EventKind::Menu);
    EXPECT_EQ(events[0].source, 10004);
    EXPECT_EQ(events[1].source, 10007);
    EXPECT_EQ(events[2].kind, EventKind::Control);
    EXPECT_EQ(events[2].subtype, EventSubtype::Change);
    // The field selected nothing and took only the plain key.
    EXPECT_FALSE(static_cast<QLineEdit *>(edit)->hasSelectedText());
    EXPECT_EQ(getGadgetText(75), "abcx");
}

TEST_F(PlatformTest, DrainEventsDropsTheQueueAndReportsCancel)
{
    const int progressWindow = openWindow(AnyNumber, 0, 0, 300, 100, "Progression...", 0);
    int cancel = buttonGadget(AnyNumber, 10, 10, 70, 18, "Annuler");
    EXPECT_GE(cancel, 100000);
    postEvent(UiEvent{EventKind::Menu, 0, 8, EventSubtype::None});
    EXPECT_FALSE(drainEvents(cancel));
    EXPECT_EQ(pendingEventCount(), 0);

    static_cast<QPushButton *>(gadgetWidget(cancel))->click();
    EXPECT_TRUE(drainEvents(cancel));
    EXPECT_FALSE(drainEvents(cancel));

    sendKey(gadgetWidget(cancel), Qt::Key_Escape);
    EXPECT_TRUE(drainEvents(cancel));

    // The window's close box, drawn by some window managers, asks the same.
    windowWidget(progressWindow)->close();
    EXPECT_TRUE(isWindow(progressWindow));
    EXPECT_TRUE(drainEvents(cancel));
    EXPECT_FALSE(drainEvents(cancel));

    // An Escape pressed before the next event was taken is forgotten.
    sendKey(gadgetWidget(cancel), Qt::Key_Escape);
    postEvent(UiEvent{EventKind::Menu, 0, 8, EventSubtype::None});
    UiEvent e;
    ASSERT_TRUE(pollEvent(e));
    EXPECT_FALSE(drainEvents(cancel));
}

TEST_F(PlatformTest, EscapeFromBeforeTheEventTakenByWaitEventIsForgotten)
{
    openWindow(4, 0, 0, 300, 100, "", 0);
    int cancel = buttonGadget(AnyNumber, 10, 10, 70, 18, "Annuler");
    // Escape with no cancel button asked for still stops the operation.
    sendKey(gadgetWidget(cancel), Qt::Key_Escape);
    EXPECT_TRUE(drainEvents());

    sendKey(gadgetWidget(cancel), Qt::Key_Escape);
    static_cast<QPushButton *>(gadgetWidget(cancel))->click();
    postEvent(UiEvent{EventKind::Menu, 0, 8, EventSubtype::None});
    UiEvent taken = waitEvent();
    EXPECT_EQ(taken.kind, EventKind::Control);
    EXPECT_EQ(taken.source, cancel);
    EXPECT_EQ(pendingEventCount(), 1);
    // The click and the key came before the event that starts the operation.
    EXPECT_FALSE(drainEvents(cancel));
}

TEST_F(PlatformTest, ClosingAWindowDropsItsPendingEventsAndShortcuts)
{
    openWindow(3, 0, 0, 300, 200, "", 0);
    stringGadget(75, 10, 10, 100, 20, "");
    addKeyboardShortcut(3, "Ctrl+A", 10004);
    postEvent(UiEvent{EventKind::Control, 3, 75, EventSubtype::Change});
    postEvent(UiEvent{EventKind::Menu, 3, 8, EventSubtype::None});
    windowWidget(3)->close();
    postEvent(UiEvent{EventKind::Control, 5, 20, EventSubtype::LeftClick});
    ASSERT_EQ(pendingEventCount(), 4);

    closeWindow(3);
    // Menu events stay: they name commands, not the window's controls.
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::Menu);
    EXPECT_EQ(events[0].source, 8);
    EXPECT_EQ(events[1].window, 5);

    // A new window under the same number starts without the old shortcuts.
    openWindow(3, 0, 0, 300, 200, "", 0);
    stringGadget(75, 10, 10, 100, 20, "");
    sendKey(gadgetWidget(75), Qt::Key_A, Qt::ControlModifier);
    for (const UiEvent &e : takeEvents())
        EXPECT_NE(e.kind, EventKind::Menu);
}

TEST_F(PlatformTest, PopupMenusToolTipsAndMissingItemsReadBack)
{
    ASSERT_TRUE(createPopupMenu(143));
    menuItem(144, "Restaurer & ouvrir");
    menuBar();
    openSubMenu("Plus");
    menuItem(146, "Aide");
    closeSubMenu();
    menuItem(145, "Quitter");
    std::vector<std::string> expected{"Restaurer & ouvrir", "-", "Plus>", "Aide", "<", "Quitter"};
    EXPECT_EQ(menuOutline(143), expected);
    EXPECT_EQ(getMenuItemText(143, 144), "Restaurer & ouvrir");
    EXPECT_TRUE(hasMenuItem(143, 146));
    EXPECT_FALSE(hasMenuItem(143, 999));
    EXPECT_EQ(getMenuItemText(143, 999), "");
    EXPECT_TRUE(menuOutline(999).empty());

    openWindow(0, 0, 0, 700, 500, "", WindowInvisible);
    ASSERT_TRUE(createToolBar(0, 0, ToolBarForm::Pictures, 56, 1024));
    int b = toolBarButton(0, pictureImage(Picture::IconInfo), "Info");
    setToolBarButtonToolTip(0, b, "Informations");
    EXPECT_EQ(getToolBarButtonToolTip(0, b), "Informations");
    EXPECT_EQ(getToolBarButtonCaption(0, b + 1), "");
    clickToolBarButton(0, b + 1);
    EXPECT_EQ(pendingEventCount(), 0);

    ASSERT_TRUE(createStatusBar(0, 0));
    addStatusBarField(0, 160);
    EXPECT_EQ(getStatusBarText(0, 1), "");
    EXPECT_EQ(getStatusBarText(0, -1), "");
}

// The calls of testing.h only exist for tests: the program must not come to
// depend on them.
TEST(PlatformTestingHeader, IsIncludedByNoProgramSource)
{
    const std::filesystem::path root = ZARVON_SOURCE_DIR;
    std::vector<std::string> offenders;
    for (const char *layer : {"app", "cli", "operations", "ui", "shell", "engine", "settings", "rar", "base"}) {
        if (!std::filesystem::exists(root / layer))
            continue;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(root / layer)) {
            const std::filesystem::path &path = entry.path();
            if (path.extension() != ".cpp" && path.extension() != ".h")
                continue;
            std::string relative = path.lexically_relative(root).generic_string();
            if (relative.starts_with("ui/platform/"))
                continue;
            std::ifstream in(path);
            std::string text((std::istreambuf_iterator<char>(in)), {});
            if (text.find("ui/platform/testing.h") != std::string::npos)
                offenders.push_back(relative);
        }
    }
    std::string list;
    for (const std::string &offender : offenders)
        list += offender + " ";
    EXPECT_EQ(list, "");
}

TEST_F(PlatformTest, ExplorerListShowsParentFirstThenFoldersThenFiles)
{
    writeFile("dir/b.zip", "x");
    writeFile("dir/A.txt", "y");
    writeFile("dir/sub/c.txt", "z");
    std::string dir = (folder() / "dir").string();
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, dir);

    EXPECT_EQ(getGadgetText(116), dir + "/");
    ASSERT_EQ(countGadgetItems(116), 4);
    EXPECT_EQ(getGadgetItemText(116, 0), "..");
    EXPECT_EQ(getGadgetItemText(116, 1), "sub");
    EXPECT_EQ(getGadgetItemText(116, 2), "A.txt");
    EXPECT_EQ(getGadgetItemText(116, 3), "b.zip");
    EXPECT_EQ(getGadgetItemState(116, 0), ItemFolder);
    EXPECT_EQ(getGadgetItemState(116, 1), ItemFolder);
    EXPECT_EQ(getGadgetItemState(116, 3), ItemFile);
    EXPECT_EQ(getGadgetState(116), -1);

    setGadgetItemState(116, 2, ItemSelected);
    setGadgetItemState(116, 3, ItemSelected);
    EXPECT_EQ(getGadgetItemState(116, 2), ItemFile | ItemSelected);
    EXPECT_EQ(getGadgetItemState(116, 3), ItemFile | ItemSelected);
    EXPECT_EQ(getGadgetState(116), 2);

    setGadgetText(116, (folder() / "dir/sub").string());
    ASSERT_EQ(countGadgetItems(116), 2);
    EXPECT_EQ(getGadgetItemText(116, 1), "c.txt");
    EXPECT_EQ(getGadgetState(116), -1);
}

// Selecting a whole folder item by item changed the selection once per item,
// each change costing as much as the selection so far: 20,000 files froze
// the window for over a minute. Select all is one change.
TEST_F(PlatformTest, SelectAllChangesTheSelectionOnceForEveryItem)
{
    for (int i = 0; i < 300; ++i)
        writeFile("many/f" + std::to_string(i) + ".txt", "x");
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, (folder() / "many").string());
    ASSERT_EQ(countGadgetItems(116), 301);
    auto *view = gadgetWidget(116)->findChild<QTreeView *>();
    ASSERT_NE(view, nullptr);
    int changes = 0;
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, [&] { ++changes; });
    selectAllGadgetItems(116);
    EXPECT_EQ(changes, 1);
    for (int i = 0; i < 301; ++i)
        ASSERT_TRUE(getGadgetItemState(116, i) & ItemSelected) << i;
    EXPECT_GE(getGadgetState(116), 0) << "the list has a current item, as after a click";
}

// A file written in several steps while its folder is shown kept the size
// seen when it appeared (an archive of 21 KB listed as 8 bytes).
TEST_F(PlatformTest, ExplorerListShowsTheSizeAndDateOnDiskNow)
{
    writeFile("dir/growing.zip", "PK345678");
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, (folder() / "dir").string());
    ASSERT_EQ(countGadgetItems(116), 2);
    ASSERT_EQ(getGadgetItemText(116, 1), "growing.zip");
    const std::string before = getGadgetItemText(116, 1, 1);
    EXPECT_EQ(before, QLocale::system().formattedDataSize(8).toStdString());
    {
        std::ofstream out(folder() / "dir/growing.zip", std::ios::binary | std::ios::app);
        out << std::string(21000, 'x');
    }
    const QDateTime later = QDateTime::currentDateTime().addSecs(-3600);
    QFile file(QString::fromStdString((folder() / "dir/growing.zip").string()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(later, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(getGadgetItemText(116, 1, 1), QLocale::system().formattedDataSize(21008).toStdString());
    EXPECT_EQ(getGadgetItemText(116, 1, 3), QLocale::system().toString(later, QLocale::ShortFormat).toStdString());
}

TEST_F(PlatformTest, DoubleClickOnAFolderEntersItAndOnTheParentGoesUp)
{
    writeFile("top/sub/inner.txt", "i");
    std::string top = (folder() / "top").string();
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, top);
    ASSERT_EQ(countGadgetItems(116), 2);
    auto *view = gadgetWidget(116)->findChild<QTreeView *>();
    ASSERT_NE(view, nullptr);
    QModelIndex sub = view->model()->index(1, 0, view->rootIndex());
    ASSERT_EQ(sub.data().toString(), QStringLiteral("sub"));
    emit view->doubleClicked(sub);
    EXPECT_EQ(getGadgetText(116), top + "/sub/");
    ASSERT_EQ(countGadgetItems(116), 2);
    EXPECT_EQ(getGadgetItemText(116, 1), "inner.txt");
    auto events = takeEvents();
    ASSERT_GE(events.size(), 1u);
    EXPECT_EQ(events[0].subtype, EventSubtype::LeftDoubleClick);
    EXPECT_EQ(events[0].source, 116);

    QModelIndex parent = view->model()->index(0, 0, view->rootIndex());
    emit view->doubleClicked(parent);
    EXPECT_EQ(getGadgetText(116), top + "/");
}

TEST_F(PlatformTest, ExplorerDisplayModesSwitchTheView)
{
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, folder().string());
    for (ExplorerDisplay mode :
         {ExplorerDisplay::LargeIcons, ExplorerDisplay::SmallIcons, ExplorerDisplay::List, ExplorerDisplay::Details}) {
        setExplorerDisplay(116, mode);
        EXPECT_EQ(getExplorerDisplay(116), mode);
    }
    // The selection is shared by every display.
    setExplorerDisplay(116, ExplorerDisplay::LargeIcons);
    setGadgetItemState(116, 0, ItemSelected);
    setExplorerDisplay(116, ExplorerDisplay::Details);
    EXPECT_TRUE(getGadgetItemState(116, 0) & ItemSelected);
}

TEST_F(PlatformTest, ExplorerListFollowsChangesOnDisk)
{
    std::string dir = (folder() / "watched").string();
    writeFile("watched/one.txt", "1");
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, dir);
    ASSERT_EQ(countGadgetItems(116), 2);
    writeFile("watched/two.txt", "2");
    int count = 0;
    for (int i = 0; i < 200 && count != 3; ++i) {
        processSystemEvents(20);
        count = countGadgetItems(116);
    }
    EXPECT_EQ(count, 3);
}

TEST_F(PlatformTest, ExplorerListOfAMissingFolderShowsTheHomeFolder)
{
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerListGadget(116, 0, 0, 500, 300, (folder() / "gone").string());
    std::string home = QDir::homePath().toStdString() + "/";
    EXPECT_EQ(getGadgetText(116), home);
}

TEST_F(PlatformTest, AddressComboOffersRootAndHomeThenTheFolder)
{
    std::string home = QDir::homePath().toStdString() + "/";
    std::string shown = (folder() / "deep").string() + "/";
    openWindow(0, 0, 0, 500, 300, "", WindowInvisible);
    explorerComboGadget(115, 3, 3, 400, 22, shown);
    ASSERT_GE(countGadgetItems(115), 3);
    EXPECT_EQ(getGadgetItemText(115, 0), "/");
    EXPECT_EQ(getGadgetItemText(115, 1), home);
    EXPECT_EQ(getGadgetItemText(115, countGadgetItems(115) - 1), shown);
    EXPECT_EQ(getGadgetText(115), shown);
    setGadgetText(115, "/");
    EXPECT_EQ(getGadgetText(115), "/");
    EXPECT_EQ(pendingEventCount(), 0);
}

TEST_F(PlatformTest, AnchoredControlsFollowTheWindowsEdges)
{
    openWindow(0, 0, 0, 700, 500, "", WindowInvisible | WindowSizeable);
    containerGadget(142, 1, 60, 698, 28);
    closeGadgetList();
    listIconGadget(138, 2, 90, 696, 365, "Title", 220);
    anchorGadget(142, true, true, true, false);
    anchorGadget(138, true, true, true, true);
    resizeWindow(0, Keep, Keep, 800, 450);
    EXPECT_EQ(gadgetWidth(142), 798);
    EXPECT_EQ(gadgetHeight(142), 28);
    EXPECT_EQ(gadgetWidth(138), 796);
    EXPECT_EQ(gadgetHeight(138), 315);
    EXPECT_EQ(gadgetX(138), 2);
    // Adding a status bar moves nothing by itself.
    createStatusBar(0, 0);
    processSystemEvents(0);
    EXPECT_EQ(gadgetHeight(138), 315);
}

TEST_F(PlatformTest, MenusCarryCheckMarksAndReportTheirItems)
{
    openWindow(0, 0, 0, 300, 200, "", WindowInvisible);
    ASSERT_TRUE(createMenu(0, 0));
    menuTitle("Fichier");
    menuItem(0, "Ouvrir Archive");
    menuBar();
    openSubMenu("Langue");
    menuItem(15, "Francais");
    closeSubMenu();
    menuItem(8, "Quitter");
    setMenuItemState(0, 15, true);

    EXPECT_TRUE(getMenuItemState(0, 15));
    EXPECT_FALSE(getMenuItemState(0, 8));
    std::vector<std::string> expected{"Fichier>", "Ouvrir Archive", "-", "Langue>", "Francais", "<", "Quitter", "<"};
    EXPECT_EQ(menuOutline(0), expected);
    triggerMenuItem(0, 8);
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::Menu);
    EXPECT_EQ(events[0].source, 8);
    EXPECT_EQ(events[0].window, 0);
}

TEST_F(PlatformTest, ChoosingAMarkedMenuItemLeavesItsMarkToTheProgram)
{
    openWindow(0, 0, 0, 300, 200, "", WindowInvisible);
    ASSERT_TRUE(createMenu(0, 0));
    menuTitle("Afficher");
    menuItem(9, "ToolBar");
    menuItem(24, "Boot");
    setMenuItemState(0, 9, true);
    setMenuItemState(0, 24, false);

    // The handler of the event reads the mark as it was before the click.
    triggerMenuItem(0, 9);
    triggerMenuItem(0, 24);
    EXPECT_TRUE(getMenuItemState(0, 9));
    EXPECT_FALSE(getMenuItemState(0, 24));
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].source, 9);
    EXPECT_EQ(events[1].source, 24);
}

TEST_F(PlatformTest, ToolBarButtonsGetHandedOutNumbers)
{
    openWindow(0, 0, 0, 700, 500, "", WindowInvisible);
    ASSERT_TRUE(createToolBar(0, 0, ToolBarForm::Captions, 56, 1024));
    int a = toolBarButton(0, pictureImage(Picture::IconCompress), "Compresser");
    int b = toolBarButton(0, pictureImage(Picture::IconExtract), "Extraire");
    EXPECT_NE(a, b);
    EXPECT_EQ(getToolBarButtonCaption(0, b), "Extraire");
    EXPECT_EQ(imageWidth(pictureImage(Picture::IconHelp)), 48);
    clickToolBarButton(0, b);
    auto events = takeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::Control);
    EXPECT_EQ(events[0].source, b);
}

TEST_F(PlatformTest, StatusBarFieldsHoldTheirTexts)
{
    openWindow(0, 0, 0, 700, 500, "", WindowInvisible);
    ASSERT_TRUE(createStatusBar(0, 0));
    addStatusBarField(0, 160);
    addStatusBarField(0, 865);
    statusBarText(0, 1, "0 Dossier(s) 1 Fichier(s) sélectionné(s)", TextCenter);
    EXPECT_EQ(getStatusBarText(0, 1), "0 Dossier(s) 1 Fichier(s) sélectionné(s)");
    // A field wider than the window does not widen it.
    EXPECT_EQ(windowWidth(0), 700);
    freeStatusBar(0);
    EXPECT_FALSE(isStatusBar(0));
}

TEST_F(PlatformTest, InstanceLockExcludesASecondHolder)
{
    EXPECT_TRUE(acquireInstanceLock("zarvon"));
    EXPECT_FALSE(acquireInstanceLock("zarvon"));
    releaseInstanceLock();
    EXPECT_TRUE(acquireInstanceLock("zarvon"));
}

TEST_F(PlatformTest, InstanceLockOfAProcessThatEndedIsTakenOver)
{
    // What a crashed instance leaves behind: a lock naming a process that no
    // longer runs.
    QString host = QSysInfo::machineHostName();
    writeFile("run/zarvon.lock", "2147483000\nzarvon\n" + host.toStdString() + "\n");
    EXPECT_TRUE(acquireInstanceLock("zarvon"));
}

TEST_F(PlatformTest, ScriptAnswersRequestersAndRecordsMessages)
{
    expectOpenFile("/tmp/a.zip");
    expectMessage("Zarvon", "Le fichier est corrompu", MessageIcon::Error);
    expectYesNo(true);
    EXPECT_EQ(openFileRequester("Sélectionner une archive", "", "Zip(*.zip)|*.zip", 0), "/tmp/a.zip");
    messageBox("Zarvon", "Le fichier est corrompu", MessageIcon::Error);
    EXPECT_TRUE(askYesNo("Zarvon", "Remplacer ?"));
    ASSERT_EQ(shownDialogs().size(), 3u);
    EXPECT_EQ(shownDialogs()[0].caption, "Sélectionner une archive");
    EXPECT_EQ(shownDialogs()[0].filter, "Zip(*.zip)|*.zip");
    EXPECT_EQ(unusedSteps(), 0);
}

TEST_F(PlatformTest, UnexpectedDialogFailsTheTestAtOnce)
{
    EXPECT_NONFATAL_FAILURE(messageBox("Zarvon", "surprise", MessageIcon::Information), "unexpected message box");
    expectMessage("Zarvon", "one text", MessageIcon::Information);
    EXPECT_NONFATAL_FAILURE(messageBox("Zarvon", "another text", MessageIcon::Information), "unexpected message box");
    // An unexpected requester is cancelled.
    std::string answer = "not run";
    EXPECT_NONFATAL_FAILURE(answer = folderRequester("Destination", "/"), "unexpected folder requester");
    EXPECT_EQ(answer, "");
}

TEST_F(PlatformTest, UnusedAnswerFailsWhenTheScriptEnds)
{
    expectFolder("/tmp/");
    EXPECT_NONFATAL_FAILURE(endScript(), "never shown");
    beginScript([](const std::string &fault) { ADD_FAILURE() << fault; });
}

TEST_F(PlatformTest, EndProcessIsInterceptedInTests)
{
    EXPECT_FALSE(exitRequested());
    endProcess(0);
    EXPECT_TRUE(exitRequested());
    EXPECT_EQ(requestedExitCode(), 0);
}

} // namespace
