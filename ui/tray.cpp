#include "ui/tray.h"

#include "settings/language.h"
#include "settings/setting_keys.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

TrayModeState &trayMode() { return uiState().tray; }

void minimiseWithoutTray()
{
    TrayModeState &mode = trayMode();
    if (!mode.toldNoTray) {
        mode.toldNoTray = true;
        pf::messageBox("Zarvon", settings::languageText("MsgNoSystray"), pf::MessageIcon::Information);
    }
    pf::setWindowState(ids::WindowMain, pf::WindowState::Minimized);
}

} // namespace

// These two texts are the program's own, chosen by the configuration file
// alone (not by the language file that happens to be loaded).
std::string trayBalloonText()
{
    return settings::settingIs(settings::kEnglishLanguage, "1") ? "Zarvon is minimized to the systray"
                                                                : "Zarvon fonctionne en mode réduit";
}

bool inTray() { return trayMode().inTray; }

void minimiseToTray()
{
    TrayModeState &mode = trayMode();
    if (mode.inTray || !pf::isWindow(ids::WindowMain))
        return;
    if (!pf::isSysTrayAvailable() ||
        !pf::addSysTrayIcon(ids::TrayIcon, ids::WindowMain, pf::pictureImage(pf::Picture::TrayIcon))) {
        minimiseWithoutTray();
        return;
    }
    mode.stateBefore = pf::getWindowState(ids::WindowMain);
    mode.inTray = true;
    pf::showSysTrayBalloon(ids::TrayIcon, "Zarvon", trayBalloonText(), 1000);
    pf::hideWindow(ids::WindowMain);
    pf::setSysTrayIconToolTip(ids::TrayIcon, "Zarvon");
}

void restoreFromTray()
{
    TrayModeState &mode = trayMode();
    if (!mode.inTray)
        return;
    mode.inTray = false;
    if (pf::isWindow(ids::WindowMain)) {
        // The user asked for the window: it comes back visible, raised and
        // focused. A minimised state recorded on the way in is dropped, as
        // it can be stale: a window minimised to the taskbar and restored by
        // the window manager still reads as minimised, and showing it so
        // would map it iconic, out of sight with the icon already gone.
        // Passing through the minimised state makes the window system drop
        // what it still holds from the taskbar trip (an X window keeps
        // asking to start iconic): without it the window manager maps the
        // window minimised again.
        const bool maximised = mode.stateBefore == pf::WindowState::Maximized;
        pf::setWindowState(ids::WindowMain, pf::WindowState::Minimized);
        pf::setWindowState(ids::WindowMain, maximised ? pf::WindowState::Maximized : pf::WindowState::Normal);
        pf::activateWindow(ids::WindowMain);
    }
    pf::removeSysTrayIcon(ids::TrayIcon);
}

void showTrayMenu()
{
    if (pf::isMenu(ids::TrayMenu))
        pf::displayPopupMenu(ids::TrayMenu, ids::WindowMain);
}

} // namespace zarvon::ui
