// The main window (window 0) in its two forms, its menus, toolbar, status bar
// and the archive layout.
//
// Toolbar form (buildMainWindow): title "Zarvon 1.1.0", 700 x 500, the 56-pixel
// toolbar strip, the address bar (container 142 with the combo 115) at 1, 60
// and the explorer list (116) at 2, 90. Plain form
// (buildMainWindowWithoutToolbar): title "Zarvon 1.0.0", no maximise box, the
// address bar at 1, 3 and the explorer list at 2, 33. Both: menus and
// shortcuts, the recent archives, the single-instance rule when
// General/MultitaskWindow is "0", the boot screen when Options/InitBootPage is
// "1" (and on the first start), the status bar, the check marks. Both build
// the window hidden; the caller places and shows it.
//
// Opening an archive replaces the explorer list by the archive layout: the
// archive list (138) and the explorer list side by side in the splitter (139).
// User-interface thread only.
#pragma once

#include <string>

#include "ui/opening.h"
#include "settings/settings_ops.h"

namespace zarvon::ui {

// Builds the toolbar form, replacing a main window that exists. Returns false
// when the window could not be made, or when another instance holds the
// single-instance lock: then the process end has been asked for
// (platform::endProcess) and the caller returns at once.
bool buildMainWindow();
bool buildMainWindowWithoutToolbar();

bool mainWindowExists();

// Builds the main window, hidden, in the form the configuration file asks
// for (without the toolbar, with its captions at 850 pixels, or plain) at
// the saved geometry. `asMainWindow`: the main window is the program's
// chosen window (AssistantState "0"), or is asked for from the assistant;
// otherwise the plain form is built where it falls. False when it could not
// be built.
bool buildConfiguredMainWindow(bool asMainWindow);

// Moves and sizes the main window; sizes that are not positive keep the
// built-in size, and the title bar is kept on the screen.
void placeMainWindow(int x, int y, int width, int height);
// True when the main window was built in its toolbar form.
bool mainWindowHasToolBar();

// Rebuilds the menu bar and the tray menu in the current language. With
// `redraw`, the window's repainting is suspended meanwhile. Without a
// configuration file, sets the built-in check marks.
void buildMenus(bool redraw);

// Check marks from the configuration file (View and Options/InitBootPage);
// nothing when it cannot be opened or has no group View.
void applyViewMenuState();

// Explorer list display from the configuration file (DefaultView ...).
void applyListViewType();

// Explorer list display by menu item (MenuDefaultView ... MenuList): the mode,
// the name column at 336 for the details view, and the check marks.
void setExplorerViewByMenu(int menuItem);

// The toolbar's captions (caption form) or tooltips (picture form) again in
// the current language.
void refreshToolBarTexts();

// Creates the status bar anew with its two fields and counts.
void updateStatusBar();
// The status bar's texts again, when it exists.
void refreshStatusBar();
// The two texts of the status bar for the explorer list as it is now.
std::string statusItemCountText();
std::string statusSelectionText();

// The explorer list's height after the status bar or toolbar changed: the
// window's inner height minus 135, 78, 112 or 55.
void fitExplorerHeight(bool statusBar, bool toolBar);

// The archive layout for `path` (the opening operations' builder): the
// explorer list beside the archive list, the archive list's columns added,
// the filter field above it, empty. The divider between the two lists is
// where the user last left it, else past the archive list's date column.
bool showArchiveLayout(const std::string &path, ui::ArchiveOpening how);

// The user moved the divider of the archive layout: its place is kept for
// the next archive layout and, at the end, in [View] ArchiveDivider.
void noteArchiveDivider();

// The window state that saveWindowState stores: geometry and check marks.
settings::WindowState mainWindowState();
// settings::saveWindowState(mainWindowState()) while the main window exists.
void saveMainWindowState();

// The folder the explorer list shows (LastDisk at the end).
std::string explorerFolderText();

// The handed-out identifiers of the toolbar's buttons, -1 without toolbar.
enum class ToolButton { Compress, Extract, Check, Info, Configuration, Assistant, Delete, Help };
int toolBarButtonId(ToolButton button);

} // namespace zarvon::ui
