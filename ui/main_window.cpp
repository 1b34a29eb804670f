#include "ui/main_window.h"
#include "ui/opening.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "base/product.h"
#include "ui/boot_screen.h"
#include "ui/extraction.h"
#include "settings/language.h"
#include "settings/paths.h"
#include "settings/recent_archives.h"
#include "settings/setting_keys.h"
#include "settings/settings_ops.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;
using settings::languageText;

namespace {

MainWindowState &mainWindow() { return uiState().mainWindow; }

// Caption keys, tooltip keys and pictures of the toolbar, in button order.
struct ToolDescription {
    const char *captionKey;
    const char *captionDefault;
    const char *tipKey;
    const char *tipDefault;
    pf::Picture picture;
};

const std::array<ToolDescription, 8> &toolDescriptions()
{
    static const std::array<ToolDescription, 8> tools{{
        {"CompressTextBt", "Compresser", "InfoBulleCompress", "Ajouter les fichiers à l'archive",
         pf::Picture::IconCompress},
        {"ExtractTextBt", "Extraire", "InfoBulleExtract", "Extraire une archive", pf::Picture::IconExtract},
        {"ChkTextBt", "Vérifier", "InfoBulleChk", "Verifier le Zip", pf::Picture::IconCheck},
        {"InfoTextBt", "Info Zip", "InfoBulleZipInfo", "Informations sur l'archive", pf::Picture::IconInfo},
        {"ConfigurationTextBt", "Configuration", "InfoBulleConfiguration", "Paramètres",
         pf::Picture::IconConfiguration},
        {"AssistantTextBt", "Assistant", "InfoBulleAssistant", "Assistant", pf::Picture::IconAssistant},
        {"DeleteTextBt", "Supprimer", "InfoBulleDelete", "Supprimer", pf::Picture::IconDelete},
        {"AideTextBt", "Aide", "InfoBulleHelp", "Aide", pf::Picture::IconHelp},
    }};
    return tools;
}

void buildToolBar(pf::ToolBarForm form)
{
    MainWindowState &m = mainWindow();
    if (!pf::createToolBar(ids::ToolBarMain, ids::WindowMain, form, 56, 1024))
        return;
    pf::setToolBarBackground(ids::ToolBarMain, pf::pictureImage(pf::Picture::ToolBarBackground));
    const auto &tools = toolDescriptions();
    // Gaps after each button, and whether the separator follows it.
    static const std::array<int, 8> pictureGaps{10, 10, 10, 10, 10, 10, 10, 10};
    static const std::array<int, 8> captionGaps{0, 5, 10, 5, 10, 10, 10, 0};
    const bool captions = form == pf::ToolBarForm::Captions;
    if (!captions)
        pf::toolBarGap(ids::ToolBarMain, 3);
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const std::string caption = languageText(tools[i].captionKey, tools[i].captionDefault);
        m.buttons[i] = pf::toolBarButton(ids::ToolBarMain, pf::pictureImage(tools[i].picture), caption);
        if (!captions)
            pf::setToolBarButtonToolTip(ids::ToolBarMain, m.buttons[i],
                                        languageText(tools[i].tipKey, tools[i].tipDefault));
        pf::toolBarGap(ids::ToolBarMain, captions ? captionGaps[i] : pictureGaps[i]);
        if (i == 6) {
            pf::toolBarSeparator(ids::ToolBarMain);
            if (captions)
                pf::toolBarGap(ids::ToolBarMain, 10);
        }
    }
    m.hasToolBar = true;
    m.form = form;
}

// The address bar (container 142 holding the combo 115) at x, y.
void buildAddressBar(int x, int y, int width, const std::string &folder)
{
    pf::containerGadget(ids::ContainerAddress, x, y, width, 28);
    pf::explorerComboGadget(ids::ExplorerCombo, 3, 3, 692, 22, folder);
    pf::closeGadgetList();
    pf::anchorGadget(ids::ContainerAddress, true, true, true, false);
    pf::anchorGadget(ids::ExplorerCombo, true, true, true, false);
}

void buildExplorer(int x, int y, int width, int height, const std::string &folder)
{
    pf::explorerListGadget(ids::ExplorerList, x, y, width, height, folder);
    pf::setGadgetColumnWidth(ids::ExplorerList, 0, 336);
    pf::anchorGadget(ids::ExplorerList, true, true, true, true);
}

// The explorer list's first folder: Disk/LastDisk when the file has a group
// General, else the home folder. A folder that no longer exists also gives
// the home folder (the explorer list's own rule).
std::string startFolder(bool plain)
{
    const bool fileOpens = settings::settingsFileOpens();
    const bool generalExists = settings::readSetting(settings::kHistory).has_value();
    if (plain ? !fileOpens : !generalExists)
        return {};
    return settings::settingText(settings::kLastDisk);
}

void shortcuts()
{
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+O", ids::ShortcutOpenZip);
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+C", ids::ShortcutCopyZip);
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+X", ids::ShortcutCutZip);
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+R", ids::ShortcutRenameZip);
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+A", ids::ShortcutSelectAll);
    pf::addKeyboardShortcut(ids::WindowMain, "Delete", ids::ShortcutDelete);
    pf::addKeyboardShortcut(ids::WindowMain, "Ctrl+Z", ids::ShortcutUndo);
    pf::addKeyboardShortcut(ids::WindowMain, "Return", ids::ShortcutReturn);
    pf::addKeyboardShortcut(ids::WindowMain, "Enter", ids::ShortcutReturn);
    pf::addKeyboardShortcut(ids::WindowMain, "Backspace", ids::ShortcutParent);
    pf::addKeyboardShortcut(ids::WindowMain, "Alt+Up", ids::ShortcutParent);
    pf::addKeyboardShortcut(ids::WindowMain, "Alt+Left", ids::ShortcutBack);
    pf::addKeyboardShortcut(ids::WindowMain, "Alt+Right", ids::ShortcutForward);
    pf::addKeyboardShortcut(ids::WindowMain, "F5", ids::ShortcutReload);
    pf::addKeyboardShortcut(ids::WindowMain, "F2", ids::ShortcutRename);
    pf::addKeyboardShortcut(ids::WindowMain, "Shift+Delete", ids::ShortcutDeleteForGood);
}

// The single-instance rule, when General/MultitaskWindow reads "0".
bool enforceSingleInstance()
{
    // A rebuild of the main window keeps the lock the first build took.
    return pf::holdsInstanceLock() || pf::acquireInstanceLock(settings::programFileName());
}

// Steps shared by both forms up to the controls: the hidden window, the
// shortcuts, the recent archives, the menus and the single-instance rule.
bool openMainWindow(const std::string &title, bool maximizeBox)
{
    MainWindowState &m = mainWindow();
    m.hasToolBar = false;
    m.buttons.fill(-1);
    unsigned flags = pf::WindowInvisible | pf::WindowScreenCentered | pf::WindowSizeable | pf::WindowMinimizeBox |
                     pf::WindowCloseBox;
    if (maximizeBox)
        flags |= pf::WindowMaximizeBox;
    if (pf::openWindow(ids::WindowMain, 0, 0, 700, 500, title, flags) < 0)
        return false;
    // Files dropped onto the explorer list are copied there; an archive
    // dropped anywhere else is opened.
    pf::enableFileDrops(ids::WindowMain, {ids::ExplorerList, ids::ArchiveList});
    shortcuts();
    // The file's history is read once the list is filled: a rebuild (the
    // toolbar switch) keeps the archives opened since, which the file does
    // not hold before the program ends.
    if (settings::recentArchives().empty())
        settings::loadRecentArchives();
    buildMenus(false);
    if (settings::settingIs(settings::kMultitaskWindow, "0") && !enforceSingleInstance()) {
        pf::closeWindow(ids::WindowMain);
        pf::endProcess(0);
        return false;
    }
    pf::useGadgetList(ids::WindowMain);
    return true;
}

void buildRecentArchivesMenu()
{
    const auto &recent = settings::recentArchives();
    if (recent.empty())
        return;
    pf::menuBar();
    pf::openSubMenu(languageText("MenuRecentsFiles", "Fichiers Récents"));
    for (std::size_t n = 1; n <= recent.size(); ++n)
        pf::menuItem(ids::MenuRecentFirst + int(n) - 1,
                     std::to_string(n) + ".  " + settings::recentArchiveFileName(recent[n - 1]));
    pf::closeSubMenu();
}

// The least width the explorer list keeps beside the archive list.
constexpr int kExplorerLeast = 200;
// The archive list's columns that show whole without the user's help: the
// name, the size, the packed size, the ratio and the date.
constexpr int kColumnsShown = 5;

// The divider the user chose: this run's, else the one the configuration
// file keeps; 0 for none.
int chosenDivider()
{
    int &divider = uiState().archiveList.divider;
    if (divider > 0)
        return divider;
    const std::string saved = settings::settingText(settings::kArchiveDivider);
    char *end = nullptr;
    const long value = std::strtol(saved.c_str(), &end, 10);
    return !saved.empty() && end && *end == '\0' && value >= 40 && value <= 8000 ? int(value) : 0;
}

// Places the divider of the archive layout where the user left it, else just
// past the date column. When the archive layout first replaces the start
// layout, a window too narrow for those columns and the explorer list beside
// them is widened as far as its screen allows; a window the user narrowed
// afterwards is left as it is. The explorer list never gets less than its
// least width: a divider that does not fit stops short.
void placeArchiveDivider(bool widenWindow)
{
    const int columns = pf::gadgetWidthForColumns(ids::ArchiveList, kColumnsShown);
    const int chosen = chosenDivider();
    const int wanted = chosen > 0 ? chosen : columns;
    pf::setGadgetAttribute(ids::SplitterArchive, pf::GadgetAttribute::SplitterSecondMinimum, kExplorerLeast);
    // The splitter's margins (2 on each side) and its handle.
    constexpr int kAround = 4 + 8;
    if (widenWindow)
        pf::widenWindow(ids::WindowMain, std::min(wanted, columns) + kExplorerLeast + kAround);
    pf::setGadgetState(ids::SplitterArchive, wanted);
}

// The menu items that carry a check mark.
const std::array<int, 9> kCheckedItems{ids::MenuToolBar,   ids::MenuStatusBar, ids::MenuDefaultView,
                                       ids::MenuLargeIcon, ids::MenuSmallIcon, ids::MenuList,
                                       ids::MenuFrench,    ids::MenuEnglish,   ids::MenuBootScreen};

} // namespace

// The width the window takes for the toolbar with captions, unless the
// captions of the language in use need more.
constexpr int kCaptionsWidth = 850;

void placeMainWindow(int x, int y, int width, int height)
{
    if (width <= 0)
        width = pf::Keep;
    if (height <= 0)
        height = pf::Keep;
    pf::resizeWindow(ids::WindowMain, x, y, width, height);
    // The caption form's start moves the window 80 pixels left of where it
    // was saved, and it is saved there again at the end: without this, each
    // start would push it further off the left of the screen.
    pf::keepWindowOnScreen(ids::WindowMain);
}

bool buildConfiguredMainWindow(bool asMainWindow)
{
    if (settings::settingIs(settings::kViewAssistantState, "0") && settings::settingIs(settings::kToolBar, "0")) {
        auto geometry = settings::readWindowGeometry();
        if (!buildMainWindowWithoutToolbar())
            return false;
        if (geometry)
            placeMainWindow(geometry->x, geometry->y, geometry->width, geometry->height);
    } else if (asMainWindow && settings::settingIs(settings::kShowTextButton, "1")) {
        auto geometry = settings::readWindowGeometry();
        if (!buildMainWindow())
            return false;
        // A saved width that shows every caption is the user's to keep.
        if (geometry && geometry->width >= pf::toolBarContentWidth(ids::ToolBarMain)) {
            placeMainWindow(geometry->x, geometry->y, geometry->width, geometry->height);
            return true;
        }
        // The eight captions need the 850-pixel width even when no position
        // was saved: the window then moves left from where it was centred.
        const int x = geometry ? geometry->x : pf::windowX(ids::WindowMain);
        placeMainWindow(x + 620 - pf::windowWidth(ids::WindowMain), geometry ? geometry->y : pf::Keep,
                        std::max(kCaptionsWidth, pf::toolBarContentWidth(ids::ToolBarMain)),
                        geometry ? geometry->height : pf::Keep);
    } else if (asMainWindow && settings::settingIs(settings::kShowTextButton, "0")) {
        auto geometry = settings::readWindowGeometry();
        if (!buildMainWindow())
            return false;
        if (geometry)
            placeMainWindow(geometry->x, geometry->y, geometry->width, geometry->height);
    } else {
        if (!buildMainWindow())
            return false;
        applyViewMenuState();
    }
    return true;
}

bool mainWindowExists() { return pf::isWindow(ids::WindowMain); }

bool mainWindowHasToolBar() { return mainWindowExists() && mainWindow().hasToolBar; }

void buildMenus(bool redraw)
{
    if (!mainWindowExists())
        return;
    // Marks set by the user since the last save survive a rebuild.
    const bool hadMenu = pf::isMenu(ids::MenuBarMain);
    std::array<bool, kCheckedItems.size()> marks{};
    for (std::size_t i = 0; i < kCheckedItems.size(); ++i)
        marks[i] = pf::getMenuItemState(ids::MenuBarMain, kCheckedItems[i]);
    if (redraw)
        pf::setWindowRedraw(ids::WindowMain, false);
    if (!pf::createMenu(ids::MenuBarMain, ids::WindowMain))
        return;
    pf::menuTitle(languageText("MenuFile", "Fichier"));
    pf::menuItem(ids::MenuOpenZip, languageText("MenuOpenZip", "Ouvrir Archive"));
    pf::menuBar();
    pf::menuItem(ids::MenuCopyZip, languageText("MenuCopyZip", "Copier Archive"));
    pf::menuItem(ids::MenuCutZip, languageText("MenuCutZip", "Couper Archive"));
    pf::menuItem(ids::MenuRenameZip, languageText("MenuRenameZip", "Renommer Archive"));
    pf::menuBar();
    pf::menuItem(ids::MenuSelectAll, languageText("MenuSelectAll", "Sélectionner tout     \tCtrl+A"));
    pf::menuItem(ids::MenuDelete, languageText("MenuDelete", "Supprimer"));
    pf::menuBar();
    pf::menuItem(ids::MenuInfoZip, languageText("MenuInfoZip", "Propriétés de l'archive"));
    if (settings::settingIs(settings::kHistory, "1"))
        buildRecentArchivesMenu();
    pf::menuBar();
    pf::menuItem(ids::MenuQuit, languageText("MenuQuit", "Quitter"));

    pf::menuTitle(languageText("MenuView", "Afficher"));
    pf::menuItem(ids::MenuToolBar, languageText("MenuToolBar", "ToolBar"));
    pf::menuItem(ids::MenuStatusBar, languageText("MenuStatusBar", "StatusBar"));
    pf::menuItem(ids::MenuFolders, languageText("MenuFolders", "Dossiers"));
    pf::setMenuItemState(ids::MenuBarMain, ids::MenuFolders, archiveFoldersShown());
    pf::openSubMenu(languageText("MenuViewType", "Affichage"));
    pf::menuItem(ids::MenuDefaultView, languageText("MenuDefaultView", "Affichage par défaut"));
    pf::menuItem(ids::MenuLargeIcon, languageText("MenuLargeIcon", "Affichage grande icône"));
    pf::menuItem(ids::MenuSmallIcon, languageText("MenuSmallIcon", "Affichage petite icône"));
    pf::menuItem(ids::MenuList, languageText("MenuList", "ListView"));
    pf::closeSubMenu();
    pf::openSubMenu(languageText("MenuLanguage", "Langue"));
    pf::menuItem(ids::MenuFrench, languageText("MenuFrench", "Francais"));
    pf::menuItem(ids::MenuEnglish, languageText("MenuEnglish", "Anglais"));
    pf::closeSubMenu();

    pf::menuTitle(languageText("MenuCommandes", "Commandes"));
    pf::menuItem(ids::MenuAddToZip, languageText("MenuAddToZip", "Compresser"));
    pf::menuItem(ids::MenuExtractZip, languageText("MenuExtractZip", "Extraire Archive"));
    pf::menuItem(ids::MenuTestZip, languageText("MenuTestZip", "Tester Archive"));
    pf::menuBar();
    pf::menuItem(ids::MenuAssistant, languageText("MenuAssistant", "Assistant"));

    pf::menuTitle(languageText("MenuOptions", "Options"));
    pf::menuItem(ids::MenuConfiguration, languageText("MenuConfiguration", "Configuration"));
    pf::menuBar();
    pf::menuItem(ids::MenuEdit, languageText("MenuEdit", "Editer le fichier de Configuration"));
    pf::menuItem(ids::MenuSystray, languageText("MenuSystray", "Réduire dans la zone système"));
    pf::menuItem(ids::MenuBootScreen, languageText("MenuBootScreen", "Afficher l'ecran de démarrage"));

    pf::menuTitle(languageText("MenuHelp", "Aide"));
    pf::menuItem(ids::MenuHelp2, languageText("MenuHelp2", "Aide"));
    pf::menuItem(ids::MenuAbout, languageText("MenuAbout", "A Propos"));

    for (int item : kCheckedItems)
        pf::setMenuItemState(ids::MenuBarMain, item, false);
    if (hadMenu) {
        for (std::size_t i = 0; i < kCheckedItems.size(); ++i)
            pf::setMenuItemState(ids::MenuBarMain, kCheckedItems[i], marks[i]);
    } else if (!settings::settingsFileOpens()) {
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuDefaultView, true);
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuToolBar, true);
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuStatusBar, true);
        pf::setMenuItemState(ids::MenuBarMain, ids::MenuBootScreen, true);
        const bool french = settings::detectSystemLanguage() == settings::FrenchFranceLanguage;
        pf::setMenuItemState(ids::MenuBarMain, french ? ids::MenuFrench : ids::MenuEnglish, true);
    }

    pf::createPopupMenu(ids::TrayMenu);
    pf::menuItem(ids::RestoreApp, languageText("RestoreApp", "Agrandir Zarvon"));
    pf::menuItem(ids::QuitApp, languageText("QuitApp", "Fermer Zarvon"));
    if (redraw)
        pf::setWindowRedraw(ids::WindowMain, true);
}

void applyViewMenuState()
{
    auto marks = settings::applyViewMenuState();
    if (!marks || !mainWindowExists())
        return;
    const int m = ids::MenuBarMain;
    pf::setMenuItemState(m, ids::MenuToolBar, marks->toolBar);
    pf::setMenuItemState(m, ids::MenuStatusBar, marks->statusBar);
    pf::setMenuItemState(m, ids::MenuFrench, marks->french);
    pf::setMenuItemState(m, ids::MenuEnglish, marks->english);
    pf::setMenuItemState(m, ids::MenuDefaultView, marks->defaultView);
    pf::setMenuItemState(m, ids::MenuLargeIcon, marks->largeIcon);
    pf::setMenuItemState(m, ids::MenuSmallIcon, marks->smallIcon);
    pf::setMenuItemState(m, ids::MenuList, marks->list);
    pf::setMenuItemState(m, ids::MenuBootScreen, marks->bootScreen);
}

void applyListViewType()
{
    switch (settings::applyListViewType()) {
    case settings::ListViewType::Details:
        pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::Details);
        break;
    case settings::ListViewType::LargeIcons:
        pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::LargeIcons);
        break;
    case settings::ListViewType::SmallIcons:
        pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::SmallIcons);
        break;
    case settings::ListViewType::List: pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::List); break;
    case settings::ListViewType::Unchanged: break;
    }
}

void setExplorerViewByMenu(int menuItem)
{
    switch (menuItem) {
    case ids::MenuDefaultView:
        pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::Details);
        pf::setGadgetColumnWidth(ids::ExplorerList, 0, 336);
        break;
    case ids::MenuLargeIcon: pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::LargeIcons); break;
    case ids::MenuSmallIcon: pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::SmallIcons); break;
    case ids::MenuList: pf::setExplorerDisplay(ids::ExplorerList, pf::ExplorerDisplay::List); break;
    default: return;
    }
    for (int item : {ids::MenuDefaultView, ids::MenuLargeIcon, ids::MenuSmallIcon, ids::MenuList})
        pf::setMenuItemState(ids::MenuBarMain, item, item == menuItem);
}

void refreshToolBarTexts()
{
    MainWindowState &m = mainWindow();
    if (!m.hasToolBar || !pf::isToolBar(ids::ToolBarMain))
        return;
    const auto &tools = toolDescriptions();
    // The strip keeps the form it was built in until the next start, whatever
    // ShowTextButton says now: relabel what the buttons show.
    const bool captions = m.form == pf::ToolBarForm::Captions;
    for (std::size_t i = 0; i < tools.size(); ++i) {
        if (captions)
            pf::setToolBarButtonCaption(ids::ToolBarMain, m.buttons[i],
                                        languageText(tools[i].captionKey, tools[i].captionDefault));
        else
            pf::setToolBarButtonToolTip(ids::ToolBarMain, m.buttons[i],
                                        languageText(tools[i].tipKey, tools[i].tipDefault));
    }
}

std::string statusItemCountText()
{
    const auto &texts = settings::currentBuiltInTexts();
    // ".." is a way out of the folder, not one of its items.
    int count = pf::countGadgetItems(ids::ExplorerList);
    if (count > 0 && pf::getGadgetItemText(ids::ExplorerList, 0) == "..")
        --count;
    return std::to_string(count) + texts.itemCount;
}

std::string statusSelectionText()
{
    const int list = ids::ExplorerList;
    int folders = 0, files = 0;
    const int count = pf::countGadgetItems(list);
    for (int item = 0; item < count; ++item) {
        const int state = pf::getGadgetItemState(list, item);
        if (!(state & pf::ItemSelected))
            continue;
        if (state & pf::ItemFolder) {
            if (!(item == 0 && pf::getGadgetItemText(list, 0) == ".."))
                ++folders;
        } else {
            ++files;
        }
    }
    const auto &texts = settings::currentBuiltInTexts();
    return std::to_string(folders) + texts.selectedFolders + std::to_string(files) + texts.selectedFiles;
}

void updateStatusBar()
{
    if (!mainWindowExists() || !pf::createStatusBar(ids::StatusBarMain, ids::WindowMain))
        return;
    pf::addStatusBarField(ids::StatusBarMain, 160);
    pf::addStatusBarField(ids::StatusBarMain, 865);
    pf::statusBarText(ids::StatusBarMain, 0, statusItemCountText(), pf::TextCenter);
    pf::statusBarText(ids::StatusBarMain, 1, statusSelectionText(), pf::TextCenter);
}

void refreshStatusBar()
{
    // Only the texts change: re-creating the bar at every click would make
    // the window lay itself out again each time.
    if (!pf::isStatusBar(ids::StatusBarMain))
        return;
    pf::statusBarText(ids::StatusBarMain, 0, statusItemCountText(), pf::TextCenter);
    pf::statusBarText(ids::StatusBarMain, 1, statusSelectionText(), pf::TextCenter);
}

void fitExplorerHeight(bool statusBar, bool toolBar)
{
    const int margin = statusBar ? (toolBar ? 135 : 78) : (toolBar ? 112 : 55);
    const int height = pf::windowHeight(ids::WindowMain) - margin;
    // In the archive layout the explorer list sits in the splitter.
    const int target = pf::isGadget(ids::SplitterArchive) ? ids::SplitterArchive : ids::ExplorerList;
    pf::resizeGadget(target, pf::Keep, pf::Keep, pf::Keep, height);
}

bool buildMainWindow()
{
    if (!openMainWindow(base::kProductTitle, true))
        return false;
    const bool fileOpens = settings::settingsFileOpens();
    const bool statusShown = !fileOpens || settings::settingIs(settings::kStatusBar, "1");
    // A ShowTextButton other than "1" gives the picture toolbar: the window
    // always gets its toolbar, address bar and explorer list.
    const bool captions = fileOpens && settings::settingIs(settings::kShowTextButton, "1");
    buildToolBar(captions ? pf::ToolBarForm::Captions : pf::ToolBarForm::Pictures);
    buildAddressBar(1, 60, 698, startFolder(false));
    buildExplorer(2, 90, 696, statusShown ? 365 : 388, startFolder(false));
    pf::setGadgetText(ids::ExplorerCombo, pf::getGadgetText(ids::ExplorerList));
    applyListViewType();
    if (statusShown)
        updateStatusBar();
    if (!fileOpens || settings::settingIs(settings::kInitBootPage, "1"))
        showBootScreen();
    applyViewMenuState();
    return true;
}

bool buildMainWindowWithoutToolbar()
{
    if (!openMainWindow("Zarvon 1.0.0", false))
        return false;
    const bool fileOpens = settings::settingsFileOpens();
    const bool statusShown = !fileOpens || settings::settingIs(settings::kStatusBar, "1");
    buildAddressBar(1, 3, fileOpens ? 697 : 698, startFolder(true));
    buildExplorer(2, 33, 696, statusShown ? 422 : 445, startFolder(true));
    pf::setGadgetText(ids::ExplorerCombo, pf::getGadgetText(ids::ExplorerList));
    if (statusShown)
        updateStatusBar();
    if (settings::settingIs(settings::kInitBootPage, "1"))
        showBootScreen();
    applyViewMenuState();
    applyListViewType();
    pf::setGadgetColumnWidth(ids::ExplorerList, 0, 336);
    return true;
}

bool showArchiveLayout(const std::string &path, ui::ArchiveOpening how)
{
    using ui::ArchiveOpening;
    if (!mainWindowExists())
        return false;
    const int W = pf::windowWidth(ids::WindowMain);
    const int H = pf::windowHeight(ids::WindowMain);
    // The layout follows the form the window was built in (a toolbar switched
    // off but not yet rebuilt still has its strip on top).
    const bool standard = mainWindowHasToolBar();
    std::string folder = explorerFolderText();
    if (!standard)
        folder = how == ArchiveOpening::Recent ? std::string("/") : settings::settingText(settings::kLastDisk);
    // The new explorer list keeps the display the user chose from the menu,
    // saved or not; the check marks stay as they are too.
    const bool firstArchive = !pf::isGadget(ids::SplitterArchive);
    const bool hadExplorer = pf::isGadget(ids::ExplorerList);
    const pf::ExplorerDisplay display = pf::getExplorerDisplay(ids::ExplorerList);
    // The widths the user gave the old list's columns are those of the new
    // one (the splitter takes the list with it).
    saveArchiveColumns();
    // In the toolbar form the explorer list keeps showing its folder: it is
    // kept as it is rather than made anew, which would read a large folder
    // again (seconds for 20,000 files) for every archive opened.
    const bool keepExplorer = hadExplorer && standard;
    if (pf::isGadget(ids::SplitterArchive))
        pf::freeGadget(ids::SplitterArchive);
    // With the filter and the list it holds: the new list shows every row.
    pf::freeGadget(ids::ContainerArchiveList);
    pf::freeGadget(ids::ArchiveList);
    if (!keepExplorer)
        pf::freeGadget(ids::ExplorerList);
    pf::useGadgetList(ids::WindowMain);

    if (keepExplorer) {
        // As a new list would: nothing selected.
        pf::clearGadgetSelection(ids::ExplorerList);
    } else {
        pf::explorerListGadget(ids::ExplorerList, 0, 0, 100, 100, folder);
        if (hadExplorer)
            pf::setExplorerDisplay(ids::ExplorerList, display);
        else
            applyListViewType();
    }
    const bool recentPlain = !standard && how == ArchiveOpening::Recent;
    const std::string title = recentPlain ? languageText("Titre ListIconGadget", "Fichiers contenus dans l'archive")
                                          : languageText("ListIconGadgetTitle", "Fichiers contenus dans l'archive");
    unsigned listFlags = pf::ListMultiSelect | pf::ListFullRowSelect;
    if (!standard && how == ArchiveOpening::Requester)
        listFlags |= pf::ListCheckBoxes;
    pf::containerGadget(ids::ContainerArchiveList, 0, 0, 100, 100, pf::ContainerStacked);
    pf::filterGadget(ids::StrArchiveFilter, 0, 0, 100, 22, ids::ArchiveList,
                     languageText("ArchiveFilterHint", "Filtrer par nom"));
    pf::listIconGadget(ids::ArchiveList, 0, 0, 100, 100, title, 220, listFlags);
    pf::closeGadgetList();

    const bool statusShown = pf::isStatusBar(ids::StatusBarMain);
    if (standard) {
        pf::setGadgetColumnWidth(ids::ExplorerList, 0, W - 575);
        pf::splitterGadget(ids::SplitterArchive, 2, 90, W - 4, H - (statusShown ? 135 : 112), ids::ContainerArchiveList,
                           ids::ExplorerList);
        pf::setWindowTitle(ids::WindowMain, ui::archiveWindowTitle(path));
    } else {
        pf::setGadgetColumnWidth(ids::ExplorerList, 0, recentPlain ? 160 : W - 565);
        // The recent archives' layout once had a fixed 680 pixels, which cut
        // the columns of any window wider than the first one.
        const int pane = ids::ContainerArchiveList;
        if (how == ArchiveOpening::Requester)
            pf::splitterGadget(ids::SplitterArchive, 2, 38, W - 4, H - 83, pane, ids::ExplorerList);
        else if (recentPlain)
            pf::splitterGadget(ids::SplitterArchive, 2, 30, W - 4, 405, pane, ids::ExplorerList);
        else
            pf::splitterGadget(ids::SplitterArchive, 2, 33, W - 4, H - 78, pane, ids::ExplorerList);
        pf::setGadgetText(ids::ExplorerCombo, path);
    }
    pf::anchorGadget(ids::SplitterArchive, true, true, true, true);
    addArchiveColumns();
    placeArchiveDivider(firstArchive);
    if (statusShown) {
        pf::statusBarText(ids::StatusBarMain, 0, "", pf::TextCenter);
        // The explorer list is new and has nothing selected: the counts of
        // the old list's selection would be wrong.
        pf::statusBarText(ids::StatusBarMain, 1, statusSelectionText(), pf::TextCenter);
    }
    return true;
}

void noteArchiveDivider()
{
    if (pf::isGadget(ids::SplitterArchive))
        uiState().archiveList.divider = pf::getGadgetState(ids::SplitterArchive);
}

settings::WindowState mainWindowState()
{
    settings::WindowState state;
    const int w = ids::WindowMain;
    state.height = pf::windowHeight(w);
    state.width = pf::windowWidth(w);
    state.x = pf::windowX(w);
    state.y = pf::windowY(w);
    const int m = ids::MenuBarMain;
    state.toolBar = pf::getMenuItemState(m, ids::MenuToolBar);
    state.statusBar = pf::getMenuItemState(m, ids::MenuStatusBar);
    state.french = pf::getMenuItemState(m, ids::MenuFrench);
    state.english = pf::getMenuItemState(m, ids::MenuEnglish);
    state.bootScreen = pf::getMenuItemState(m, ids::MenuBootScreen);
    state.defaultView = pf::getMenuItemState(m, ids::MenuDefaultView);
    state.largeIcon = pf::getMenuItemState(m, ids::MenuLargeIcon);
    state.smallIcon = pf::getMenuItemState(m, ids::MenuSmallIcon);
    state.list = pf::getMenuItemState(m, ids::MenuList);
    return state;
}

void saveMainWindowState()
{
    if (mainWindowExists())
        settings::saveWindowState(mainWindowState());
}

std::string explorerFolderText()
{
    if (pf::isGadget(ids::ExplorerList))
        return pf::getGadgetText(ids::ExplorerList);
    return pf::getGadgetText(ids::ExplorerCombo);
}

int toolBarButtonId(ToolButton button)
{
    if (!mainWindowHasToolBar())
        return -1;
    return mainWindow().buttons[std::size_t(button)];
}

} // namespace zarvon::ui
