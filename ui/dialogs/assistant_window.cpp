#include "ui/dialogs/assistant_window.h"

#include <regex>

#include "settings/language.h"
#include "ui/dialogs/dialog_common.h"

namespace zarvon::ui {

namespace pf = zarvon::platform;
using settings::languageText;

namespace {

// Every control a page may create; the others stay for the window's life.
constexpr int kPageControls[] = {
    ids::AssistText2,           ids::AssistText3,       ids::AssistText4,          ids::TxtOperations2Proceed,
    ids::ChkCompress,           ids::ChkDecompress,     ids::TxtArchivNameEx,      ids::StrAssistArchiveName,
    ids::AssistBtSaveArchive,   ids::TxtListIconAssist, ids::TxtFileToUnZip,       ids::StrAssistSourceArchive,
    ids::AssistBtSelectArchive, ids::TxtExtractTo,      ids::StrAssistDestination, ids::AssistBtSelectFolder,
};

std::string welcomeText2()
{
    return languageText("AssistText2", "cet assistant vous permettra d'automatiser certaines tâches  concernant la "
                                       "compression et l'extracion des fichiers.");
}

// The feature list: its items are separated by long runs of blanks, meant to
// wrap onto lines of their own; they are broken there explicitly.
std::string featureList()
{
    const std::string text = languageText(
        "AssistText3",
        "-L'accès aux fichiers Zip                                                              "
        "-Compression de fichiers(Par mot de Passe)                            -Décompression des fichiers");
    return std::regex_replace(text, std::regex(" {3,}"), "\n");
}

void compact(int id) { pf::setGadgetFont(id, "DejaVu Sans Condensed", 0, false); }

} // namespace

bool buildAssistantWindow()
{
    const unsigned flags = pf::WindowCloseBox | pf::WindowInvisible | pf::WindowScreenCentered;
    if (pf::openWindow(ids::WindowAssistant, 0, 0, 400, 278, languageText("WindowAssistant", "Assistant Zarvon"),
                       flags) < 0)
        return false;
    // 24 high from 8 rather than 20 from 12: the bold 12-point line needs it.
    pf::textGadget(ids::AssistText1, 12, 8, 375, 24, languageText("AssistText1", "Bienvenue dans l'Assistant Zarvon !"),
                   pf::FontBold);
    pf::setGadgetFont(ids::AssistText1, "Arial", 12, true);
    // The frame first, so that it lies beneath the buttons it surrounds.
    pf::frameGadget(ids::BtTextOptions, 5, 180, 390, 55, languageText("BtTextOptions", "Options"));
    pf::buttonGadget(ids::BtTextZarvon, 15, 200, 90, 20, languageText("BtTextZarvon", "Zarvon"));
    pf::setGadgetBalloonToolTip(
        ids::BtTextZarvon, languageText("InfoBulleAssistantOpenAplli", "Cliquer ici pour démarrer Zarvon"), "Zarvon");
    pf::buttonGadget(ids::BtTextConfiguration, 111, 200, 90, 20, languageText("BtTextConfiguration", "Configuration"));
    pf::setGadgetBalloonToolTip(ids::BtTextConfiguration,
                                languageText("InfoBulleAssistantOpenConfig", "Cliquer ici pour Configurer Zarvon"),
                                "Zarvon");
    pf::buttonGadget(ids::BtTextPrevious, 208, 200, 90, 20, languageText("BtTextPrevious", "Précédent"));
    pf::buttonGadget(ids::BtTextNext, 304, 200, 85, 20, languageText("BtTextNext", "Suivant"), pf::ButtonDefault);
    pf::buttonGadget(ids::BtTextHelp, 15, 245, 105, 20, languageText("BtTextHelp", "Aide"));
    pf::buttonGadget(ids::BtTextAbout, 155, 245, 100, 20, languageText("BtTextAbout", "A Propos"));
    pf::buttonGadget(ids::BtTextClose, 295, 245, 90, 20, languageText("BtTextClose", "Fermer"));
    arrangeAssistantPage(AssistantPage::Welcome);
    return true;
}

void showAssistantFinish(bool finish)
{
    pf::setGadgetText(ids::BtTextNext,
                      finish ? languageText("BtFinish", "Terminer") : languageText("BtTextNext", "Suivant"));
}

std::string assistantPageTitle(AssistantPage page)
{
    switch (page) {
    case AssistantPage::Welcome: return languageText("WindowAssistant", "Assistant Zarvon");
    case AssistantPage::ChooseOperation: return languageText("WindowSelectOperations", "Choisir une opération");
    case AssistantPage::ArchiveName: return languageText("WindowSelectFile", "Sélection des fichiers");
    case AssistantPage::FilesToCompress: return languageText("WindowFilesToZip", "Fichiers à compresser");
    case AssistantPage::Extraction: return languageText("TxtWindowExtract", "Extraction des fichiers");
    }
    return {};
}

void arrangeAssistantPage(AssistantPage page)
{
    if (!pf::isWindow(ids::WindowAssistant))
        return;
    for (int id : kPageControls)
        if (pf::isGadget(id))
            pf::freeGadget(id);
    pf::useGadgetList(ids::WindowAssistant);
    switch (page) {
    case AssistantPage::Welcome:
    case AssistantPage::ChooseOperation:
        pf::textGadget(ids::AssistText2, 20, 44, 360, 36, welcomeText2());
        pf::textGadget(ids::AssistText3, 20, 84, 360, 50, featureList());
        compact(ids::AssistText3);
        if (page == AssistantPage::Welcome) {
            pf::textGadget(ids::AssistText4, 20, 138, 360, 36,
                           languageText("AssistText4", "Possibilité de modifier les options de configuration du "
                                                       "logiciel en passant par le bouton Configuration"));
        } else {
            pf::textGadget(ids::TxtOperations2Proceed, 60, 136, 280, 18,
                           languageText("TxtOperations2Proceed", "Veuillez choisir une option SVP !"), pf::TextCenter);
            pf::optionGadget(ids::ChkCompress, 50, 155, 120, 20, languageText("ChkCompress", "compresser"));
            pf::optionGadget(ids::ChkDecompress, 260, 155, 120, 20, languageText("ChkDecompress", "Décompresser"));
        }
        break;
    case AssistantPage::ArchiveName:
        pf::textGadget(ids::TxtArchivNameEx, 33, 115, 265, 18,
                       languageText("TxtArchivNameEx", "Nom de l'archive (Ex :''C:\\Archive.zip'')"));
        compact(ids::TxtArchivNameEx);
        pf::buttonGadget(ids::AssistBtSaveArchive, 302, 111, 65, 22, languageText("BtBrowse3", "Parcourir"));
        pf::stringGadget(ids::StrAssistArchiveName, 32, 135, 335, 20, "");
        break;
    case AssistantPage::FilesToCompress:
        pf::textGadget(ids::AssistText2, 19, 34, 360, 30, welcomeText2());
        compact(ids::AssistText2);
        {
            const std::string header = languageText("TxtListIconAssist", "Liste des Fichiers à archiver");
            // A click takes a row out of what is compressed or puts it back.
            pf::listIconGadget(ids::TxtListIconAssist, 10, 65, 380, 107, header, 376,
                               pf::ListToggleSelect | pf::ListFullRowSelect);
        }
        break;
    case AssistantPage::Extraction:
        pf::textGadget(ids::TxtFileToUnZip, 25, 88, 300, 18, languageText("TxtFileToUnZip", "Archive à décompresser:"));
        pf::stringGadget(ids::StrAssistSourceArchive, 25, 105, 335, 20, "");
        pf::buttonGadget(ids::AssistBtSelectArchive, 365, 105, 30, 20, "...");
        pf::textGadget(ids::TxtExtractTo, 25, 137, 300, 18,
                       languageText("TxtExtractTo", "Extraire les fichiers vers:"));
        pf::stringGadget(ids::StrAssistDestination, 25, 155, 335, 20, "");
        pf::buttonGadget(ids::AssistBtSelectFolder, 365, 155, 30, 20, "...");
        break;
    }
    pf::setWindowTitle(ids::WindowAssistant, assistantPageTitle(page));
    showAssistantFinish(page == AssistantPage::FilesToCompress);
}

} // namespace zarvon::ui
