#include "ui/boot_screen.h"

#include "settings/language.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"
#include "ui/ui_state.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;

namespace {

BootScreenRecord &record() { return uiState().bootScreen; }

} // namespace

const BootScreenRecord &bootScreenRecord() { return record(); }

void showBootScreen()
{
    if (pf::openWindow(ids::WindowBootScreen, 0, 0, 440, 160,
                       settings::languageText("BootScreen", "Démarrage de Zarvon..."),
                       pf::WindowBorderless | pf::WindowInvisible | pf::WindowScreenCentered) < 0)
        return;
    ++record().shown;
    record().mainWindowVisibleAtLastShow = pf::isWindow(ids::WindowMain) && pf::isWindowVisible(ids::WindowMain);
    pf::setWindowPicture(ids::WindowBootScreen, pf::pictureImage(pf::Picture::BootScreen), true);
    pf::showWindow(ids::WindowBootScreen);
    pf::processSystemEvents(0);
    pf::delay(1800);
    pf::closeWindow(ids::WindowBootScreen);
    pf::useGadgetList(ids::WindowMain);
}

} // namespace zarvon::ui
