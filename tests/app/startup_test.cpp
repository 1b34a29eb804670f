// Start-up: the first window, its form and geometry, the language, the
// command-line archive, and the exit paths with what each saves.
#include "support/default_settings_lines.h"
#include "support/program_fixture.h"
#include "ui/platform/qt_access.h"

#include <QLockFile>
#include <QWidget>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::defaultSettingsLines;
using zarvon::testing::ProgramTest;

namespace {

class StartupTest : public ProgramTest {};

std::vector<std::string> iniLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST_F(StartupTest, FirstStartWithoutConfigurationShowsTheToolbarFormAndWritesNothing)
{
    ASSERT_TRUE(start());
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
    EXPECT_EQ(windowWidth(ids::WindowMain), 700);
    EXPECT_EQ(windowHeight(ids::WindowMain), 500);
    EXPECT_TRUE(isToolBar(ids::ToolBarMain));
    EXPECT_TRUE(isStatusBar(ids::StatusBarMain));
    EXPECT_EQ(gadgetY(ids::ExplorerList), 90);
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 365);
    EXPECT_EQ(gadgetY(ids::ContainerAddress), 60);
    // The toolbar's picture form: tooltips, no captions shown.
    EXPECT_EQ(getToolBarButtonToolTip(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Compress)),
              settings::languageText("InfoBulleCompress", ""));
    // Built-in check marks; an English system gets English.
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuDefaultView));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuToolBar));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuEnglish));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuFrench));
    EXPECT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuOpenZip), "Open Archive");
    // The status bar speaks the menus' language.
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Folder(s) 0 File(s) selected");
    // The explorer list starts in the home folder.
    EXPECT_EQ(getGadgetText(ids::ExplorerList), homeFolder().string() + "/");
    EXPECT_FALSE(iniExists());
}

TEST_F(StartupTest, FirstStartOnAFrenchSystemIsInFrench)
{
    setSystemLocale("fr_FR.UTF-8");
    ASSERT_TRUE(start());
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuFrench));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuEnglish));
    EXPECT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuOpenZip), "Ouvrir Archive");
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Dossier(s) 0 Fichier(s) sélectionné(s)");
}

TEST_F(StartupTest, QuittingAfterTheFirstStartWritesTheDefaultFileAndTheState)
{
    ASSERT_TRUE(start());
    menu(ids::MenuQuit);
    ASSERT_TRUE(exitRequested());
    EXPECT_EQ(requestedExitCode(), 0);
    std::vector<std::string> lines = iniLines(ini());
    std::vector<std::string> expected = defaultSettingsLines();
    expected.insert(expected.end(), {
                                        "[Window]",
                                        "WindowHeight = 500",
                                        "WindowWith = 700",
                                        "WindowXposition = " + std::to_string(windowX(ids::WindowMain)),
                                        "WindowYPosition = " + std::to_string(windowY(ids::WindowMain)),
                                        "[View]",
                                        "ToolBar = 1",
                                        "StatusBar = 1",
                                        "FrenchLanguage = 0",
                                        "EnglishLanguage = 1",
                                        "DefaultView = 1",
                                        "BigIconView = 0",
                                        "SmallIconView = 0",
                                        "ListView = 0",
                                        "[Options]",
                                        "InitBootPage = 1",
                                        "[Recent files]",
                                        "Count files = 0",
                                        "[Disk]",
                                        "LastDisk = " + homeFolder().string() + "/",
                                    });
    EXPECT_EQ(lines, expected);
}

TEST_F(StartupTest, PlainFormAtTheSavedGeometryWhenTheToolbarIsOff)
{
    writeStandardIni({{"View/ToolBar", "0"}, {"View/StatusBar", "0"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.0.0");
    EXPECT_FALSE(isToolBar(ids::ToolBarMain));
    EXPECT_FALSE(isStatusBar(ids::StatusBarMain));
    EXPECT_EQ(windowX(ids::WindowMain), 40);
    EXPECT_EQ(windowY(ids::WindowMain), 30);
    EXPECT_EQ(windowWidth(ids::WindowMain), 760);
    EXPECT_EQ(windowHeight(ids::WindowMain), 480);
    EXPECT_EQ(gadgetY(ids::ContainerAddress), 3);
    EXPECT_EQ(gadgetY(ids::ExplorerList), 33);
    // 445 high as built, then stretched with the window (480 - 500 = -20).
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 445 - 20);
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuToolBar));
}

TEST_F(StartupTest, CaptionToolbarMakesTheWindow850WideAnd80PixelsLeft)
{
    writeStandardIni({{"General/ShowTextButton", "1"}, {"Window/WindowXposition", "300"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(windowWidth(ids::WindowMain), 850);
    EXPECT_EQ(windowX(ids::WindowMain), 220);
    EXPECT_EQ(windowHeight(ids::WindowMain), 480);
    int compress = ui::toolBarButtonId(ui::ToolButton::Compress);
    EXPECT_EQ(getToolBarButtonCaption(ids::ToolBarMain, compress), "Compresser");
    EXPECT_EQ(getToolBarButtonToolTip(ids::ToolBarMain, compress), "");
}

TEST_F(StartupTest, CaptionToolbarNeverStartsOffTheLeftOfTheScreen)
{
    // Saved near the left edge, as a caption-form start followed by a quit
    // leaves it: the next start must not put the title bar off the screen.
    writeStandardIni(
        {{"General/ShowTextButton", "1"}, {"Window/WindowXposition", "20"}, {"Window/WindowYPosition", "-40"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(windowWidth(ids::WindowMain), 850);
    EXPECT_EQ(windowX(ids::WindowMain), 0);
    EXPECT_EQ(windowY(ids::WindowMain), 0);
}

TEST_F(StartupTest, PictureToolbarAtTheSavedGeometry)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
    EXPECT_EQ(windowX(ids::WindowMain), 40);
    EXPECT_EQ(windowWidth(ids::WindowMain), 760);
    EXPECT_EQ(windowHeight(ids::WindowMain), 480);
    // The address bar stretches with the window, the list both ways.
    EXPECT_EQ(gadgetWidth(ids::ContainerAddress), 698 + 60);
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 365 - 20);
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuFrench));
    EXPECT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuOpenZip), "Ouvrir Archive");
}

TEST_F(StartupTest, UnexpectedValuesGiveTheBuiltInSizeCentred)
{
    writeStandardIni({{"General/ShowTextButton", "yes"}, {"View/BigIconView", "1"}, {"View/DefaultView", "0"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(windowWidth(ids::WindowMain), 700);
    EXPECT_EQ(windowHeight(ids::WindowMain), 500);
    EXPECT_TRUE(isToolBar(ids::ToolBarMain));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuLargeIcon));
    EXPECT_EQ(getExplorerDisplay(ids::ExplorerList), ExplorerDisplay::LargeIcons);
}

TEST_F(StartupTest, CaptionToolbarIs850WideEvenWithoutASavedGeometry)
{
    writeIni({"[General]", "AssistantState = 0", "ShowTextButton = 1"});
    ASSERT_TRUE(start());
    EXPECT_EQ(windowWidth(ids::WindowMain), 850);
    EXPECT_EQ(windowHeight(ids::WindowMain), 500);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
}

TEST_F(StartupTest, LastDiskThatNoLongerExistsStartsInTheHomeFolder)
{
    writeStandardIni({{"Disk/LastDisk", (folder() / "gone").string()}});
    ASSERT_TRUE(start());
    EXPECT_EQ(getGadgetText(ids::ExplorerList), homeFolder().string() + "/");
}

TEST_F(StartupTest, LastDiskIsWhereTheExplorerStarts)
{
    std::filesystem::create_directories(folder() / "work");
    writeStandardIni({{"Disk/LastDisk", (folder() / "work").string()}});
    ASSERT_TRUE(start());
    EXPECT_EQ(getGadgetText(ids::ExplorerList), (folder() / "work").string() + "/");
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), (folder() / "work").string() + "/");
}

TEST_F(StartupTest, CommandLineArchiveIsListedAndBecomesTheFirstRecentArchive)
{
    std::string zip = makeZip("with blanks/my archive.zip", {{"a/b.txt", "hello"}, {"c/", ""}});
    ASSERT_TRUE(start({zip}));
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"a/b.txt", "c/"}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Files in the archive (2)");
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "''" + zip + "'' ----- Zarvon");
    ASSERT_FALSE(settings::recentArchives().empty());
    EXPECT_EQ(settings::recentArchives().front(), zip);
}

TEST_F(StartupTest, RelativeCommandLineArchiveIsRememberedByItsFullPath)
{
    std::string zip = makeZip("here/pack.zip", {{"a.txt", "a"}});
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder() / "here");
    const bool started = start({"./pack.zip"});
    std::filesystem::current_path(before);
    ASSERT_TRUE(started);
    EXPECT_EQ(ui::currentArchivePath(), zip);
    EXPECT_EQ(archiveRows(), (std::vector<std::string>{"a.txt"}));
    ASSERT_FALSE(settings::recentArchives().empty());
    EXPECT_EQ(settings::recentArchives().front(), zip);
}

TEST_F(StartupTest, CommandLineFileThatIsMissingListsNothingAndKeepsRunning)
{
    writeStandardIni();
    const std::string missing = (folder() / "nowhere.zip").string();
    ASSERT_TRUE(start({missing}));
    EXPECT_TRUE(archiveRows().empty());
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (0)");
    EXPECT_EQ(settings::recentArchives().front(), missing);
    EXPECT_FALSE(exitRequested());
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(StartupTest, NoLanguageFileEndsWithAMessageAndWritesNothing)
{
    std::filesystem::remove(programFolder() / "French.lng");
    std::filesystem::remove(programFolder() / "English.lng");
    expectMessage("Zarvon", "Unable to load default language !", MessageIcon::Error);
    EXPECT_FALSE(start());
    EXPECT_TRUE(exitRequested());
    EXPECT_FALSE(isWindow(ids::WindowMain));
    EXPECT_FALSE(iniExists());
}

TEST_F(StartupTest, SecondInstanceThatCannotHandOverSaysSoAndWritesNothing)
{
    writeStandardIni({{"General/MultitaskWindow", "0"}});
    const std::string before = ini();
    // The lock file is held, but nobody takes requests: the archive cannot
    // be handed over, and that is not kept quiet.
    std::filesystem::create_directories(folder() / "run");
    QLockFile first(QString::fromStdString((folder() / "run" / (settings::programFileName() + ".lock")).string()));
    ASSERT_TRUE(first.tryLock(0));
    expectDialog({DialogKind::Message, "Zarvon", {}, "ne répond pas", MessageIcon::Error, false});
    EXPECT_FALSE(start());
    EXPECT_TRUE(exitRequested());
    EXPECT_EQ(requestedExitCode(), 1);
    EXPECT_FALSE(isWindow(ids::WindowMain));
    EXPECT_EQ(ini(), before);
}

TEST_F(StartupTest, SingleInstanceLockIsTakenWhenMultitaskingIsOff)
{
    writeStandardIni({{"General/MultitaskWindow", "0"}});
    ASSERT_TRUE(start());
    EXPECT_FALSE(acquireInstanceLock(settings::programFileName()));
}

TEST_F(StartupTest, CloseBoxOfTheMainWindowSavesStateAndRecentArchives)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"x.txt", "x"}});
    ASSERT_TRUE(start({zip}));
    resizeWindow(ids::WindowMain, 12, 34, 640, 470);
    closeBox(ids::WindowMain);
    ASSERT_TRUE(exitRequested());
    const std::string text = ini();
    EXPECT_NE(text.find("WindowHeight = 470"), std::string::npos);
    EXPECT_NE(text.find("WindowWith = 640"), std::string::npos);
    EXPECT_NE(text.find("WindowXposition = 12"), std::string::npos);
    EXPECT_NE(text.find("Count files = 1"), std::string::npos);
    EXPECT_NE(text.find("Recent files1 = " + zip), std::string::npos);
}

TEST_F(StartupTest, TrayQuitSavesRecentArchivesButNotTheWindowState)
{
    writeStandardIni();
    std::string zip = makeZip("a.zip", {{"x.txt", "x"}});
    ASSERT_TRUE(start({zip}));
    resizeWindow(ids::WindowMain, 12, 34, 640, 470);
    menu(ids::MenuBootScreen);
    menu(ids::QuitApp);
    ASSERT_TRUE(exitRequested());
    const std::string text = ini();
    EXPECT_NE(text.find("WindowHeight = 480"), std::string::npos);
    EXPECT_NE(text.find("InitBootPage = 0"), std::string::npos);
    EXPECT_NE(text.find("Recent files1 = " + zip), std::string::npos);
}

TEST_F(StartupTest, TrayQuitOnTheFirstStartKeepsTheRecentArchives)
{
    std::string zip = makeZip("a.zip", {{"x.txt", "x"}});
    ASSERT_TRUE(start({zip}));
    ASSERT_FALSE(iniExists());
    menu(ids::QuitApp);
    ASSERT_TRUE(exitRequested());
    const std::string text = ini();
    EXPECT_NE(text.find("AssistantState = 0"), std::string::npos);
    EXPECT_NE(text.find("Count files = 1"), std::string::npos);
    EXPECT_NE(text.find("Recent files1 = " + zip), std::string::npos);
    EXPECT_NE(text.find("LastDisk = " + homeFolder().string() + "/"), std::string::npos);
}

TEST_F(StartupTest, MainLoopDispatchesUntilAnExitPathIsTaken)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    postEvent(UiEvent{EventKind::Menu, ids::WindowMain, ids::MenuStatusBar, EventSubtype::None});
    postEvent(UiEvent{EventKind::Menu, ids::WindowMain, ids::MenuQuit, EventSubtype::None});
    app::runMainLoop();
    EXPECT_TRUE(exitRequested());
    EXPECT_NE(ini().find("StatusBar = 0"), std::string::npos);
}

} // namespace
