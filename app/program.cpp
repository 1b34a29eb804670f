#include "app/program.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/engine.h"
#include "operations/batch.h"
#include "operations/text_editor.h"
#include "ui/archive_editing.h"
#include "ui/archive_test.h"
#include "ui/assistant.h"
#include "ui/batch.h"
#include "ui/dialogs/add_files_window.h"
#include "ui/compression.h"
#include "ui/desktop_integration.h"
#include "ui/extraction.h"
#include "ui/file_operations.h"
#include "ui/information.h"
#include "ui/instance_requests.h"
#include "ui/opening.h"
#include "ui/progress.h"
#include "ui/tray.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "settings/recent_archives.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_ops.h"
#include "settings/settings_state.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/compression_window.h"
#include "ui/dialogs/configuration_window.h"
#include "ui/dialogs/copy_window.h"
#include "ui/dialogs/help_window.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::app {
namespace pf = zarvon::platform;
using settings::languageText;

namespace {

void showMainWindow()
{
    pf::showWindow(ids::WindowMain);
    pf::activateWindow(ids::WindowMain);
}

// The first window, from the configuration file (every test opens it anew).
bool buildFirstWindow()
{
    if (settings::settingIs(settings::kAssistantState, "1")) {
        ui::openAssistant();
        return pf::isWindow(ids::WindowAssistant);
    }
    if (!ui::buildConfiguredMainWindow(settings::settingIs(settings::kAssistantState, "0")))
        return false;
    showMainWindow();
    return true;
}

// The command-line archive as a full path: a shell passes it relative to
// its own folder, and the recent archives must still find it from elsewhere.
std::string fullPath(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

void showHelp() { ui::showHelpWindow(); }

void announceModification()
{
    pf::messageBox("Zarvon", languageText("MsgModif", "Vos modifications seront pris en charge au prochain démarrage"),
                   pf::MessageIcon::Information);
}

void addressEvent();
bool refusedForPrompt();
void dispatchOne(const pf::UiEvent &event);

// Ctrl+A selects all in the list that has the focus: the archive list's
// entries there, the explorer's items anywhere else (a text field keeps the
// key for its own text before it comes here).
void selectAll()
{
    if (pf::activeGadget() == ids::ArchiveList) {
        pf::selectAllGadgetItems(ids::ArchiveList);
        return;
    }
    pf::selectAllGadgetItems(ids::ExplorerList);
    pf::setActiveGadget(ids::ExplorerList);
    ui::refreshStatusBar();
}

// Return goes where the focus is: to the folder typed in the address bar,
// into the explorer's folder or archive, or to the archive entry's
// application.
void returnPressed()
{
    switch (pf::activeGadget()) {
    case ids::ExplorerCombo: addressEvent(); break;
    case ids::ExplorerList: pf::moveExplorer(ids::ExplorerList, pf::ExplorerMove::OpenCurrent); break;
    case ids::ArchiveList:
        if (!refusedForPrompt())
            ui::openArchiveEntry();
        break;
    default: break;
    }
}

// The explorer's folder keys, wherever the focus is but in the archive
// list, whose rows are no folders of the disk, and the address bar, where
// the keys edit the text.
void moveExplorer(pf::ExplorerMove move)
{
    const int focus = pf::activeGadget();
    if (focus == ids::ArchiveList || focus == ids::ExplorerCombo)
        return;
    if (pf::moveExplorer(ids::ExplorerList, move))
        pf::setGadgetText(ids::ExplorerCombo, pf::getGadgetText(ids::ExplorerList));
}

// The file goes to the program the desktop chose for text files, or to the
// user's own editor in a terminal; the desktop's opener is not asked, as it
// reports success after finding nothing to run. When nothing can open it, the
// user is told where the file is, to open it some other way.
void editSettingsFile()
{
    if (!settings::settingsFileOpens()) {
        pf::messageBox("Zarvon", languageText("MsgNoConfigFile", "Impossible d'ouvrir le fichier de configuration !"),
                       pf::MessageIcon::Error);
        return;
    }
    const std::string path = settings::settingsPath();
    const operations::EditorCommand editor =
        operations::chooseTextEditor(path, operations::editorEnvironmentFromProcess());
    if (editor.kind == operations::EditorKind::None || !pf::startProgram(editor.arguments))
        pf::messageBox("Zarvon",
                       languageText("MsgNoEditor", "Aucun éditeur de texte n'a pu être lancé. Ouvrez vous-même ce "
                                                   "fichier avec un éditeur de texte :") +
                           "\r" + path,
                       pf::MessageIcon::Warning);
}

void switchLanguage(bool english)
{
    if (!settings::settingsFileOpens())
        settings::writeDefaultSettings();
    pf::setMenuItemState(ids::MenuBarMain, ids::MenuFrench, !english);
    pf::setMenuItemState(ids::MenuBarMain, ids::MenuEnglish, english);
    ui::saveMainWindowState();
    settings::loadLanguageFile(english ? settings::englishLanguagePath() : settings::frenchLanguagePath());
    pf::usePlatformLanguage(!english);
    ui::buildMenus(true);
    ui::applyViewMenuState();
    ui::refreshToolBarTexts();
    ui::refreshStatusBar();
    ui::relabelArchiveList();
}

// Rebuilds the main window in the other form after the toolbar switch, at the
// saved geometry when there is a configuration file.
void rebuildMainWindow(bool withToolBar)
{
    if (!settings::settingsFileOpens()) {
        if (withToolBar) {
            if (!ui::buildMainWindow())
                return;
            showMainWindow();
        } else {
            if (!ui::buildMainWindowWithoutToolbar())
                return;
            showMainWindow();
            ui::refreshStatusBar();
            pf::setMenuItemState(ids::MenuBarMain, ids::MenuToolBar, false);
            pf::setMenuItemState(ids::MenuBarMain, ids::MenuStatusBar, true);
        }
        return;
    }
    auto geometry = settings::readWindowGeometry();
    if (withToolBar) {
        if (!ui::buildMainWindow())
            return;
        ui::applyViewMenuState();
    } else {
        pf::hideWindow(ids::WindowMain);
        if (!ui::buildMainWindowWithoutToolbar())
            return;
    }
    if (geometry) {
        // The caption buttons need the 850 pixels they get at start-up; a
        // width saved from the plain window would cut the last ones off.
        int width = geometry->width;
        if (withToolBar && settings::settingIs(settings::kShowTextButton, "1"))
            width = std::max(width, 850);
        ui::placeMainWindow(geometry->x, geometry->y, width, geometry->height);
    }
    if (!withToolBar) {
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuToolBar, false);
        ui::saveMainWindowState();
    }
    showMainWindow();
}

void switchToolBar(bool wasMarked)
{
    pf::setMenuItemState(ids::MenuBarMain, ids::MenuToolBar, !wasMarked);
    ui::saveMainWindowState();
    if (settings::settingIs(settings::kMultitaskWindow, "0")) {
        // A rebuild would meet the program's own instance lock: the change
        // is stored and takes effect at the next start.
        announceModification();
        ui::saveMainWindowState();
        return;
    }
    rebuildMainWindow(!wasMarked);
}

void switchStatusBar(bool statusMarked)
{
    // The heights follow the strip the window has, not the ToolBar mark: with
    // MultitaskWindow "0" the mark changes without the window being rebuilt.
    const bool toolBarShown = ui::mainWindowHasToolBar();
    if (!statusMarked) {
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuStatusBar, true);
        if (!pf::isStatusBar(ids::StatusBarMain))
            ui::updateStatusBar();
        ui::fitExplorerHeight(true, toolBarShown);
    } else {
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuStatusBar, false);
        ui::saveMainWindowState();
        pf::freeStatusBar(ids::StatusBarMain);
        ui::fitExplorerHeight(false, toolBarShown);
    }
}

void explorerEvent(const pf::UiEvent &event)
{
    pf::setGadgetText(ids::ExplorerCombo, pf::getGadgetText(ids::ExplorerList));
    if (event.subtype == pf::EventSubtype::LeftDoubleClick)
        ui::openArchiveFromExplorer();
    ui::refreshStatusBar();
}

void addressEvent()
{
    pf::setGadgetText(ids::ExplorerList, pf::getGadgetText(ids::ExplorerCombo));
    pf::setGadgetText(ids::ExplorerCombo, pf::getGadgetText(ids::ExplorerList));
    ui::refreshStatusBar();
}

void closeRequest(int window)
{
    switch (window) {
    case ids::WindowMain:
        if (ui::assistantExists()) {
            pf::closeWindow(ids::WindowMain);
            pf::showWindow(ids::WindowAssistant);
        } else {
            quitSavingWindowState();
        }
        break;
    case ids::WindowAssistant: exitProgram(); break;
    case ids::WindowCompression:
        ui::closeCompressionWindow();
        // Opened alone from the command line, it was the whole program.
        if (!ui::mainWindowExists() && !ui::assistantExists())
            exitProgram();
        break;
    case ids::WindowConfiguration: ui::cancelConfigurationWindow(); break;
    case ids::WindowAbout: ui::closeAboutWindow(); break;
    case ids::WindowHelp: ui::closeHelpWindow(); break;
    // The copy and password window has no close box of its own, but window
    // managers may draw one: it does what the window's Cancel button does.
    case ids::WindowCopy: ui::cancelCopyWindow(); break;
    default: break; // these windows close through their own buttons
    }
}

// The window asking something before a job (the password, the
// compression form, the copy window), or -1 when none is open. While one is,
// the commands that would start another job are refused: clicking Extract
// again stacked identical password windows.
int openPrompt()
{
    for (int window : {ids::WindowCopy, ids::WindowCompression})
        if (pf::isWindow(window) && pf::isWindowVisible(window))
            return window;
    return -1;
}

// True (after bringing the open prompt forward) when a prompt is open.
bool refusedForPrompt()
{
    const int prompt = openPrompt();
    if (prompt < 0)
        return false;
    pf::activateWindow(prompt);
    return true;
}

bool startsAJob(int item)
{
    switch (item) {
    case ids::MenuOpenZip:
    case ids::ShortcutOpenZip:
    case ids::MenuCopyZip:
    case ids::ShortcutCopyZip:
    case ids::MenuCutZip:
    case ids::ShortcutCutZip:
    case ids::MenuRenameZip:
    case ids::ShortcutRenameZip:
    case ids::MenuDelete:
    case ids::ShortcutDelete:
    case ids::MenuInfoZip:
    case ids::MenuAddToZip:
    case ids::MenuExtractZip:
    case ids::MenuTestZip:
    case ids::MenuAssistant:
    case ids::MenuArchiveOpen:
    case ids::MenuArchiveExtract:
    case ids::MenuArchiveAdd:
    case ids::MenuArchiveDelete:
    case ids::MenuArchiveRename:
    case ids::MenuArchiveNewFolder:
    case ids::MenuArchiveTest:
    case ids::MenuArchiveInfo: return true;
    default: return item >= ids::MenuRecentFirst && item <= ids::MenuRecentLast;
    }
}

void menuEvent(int item)
{
    if (startsAJob(item) && refusedForPrompt())
        return;
    // Both marks as they were when the turn began.
    const bool statusMarked = pf::getMenuItemState(ids::MenuBarMain, ids::MenuStatusBar);
    const bool toolMarked = pf::getMenuItemState(ids::MenuBarMain, ids::MenuToolBar);
    if (item >= ids::MenuRecentFirst && item <= ids::MenuRecentLast) {
        ui::openRecentArchive(item - ids::MenuRecentFirst);
        return;
    }
    switch (item) {
    case ids::MenuOpenZip:
    case ids::ShortcutOpenZip: ui::openArchiveWithRequester(); break;
    case ids::MenuCopyZip:
    case ids::ShortcutCopyZip: ui::copySelection(); break;
    case ids::MenuCutZip:
    case ids::ShortcutCutZip: ui::moveSelection(); break;
    case ids::MenuRenameZip:
    case ids::ShortcutRenameZip: ui::renameSelection(); break;
    case ids::MenuSelectAll:
    case ids::ShortcutSelectAll: selectAll(); break;
    case ids::MenuDelete: ui::deleteSelection(); break;
    case ids::ShortcutDelete: ui::deleteFocusedItems(); break;
    case ids::MenuInfoZip: ui::showArchiveInformation(); break;
    case ids::MenuQuit: quitSavingWindowState(); break;
    case ids::MenuToolBar: switchToolBar(toolMarked); break;
    case ids::MenuStatusBar: switchStatusBar(statusMarked); break;
    case ids::MenuDefaultView:
    case ids::MenuLargeIcon:
    case ids::MenuSmallIcon:
    case ids::MenuList: ui::setExplorerViewByMenu(item); break;
    case ids::MenuFrench: switchLanguage(false); break;
    case ids::MenuEnglish: switchLanguage(true); break;
    case ids::MenuAddToZip: ui::startCompressionCommand(); break;
    case ids::MenuExtractZip: ui::extractSelection(); break;
    case ids::MenuTestZip: ui::testArchive(); break;
    case ids::MenuAssistant: ui::openAssistantFromMainWindow(); break;
    case ids::MenuConfiguration: ui::showConfigurationWindow(true); break;
    case ids::MenuEdit: editSettingsFile(); break;
    case ids::MenuSystray: ui::minimiseToTray(); break;
    case ids::MenuBootScreen:
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuBootScreen,
                             !pf::getMenuItemState(ids::MenuBarMain, ids::MenuBootScreen));
        break;
    case ids::ShortcutReturn: returnPressed(); break;
    case ids::ShortcutParent: moveExplorer(pf::ExplorerMove::Parent); break;
    case ids::ShortcutBack: moveExplorer(pf::ExplorerMove::Back); break;
    case ids::ShortcutForward: moveExplorer(pf::ExplorerMove::Forward); break;
    case ids::ShortcutReload: moveExplorer(pf::ExplorerMove::Reload); break;
    case ids::ShortcutRename:
        if (pf::activeGadget() == ids::ExplorerList && !refusedForPrompt())
            ui::renameSelection();
        else if (pf::activeGadget() == ids::ArchiveList && !refusedForPrompt())
            ui::renameArchiveEntry();
        break;
    case ids::ShortcutDeleteForGood:
        if (pf::activeGadget() == ids::ExplorerList && !refusedForPrompt())
            ui::deleteSelectionForGood();
        break;
    case ids::MenuFolders: ui::switchArchiveFolders(); break;
    case ids::MenuArchiveOpen: ui::openArchiveEntry(); break;
    case ids::MenuArchiveExtract: ui::extractSelection(); break;
    case ids::MenuArchiveAdd: ui::addFileToArchiveWithRequester(); break;
    case ids::MenuArchiveDelete: ui::deleteArchiveEntries(); break;
    case ids::MenuArchiveRename: ui::renameArchiveEntry(); break;
    case ids::MenuArchiveNewFolder: ui::newArchiveFolder(); break;
    case ids::MenuArchiveTest: ui::testArchive(); break;
    case ids::MenuArchiveInfo: ui::showArchiveInformation(); break;
    case ids::MenuHelp2: showHelp(); break;
    case ids::MenuAbout: ui::showAboutWindow(); break;
    case ids::RestoreApp: ui::restoreFromTray(); break;
    case ids::QuitApp: exitProgram(); break;
    default: break; // Ctrl+Z does nothing
    }
}

bool toolBarEvent(int source)
{
    using ui::ToolButton;
    for (ToolButton job : {ToolButton::Compress, ToolButton::Extract, ToolButton::Check, ToolButton::Info,
                           ToolButton::Assistant, ToolButton::Delete})
        if (source == ui::toolBarButtonId(job) && refusedForPrompt())
            return true;
    if (source == ui::toolBarButtonId(ToolButton::Compress))
        ui::startCompressionCommand();
    else if (source == ui::toolBarButtonId(ToolButton::Extract))
        ui::extractSelection();
    else if (source == ui::toolBarButtonId(ToolButton::Check))
        ui::testArchive();
    else if (source == ui::toolBarButtonId(ToolButton::Info))
        ui::showArchiveInformation();
    else if (source == ui::toolBarButtonId(ToolButton::Configuration))
        ui::showConfigurationWindow(true);
    else if (source == ui::toolBarButtonId(ToolButton::Assistant))
        ui::openAssistantFromMainWindow();
    else if (source == ui::toolBarButtonId(ToolButton::Delete))
        ui::deleteSelection();
    else if (source == ui::toolBarButtonId(ToolButton::Help))
        showHelp();
    else
        return false;
    return true;
}

void controlEvent(const pf::UiEvent &event)
{
    if (event.window == ids::WindowMain && event.source >= 100000 && toolBarEvent(event.source))
        return;
    switch (event.source) {
    case ids::ExplorerCombo: addressEvent(); break;
    case ids::ExplorerList: explorerEvent(event); break;
    case ids::ArchiveList:
        // Its drag start is handled before.
        if (event.subtype == pf::EventSubtype::LeftDoubleClick && !refusedForPrompt())
            ui::openArchiveEntry();
        else if (event.subtype == pf::EventSubtype::RightClick && !refusedForPrompt())
            ui::showArchiveListMenu();
        break;
    case ids::SplitterArchive: ui::noteArchiveDivider(); break;
    // Compression window
    case ids::BtBrowseLocation: ui::browseCompressionLocation(); break;
    case ids::BtCompressOk: ui::confirmCompressionWindow(); break;
    case ids::BtCancelCompress: ui::cancelCompressionWindow(); break;
    case ids::ComboArchiveFormat: ui::applyArchiveFormat(event.subtype == pf::EventSubtype::Change); break;
    case ids::TxtShowPwd: ui::applyShowPasswords(); break;
    // Configuration window
    case ids::BtConfigOk: ui::confirmConfigurationWindow(); break;
    case ids::BtConfigCancel: ui::cancelConfigurationWindow(); break;
    case ids::BtBrowse1Archive: ui::browseDefaultArchiveFolder(); break;
    case ids::BtBrowse1Extract: ui::browseDefaultExtractFolder(); break;
    case ids::ChkBoxVisibleWin: ui::applyVisibleWindowBox(); break;
    case ids::ChkBoxHistory: ui::applyHistoryBox(); break;
    case ids::ChkBoxViewBtTxt: ui::applyShowTextButtonBox(); break;
    case ids::ChkBoxZip:
    case ids::ChkBoxIntegration:
    case ids::ChkBoxShortcut: ui::applyIntegrationBox(event.source); break;
    // Information window
    case ids::BtOkWindowInfo: ui::closeArchiveInformation(); break;
    // Copy window
    case ids::BtCancel3: ui::cancelCopyWindow(); break;
    case ids::BtOk:
        if (!ui::confirmCopyWindowPassword())
            ui::confirmFileOperationWindow();
        break;
    case ids::BtCopyBrowse: ui::browseCopyDestination(); break;
    case ids::BtBrowse3: ui::browsePasswordDestination(); break;
    // About window
    case ids::BtAboutOk: ui::closeAboutWindow(); break;
    case ids::LinkMakerSite: ui::openMakerSite(); break;
    // Assistant and add-files window
    case ids::BtTextHelp: showHelp(); break;
    case ids::BtTextClose:
        // Without a main window the assistant is the program: closing it ends it.
        if (!ui::closeAssistant())
            exitProgram();
        break;
    case ids::BtTextAbout:
    case ids::BtTextZarvon:
    case ids::BtTextConfiguration:
    case ids::BtTextPrevious:
    case ids::BtTextNext:
    case ids::AssistBtSaveArchive:
    case ids::AssistBtSelectArchive:
    case ids::AssistBtSelectFolder:
    case ids::BtAdd:
    case ids::BtCancel2: ui::assistantButton(event.source); break;
    case ids::ExplorerAddFiles: ui::showAddFilesFolder(); break;
    default: break;
    }
}

} // namespace

void dispatchEvent(const pf::UiEvent &event)
{
    dispatchOne(event);
    // Requests from later starts that came while an operation ran (its
    // progress threw their events away) are served once it is over.
    if (!pf::exitRequested())
        ui::serveRequests(openPrompt() >= 0);
}

namespace {

void dispatchOne(const pf::UiEvent &event)
{
    if (event.kind == pf::EventKind::Request) {
        // A window asking something keeps the request waiting, and comes
        // forward in its place.
        refusedForPrompt();
        return;
    }
    if (event.kind == pf::EventKind::Tray) {
        if (event.source == ids::TrayIcon) {
            if (event.subtype == pf::EventSubtype::LeftDoubleClick)
                ui::restoreFromTray();
            else if (event.subtype == pf::EventSubtype::RightClick)
                ui::showTrayMenu();
        }
        return;
    }
    if (event.kind == pf::EventKind::Control && event.source == ids::ArchiveList &&
        event.subtype == pf::EventSubtype::DragStart && !refusedForPrompt())
        ui::dragArchiveEntries();
    if (event.kind == pf::EventKind::Control && event.window == ids::WindowMain &&
        event.subtype == pf::EventSubtype::Drop) {
        ui::dropFiles(event.source);
        return;
    }
    switch (event.kind) {
    case pf::EventKind::Menu: menuEvent(event.source); break;
    case pf::EventKind::Control: controlEvent(event); break;
    case pf::EventKind::CloseWindow: closeRequest(event.window); break;
    default: break;
    }
}

} // namespace

void exitProgram()
{
    if (ui::mainWindowExists()) {
        settings::saveRecentArchives(ui::explorerFolderText());
        ui::saveArchiveColumns();
    }
    ui::removeTemporaryFolders();
    pf::endProcess(0);
}

void quitSavingWindowState()
{
    if (!settings::settingsFileOpens())
        settings::writeDefaultSettings();
    ui::saveMainWindowState();
    exitProgram();
}

bool startProgram(const std::vector<std::string> &arguments)
{
    engine::initEngine();
    settings::resetSettingsState();
    ui::resetUiState();

    const settings::StartupLanguage language = settings::selectStartupLanguage();
    if (!language.loaded) {
        pf::messageBox("Zarvon", language.failureText, pf::MessageIcon::Error);
        pf::endProcess(0);
        return false;
    }
    pf::usePlatformLanguage(language.languagePath == settings::frenchLanguagePath());
    // The batch modes run without the main window, beside any running one.
    const operations::BatchCommand batch = operations::parseBatchCommand(arguments);
    if (batch.mode != operations::BatchMode::None) {
        const int status = ui::runBatch(batch);
        if (status >= 0) {
            pf::endProcess(status);
            return false;
        }
        return !pf::exitRequested();
    }
    // A later start gives its archive to the running program, as a full
    // path: the running one was started from another folder.
    std::vector<std::string> request;
    if (!arguments.empty() && !arguments.front().empty())
        request.push_back(fullPath(arguments.front()));
    switch (ui::takeInstanceRole(request)) {
    case ui::InstanceRole::Running: break;
    case ui::InstanceRole::HandedOver: pf::endProcess(0); return false;
    case ui::InstanceRole::NoAnswer: pf::endProcess(1); return false;
    }
    ui::removeAbandonedTemporaryFolders();
    if (!buildFirstWindow() || pf::exitRequested())
        return false;
    if (!arguments.empty() && !arguments.front().empty() && ui::mainWindowExists()) {
        pf::processSystemEvents(0);
        ui::openArchiveAtPath(fullPath(arguments.front()));
    } else if (!arguments.empty() && !arguments.front().empty() && ui::assistantExists()) {
        // There is no archive list to show it in: the archive was not
        // opened for nothing, the assistant offers to extract it.
        ui::showAssistantExtractionOf(fullPath(arguments.front()));
    }
    return !pf::exitRequested();
}

void runMainLoop()
{
    while (!pf::exitRequested())
        dispatchEvent(pf::waitEvent());
}

int runProgram(int argc, char **argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    // Answered on the terminal, before any window (there may be no display).
    const operations::BatchCommand batch = operations::parseBatchCommand(arguments);
    if (batch.mode == operations::BatchMode::Help) {
        std::fputs(operations::batchUsage().c_str(), stdout);
        return 0;
    }
    if (batch.mode == operations::BatchMode::Wrong) {
        std::fprintf(stderr, "zarvon: %s\n%s", batch.error.c_str(), operations::batchUsage().c_str());
        return 2;
    }
    pf::initPlatform(argc, argv);
    if (startProgram(arguments))
        runMainLoop();
    pf::endProcess(0);
    return 0;
}

} // namespace zarvon::app
