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
        // focused, maximised or normal but never minimised. After a trip to
        // the taskbar and back through the window manager, the X window
        // still asks to start iconic although it reads as normal: passing
        // through the minimised state clears that request. Should the
        // window manager map it iconic all the same (it reads the request
        // as it pleases), asking again on the mapped window restores it.
        const pf::WindowState shown =
            mode.stateBefore == pf::WindowState::Maximized ? pf::WindowState::Maximized : pf::WindowState::Normal;
        pf::setWindowState(ids::WindowMain, pf::WindowState::Minimized);
        pf::setWindowState(ids::WindowMain, shown);
        pf::activateWindow(ids::WindowMain);
        for (int i = 0; i < 20 && pf::activeWindow() != ids::WindowMain; ++i) {
            pf::processSystemEvents(50);
            if (pf::getWindowState(ids::WindowMain) == pf::WindowState::Minimized) {
                pf::setWindowState(ids::WindowMain, shown);
                pf::activateWindow(ids::WindowMain);
            }
        }
    }
    pf::removeSysTrayIcon(ids::TrayIcon);
}

void showTrayMenu()
{
    if (pf::isMenu(ids::TrayMenu))
        pf::displayPopupMenu(ids::TrayMenu, ids::WindowMain);
}

} // namespace zarvon::ui
