// The dispatch of menu items, shortcuts, toolbar buttons and main-window
// controls, as a user reaches them.
#include "engine/engine.h"
#include "support/program_fixture.h"
#include "ui/extraction.h"
#include "ui/platform/qt_access.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLibraryInfo>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <optional>

using namespace zarvon;
using namespace zarvon::platform;
using zarvon::testing::ProgramTest;

namespace {

class DispatchTest : public ProgramTest {
protected:
    void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget();
        if (!target)
            target = gadgetWidget(ids::ExplorerList);
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &press);
        pump();
    }
};

TEST_F(DispatchTest, LanguageSwitchUpdatesMenusToolbarAndStatusBarAtOnce)
{
    writeStandardIni();
    writeFile("home/one.txt", "1");
    ASSERT_TRUE(start());
    ASSERT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuQuit), "Quitter");
    menu(ids::MenuEnglish);
    EXPECT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuQuit), "Quit");
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuEnglish));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuFrench));
    EXPECT_EQ(getToolBarButtonToolTip(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Help)), "Help");
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 0), "1 element(s)") << "\"..\" is no item of the folder";
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Folder(s) 0 File(s) selected");
    EXPECT_NE(ini().find("EnglishLanguage = 1"), std::string::npos);
    EXPECT_NE(ini().find("FrenchLanguage = 0"), std::string::npos);

    menu(ids::MenuFrench);
    EXPECT_EQ(getMenuItemText(ids::MenuBarMain, ids::MenuQuit), "Quitter");
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 0), "1 élément(s)");
}

TEST_F(DispatchTest, LanguageSwitchWithoutConfigurationWritesTheDefaultFile)
{
    ASSERT_TRUE(start());
    menu(ids::MenuFrench);
    ASSERT_TRUE(iniExists());
    EXPECT_NE(ini().find("FrenchLanguage = 1"), std::string::npos);
    EXPECT_NE(ini().find("AssistantState = 0"), std::string::npos);
}

TEST_F(DispatchTest, CaptionToolbarGetsItsCaptionsInTheNewLanguage)
{
    writeStandardIni({{"General/ShowTextButton", "1"}});
    ASSERT_TRUE(start());
    menu(ids::MenuEnglish);
    EXPECT_EQ(getToolBarButtonCaption(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract)), "Extract");
    EXPECT_EQ(getToolBarButtonCaption(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Check)),
              settings::languageText("ChkTextBt", ""));
}

TEST_F(DispatchTest, LanguageSwitchRelabelsTheFormTheToolbarWasBuiltIn)
{
    // Captions ticked in the configuration window take effect at the next
    // start: until then the picture buttons keep getting their tooltips.
    writeStandardIni();
    ASSERT_TRUE(start());
    writeStandardIni({{"General/ShowTextButton", "1"}});
    menu(ids::MenuEnglish);
    EXPECT_EQ(getToolBarButtonToolTip(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract)),
              settings::languageText("InfoBulleExtract", ""));
    EXPECT_NE(settings::languageText("InfoBulleExtract", ""), "Extraire une archive");
}

TEST_F(DispatchTest, LanguageSwitchRelabelsCaptionsUntilTheNextStart)
{
    writeStandardIni({{"General/ShowTextButton", "1"}});
    ASSERT_TRUE(start());
    writeStandardIni();
    menu(ids::MenuEnglish);
    const int extract = ui::toolBarButtonId(ui::ToolButton::Extract);
    EXPECT_EQ(getToolBarButtonCaption(ids::ToolBarMain, extract), "Extract");
    EXPECT_EQ(getToolBarButtonToolTip(ids::ToolBarMain, extract), "");
}

TEST_F(DispatchTest, ToolbarOffRebuildsThePlainWindowAtTheSavedGeometry)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menu(ids::MenuToolBar);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.0.0");
    EXPECT_FALSE(isToolBar(ids::ToolBarMain));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuToolBar));
    EXPECT_EQ(windowWidth(ids::WindowMain), 760);
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_NE(ini().find("ToolBar = 0"), std::string::npos);

    menu(ids::MenuToolBar);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
    EXPECT_TRUE(isToolBar(ids::ToolBarMain));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuToolBar));
    EXPECT_NE(ini().find("ToolBar = 1"), std::string::npos);
}

TEST_F(DispatchTest, CaptionToolbarSwitchedBackOnGetsItsFullWidth)
{
    writeStandardIni({{"General/ShowTextButton", "1"}, {"View/ToolBar", "0"}, {"Window/WindowWith", "700"}});
    ASSERT_TRUE(start());
    ASSERT_EQ(windowWidth(ids::WindowMain), 700);
    menu(ids::MenuToolBar);
    ASSERT_TRUE(isToolBar(ids::ToolBarMain));
    EXPECT_EQ(windowWidth(ids::WindowMain), 850);
}

TEST_F(DispatchTest, ToolbarOffWithoutConfigurationKeepsTheStatusBarMarked)
{
    ASSERT_TRUE(start());
    menu(ids::MenuToolBar);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.0.0");
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuToolBar));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar));
    EXPECT_TRUE(isStatusBar(ids::StatusBarMain));
    EXPECT_TRUE(isWindowVisible(ids::WindowMain));
    EXPECT_FALSE(iniExists());
}

TEST_F(DispatchTest, ToolbarSwitchWithoutMultitaskingIsStoredForTheNextStart)
{
    writeStandardIni({{"General/MultitaskWindow", "0"}});
    ASSERT_TRUE(start());
    expectMessage("Zarvon", "Vos modifications seront pris en charge au prochain démarrage", MessageIcon::Information);
    menu(ids::MenuToolBar);
    EXPECT_EQ(getWindowTitle(ids::WindowMain), "Zarvon 1.1.0");
    EXPECT_TRUE(isToolBar(ids::ToolBarMain));
    EXPECT_NE(ini().find("ToolBar = 0"), std::string::npos);
}

TEST_F(DispatchTest, StatusBarOffAndOnResizesTheExplorerList)
{
    writeStandardIni({{"Window/WindowHeight", "500"}, {"Window/WindowWith", "700"}});
    ASSERT_TRUE(start());
    ASSERT_TRUE(isStatusBar(ids::StatusBarMain));
    menu(ids::MenuStatusBar);
    EXPECT_FALSE(isStatusBar(ids::StatusBarMain));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar));
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 500 - 112);
    EXPECT_NE(ini().find("StatusBar = 0"), std::string::npos);
    menu(ids::MenuStatusBar);
    EXPECT_TRUE(isStatusBar(ids::StatusBarMain));
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar));
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 500 - 135);
}

TEST_F(DispatchTest, StatusBarSwitchKeepsTheListClearOfAToolbarStillShown)
{
    // Without multitasking the toolbar switch is only stored: the strip is
    // still on top, so the list keeps its place below it.
    writeStandardIni({{"General/MultitaskWindow", "0"}, {"Window/WindowHeight", "500"}, {"Window/WindowWith", "700"}});
    ASSERT_TRUE(start());
    expectMessage("Zarvon", "Vos modifications seront pris en charge au prochain démarrage", MessageIcon::Information);
    menu(ids::MenuToolBar);
    ASSERT_TRUE(isToolBar(ids::ToolBarMain));
    menu(ids::MenuStatusBar);
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 500 - 112);
    menu(ids::MenuStatusBar);
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 500 - 135);
}

TEST_F(DispatchTest, StatusBarOnInThePlainForm)
{
    writeStandardIni({{"View/ToolBar", "0"}, {"View/StatusBar", "0"}, {"Window/WindowHeight", "500"}});
    ASSERT_TRUE(start());
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 445);
    menu(ids::MenuStatusBar);
    EXPECT_TRUE(isStatusBar(ids::StatusBarMain));
    EXPECT_EQ(gadgetHeight(ids::ExplorerList), 500 - 78);
}

TEST_F(DispatchTest, ViewModesAreExclusiveAndStoredOnQuit)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menu(ids::MenuSmallIcon);
    EXPECT_EQ(getExplorerDisplay(ids::ExplorerList), ExplorerDisplay::SmallIcons);
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuSmallIcon));
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuDefaultView));
    EXPECT_NE(ini().find("DefaultView = 1"), std::string::npos); // nothing written yet
    menu(ids::MenuDefaultView);
    EXPECT_EQ(getExplorerDisplay(ids::ExplorerList), ExplorerDisplay::Details);
    EXPECT_EQ(getGadgetColumnWidth(ids::ExplorerList, 0), 336);
    menu(ids::MenuList);
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("ListView = 1"), std::string::npos);
    EXPECT_NE(ini().find("DefaultView = 0"), std::string::npos);
}

TEST_F(DispatchTest, SelectAllMarksEveryItemEvenFromAnotherControl)
{
    writeStandardIni();
    writeFile("home/a.txt", "a");
    writeFile("home/b.txt", "b");
    writeFile("home/sub/c.txt", "c");
    ASSERT_TRUE(start());
    setActiveGadget(ids::ExplorerCombo);
    pressKey(Qt::Key_A, Qt::ControlModifier);
    const int count = countGadgetItems(ids::ExplorerList);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(getGadgetItemState(ids::ExplorerList, i) & ItemSelected) << i;
    // ".." first does not count as a folder.
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "1 Dossier(s) 2 Fichier(s) sélectionné(s)");
}

TEST_F(DispatchTest, ParentEntryAloneCountsNothing)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    ASSERT_EQ(getGadgetItemText(ids::ExplorerList, 0), "..");
    setGadgetItemState(ids::ExplorerList, 0, ItemSelected);
    control(ids::ExplorerList, EventSubtype::LeftClick);
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 1), "0 Dossier(s) 0 Fichier(s) sélectionné(s)");
}

TEST_F(DispatchTest, UndoDoesNothing)
{
    writeStandardIni();
    writeFile("home/a.zip", "not an archive");
    ASSERT_TRUE(start());
    setGadgetItemState(ids::ExplorerList, explorerItem("a.zip"), ItemSelected);
    setActiveGadget(ids::ExplorerList);
    pressKey(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(ui::currentArchivePath().empty());
    EXPECT_FALSE(isGadget(ids::ArchiveList));
    EXPECT_EQ(shownDialogs().size(), 0u);
}

TEST_F(DispatchTest, HelpWindowFromMenuAndToolbarInTheInterfaceLanguage)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menuItemAction(ids::MenuBarMain, ids::MenuHelp2)->trigger();
    pump();
    ASSERT_TRUE(isWindowVisible(ids::WindowHelp));
    EXPECT_NE(getGadgetText(ids::HelpPage).find("Raccourcis clavier"), std::string::npos);
    resizeWindow(ids::WindowHelp, Keep, Keep, 800, 700);
    EXPECT_EQ(gadgetWidth(ids::HelpPage), 800) << "the page follows the window's size";
    pressKey(Qt::Key_Escape);
    EXPECT_FALSE(isWindow(ids::WindowHelp));

    menu(ids::MenuEnglish);
    auto *help = qobject_cast<QAbstractButton *>(
        toolBarButtonWidget(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Help)));
    ASSERT_NE(help, nullptr);
    help->click();
    pump();
    ASSERT_TRUE(isWindowVisible(ids::WindowHelp));
    EXPECT_EQ(getWindowTitle(ids::WindowHelp), "Zarvon - Help");
    const std::string page = getGadgetText(ids::HelpPage);
    for (const char *shown :
         {"Keyboard shortcuts", "Ctrl+O", "Alt+Left", "F5", "Escape", "Edit the Configuration File"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown;
    closeBox(ids::WindowHelp);
    EXPECT_FALSE(isWindow(ids::WindowHelp));
}

// A desktop of stub programs: a fake search path and data folder stand for
// the system's, so no real editor starts.
class EditSettingsFileTest : public DispatchTest {
protected:
    void SetUp() override
    {
        DispatchTest::SetUp();
        for (const char *name : {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS", "VISUAL", "EDITOR"}) {
            const char *value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name);
        }
        std::filesystem::create_directories(bin());
        ::setenv("PATH", bin().c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder() / "data").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (folder() / "none").c_str(), 1);
    }
    void TearDown() override
    {
        for (const auto &[name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        DispatchTest::TearDown();
    }
    std::string bin() const { return (folder() / "bin").string(); }
    std::string stub(const std::string &name, const std::string &body = "exit 0")
    {
        const std::string path = bin() + "/" + name;
        writeFile("bin/" + name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(EditSettingsFileTest, OpensTheFileInTheTextEditorOrSaysWhereItIs)
{
    ASSERT_TRUE(start());
    expectMessage("Zarvon", settings::languageText("MsgNoConfigFile", ""), MessageIcon::Error);
    menu(ids::MenuEdit);

    // What this machine had: a text-mode editor as the default, no terminal.
    writeStandardIni();
    stub("xdg-mime", "echo vim.desktop");
    writeFile("data/applications/vim.desktop", "[Desktop Entry]\nExec=vim %F\nTerminal=true\n");
    const std::string vim = stub("vim");
    expectMessage("Zarvon", settings::languageText("MsgNoEditor", "") + "\r" + iniPath().string(),
                  MessageIcon::Warning);
    menuItemAction(ids::MenuBarMain, ids::MenuEdit)->trigger();
    pump();

    const std::string terminal = stub("x-terminal-emulator");
    expectStartProgram(terminal + "\n-e\n" + vim + "\n" + iniPath().string());
    menu(ids::MenuEdit);
}

TEST_F(DispatchTest, AddressBarSendsTheExplorerListToItsFolder)
{
    writeStandardIni();
    writeFile("elsewhere/x.txt", "x");
    ASSERT_TRUE(start());
    setGadgetText(ids::ExplorerCombo, (folder() / "elsewhere").string());
    control(ids::ExplorerCombo, EventSubtype::Change);
    EXPECT_EQ(getGadgetText(ids::ExplorerList), (folder() / "elsewhere").string() + "/");
    EXPECT_EQ(getStatusBarText(ids::StatusBarMain, 0), "1 élément(s)");
}

TEST_F(DispatchTest, BootScreenMarkTogglesAndIsSavedOnQuit)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
    menu(ids::MenuBootScreen);
    EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
    menu(ids::MenuQuit);
    EXPECT_NE(ini().find("InitBootPage = 1"), std::string::npos);
}

TEST_F(DispatchTest, CompressWithoutCurrentItemSaysSo)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    expectMessage("Zarvon", settings::languageText("MsgNofilesToCompress", ""), MessageIcon::Error);
    clickToolBarButton(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Compress));
    pump();
    EXPECT_FALSE(isWindow(ids::WindowCompression));
}

TEST_F(DispatchTest, MenuBarInFrenchWithItsCheckMarks)
{
    setSystemLocale("fr_FR.UTF-8");
    std::filesystem::remove(programFolder() / "French.lng");
    std::filesystem::remove(programFolder() / "English.lng");
    writeFile("program/French.lng", "[Langue]\r\nLangue = Francais\r\n"); // built-in texts only
    ASSERT_TRUE(start());
    std::vector<std::string> expected{"Fichier>",
                                      "Ouvrir Archive",
                                      "-",
                                      "Copier Archive",
                                      "Couper Archive",
                                      "Renommer Archive",
                                      "-",
                                      "Sélectionner tout     \tCtrl+A",
                                      "Supprimer",
                                      "-",
                                      "Propriétés de l'archive",
                                      "-",
                                      "Quitter",
                                      "<",
                                      "Afficher>",
                                      "ToolBar",
                                      "StatusBar",
                                      "Dossiers",
                                      "Affichage>",
                                      "Affichage par défaut",
                                      "Affichage grande icône",
                                      "Affichage petite icône",
                                      "ListView",
                                      "<",
                                      "Langue>",
                                      "Francais",
                                      "Anglais",
                                      "<",
                                      "<",
                                      "Commandes>",
                                      "Compresser",
                                      "Extraire Archive",
                                      "Tester Archive",
                                      "-",
                                      "Assistant",
                                      "<",
                                      "Options>",
                                      "Configuration",
                                      "-",
                                      "Editer le fichier de Configuration",
                                      "Réduire dans la zone système",
                                      "Afficher l'ecran de démarrage",
                                      "<",
                                      "Aide>",
                                      "Aide",
                                      "A Propos",
                                      "<"};
    EXPECT_EQ(menuOutline(ids::MenuBarMain), expected);
    for (int item : {ids::MenuToolBar, ids::MenuStatusBar, ids::MenuDefaultView, ids::MenuFrench, ids::MenuBootScreen})
        EXPECT_TRUE(getMenuItemState(ids::MenuBarMain, item)) << item;
    for (int item : {ids::MenuLargeIcon, ids::MenuSmallIcon, ids::MenuList, ids::MenuEnglish})
        EXPECT_FALSE(getMenuItemState(ids::MenuBarMain, item)) << item;
    EXPECT_EQ(menuOutline(ids::TrayMenu), (std::vector<std::string>{"Agrandir Zarvon", "Fermer Zarvon"}));
}

TEST_F(DispatchTest, TrayMenuIsBuiltWithTheMenuBar)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    EXPECT_EQ(menuOutline(ids::TrayMenu), (std::vector<std::string>{"Agrandir Zarvon", "Fermer Zarvon"}));
    menu(ids::MenuEnglish);
    EXPECT_EQ(menuOutline(ids::TrayMenu).size(), 2u);
    EXPECT_EQ(menuOutline(ids::TrayMenu)[1], settings::languageText("QuitApp", ""));
}

TEST_F(DispatchTest, ConfigurationAndAboutWindowsOpenFromTheMenu)
{
    writeStandardIni();
    ASSERT_TRUE(start());
    menu(ids::MenuConfiguration);
    EXPECT_TRUE(isWindowVisible(ids::WindowConfiguration));
    closeBox(ids::WindowConfiguration);
    EXPECT_FALSE(isWindow(ids::WindowConfiguration));
    menu(ids::MenuAbout);
    EXPECT_TRUE(isWindowVisible(ids::WindowAbout));
    closeBox(ids::WindowAbout);
    EXPECT_FALSE(isWindow(ids::WindowAbout));
    EXPECT_FALSE(exitRequested());
}

TEST_F(DispatchTest, StatusBarCountFollowsFilesMadeOnDiskWithoutAnyClick)
{
    writeStandardIni();
    writeFile("home/one.txt", "1");
    ASSERT_TRUE(start());
    ASSERT_EQ(getStatusBarText(ids::StatusBarMain, 0), "1 élément(s)");
    writeFile("home/two.txt", "2");
    std::string shown;
    for (int i = 0; i < 250 && shown != "2 élément(s)"; ++i) {
        processSystemEvents(20);
        pump();
        shown = getStatusBarText(ids::StatusBarMain, 0);
    }
    EXPECT_EQ(shown, "2 élément(s)");
}

TEST_F(DispatchTest, FormatBoxClickedWithAnEmptyNameLeavesTheNameEmpty)
{
    writeStandardIni();
    writeFile("home/report.txt", "r");
    ASSERT_TRUE(start());
    const int item = explorerItem("report.txt");
    ASSERT_GE(item, 0);
    setGadgetItemState(ids::ExplorerList, item, ItemSelected);
    menu(ids::MenuAddToZip);
    ASSERT_TRUE(isWindow(ids::WindowCompression));
    auto *box = static_cast<QComboBox *>(gadgetWidget(ids::ComboArchiveFormat));
    ASSERT_NE(box, nullptr);
    // The user opens the box and picks ".zip", the item already shown.
    auto pickShownItem = [&] {
        box->showPopup();
        emit box->activated(box->currentIndex());
        box->hidePopup();
        pump();
    };
    setGadgetText(ids::StrZipName, "");
    pickShownItem();
    EXPECT_EQ(getGadgetText(ids::StrZipName), "");
    setGadgetText(ids::StrZipName, "report.txt");
    pickShownItem();
    EXPECT_EQ(getGadgetText(ids::StrZipName), "report.zip");
}

TEST_F(DispatchTest, ReturnInTheAddressBarGoesToTheTypedFolder)
{
    writeStandardIni();
    writeFile("home/deep/inside.txt", "i");
    writeFile("home/top.txt", "t");
    ASSERT_TRUE(start());
    QApplication::setActiveWindow(windowWidget(ids::WindowMain));
    setActiveGadget(ids::ExplorerCombo);
    ASSERT_EQ(activeGadget(), ids::ExplorerCombo);
    const std::string target = (homeFolder() / "deep").string();
    static_cast<QComboBox *>(gadgetWidget(ids::ExplorerCombo))->setEditText(QString::fromStdString(target));
    pressKey(Qt::Key_Return);
    EXPECT_EQ(getGadgetText(ids::ExplorerList), target + "/");
    EXPECT_GE(explorerItem("inside.txt"), 0);
    EXPECT_EQ(getGadgetText(ids::ExplorerCombo), target + "/");
}

TEST_F(DispatchTest, ExtractAgainWhileThePasswordIsAskedStacksNoSecondPrompt)
{
    writeStandardIni();
    writeFile("home/secret.txt", "secret data");
    const std::string zip = (folder() / "home" / "protected.zip").string();
    ASSERT_NE(engine::createArchive(zip, 0), 0);
    engine::setPassword("right");
    ASSERT_EQ(engine::addFile((folder() / "home" / "secret.txt").string(), 0), 0);
    ASSERT_EQ(engine::closeArchives(), 0);
    engine::setPassword("");
    ASSERT_TRUE(start());
    setGadgetItemState(ids::ExplorerList, explorerItem("protected.zip"), ItemSelected);
    menu(ids::MenuExtractZip);
    ASSERT_TRUE(ui::isPasswordWindowOpen());
    ASSERT_EQ(ui::pendingPasswordRequests().size(), 1u);
    // Again, by the menu and by the toolbar: refused while the prompt is
    // up, no second request and nothing else asked.
    menu(ids::MenuExtractZip);
    clickToolBarButton(ids::ToolBarMain, ui::toolBarButtonId(ui::ToolButton::Extract));
    pump();
    EXPECT_EQ(ui::pendingPasswordRequests().size(), 1u);
    EXPECT_TRUE(shownDialogs().empty());
}

TEST_F(DispatchTest, SwitchingLanguageRelabelsTheArchiveListAndFolderTypes)
{
    writeStandardIni({{"View/EnglishLanguage", "1"}, {"View/FrenchLanguage", "0"}});
    const std::string zip = makeZip("home/two.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_TRUE(start({zip}));
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), settings::languageText("ListIconGadgetTitle", "") + " (2)");
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, 0, 2), "Folder");
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, explorerItem("two.zip"), 2), "Zip archive");
    menu(ids::MenuFrench);
    EXPECT_EQ(getGadgetColumnTitle(ids::ArchiveList, 0), "Fichiers contenus dans l'archive (2)");
    // File types too, as the desktop's type database words them.
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, explorerItem("two.zip"), 2), "archive zip");
    // The parent entry is a folder in the interface's language, also when
    // it is "/" (which the file model calls a drive).
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, 0), "..");
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, 0, 2), "Dossier");
    setGadgetText(ids::ExplorerList, "/tmp");
    ASSERT_EQ(getGadgetItemText(ids::ExplorerList, 0), "..");
    EXPECT_EQ(getGadgetItemText(ids::ExplorerList, 0, 2), "Dossier");
}

TEST_F(DispatchTest, QtsOwnTextsFollowTheLanguage)
{
    // scripts/install-deps.sh installs it: its absence is a broken machine,
    // not a reason to pass.
    ASSERT_TRUE(
        std::filesystem::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString() + "/qtbase_fr.qm"))
        << "Qt's French translation (qt6-translations-l10n) is not installed";
    writeStandardIni();
    ASSERT_TRUE(start());
    // The explorer list's header and the requesters' buttons come from Qt.
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name").toStdString(), "Nom");
    menu(ids::MenuEnglish);
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name").toStdString(), "Name");
    menu(ids::MenuFrench);
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Name").toStdString(), "Nom");
}

} // namespace
