#include "ui/dialogs/about_window.h"

#include <array>

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;

namespace {

constexpr std::array<const char *, 3> kThanksFrench = {
    "Merci aux auteurs de zlib et de minizip, qui font la compression,",
    "à ceux de Qt pour l'interface, et à tous ceux qui ont",
    "essayé Zarvon et signalé ses défauts.",
};
constexpr std::array<const char *, 3> kThanksEnglish = {
    "Thanks to the authors of zlib and minizip, who do the compression,",
    "to the Qt authors for the interface, and to everyone who",
    "tried Zarvon and reported its faults.",
};

} // namespace

bool buildAboutWindow()
{
    const int parent = dialogParent(ids::WindowAssistant);
    const unsigned flags =
        pf::WindowCloseBox | pf::WindowInvisible | pf::WindowTool | pf::WindowTopmost | centring(parent);
    // 185 high rather than 175, so that the button at 160 (20 high) is whole.
    if (pf::openWindow(ids::WindowAbout, 0, 0, 405, 185, settings::languageText("WindowAbout", "A propos"), flags,
                       parent) < 0)
        return false;
    const bool english = settings::englishLanguageSelected();
    const auto &credits = settings::builtInTexts(english).aboutCredits;
    pf::imageGadget(ids::ImageAbout, 0, 5, 204, 84, pf::pictureImage(pf::Picture::AboutPicture));
    const std::array<int, 4> lines = {ids::TxtAboutLine1, ids::TxtAboutLine2, ids::TxtAboutLine3, ids::TxtAboutLine4};
    const std::array<int, 4> tops = {10, 26, 42, 59};
    for (std::size_t i = 0; i < lines.size(); ++i)
        pf::textGadget(lines[i], 205, tops[i], 198, 15, credits[i]);
    pf::hyperLinkGadget(ids::LinkMakerSite, 205, 74, 140, 15, kMakerAddress, 0x0000FF);
    const auto &thanks = english ? kThanksEnglish : kThanksFrench;
    const std::array<int, 3> thanksIds = {ids::TxtAboutThanks1, ids::TxtAboutThanks2, ids::TxtAboutThanks3};
    for (std::size_t i = 0; i < thanksIds.size(); ++i)
        pf::textGadget(thanksIds[i], 10, 110 + 15 * static_cast<int>(i), 390, 15, thanks[i]);
    pf::buttonGadget(ids::BtAboutOk, 165, 160, 90, 20, "ok", pf::ButtonDefault);
    return true;
}

void showAboutWindow()
{
    if (!buildAboutWindow())
        return;
    pf::showWindow(ids::WindowAbout);
    pf::activateWindow(ids::WindowAbout);
}

void closeAboutWindow() { pf::closeWindow(ids::WindowAbout); }

void openMakerSite() { pf::openWithDesktop(kMakerAddress); }

} // namespace zarvon::ui
