#include "ui/dialogs/compression_window.h"

#include <cstring>
#include <filesystem>
#include <system_error>

#include "ui/compression.h"
#include "settings/language.h"
#include "settings/setting_keys.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

void passwordField(int id, int x, int y, const std::string &text, bool masked)
{
    pf::stringGadget(id, x, y, 160, 20, text, masked ? pf::StringPassword : 0u);
    pf::setGadgetAttribute(id, pf::GadgetAttribute::StringMaxLength, static_cast<int>(operations::kMaxPasswordBytes));
}

} // namespace

bool buildCompressionWindow()
{
    const int parent = dialogParent(ids::WindowAssistant);
    const unsigned flags =
        pf::WindowCloseBox | pf::WindowInvisible | pf::WindowTool | pf::WindowTopmost | centring(parent);
    if (pf::openWindow(ids::WindowCompression, 0, 0, 360, 415,
                       languageText("WindowCompression", "Ajouter les fichiers"), flags, parent) < 0)
        return false;
    pf::containerGadget(ids::ContainerCompress, 5, 5, 350, 408);
    pf::frameGadget(ids::TxtFrameZipCreate, 5, 10, 335, 85, languageText("TxtFrameZipCreate", "Création de l'archive"));
    // Captions are as wide as the room before their field allows, in the
    // condensed face where that room is short.
    pf::textGadget(ids::TxtZipName, 10, 35, 84, 15, languageText("TxtZipName", "Nom de l'archive"));
    condensed(ids::TxtZipName);
    pf::stringGadget(ids::StrZipName, 95, 30, 210, 20, "");
    pf::setGadgetAttribute(ids::StrZipName, pf::GadgetAttribute::StringMaxLength,
                           static_cast<int>(operations::kMaxArchiveNameBytes));
    pf::textGadget(ids::TxtLocation, 10, 70, 84, 15, languageText("TxtLocation", "Emplacement"));
    pf::stringGadget(ids::StrLocation, 95, 65, 210, 20, "");
    pf::buttonGadget(ids::BtBrowseLocation, 310, 65, 25, 20, "...");

    pf::frameGadget(ids::TxtFrameCompressOpt, 5, 115, 335, 85,
                    languageText("TxtFrameCompressOpt", "Options de Compression"));
    pf::textGadget(ids::TxtArchiveFormat, 15, 140, 200, 15, languageText("TxtArchiveFormat", "Format de l'archive"));
    pf::comboBoxGadget(ids::ComboArchiveFormat, 220, 135, 105, 20);
    for (const char *format : {".zip", ".7z", ".tar.gz", ".tar.xz", ".tar.zst", ".tar.bz2"})
        pf::addGadgetItem(ids::ComboArchiveFormat, -1, format);
    pf::setGadgetState(ids::ComboArchiveFormat, 0);
    pf::textGadget(ids::TxtCompressType, 15, 175, 200, 15, languageText("TxtCompressType", "Type de compresssion"));
    pf::comboBoxGadget(ids::ComboCompressType, 220, 170, 105, 20);
    pf::addGadgetItem(ids::ComboCompressType, -1, languageText("TxtNormalCombo", "Normal"));
    pf::addGadgetItem(ids::ComboCompressType, -1, languageText("TxtDeflateCombo", "Deflate"));
    pf::setGadgetState(ids::ComboCompressType, operations::CompressionTypeDeflate);

    pf::frameGadget(ids::TxtPwd, 5, 215, 335, 165, languageText("TxtPwd", "Mot de  Passe"));
    pf::textGadget(ids::TxtEnterPwd, 20, 239, 142, 15, languageText("TxtEnterPwd", "Entrer le mot de passe"));
    condensed(ids::TxtEnterPwd);
    passwordField(ids::StrPassword, 165, 235, "", true);
    pf::textGadget(ids::TxtConfirmPwd, 20, 270, 142, 15, languageText("TxtConfirmPwd", "Confirmer le mot de passe"));
    condensed(ids::TxtConfirmPwd);
    passwordField(ids::StrConfirmPassword, 165, 265, "", true);
    // How the password protects the files: the traditional cipher every
    // reader opens, or AES-256; the choice is kept from one run to the next.
    pf::textGadget(ids::TxtEncryption, 20, 300, 85, 15, languageText("TxtEncryption", "Chiffrement"));
    condensed(ids::TxtEncryption);
    pf::comboBoxGadget(ids::ComboEncryption, 110, 295, 215, 20);
    pf::addGadgetItem(ids::ComboEncryption, -1, languageText("TxtEncryptionZip20", "ZIP 2.0 (lisible partout)"));
    pf::addGadgetItem(ids::ComboEncryption, -1, languageText("TxtEncryptionAes256", "AES-256 (fort)"));
    pf::setGadgetState(ids::ComboEncryption, settings::settingIs(settings::kZipEncryption, "1") ? 1 : 0);
    pf::checkBoxGadget(ids::TxtShowPwd, 20, 330, 220, 15, languageText("TxtShowPwd", "Afficher le mot de Passe"));
    pf::checkBoxGadget(ids::TxtEncryptFileName, 20, 355, 220, 15,
                       languageText("TxtEncryptFileName", "Crypter le nom des fichiers"));
    pf::disableGadget(ids::TxtEncryptFileName, true);
    pf::checkBoxGadget(ids::ChkKeepFullPaths, 10, 387, 200, 16,
                       languageText("ChkKeepFullPaths", "Garder les chemins complets"));
    condensed(ids::ChkKeepFullPaths);
    pf::buttonGadget(ids::BtCompressOk, 215, 385, 60, 20, languageText("BtCompressOk", "Ok"), pf::ButtonDefault);
    pf::buttonGadget(ids::BtCancelCompress, 280, 385, 60, 20, languageText("BtCancelCompress", "Annuler"));
    pf::closeGadgetList();
    return true;
}

void browseCompressionLocation()
{
    if (!pf::isWindow(ids::WindowCompression))
        return;
    std::string start = pf::getGadgetText(ids::StrLocation);
    if (start.empty())
        start = homeFolder();
    const std::string folder =
        pf::folderRequester(languageText("TxtSelectDirectory", "Choisissez un répertoire"), start, true);
    if (folder.empty())
        return;
    // A folder named in the requester that is not there yet is made now, so
    // the location shown is one the archive can be written to.
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder)) {
        std::string text = languageText("MsgFolderNotMade", "Impossible de créer ce dossier :") + "\r" + folder;
        if (error)
            text += "\r" + std::string(std::strerror(error.value()));
        pf::messageBox("Zarvon", text, pf::MessageIcon::Error);
        return;
    }
    pf::setGadgetText(ids::StrLocation, folder);
}

void applyShowPasswords()
{
    if (!pf::isWindow(ids::WindowCompression))
        return;
    const bool clear = pf::getGadgetState(ids::TxtShowPwd) != 0;
    const std::string password = pf::getGadgetText(ids::StrPassword);
    const std::string confirmation = pf::getGadgetText(ids::StrConfirmPassword);
    pf::openGadgetList(ids::ContainerCompress);
    passwordField(ids::StrPassword, 165, 235, password, !clear);
    passwordField(ids::StrConfirmPassword, 165, 265, confirmation, !clear);
    pf::closeGadgetList();
}

void closeCompressionWindow() { pf::closeWindow(ids::WindowCompression); }

} // namespace zarvon::ui
