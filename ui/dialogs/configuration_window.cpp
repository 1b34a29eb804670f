#include "ui/dialogs/configuration_window.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/main_window.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string currentDirectory()
{
    std::error_code error;
    const auto here = std::filesystem::current_path(error);
    return error ? homeFolder() : withSlash(here.string());
}

std::string temporaryFolder()
{
    std::error_code error;
    const auto temp = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp/") : withSlash(temp.string());
}

bool checked(int id) { return pf::getGadgetState(id) != 0; }

void browseInto(int field)
{
    std::string start = pf::getGadgetText(field);
    if (start.empty())
        start = homeFolder();
    const std::string folder =
        pf::folderRequester(languageText("TxtSelectDirectory", "Choisissez un répertoire"), start);
    if (!folder.empty())
        pf::setGadgetText(field, folder);
}

void announceModification()
{
    pf::messageBox("Zarvon", languageText("MsgModif", "Vos modifications seront pris en charge au prochain démarrage"),
                   pf::MessageIcon::Information);
}

} // namespace

bool buildConfigurationWindow()
{
    const int parent = dialogParent(ids::WindowAssistant);
    const unsigned flags = pf::WindowCloseBox | pf::WindowInvisible | pf::WindowTopmost | centring(parent);
    if (pf::openWindow(ids::WindowConfiguration, 0, 0, 290, 310, languageText("WindowConfiguration", "Configuration"),
                       flags, parent) < 0)
        return false;
    pf::buttonGadget(ids::BtConfigOk, 142, 287, 70, 20, languageText("BtConfigOk", "Ok"), pf::ButtonDefault);
    pf::buttonGadget(ids::BtConfigCancel, 218, 287, 70, 20, languageText("BtConfigCancel", "Annuler"));
    pf::panelGadget(ids::PanelConfig, 3, 1, 285, 285);

    pf::addGadgetItem(ids::PanelConfig, -1, languageText("TxtConfigGeneral", "Général"));
    pf::frameGadget(ids::TxtFrameView, 10, 10, 260, 100, languageText("TxtFrameView", "View"));
    pf::checkBoxGadget(ids::ChkBoxActivAssist, 25, 28, 240, 20,
                       languageText("ChkBoxActivAssist", "Activer l'assistant au démarrge"));
    pf::checkBoxGadget(ids::ChkBoxVisibleWin, 25, 53, 240, 20,
                       languageText("ChkBoxVisibleWin", "Fenetre toujours visible"));
    pf::checkBoxGadget(ids::ChkBoxActivateSound, 25, 77, 240, 20, languageText("ChkBoxActivateSound", "Activer son"));
    // From 136 rather than 140 (same bottom): the frame's line under its title
    // would touch the first box's square.
    pf::frameGadget(ids::TxtFrameWindow, 10, 136, 260, 99, languageText("TxtFrameWindow", "Fenêtre"));
    pf::checkBoxGadget(ids::ChkBoxHistory, 25, 153, 240, 25, languageText("ChkBoxHistory", "Historique des archives"));
    pf::checkBoxGadget(ids::ChkBoxMultitask, 25, 180, 240, 25, languageText("ChkBoxMultitask", "Multitâches"));
    pf::checkBoxGadget(ids::ChkBoxViewBtTxt, 25, 208, 240, 20,
                       languageText("ChkBoxViewBtTxt", "Afficher le texte des boutons"));
    pf::closeGadgetList();

    pf::addGadgetItem(ids::PanelConfig, -1, languageText("TxtCompression&Integration", "Compression et Integration"));
    pf::frameGadget(ids::TxtFrameDefaultZip, 5, 15, 270, 60,
                    languageText("TxtFrameDefaultZip", "Dossier archive par défaut"));
    pf::stringGadget(ids::StrDefaultArchiveFolder, 10, 40, 190, 20, "");
    pf::buttonGadget(ids::BtBrowse1Archive, 205, 40, 65, 20, languageText("BtBrowse1", "Parcourir"));
    pf::frameGadget(ids::TxtFrameDefaultExtractFolder, 5, 85, 270, 59,
                    languageText("TxtFrameDefaultExtractFolder", "Dossier Fichiers extraits par défaut"));
    pf::stringGadget(ids::StrDefaultExtractFolder, 10, 108, 190, 20, "");
    pf::buttonGadget(ids::BtBrowse1Extract, 205, 108, 65, 20, languageText("BtBrowse1", "Parcourir"));
    pf::frameGadget(ids::TxtFrameIntegration, 5, 155, 270, 101,
                    languageText("TxtFrameIntegration", "Intégration à l'environnement"));
    pf::checkBoxGadget(ids::ChkBoxZip, 20, 180, 60, 20, languageText("ChkBoxZip", "Zip"));
    pf::checkBoxGadget(ids::ChkBoxRar, 90, 180, 60, 20, "Rar");
    pf::disableGadget(ids::ChkBoxRar, true);
    pf::checkBoxGadget(ids::ChkBoxIntegration, 20, 200, 250, 25,
                       languageText("ChkBoxIntegration", "Intégrer Zarvon dans l'environnement"));
    pf::checkBoxGadget(ids::ChkBoxShortcut, 20, 225, 250, 25,
                       languageText("ChkBoxShortcut", "Créer un racourcis sur le bureau"));
    pf::closeGadgetList();
    pf::setGadgetState(ids::PanelConfig, 0);

    // The built-in states, kept when no configuration file exists.
    pf::setGadgetState(ids::ChkBoxVisibleWin, 1);
    pf::setGadgetState(ids::ChkBoxActivateSound, 1);
    pf::setGadgetState(ids::ChkBoxHistory, 1);
    pf::setGadgetState(ids::ChkBoxMultitask, 1);

    if (const auto values = settings::loadConfigurationSettings()) {
        fillConfigurationWindow(*values);
    } else {
        pf::setGadgetText(ids::StrDefaultArchiveFolder, currentDirectory());
        pf::setGadgetText(ids::StrDefaultExtractFolder, temporaryFolder());
    }
    // The box shows what is in force: a saved "1" alone never put the main
    // window on top, so while that window exists its own state wins.
    if (pf::isWindow(ids::WindowMain))
        pf::setGadgetState(ids::ChkBoxVisibleWin, pf::isWindowTopmost(ids::WindowMain) ? 1 : 0);
    return true;
}

void showConfigurationWindow(bool activate)
{
    if (!buildConfigurationWindow())
        return;
    pf::showWindow(ids::WindowConfiguration);
    if (activate)
        pf::activateWindow(ids::WindowConfiguration);
}

settings::ConfigurationSettings readConfigurationWindow()
{
    settings::ConfigurationSettings values;
    values.assistantState = checked(ids::ChkBoxActivAssist);
    values.visibleWindow = checked(ids::ChkBoxVisibleWin);
    values.activateSound = checked(ids::ChkBoxActivateSound);
    values.history = checked(ids::ChkBoxHistory);
    values.multitaskWindow = checked(ids::ChkBoxMultitask);
    values.showTextButton = checked(ids::ChkBoxViewBtTxt);
    values.defaultArchiveFolder = pf::getGadgetText(ids::StrDefaultArchiveFolder);
    values.defaultArchiveExtractionFolder = pf::getGadgetText(ids::StrDefaultExtractFolder);
    values.zipType = checked(ids::ChkBoxZip);
    values.integration = checked(ids::ChkBoxIntegration);
    values.desktopShortcut = checked(ids::ChkBoxShortcut);
    values.lastOpenPanel = std::max(0, pf::getGadgetState(ids::PanelConfig));
    return values;
}

void fillConfigurationWindow(const settings::ConfigurationSettings &values)
{
    pf::setGadgetState(ids::ChkBoxActivAssist, values.assistantState);
    pf::setGadgetState(ids::ChkBoxVisibleWin, values.visibleWindow);
    pf::setGadgetState(ids::ChkBoxActivateSound, values.activateSound);
    pf::setGadgetState(ids::ChkBoxHistory, values.history);
    pf::setGadgetState(ids::ChkBoxMultitask, values.multitaskWindow);
    pf::setGadgetState(ids::ChkBoxViewBtTxt, values.showTextButton);
    pf::setGadgetText(ids::StrDefaultArchiveFolder, values.defaultArchiveFolder);
    pf::setGadgetText(ids::StrDefaultExtractFolder, values.defaultArchiveExtractionFolder);
    pf::setGadgetState(ids::ChkBoxZip, values.zipType);
    pf::setGadgetState(ids::ChkBoxIntegration, values.integration);
    pf::setGadgetState(ids::ChkBoxShortcut, values.desktopShortcut);
    pf::setGadgetState(ids::PanelConfig, values.lastOpenPanel == 1 ? 1 : 0);
}

void recreateSettingsFile()
{
    settings::writeDefaultSettings();
    settings::saveConfigurationSettings(readConfigurationWindow());
    // Without a main window there is no state to store; zeros would shrink
    // the next start's window to nothing.
    saveMainWindowState();
}

void confirmConfigurationWindow()
{
    if (!pf::isWindow(ids::WindowConfiguration))
        return;
    if (!settings::settingsFileOpens())
        recreateSettingsFile();
    else
        settings::saveConfigurationSettings(readConfigurationWindow());
    pf::closeWindow(ids::WindowConfiguration);
}

void cancelConfigurationWindow()
{
    if (!pf::isWindow(ids::WindowConfiguration))
        return;
    if (!settings::settingsFileOpens())
        recreateSettingsFile();
    pf::closeWindow(ids::WindowConfiguration);
}

void browseDefaultArchiveFolder() { browseInto(ids::StrDefaultArchiveFolder); }
void browseDefaultExtractFolder() { browseInto(ids::StrDefaultExtractFolder); }

void applyVisibleWindowBox()
{
    if (pf::isWindow(ids::WindowMain))
        pf::setWindowTopmost(ids::WindowMain, checked(ids::ChkBoxVisibleWin));
    pf::setWindowTopmost(ids::WindowConfiguration, true);
    // Changing the main window's flag shows it again, raised and active, over
    // the configuration window the user is working in: bring that one back.
    if (pf::isWindowVisible(ids::WindowConfiguration))
        pf::activateWindow(ids::WindowConfiguration);
}

void applyHistoryBox()
{
    if (!checked(ids::ChkBoxHistory))
        return;
    recreateSettingsFile();
    announceModification();
}

void applyShowTextButtonBox()
{
    recreateSettingsFile();
    if (checked(ids::ChkBoxViewBtTxt))
        announceModification();
}

} // namespace zarvon::ui
