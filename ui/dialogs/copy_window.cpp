#include "ui/dialogs/copy_window.h"

#include "ui/extraction.h"
#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/platform/requesters.h"
#include "ui/ui_state.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

// Red of the password explanation (0xRRGGBB).
constexpr std::uint32_t kExplanationColour = 0xFB2D32;
constexpr int kMaxPasswordCharacters = 45;

bool openCopyWindowNumber(const std::string &title, int height)
{
    const int parent = dialogParent(ids::WindowAssistant);
    const unsigned flags = pf::WindowInvisible | pf::WindowTool | pf::WindowTopmost | centring(parent);
    return pf::openWindow(ids::WindowCopy, 0, 0, 350, height, title, flags, parent) >= 0;
}

} // namespace

CopyWindowUse copyWindowUse() { return uiState().copyWindowUse; }

bool isPasswordWindowOpen()
{
    return pf::isWindow(ids::WindowCopy) && uiState().copyWindowUse == CopyWindowUse::Password;
}

bool buildCopyWindow()
{
    return buildTransferWindow(CopyWindowUse::Copy, languageText("TxtCopy", "Copier le fichier:"));
}

bool buildTransferWindow(CopyWindowUse use, const std::string &prompt)
{
    const std::string title = use == CopyWindowUse::Move ? languageText("CutZip", "Couper Archive")
                                                         : languageText("WindowCopy", "Copier Archive");
    if (!openCopyWindowNumber(title, 62))
        return false;
    uiState().copyWindowUse = use == CopyWindowUse::Move ? CopyWindowUse::Move : CopyWindowUse::Copy;
    pf::textGadget(ids::TxtCopy, 3, 3, 278, 30, prompt);
    condensed(ids::TxtCopy);
    // 60 wide rather than 90, in the condensed face: the label then ends
    // before the field at 64.
    pf::textGadget(ids::TxtDestination, 3, 40, 60, 20, languageText("TxtDestination", "Destination"));
    condensed(ids::TxtDestination);
    pf::stringGadget(ids::StrCopyDestination, 64, 36, 185, 20, "");
    pf::buttonImageGadget(ids::BtCopyBrowse, 253, 35, 26, 22, pf::pictureImage(pf::Picture::FolderButton));
    pf::buttonGadget(ids::BtCancel3, 286, 7, 60, 20, languageText("BtCancel3", "Annuler"));
    pf::buttonGadget(ids::BtOk, 286, 36, 60, 20, languageText("BtOk", "Ok"), pf::ButtonDefault);
    return true;
}

bool buildRenameWindow(const std::string &prompt, const std::string &baseName, const std::string &extension)
{
    if (!openCopyWindowNumber(languageText("TxtNomFenRenommer", "Renommer Archive"), 62))
        return false;
    uiState().copyWindowUse = CopyWindowUse::Rename;
    pf::textGadget(ids::TxtCopy, 3, 3, 278, 30, prompt);
    condensed(ids::TxtCopy);
    pf::textGadget(ids::TxtDestination, 3, 40, 80, 20, languageText("TxtFileName", "Nom du Fichier"));
    condensed(ids::TxtDestination);
    pf::stringGadget(ids::StrCopyDestination, 85, 35, 170, 20, baseName);
    if (!extension.empty()) {
        // As wide as the extension needs, up to the buttons.
        pf::textGadget(ids::TxtRenameExtension, 258, 38, 26, 20, "." + extension);
        condensed(ids::TxtRenameExtension);
    }
    pf::buttonGadget(ids::BtCancel3, 286, 7, 60, 20, languageText("BtCancel3", "Annuler"));
    pf::buttonGadget(ids::BtOk, 286, 36, 60, 20, languageText("BtOk", "Ok"), pf::ButtonDefault);
    return true;
}

bool buildPasswordWindow(const std::string &destination, PasswordDestination shown)
{
    const bool withDestination = shown != PasswordDestination::None;
    if (!openCopyWindowNumber(languageText("WindowCopyPwd", "Mot de Passe"), withDestination ? 105 : 80))
        return false;
    uiState().copyWindowUse = CopyWindowUse::Password;
    // The frame comes first so that it lies beneath the controls it surrounds.
    pf::frameGadget(ids::TxtFramePwd, 2, 0, 345, 75, languageText("TxtFramePwd", "Mot de passe"));
    const auto &texts = settings::currentBuiltInTexts();
    // Below the frame's top line, which the style draws under its title.
    pf::textGadget(ids::TxtCopy, 8, 20, 268, 26, texts.passwordLine1 + "\r" + texts.passwordLine2);
    pf::setGadgetTextColor(ids::TxtCopy, kExplanationColour);
    pf::setGadgetFont(ids::TxtCopy, "DejaVu Sans Condensed", 7, false);
    pf::textGadget(ids::TxtDestination, 7, 54, 72, 20, languageText("TxtPwd1", "Mot de Passe"));
    condensed(ids::TxtDestination);
    pf::stringGadget(ids::StrCopyDestination, 80, 48, 185, 20, "", pf::StringPassword);
    pf::setGadgetAttribute(ids::StrCopyDestination, pf::GadgetAttribute::StringMaxLength, kMaxPasswordCharacters);
    pf::buttonGadget(ids::BtCancel3, 280, 18, 60, 20, languageText("BtCancel3", "Annuler"));
    pf::buttonGadget(ids::BtOk, 280, 48, 60, 20, languageText("BtOk", "Ok"), pf::ButtonDefault);
    if (!withDestination)
        return true;
    pf::textGadget(ids::TxtPwdDestination, 7, 85, 72, 20, languageText("TxtPwdDestination", "Destination"));
    pf::stringGadget(ids::StrPwdDestination, 80, 80, 185, 20, destination);
    pf::buttonGadget(ids::BtBrowse3, 280, 80, 60, 20, languageText("BtBrowse3", "Parcourir"));
    if (shown == PasswordDestination::Locked) {
        pf::disableGadget(ids::BtBrowse3, true);
        pf::disableGadget(ids::StrPwdDestination, true);
    }
    return true;
}

void browseCopyDestination()
{
    const std::string folder = pf::folderRequester("Destination", homeFolder());
    if (!folder.empty())
        pf::setGadgetText(ids::StrCopyDestination, folder);
}

void cancelCopyWindow()
{
    if (isPasswordWindowOpen()) {
        ui::cancelPasswordWindow();
        return;
    }
    pf::closeWindow(ids::WindowCopy);
}

bool confirmCopyWindowPassword()
{
    if (!isPasswordWindowOpen())
        return false;
    ui::confirmPasswordWindow();
    return true;
}

} // namespace zarvon::ui
