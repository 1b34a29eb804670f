#include "ui/assistant.h"

#include <filesystem>
#include <string>
#include <vector>

#include "settings/language.h"
#include "ui/compression.h"
#include "ui/dialogs/about_window.h"
#include "ui/dialogs/add_files_window.h"
#include "ui/dialogs/configuration_window.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/explorer_selection.h"
#include "ui/extraction.h"
#include "ui/main_window.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"
#include "ui/progress.h"
#include "ui/ui_state.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

AssistantState &assistant() { return uiState().assistant; }

// The file-type filter of the assistant's file requesters.
const char *const kFilePattern = "Tous les fichiers (*.*)|*";

void errorMessage(const std::string &text, const std::string &caption = "Zarvon")
{
    pf::messageBox(caption, text, pf::MessageIcon::Error);
}

void goTo(AssistantPage page)
{
    assistant().page = page;
    arrangeAssistantPage(page);
    // The page's field is where the user types next.
    if (page == AssistantPage::ArchiveName)
        pf::setActiveGadget(ids::StrAssistArchiveName);
}

void openAddFilesWindow()
{
    if (!pf::isWindow(ids::WindowAddFiles) && !buildAddFilesWindow())
        return;
    pf::showWindow(ids::WindowAddFiles);
    pf::activateWindow(ids::WindowAddFiles);
}

bool bothExtractionFieldsFilled()
{
    return !pf::getGadgetText(ids::StrAssistSourceArchive).empty() &&
           !pf::getGadgetText(ids::StrAssistDestination).empty();
}

// The rows of the list left chosen: what the run compresses.
std::vector<std::string> chosenRows()
{
    std::vector<std::string> paths;
    for (int row = 0; row < pf::countGadgetItems(ids::TxtListIconAssist); ++row)
        if (pf::getGadgetItemState(ids::TxtListIconAssist, row) & pf::ItemSelected)
            paths.push_back(pf::getGadgetItemText(ids::TxtListIconAssist, row));
    return paths;
}

void compressionRun()
{
    const std::vector<std::string> paths = chosenRows();
    if (paths.empty()) {
        // Nothing added, or every row taken out: say so, keep the page as it
        // is, and offer the add-files window again when there is nothing.
        errorMessage(languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"));
        if (pf::countGadgetItems(ids::TxtListIconAssist) == 0)
            openAddFilesWindow();
        return;
    }
    pf::setWindowTitle(ids::WindowAssistant, languageText("TxtTitle1", "Compression en cours ..."));
    openProgressWindow(100);
    const CompressionOutcome outcome = assistantCompress(assistant().archivePath, paths);
    closeProgressWindow();
    if (outcome != CompressionOutcome::Written) {
        // The run said why in a message; the page stays, so the list need
        // not be made again.
        pf::setWindowTitle(ids::WindowAssistant, assistantPageTitle(AssistantPage::FilesToCompress));
        return;
    }
    pf::closeWindow(ids::WindowAddFiles);
    openAssistant();
}

void extractionRun()
{
    const std::string archive = pf::getGadgetText(ids::StrAssistSourceArchive);
    const std::string destination = pf::getGadgetText(ids::StrAssistDestination);
    if (archive.empty() || destination.empty()) {
        errorMessage(languageText("MsgAssist1", "Sélectionnez une archive et son dossier d'extraction !"),
                     "Assistant Zarvon");
        return;
    }
    goTo(AssistantPage::Welcome);
    // Back on the welcome page after a run, Next has a text of its own.
    pf::setGadgetText(ids::BtTextNext, languageText("BoutonTexteSuivant", "Suivant"));
    extractArchiveTo(archive, destination);
}

void next()
{
    switch (assistant().page) {
    case AssistantPage::Welcome: goTo(AssistantPage::ChooseOperation); break;
    case AssistantPage::ChooseOperation:
        if (pf::getGadgetState(ids::ChkCompress) == 1)
            goTo(AssistantPage::ArchiveName);
        else if (pf::getGadgetState(ids::ChkDecompress) == 1)
            goTo(AssistantPage::Extraction);
        else
            errorMessage(languageText("MsgInfoNoOption", "Veuillez sélectionnez une option SVP !"));
        break;
    case AssistantPage::ArchiveName: {
        const std::string path = pf::getGadgetText(ids::StrAssistArchiveName);
        if (path.empty())
            return;
        // A relative name would land wherever the program was started.
        if (!std::filesystem::path(path).is_absolute()) {
            errorMessage(languageText("MsgChkIfExist", "Vérifier le nom et la destination de l'archive !"));
            return;
        }
        assistant().archivePath = path;
        goTo(AssistantPage::FilesToCompress);
        openAddFilesWindow();
        break;
    }
    case AssistantPage::FilesToCompress: compressionRun(); break;
    case AssistantPage::Extraction:
        if (bothExtractionFieldsFilled())
            extractionRun();
        break;
    }
}

void previous()
{
    switch (assistant().page) {
    case AssistantPage::Welcome: break;
    case AssistantPage::ChooseOperation: goTo(AssistantPage::Welcome); break;
    case AssistantPage::ArchiveName: goTo(AssistantPage::ChooseOperation); break;
    case AssistantPage::FilesToCompress: goTo(AssistantPage::ArchiveName); break;
    case AssistantPage::Extraction: goTo(AssistantPage::ChooseOperation); break;
    }
}

void chooseArchiveName()
{
    if (assistant().page != AssistantPage::ArchiveName)
        return;
    const std::string path = pf::saveFileRequester(languageText("ArchivSave", "Enregistrer l'archive"),
                                                   homeFolder() + "Archive.zip", kFilePattern, 0);
    if (!path.empty())
        pf::setGadgetText(ids::StrAssistArchiveName, path);
}

void chooseSourceArchive()
{
    if (assistant().page != AssistantPage::Extraction)
        return;
    const std::string path =
        pf::openFileRequester(languageText("DefaultZip", "Sélectionner l'archive"), homeFolder(), kFilePattern, 0);
    if (!path.empty())
        pf::setGadgetText(ids::StrAssistSourceArchive, path);
    if (bothExtractionFieldsFilled())
        showAssistantFinish(true);
}

void chooseDestination()
{
    if (assistant().page != AssistantPage::Extraction)
        return;
    const std::string folder =
        pf::folderRequester(languageText("TxtSelectDirectory", "Choisissez un répertoire"), homeFolder());
    if (!folder.empty())
        pf::setGadgetText(ids::StrAssistDestination, folder);
    if (bothExtractionFieldsFilled())
        showAssistantFinish(true);
}

void addFiles()
{
    if (!pf::isWindow(ids::WindowAddFiles))
        return;
    std::vector<ExplorerItem> items;
    for (ExplorerItem &item : selectedExplorerItems(ids::ExplorerAddFiles))
        if (item.name != ".." && !item.name.empty())
            items.push_back(std::move(item));
    if (items.empty()) {
        errorMessage(languageText("MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"));
        return;
    }
    if (!pf::isGadget(ids::TxtListIconAssist))
        return;
    // Added items join those already listed, each once, chosen; the list
    // stays enabled, so any row can be taken out again with a click.
    for (const ExplorerItem &item : items) {
        std::string path = item.path;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        int row = 0;
        const int count = pf::countGadgetItems(ids::TxtListIconAssist);
        while (row < count && pf::getGadgetItemText(ids::TxtListIconAssist, row) != path)
            ++row;
        if (row == count)
            pf::addGadgetItem(ids::TxtListIconAssist, -1, path);
        pf::setGadgetItemState(ids::TxtListIconAssist, row, pf::ItemSelected);
    }
    pf::hideWindow(ids::WindowAddFiles);
}

void cancelAddFiles()
{
    pf::closeWindow(ids::WindowAddFiles);
    openAssistant();
}

void showMainWindowInstead()
{
    const bool existed = mainWindowExists();
    // Built as a start without the assistant would build it: its form and
    // its saved place and size.
    if (!existed) {
        if (!buildConfiguredMainWindow(true))
            return;
        applyViewMenuState();
    }
    pf::showWindow(ids::WindowMain);
    pf::hideWindow(ids::WindowAssistant);
    pf::closeWindow(ids::WindowAddFiles);
    pf::activateWindow(ids::WindowMain);
}

} // namespace

void openAssistant()
{
    assistant() = AssistantState{};
    if (!buildAssistantWindow())
        return;
    pf::showWindow(ids::WindowAssistant);
    pf::activateWindow(ids::WindowAssistant);
}

void openAssistantFromMainWindow()
{
    if (pf::isWindow(ids::WindowMain))
        pf::hideWindow(ids::WindowMain);
    openAssistant();
}

bool assistantExists() { return pf::isWindow(ids::WindowAssistant); }

void showAssistantExtractionOf(const std::string &archivePath)
{
    if (!assistantExists())
        return;
    pf::setGadgetState(ids::ChkDecompress, 1);
    goTo(AssistantPage::Extraction);
    pf::setGadgetText(ids::StrAssistSourceArchive, archivePath);
}

AssistantPage assistantPage() { return assistantExists() ? assistant().page : AssistantPage::Welcome; }

bool closeAssistant()
{
    if (!mainWindowExists())
        return false;
    pf::closeWindow(ids::WindowAddFiles);
    pf::closeWindow(ids::WindowAssistant);
    pf::showWindow(ids::WindowMain);
    pf::activateWindow(ids::WindowMain);
    return true;
}

void assistantButton(int id)
{
    switch (id) {
    case ids::BtTextAbout: showAboutWindow(); break;
    case ids::BtTextZarvon: showMainWindowInstead(); break;
    case ids::BtTextConfiguration: showConfigurationWindow(false); break;
    case ids::BtTextPrevious: previous(); break;
    case ids::BtTextNext: next(); break;
    case ids::AssistBtSaveArchive: chooseArchiveName(); break;
    case ids::AssistBtSelectArchive: chooseSourceArchive(); break;
    case ids::AssistBtSelectFolder: chooseDestination(); break;
    case ids::BtAdd: addFiles(); break;
    case ids::BtCancel2: cancelAddFiles(); break;
    default: break;
    }
}

} // namespace zarvon::ui
