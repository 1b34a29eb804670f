// Tray mode: the main window hidden behind an icon in the desktop's
// notification area, from which the user restores it or quits.
//
// States: normal (main window shown, no icon) -> minimiseToTray -> in tray
// (window hidden, icon 137 shown) -> restoreFromTray -> normal. Where the
// desktop has no notification area nothing could bring a hidden window back:
// the window is minimised instead (the state stays normal) and the user is
// told so, once per run. The state is kept in UiState (ui/ui_state.h).
// User-interface thread only.
#pragma once

#include <string>

namespace zarvon::ui {

// Menu item MenuSystray. Shows icon 137 with the balloon "Zarvon fonctionne en
// mode réduit" (English when the configuration file says EnglishLanguage
// "1"), hides the main window and sets the icon's tooltip to "Zarvon".
void minimiseToTray();

// Double click on icon 137 and tray menu item RestoreApp: the main window
// shown again, raised and active, maximised when it was maximised and
// otherwise normal (never minimised), then the icon goes. Nothing when the
// program is not in the tray.
void restoreFromTray();

// Right click on icon 137: the main window is made the owner of popup menu
// 143, shown at the mouse pointer.
void showTrayMenu();

// The balloon's text: "Zarvon is minimized to the systray" when the
// configuration file says EnglishLanguage "1", else "Zarvon fonctionne en
// mode réduit", whichever language file is loaded.
std::string trayBalloonText();

// True between minimiseToTray and restoreFromTray.
bool inTray();

} // namespace zarvon::ui
