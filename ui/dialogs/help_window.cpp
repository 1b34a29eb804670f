#include "ui/dialogs/help_window.h"

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;

void showHelpWindow()
{
    const int parent = dialogParent(ids::WindowAssistant);
    const unsigned flags =
        pf::WindowCloseBox | pf::WindowSizeable | pf::WindowMaximizeBox | pf::WindowInvisible | centring(parent);
    const std::string title = "Zarvon - " + settings::languageText("MenuHelp2", "Aide");
    if (pf::openWindow(ids::WindowHelp, 0, 0, 620, 520, title, flags, parent) < 0)
        return;
    pf::textBrowserGadget(ids::HelpPage, 0, 0, 620, 520, helpPage(settings::englishLanguageSelected()));
    pf::anchorGadget(ids::HelpPage, true, true, true, true);
    pf::showWindow(ids::WindowHelp);
    pf::activateWindow(ids::WindowHelp);
    pf::setActiveGadget(ids::HelpPage);
}

void closeHelpWindow() { pf::closeWindow(ids::WindowHelp); }

} // namespace zarvon::ui
