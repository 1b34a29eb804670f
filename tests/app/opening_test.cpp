// Opening archives by requester, command line, recent-archives submenu and
// double click; the recent archives' order, submenu and storage.
#include "rar/rar.h"
#include "support/explorer_clicks.h"
#include "support/process.h"
#include "support/program_fixture.h"
#include "ui/opening.h"
#include "ui/platform/qt_access.h"

#include <QWidget>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class OpeningTest : public ProgramTest {
protected:
    std::vector<std::string> recentSubmenu()
    {
        std::vector<std::string> outline = menuOutline(ids::MenuBarMain), items;
        bool inside = false;
        for (const std::string &line : outline) {
            if (line == "Recent Files>" || line == "Fichiers Récents>") {
                inside = true;
                continue;
            }
            if (inside && line == "<")
                break;
            if (inside)
                items.push_back(line);
        }
        return items;
    }

    // The File menu, from its title to its end.
    std::vector<std::string> fileMenu()
    {
        std::vector<std::string> outline = menuOutline(ids::MenuBarMain), items;
        int depth = 0;
        for (std::size_t i = 1; i < outline.size(); ++i) {
            if (outline[i] == "<" && depth == 0)
                break;
            if (outline[i].back() == '>')
                ++depth;
            if (outline[i] == "<")
                --depth;
            items.push_back(outline[i]);
        }
        return items;
    }

    void openWithRequester(const std::string &path)
    {
        expectOpenFile(path);
        menu(ids::MenuOpenZip);
    }
};

TEST_F(OpeningTest, RequesterListsTheEntriesInCentralDirectoryOrder)
{
    writeStandardIni();
    std::string zip = makeZip("archive.zip", {{"z.txt", "z"}, {"a/b.txt", "hello"}, {"c/", ""}});
    ASSERT_TRUE(start());
    openWithRequester(zip);
    ASSERT_EQ(shownDialogs().size(), 1u);
    EXPECT_EQ(shownDialogs()[0].caption, "Sélectionner une archive");
    // ZIP first as always, then every other format read, tarballs among them.
    EXPECT_EQ(shownDialogs()[0].filter.rfind("Zip(*.zip)|*.zip|7-zip(*.7z)|*.7z|Rar(*.rar)|*.rar|Cab(*.cab)|*.cab|", 0), 0u);
    EXPECT_NE(shownDialogs()[0].filter.find(";*.tar.gz;"), std::string::npos);
    EXPECT_EQ(shownDialogs()[0].filterIndex, 0);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"z.txt", "a/b.txt", "c/"}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (3)");
    EXPECT_EQ(getGadgetColumnWidth(ids::ArchiveList, 0), 220);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + zip + "'' ----- Zarvon");
    EXPECT_EQ(ui::currentArchivePath(), zip);
    // The archive layout: the splitter with the archive list left.
    EXPECT_TRUE(isGadget(ids::SplitterArchive));
    EXPECT_EQ(gadgetY(ids::SplitterArchive), 90);
    // The divider: past the date column, no longer at the fixed 240.
    EXPECT_GE(getGadgetState(ids::SplitterArchive), 220 + 80 + 80 + 50 + 115);
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 0), "");
}

TEST_F(OpeningTest, SelectionCountsStartAfreshWithTheNewExplorerList)
{
    writeStandardIni();
    writeFile("home/notes.txt", "n");
    std::string zip = makeZip("archive.zip", {{"a.txt", "a"}});
    ASSERT_TRUE(start());
    setGadgetItemState(ids::ExplorerList, explorerItem("notes.txt"), ItemSelected);
    control(ids::ExplorerList, EventSubtype::Change);
    ASSERT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Dossier(s) 1 Fichier(s) sélectionné(s)");
    // The archive layout makes the explorer list anew, with nothing selected.
    openWithRequester(zip);
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Dossier(s) 0 Fichier(s) sélectionné(s)");
}

// Making the explorer list anew for each archive read its folder again:
// seconds with 20,000 files. In the toolbar form it is kept, folder and view.
TEST_F(OpeningTest, TheExplorerListIsKeptWhenAnArchiveOpens)
{
    writeStandardIni();
    writeFile("home/notes.txt", "n");
    const std::string first = makeZip("home/first.zip", {{"a.txt", "a"}});
    const std::string second = makeZip("home/second.zip", {{"b.txt", "b"}, {"c.txt", "c"}});
    ASSERT_TRUE(start());
    QWidget *explorer = gadgetWidget(ids::ExplorerList);
    ASSERT_NE(explorer, nullptr);
    const std::string folder = getGadgetText(ids::ExplorerList);
    openWithRequester(first);
    openWithRequester(second);
    EXPECT_EQ(gadgetWidget(ids::ExplorerList), explorer);
    EXPECT_TRUE(explorer->isVisible());
    EXPECT_EQ(getGadgetText(ids::ExplorerList), folder);
    EXPECT_EQ(archiveRows().size(), 2u);
    EXPECT_GE(explorerItem("notes.txt"), 0);
}

TEST_F(OpeningTest, CtrlOOpensTheRequesterAndCancelChangesNothing)
{
    writeStandardIni();
    std::string zip = makeZip("archive.zip", {{"x", "x"}});
    ASSERT_TRUE(start({zip}));
    expectOpenFile("");
    menu(ids::ShortcutOpenZip);
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows().size(), 1u);
}

TEST_F(OpeningTest, OpeningKeepsTheViewChosenSinceTheLastSave)
{
    writeStandardIni({{"View/StatusBar", "0"}});
    std::string zip = makeZip("archive.zip", {{"x", "x"}});
    ASSERT_TRUE(start());
    menu(ids::MenuStatusBar);
    menu(ids::MenuLargeIcon);
    ASSERT_NE(ini().find("StatusBar = 0"), std::string::npos);
    openWithRequester(zip);
    EXPECT_TRUE(isStatusBar(ids::StatusBarMain));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuLargeIcon));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuDefaultView));
    EXPECT_EQ(getExplorerDisplay(ids::ExplorerList), ExplorerDisplay::LargeIcons);
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("StatusBar = 1"), std::string::npos);
    EXPECT_NE(ini().find("BigIconView = 1"), std::string::npos);
}

TEST_F(OpeningTest, OtherFormatsAndDamagedFilesListNothingButAreRemembered)
{
    writeStandardIni();
    std::string other = writeFile("data.7z", "7z not really").string();
    std::string empty = makeZip("empty.zip", {});
    ASSERT_TRUE(start());
    openWithRequester(other);
    EXPECT_TRUE(archiveRows().empty());
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (0)");
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + other + "'' ----- Zarvon");
    EXPECT_EQ(settings::recentArchives().front(), other);
    openWithRequester(empty);
    EXPECT_TRUE(archiveRows().empty());
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (0)");
}

TEST_F(OpeningTest, PlainFormListsBesideTheExplorerWithCheckBoxesFromTheRequester)
{
    writeStandardIni({{"View/ToolBar", "0"}, {"Window/WindowHeight", "500"}, {"Window/WindowWith", "700"}});
    std::string zip = makeZip("archive.zip", {{"one.txt", "1"}, {"two.txt", "2"}});
    ASSERT_TRUE(start());
    openWithRequester(zip);
    EXPECT_EQ(archiveRows().size(), 2u);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.0.0");
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), zip);
    EXPECT_EQ(gadgetY(ids::SplitterArchive), 38);
    EXPECT_EQ(gadgetHeight(ids::SplitterArchive), 500 - 83);
    EXPECT_GE(getGadgetState(ids::SplitterArchive), 220 + 80 + 80 + 50 + 115);
    setGadgetItemState(ids::ArchiveList, 1, ItemChecked);
    EXPECT_TRUE(getGadgetItemState(ids::ArchiveList, 1) & ItemChecked);
}

TEST_F(OpeningTest, RecentArchivesKeepTheMostRecentFirstWithoutDuplicates)
{
    writeStandardIni();
    std::string a = makeZip("A.zip", {{"a", "a"}});
    std::string b = makeZip("B.zip", {{"b", "b"}});
    ASSERT_TRUE(start());
    openWithRequester(a);
    openWithRequester(b);
    openWithRequester(a);
    EXPECT_EQ(settings::recentArchives(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(recentSubmenu(), (std::vector<std::string>{"1.  A.zip", "2.  B.zip"}));
    // Paths differing in case only are two entries.
    std::string upper = makeZip("a.zip", {{"c", "c"}});
    openWithRequester(upper);
    EXPECT_EQ(settings::recentArchives().size(), 3u);
}

TEST_F(OpeningTest, ElevenArchivesKeepTheTenMostRecent)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    std::vector<std::string> paths;
    for (int i = 0; i < 11; ++i) {
        paths.push_back(makeZip("z" + std::to_string(i) + ".zip", {{"x", "x"}}));
        openWithRequester(paths.back());
    }
    ASSERT_EQ(settings::recentArchives().size(), 10u);
    EXPECT_EQ(settings::recentArchives().front(), paths[10]);
    EXPECT_EQ(settings::recentArchives().back(), paths[1]);
    EXPECT_EQ(recentSubmenu().size(), 10u);
    EXPECT_EQ(recentSubmenu().back(), "10.  z1.zip");
}

TEST_F(OpeningTest, SubmenuReopensWithoutChangingTheOrder)
{
    writeStandardIni();
    std::string a = makeZip("A.zip", {{"a1", "a"}, {"a2", "a"}});
    std::string b = makeZip("B.zip", {{"b", "b"}});
    ASSERT_TRUE(start());
    openWithRequester(a);
    openWithRequester(b);
    menu(ids::MenuRecentFirst + 1);
    EXPECT_EQ(ui::currentArchivePath(), a);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"a1", "a2"}));
    EXPECT_EQ(settings::recentArchives(), (std::vector<std::string>{b, a}));
    // An item beyond the list does nothing.
    menu(ids::MenuRecentFirst + 5);
    EXPECT_EQ(ui::currentArchivePath(), a);
}

TEST_F(OpeningTest, SubmenuOpensWhateverTheToolBarValueSays)
{
    std::string a = makeZip("A.zip", {{"a1", "a"}});
    writeStandardIni({{"View/ToolBar", "2"}, {"Recent files/Count files", "1"}, {"Recent files/Recent files1", a}});
    ASSERT_TRUE(start());
    menu(ids::MenuRecentFirst);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"a1"}));
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + a + "'' ----- Zarvon");
}

TEST_F(OpeningTest, SubmenuInThePlainFormUsesItsOwnTitleKey)
{
    std::string a = makeZip("A.zip", {{"a1", "a"}});
    writeStandardIni({{"View/ToolBar", "0"}, {"Recent files/Count files", "1"}, {"Recent files/Recent files1", a}});
    ASSERT_TRUE(start());
    menu(ids::MenuRecentFirst);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"a1"}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), settings::languageText("Titre ListIconGadget", "") + " (1)");
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), a);
    EXPECT_EQ(gadgetY(ids::SplitterArchive), 30);
    EXPECT_EQ(getGadgetColumnWidth(ids::ExplorerList, 0), 160);
}

TEST_F(OpeningTest, SubmenuIsAbsentWithoutHistoryButTheListIsSaved)
{
    writeStandardIni({{"General/History", "0"}});
    std::string a = makeZip("A.zip", {{"a", "a"}});
    ASSERT_TRUE(start());
    openWithRequester(a);
    EXPECT_TRUE(recentSubmenu().empty());
    EXPECT_EQ(fileMenu(), (std::vector<std::string>{"Ouvrir Archive", "-", "Copier Archive", "Couper Archive",
                                                    "Renommer Archive", "-", "Sélectionner tout     \tCtrl+A",
                                                    "Supprimer", "-", "Propriétés de l'archive", "-", "Quitter"}));
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("Recent files1 = " + a), std::string::npos);
}

TEST_F(OpeningTest, ToolbarRebuildKeepsTheArchivesOpenedSince)
{
    writeStandardIni({{"Recent files/Count files", "1"}, {"Recent files/Recent files1", "/x/old.zip"}});
    std::string a = makeZip("a.zip", {{"x", "x"}});
    ASSERT_TRUE(start());
    openWithRequester(a);
    menu(ids::MenuToolBar);
    ASSERT_FALSE(isToolBar(ids::ToolBarMain));
    EXPECT_EQ(recentSubmenu(), (std::vector<std::string>{"1.  a.zip", "2.  old.zip"}));
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("Recent files1 = " + a), std::string::npos);
    EXPECT_NE(ini().find("Recent files2 = /x/old.zip"), std::string::npos);
}

TEST_F(OpeningTest, EmptyHistoryAddsNoSeparator)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    std::vector<std::string> items = fileMenu();
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items[items.size() - 3], "Propriétés de l'archive");
    EXPECT_EQ(items[items.size() - 2], "-");
}

TEST_F(OpeningTest, StoredHistoryIsLoadedAndWrittenBack)
{
    writeStandardIni({{"Recent files/Count files", "12"},
                      {"Recent files/Recent files1", "/x/one.zip"},
                      {"Recent files/Recent files2", "/x/two.zip"}});
    ASSERT_TRUE(start());
    ASSERT_EQ(settings::recentArchives().size(), 10u);
    EXPECT_EQ(settings::recentArchives()[1], "/x/two.zip");
    EXPECT_EQ(settings::recentArchives()[2], "");
    EXPECT_EQ(recentSubmenu().front(), "1.  one.zip");
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("Count files = 10"), std::string::npos);
}

TEST_F(OpeningTest, NonNumericCountLeavesTheListAlone)
{
    writeStandardIni({{"Recent files/Count files", "many"}, {"Recent files/Recent files1", "/x/one.zip"}});
    ASSERT_TRUE(start());
    EXPECT_TRUE(settings::recentArchives().empty());
}

TEST_F(OpeningTest, DoubleClickOnAZipFileListsIt)
{
    writeStandardIni();
    std::string zip = makeZip("home/pack.zip", {{"inside.txt", "i"}});
    writeFile("home/notes.txt", "n");
    ASSERT_TRUE(start());
    const int item = explorerItem("pack.zip");
    ASSERT_GE(item, 0);
    setGadgetState(ids::ExplorerList, item);
    control(ids::ExplorerList, EventSubtype::LeftDoubleClick);
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"inside.txt"}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (1)");
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + zip + "'' ----- Zarvon");
    // A double click opens as File -> Open does: the archive is remembered.
    EXPECT_EQ(settings::recentArchives(), std::vector<std::string>{zip});

    // Another file is not listed, and the listed archive stays the one that
    // extraction and the drag work on.
    setGadgetState(ids::ExplorerList, explorerItem("notes.txt"));
    control(ids::ExplorerList, EventSubtype::LeftDoubleClick);
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (1)");
    EXPECT_EQ(ui::currentArchivePath(), zip);
}

TEST_F(OpeningTest, DoubleClickOnAFileNoFormatReadsLeavesTheShownOneInCharge)
{
    writeStandardIni();
    std::string shown = makeZip("shown.zip", {{"same.txt", "shown"}});
    writeFile("home/other.arj", "not an archive the program reads");
    std::filesystem::create_directories(folder() / "out");
    ASSERT_TRUE(start({shown}));
    setGadgetState(ids::ExplorerList, explorerItem("other.arj"));
    control(ids::ExplorerList, EventSubtype::LeftDoubleClick);
    EXPECT_EQ(ui::currentArchivePath(), shown);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + shown + "'' ----- Zarvon");
    // Dragging the listed row carries it out of the archive on display.
    recordFileDrags(true);
    setGadgetItemState(ids::ArchiveList, 0, ItemSelected);
    control(ids::ArchiveList, EventSubtype::DragStart);
    ASSERT_EQ(lastDraggedFiles().size(), 1u);
    EXPECT_EQ(readFile(lastDraggedFiles()[0]), "shown");
    ui::removeTemporaryFolders();
}

TEST_F(OpeningTest, DoubleClickOnARarAfterAZipListsTheRarAndRemembersBoth)
{
    if (!rar::unrarLibraryAvailable() || !zarvon::testing::haveTool("rar"))
        GTEST_SKIP() << "rar or the UnRAR library is not installed";
    writeStandardIni();
    const std::string zip = makeZip("home/first.zip", {{"zipped.txt", "z"}});
    writeFile("r/packed.txt", "r");
    ASSERT_EQ(zarvon::testing::runCommand("cd " + zarvon::testing::quoted((folder() / "r").string()) +
                                          " && rar a -idq ../home/second.rar packed.txt")
                  .status,
              0);
    ASSERT_TRUE(start());
    zarvon::testing::doubleClickExplorerRow("first.zip");
    pump();
    ASSERT_EQ(archiveRows(), std::vector<std::string>{"zipped.txt"});
    zarvon::testing::doubleClickExplorerRow("second.rar");
    pump();
    const std::string rar = (homeFolder() / "second.rar").string();
    EXPECT_EQ(ui::currentArchivePath(), rar);
    EXPECT_EQ(archiveRows(), std::vector<std::string>{"packed.txt"}) << "the ZIP's entries are gone";
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + rar + "'' ----- Zarvon");
    EXPECT_EQ(settings::recentArchives(), (std::vector<std::string>{rar, zip}));
}

TEST_F(OpeningTest, DoubleClickOnAFolderEntersIt)
{
    writeStandardIni();
    writeFile("home/sub/x.txt", "x");
    ASSERT_TRUE(start());
    const int item = explorerItem("sub");
    ASSERT_GE(item, 0);
    setGadgetState(ids::ExplorerList, item);
    // The list itself enters the folder; the dispatch then follows it.
    setGadgetText(ids::ExplorerList, (homeFolder() / "sub").string());
    control(ids::ExplorerList, EventSubtype::LeftDoubleClick);
    EXPECT_TRUE(ui::currentArchivePath().empty());
    EXPECT_FALSE(isGadget(ids::ArchiveList));
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), (homeFolder() / "sub").string() + "/");
}

TEST_F(OpeningTest, ListingAManyEntryArchiveIsComplete)
{
    writeStandardIni();
    std::vector<zarvon::testing::ZipMember> members;
    for (int i = 0; i < 3000; ++i)
        members.push_back({"f" + std::to_string(i), ""});
    std::string zip = makeZip("many.zip", members);
    ASSERT_TRUE(start({zip}));
    EXPECT_EQ(countGadgetItems(ids::ArchiveList), 3000);
    EXPECT_EQ(getGadgetItemText(ids::ArchiveList, 2999), "f2999");
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (3000)");
}

} // namespace

namespace {

class ArchiveListTest : public ProgramTest {};

TEST_F(ArchiveListTest, DraggingSelectedRowsDragsThemOutAsFiles)
{
    writeStandardIni();
    std::string zip = makeZip("archive.zip", {{"one.txt", "first"}, {"sub/two.txt", "second"}, {"three.txt", "third"}});
    ASSERT_TRUE(start({zip}));
    recordFileDrags(true);
    setGadgetItemState(ids::ArchiveList, 1, ItemSelected);
    control(ids::ArchiveList, EventSubtype::DragStart);
    // No folder is asked for: the entry goes to a private folder of its own,
    // and the drag carries that file.
    EXPECT_TRUE(shownDialogs().empty());
    const std::vector<std::string> dragged = lastDraggedFiles();
    ASSERT_EQ(dragged.size(), 1u);
    const std::filesystem::path file = dragged[0];
    EXPECT_EQ(file.filename(), "two.txt");
    EXPECT_EQ(file.parent_path().filename(), "sub");
    EXPECT_EQ(readFile(file), "second");
    EXPECT_FALSE(std::filesystem::exists(file.parent_path().parent_path() / "one.txt"));
    // The folder goes when the program ends.
    menu(ids::MenuQuit);
    EXPECT_FALSE(std::filesystem::exists(file.parent_path().parent_path()));
}

TEST_F(ArchiveListTest, DraggingAFolderRowCarriesItsContents)
{
    writeStandardIni();
    std::string zip = makeZip(
        "archive.zip", {{"sub/", ""}, {"sub/two.txt", "second"}, {"sub/deep/three.txt", "3"}, {"one.txt", "first"}});
    ASSERT_TRUE(start({zip}));
    recordFileDrags(true);
    setGadgetItemState(ids::ArchiveList, 0, ItemSelected);
    setGadgetItemState(ids::ArchiveList, 1, ItemSelected);
    control(ids::ArchiveList, EventSubtype::DragStart);
    const std::vector<std::string> dragged = lastDraggedFiles();
    // The folder once, not again the file inside it that is also selected.
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(std::filesystem::path(dragged[0]).filename(), "sub");
    EXPECT_EQ(readFile(std::filesystem::path(dragged[0]) / "deep/three.txt"), "3");
    ui::removeTemporaryFolders();
}

TEST_F(ArchiveListTest, DraggingOneOfSeveralSelectedRowsCarriesThemAllAndAClickKeepsOne)
{
    writeStandardIni();
    std::string zip = makeZip("archive.zip", {{"one.txt", "1"}, {"two.txt", "2"}, {"three.txt", "3"}});
    ASSERT_TRUE(start({zip}));
    recordFileDrags(true);
    auto selected = [] {
        std::vector<std::string> rows;
        for (int i = 0; i < countGadgetItems(ids::ArchiveList); ++i)
            if (getGadgetItemState(ids::ArchiveList, i) & ItemSelected)
                rows.push_back(getGadgetItemText(ids::ArchiveList, i));
        return rows;
    };
    // With the mouse: a click, then a Ctrl+click.
    pressGadgetRow(ids::ArchiveList, 0);
    releaseGadgetMouse(ids::ArchiveList);
    pressGadgetRow(ids::ArchiveList, 2, true);
    releaseGadgetMouse(ids::ArchiveList);
    ASSERT_EQ(selected(), (std::vector<std::string>{"one.txt", "three.txt"}));

    // Pressed on one of them and moved: both go, the selection stays.
    pressGadgetRow(ids::ArchiveList, 0);
    moveGadgetMouse(ids::ArchiveList, 40);
    pump();
    releaseGadgetMouse(ids::ArchiveList);
    std::vector<std::string> names;
    for (const std::string &file : lastDraggedFiles())
        names.push_back(std::filesystem::path(file).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "three.txt"}));
    EXPECT_EQ(selected(), (std::vector<std::string>{"one.txt", "three.txt"}));

    // Pressed and released without moving: an ordinary click, one row left.
    pressGadgetRow(ids::ArchiveList, 2);
    releaseGadgetMouse(ids::ArchiveList);
    EXPECT_EQ(selected(), (std::vector<std::string>{"three.txt"}));
    ui::removeTemporaryFolders();
}

TEST_F(ArchiveListTest, DraggingWithoutSelectedRowsExtractsNothing)
{
    writeStandardIni();
    std::string zip = makeZip("archive.zip", {{"one.txt", "first"}});
    ASSERT_TRUE(start({zip}));
    control(ids::ArchiveList, EventSubtype::DragStart);
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(ArchiveListTest, AlwaysOnTopFollowsTheConfigurationBox)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menu(ids::MenuConfiguration);
    setGadgetState(ids::ChkBoxVisibleWin, 1);
    control(ids::ChkBoxVisibleWin);
    EXPECT_TRUE(isWindowTopmost(ids::WindowMain));
    setGadgetState(ids::ChkBoxVisibleWin, 0);
    control(ids::ChkBoxVisibleWin);
    EXPECT_FALSE(isWindowTopmost(ids::WindowMain));
}

} // namespace
