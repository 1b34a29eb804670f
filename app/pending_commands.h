// Commands of the main window whose operations are not built yet. Each is
// routed here by the dispatch and does nothing, so that every menu item,
// shortcut and button already reaches a named place; the work that builds an
// operation replaces its function here by the real one.
#pragma once

namespace zarvon::app {

// Tray mode.
void minimiseToTray();
void restoreFromTray();
void showTrayMenu();

// The configuration window's integration boxes (ZIP association, desktop
// integration, desktop shortcut).
void applyIntegrationBox(int id);

}  // namespace zarvon::app
