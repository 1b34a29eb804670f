// The shipped language files: every key the program asks for is in both,
// and the window titles the program recognises are exactly right.
#include <map>
#include <set>

#include "settings/language.h"
#include "settings_test_support.h"

namespace zarvon::settings {
namespace {

struct KeyDefault {
    const char *key;
    const char *frenchDefault;
};

// Every key the program looks up, with its built-in French text; a key the
// program uses at two places with two texts is listed twice.
const KeyDefault programKeys[] = {
    {"MenuFile", "Fichier"},
    {"MenuOpenZip", "Ouvrir Archive"},
    {"MenuCopyZip", "Copier Archive"},
    {"MenuCutZip", "Couper Archive"},
    {"MenuRenameZip", "Renommer Archive"},
    {"MenuSelectAll", "Sélectionner tout     \tCtrl+A"},
    {"MenuDelete", "Supprimer"},
    {"MenuInfoZip", "Propriétés de l'archive"},
    {"MenuRecentsFiles", "Fichiers Récents"},
    {"MenuQuit", "Quitter"},
    {"MenuView", "Afficher"},
    {"MenuToolBar", "ToolBar"},
    {"MenuStatusBar", "StatusBar"},
    {"MenuViewType", "Affichage"},
    {"MenuDefaultView", "Affichage par défaut"},
    {"MenuLargeIcon", "Affichage grande icône"},
    {"MenuSmallIcon", "Affichage petite icône"},
    {"MenuList", "ListView"},
    {"MenuLanguage", "Langue"},
    {"MenuFrench", "Francais"},
    {"MenuEnglish", "Anglais"},
    {"MenuCommandes", "Commandes"},
    {"MenuAddToZip", "Compresser"},
    {"MenuExtractZip", "Extraire Archive"},
    {"MenuTestZip", "Tester Archive"},
    {"MenuAssistant", "Assistant"},
    {"MenuOptions", "Options"},
    {"MenuConfiguration", "Configuration"},
    {"MenuEdit", "Editer le fichier de Configuration"},
    {"MenuSystray", "Réduire dans la zone système"},
    {"MenuBootScreen", "Afficher l'ecran de démarrage"},
    {"MenuHelp", "Aide"},
    {"MenuHelp2", "Aide"},
    {"MenuAbout", "A Propos"},
    {"RestoreApp", "Agrandir Zarvon"},
    {"QuitApp", "Fermer Zarvon"},
    {"MsgNoSystray", "Aucune zone de notification n'est disponible : Zarvon est réduit dans la barre des tâches."},
    {"CompressTextBt", "Compresser"},
    {"ExtractTextBt", "Extraire"},
    {"ChkTextBt", "Vérifier"},
    {"InfoTextBt", "Info Zip"},
    {"ConfigurationTextBt", "Configuration"},
    {"AssistantTextBt", "Assistant"},
    {"DeleteTextBt", "Supprimer"},
    {"AideTextBt", "Aide"},
    {"InfoBulleCompress", "Ajouter les fichiers à l'archive"},
    {"InfoBulleExtract", "Extraire une archive"},
    {"InfoBulleChk", "Verifier le Zip"},
    {"InfoBulleZipInfo", "Informations sur l'archive"},
    {"InfoBulleConfiguration", "Paramètres"},
    {"InfoBulleAssistant", "Assistant"},
    {"InfoBulleDelete", "Supprimer"},
    {"InfoBulleHelp", "Aide"},
    {"ListIconGadgetTitle", "Fichiers contenus dans l'archive"},
    {"Titre ListIconGadget", "Fichiers contenus dans l'archive"},
    {"OpenZipFile", "Sélectionner une archive"},
    {"BootScreen", "Démarrage de Zarvon..."},
    {"MsgModif", "Vos modifications seront pris en charge au prochain démarrage"},
    {"MsgNoConfigFile", "Impossible d'ouvrir le fichier de configuration !"},
    {"MsgHelp", "En cours..."},
    {"MsgNofilesToCompress", "Veuillez selectionnez les fichiers !"},
    {"TxtSelectDirectory", "Choisissez un répertoire"},
    {"WindowCompression", "Ajouter les fichiers"},
    {"TxtFrameZipCreate", "Création de l'archive"},
    {"TxtZipName", "Nom de l'archive"},
    {"TxtLocation", "Location"},
    {"TxtFrameCompressOpt", "Options de Compression"},
    {"TxtArchiveFormat", "Format de l'archive"},
    {"TxtCompressType", "Type de compresssion"},
    {"TxtNormalCombo", "Normal"},
    {"TxtDeflateCombo", "Deflate"},
    {"TxtPwd", "Mot de  Passe"},
    {"TxtEnterPwd", "Entrer le mot de passe"},
    {"TxtConfirmPwd", "Confirmer le mot de passe"},
    {"TxtShowPwd", "Afficher le mot de Passe"},
    {"TxtEncryptFileName", "Crypter le nom des fichiers"},
    {"BtCompressOk", "Ok"},
    {"BtCancelCompress", "Annuler"},
    {"MsgChkIfExist", "Véririfier nom, destination de l'archive SVP !"},
    {"MsgChkIfExist", "Vérifier le nom et la destination de l'archive !"},
    {"MsgChkIfExist1", "Véririfier nom, destination ou mot de passe SVP !"},
    {"MsgNofilesToCompress", "Sélectionnez les fichiers !"},
    {"TxtTitle1", "Compression en cours ..."},
    {"MsgStopCompress", "Compression interrompue par l'utilisateur !"},
    {"MsgErrorDeleteFile", "Impossible de supprimer le fichier de l'archive interrompue !"},
    {"WindowConfiguration", "Configuration"},
    {"TxtConfigGeneral", "Général"},
    {"TxtFrameWindow", "Fenêtre"},
    {"ChkBoxActivAssist", "Activer l'assistant au démarrge"},
    {"ChkBoxVisibleWin", "Fenetre toujours visible"},
    {"ChkBoxActivateSound", "Activer son"},
    {"TxtFrameView", "View"},
    {"ChkBoxHistory", "Historique des archives"},
    {"ChkBoxMultitask", "Multitâches"},
    {"ChkBoxViewBtTxt", "Afficher le texte des boutons"},
    {"TxtCompression&Integration", "Compression et Integration"},
    {"TxtFrameDefaultZip", "Dossier archive par défaut"},
    {"BtBrowse1", "Parcourir"},
    {"TxtFrameDefaultExtractFolder", "Dossier Fichiers extraits par défaut"},
    {"TxtFrameIntegration", "Intégration à l'environnement"},
    {"ChkBoxZip", "Zip"},
    {"ChkBoxIntegration", "Intégrer Zarvon dans l'environnement"},
    {"ChkBoxShortcut", "Créer un racourcis sur le bureau"},
    {"MsgIntegrationFailed", "Impossible de modifier l'intégration à l'environnement :"},
    {"BtConfigOk", "Ok"},
    {"BtConfigCancel", "Annuler"},
    {"TxtWindowAddFiles", "Ajouter les fichiers"},
    {"TxtSelectFiles", "Sélection des fichiers"},
    {"BtAdd", "Ajouter"},
    {"BtCancel2", "Annuler"},
    {"WindowCopy", "Copier Archive"},
    {"TxtCopy", "Copier le fichier:"},
    {"TxtDestination", "Destination"},
    {"BtOk", "Ok"},
    {"BtCancel3", "Annuler"},
    {"CutZip", "Couper Archive"},
    {"TxtNomFenRenommer", "Renommer Archive"},
    {"TxtRenameFile", "Renommer le fichier : ''"},
    {"TxtFileName", "Nom du Fichier"},
    {"MsgOfselection", "Aucun fichier sélectionné !"},
    {"WindowCopyPwd", "Mot de Passe"},
    {"TxtFramePwd", "Mot de passe"},
    {"TxtPwd1", "Mot de Passe"},
    {"TxtPwdDestination", "Destination"},
    {"BtBrowse3", "Parcourir"},
    {"TxtWindowExtract", "Extraction des fichiers..."},
    {"DefaultRep", "Choisissez Le dossier de destination"},
    {"MsgNozipSelect", "Veuillez selectionnez une archive !"},
    {"MsgNoFileSelect", "Veuillez selectionnez le(s) fichier(s) à extraire !"},
    {"MsgZipPwdError", "Impossible d'extraire les fichiers, mot de passe incorrect !"},
    {"MsgZipPwd", "Vérifier votre mot de passe et/ou la destionation !"},
    {"MsgRarError", "Impossible d'extraire les fichiers !"},
    {"MsgExtract1", "Extraction des fichiers terminée"},
    {"MsgExtract1", "Extraction des fichiers terminée !"},
    {"MsgChkZip", "Zip file checked successfully\rNo error found !"},
    {"MsgChkZipError", "Le fichier est corrompu"},
    {"WindowInfoArchive", "Information sur l'archive"},
    {"TxtWindowInfoZipName", "Nom de l'archive"},
    {"TxtWindowInfoZipSize", "Taille de la compression"},
    {"TxtWindowInfoOrigSize", "Taille originale du fichier"},
    {"TxtWindowInfoCompressMethod", "Methode de compression"},
    {"TxtWindowInfoCreationDate", "Date de creation"},
    {"TxtWindowInfoDateModif", "Date Modification"},
    {"TxtWindowInfoProtection", "Protection de l'archive"},
    {"TxtWindowInfoFileNumber", "Nombre de fichier(s)"},
    {"BtOkWindowInfo", "Ok"},
    {"TxtNoCompress", "Pas de compression"},
    {"Files", "Fichier(s)"},
    {"WindowAssistant", "Assistant Zarvon"},
    {"AssistText1", "Bienvenue dans l'Assistant Zarvon !"},
    {"AssistText2", "cet assistant vous permettra d'automatiser certaines tâches  concernant la compression et l'extracion des fichiers."},
    {"AssistText3", "-L'accès aux fichiers Zip                                                              -Compression de fichiers(Par mot de Passe)                            -Décompression des fichiers"},
    {"AssistText4", "Possibilité de modifier les options de configuration du logiciel en passant par le bouton Configuration"},
    {"BtTextHelp", "Aide"},
    {"BtTextAbout", "A Propos"},
    {"BtTextZarvon", "Zarvon"},
    {"BtTextConfiguration", "Configuration"},
    {"InfoBulleAssistantOpenAplli", "Cliquer ici pour démarrer Zarvon"},
    {"InfoBulleAssistantOpenConfig", "Cliquer ici pour Configurer Zarvon"},
    {"BtTextPrevious", "Précédent"},
    {"BtTextNext", "Suivant"},
    {"BoutonTexteSuivant", "Suivant"},
    {"BtTextClose", "Fermer"},
    {"BtTextOptions", "Options"},
    {"BtFinish", "Terminer"},
    {"WindowSelectOperations", "Choisir une opération"},
    {"TxtOperations2Proceed", "Veuillez choisir une option SVP !"},
    {"ChkCompress", "compresser"},
    {"ChkDecompress", "Décompresser"},
    {"MsgInfoNoOption", "Veuillez sélectionnez une option SVP !"},
    {"WindowSelectFile", "Sélection des fichiers"},
    {"TxtArchivNameEx", "Nom de l'archive (Ex :''C:\\Archive.zip'')"},
    {"ArchivSave", "Enregistrer l'archive"},
    {"DefaultZip", "Sélectionner l'archive"},
    {"WindowFilesToZip", "Fichiers à compresser"},
    {"TxtListIconAssist", "Liste des Fichiers à archiver"},
    {"TxtWindowExtract", "Extraction des fichiers"},
    {"TxtFileToUnZip", "Archive à décompresser:"},
    {"TxtExtractTo", "Extraire les fichiers vers:"},
    {"MsgAssist1", "Sélectionnez une archive et son dossier d'extraction !"},
    {"MsgZipOnly", "Zarvon crée uniquement des archives ZIP : donnez au nom l'extension .zip."},
    {"MsgNameTooLong", "Le nom ou le mot de passe est trop long !"},
    {"MsgCompressError", "Impossible de créer l'archive :"},
    {"MsgFilesNotAdded", "Ces fichiers n'ont pas pu être lus et manquent dans l'archive :"},
    {"MsgStopExtract", "Extraction interrompue par l'utilisateur !"},
    {"MsgExtractFailures", "Ces fichiers n'ont pas pu être extraits :"},
    {"MsgExtractNothing", "L'archive ne contient aucun fichier : rien n'a été extrait."},
    {"MsgExtractOpenError", "Impossible d'ouvrir l'archive :"},
    {"TxtFailCreate", "le fichier ne peut pas être créé"},
    {"TxtFailDamaged", "données endommagées"},
    {"TxtFailMethod", "méthode de compression non prise en charge"},
    {"TxtFailNotFound", "introuvable dans l'archive"},
    {"TxtFailPasswordNeeded", "mot de passe nécessaire"},
    {"TxtFailPasswordOrDamage", "mot de passe incorrect ou données endommagées"},
    {"TxtFailReadOnly", "un fichier en lecture seule porte déjà ce nom"},
    {"TxtFailUnsafeName", "nom refusé, il sortirait du dossier de destination"},
    {"TxtFailWrite", "écriture impossible"},
    {"TxtFailWrongPassword", "mot de passe incorrect"},
    {"MsgRarLibraryMissing", "La bibliothèque UnRAR est absente : installez le paquet libunrar5."},
    {"TxtFailLink", "lien non extrait"},
    {"TxtFailVolume", "volume suivant introuvable"},
};

struct RecognisedTitle {
    const char *key;
    const char *french;
    const char *english;
};

// Titles the program compares to decide what a window's Ok or Next button does.
const RecognisedTitle recognisedTitles[] = {
    {"WindowCopy", "Copier une archive", "Copy Zip file"},
    {"CutZip", "Couper une archive", "Cut Zip file"},
    {"TxtNomFenRenommer", "Renommer une archive", "Rename Zip file"},
    {"WindowCopyPwd", "Mot de Passe", "Password"},
    {"WindowAssistant", "Assistant Zarvon", "Zarvon Assistant"},
    {"WindowSelectOperations", "Choisir une opération", "Operations to proceed"},
    {"WindowSelectFile", "Sélection des fichier(s)", "Files selection"},
    {"WindowFilesToZip", "Fichiers à compresser", "Files to zip"},
    {"TxtWindowExtract", "Extraction des fichiers...", "Extracting files..."},
};

// Keys whose French file text differs from the built-in one on purpose:
// TxtRenameFile replaces a prompt composed around the file name, so its text
// must read well without it; MsgChkZip's built-in text is English and holds a
// line break a language file cannot; TxtArchivNameEx gives a path example of
// this system instead of a drive letter.
const std::set<std::string> frenchTextsOfTheirOwn = {"TxtRenameFile", "MsgChkZip", "TxtArchivNameEx"};

const char *const Missing = "\x01missing";

std::string sourceFile(const std::string &name) { return std::string(ZARVON_SOURCE_DIR) + "/lang/" + name; }

class ShippedLanguageFiles : public ::testing::TestWithParam<const char *> {
protected:
    void TearDown() override { clearLanguageTable(); }
    void load(const std::string &name) { ASSERT_GT(loadLanguageFile(sourceFile(name)), 0) << name; }
};

TEST(ShippedFrenchFile, GivesEveryKeyItsBuiltInTextOrItsRecognisedTitle)
{
    ASSERT_GT(loadLanguageFile(sourceFile("French.lng")), 0);
    std::map<std::string, std::string> titles;
    for (const RecognisedTitle &title : recognisedTitles)
        titles[title.key] = title.french;
    std::multimap<std::string, std::string> defaults;
    for (const KeyDefault &entry : programKeys)
        defaults.emplace(entry.key, entry.frenchDefault);

    for (const KeyDefault &entry : programKeys) {
        std::string text = languageText(entry.key, Missing);
        ASSERT_NE(text, Missing) << "French.lng lacks " << entry.key;
        EXPECT_FALSE(text.empty()) << entry.key;
        if (titles.count(entry.key)) {
            EXPECT_EQ(text, titles[entry.key]) << "recognised title " << entry.key;
        } else if (!frenchTextsOfTheirOwn.count(entry.key)) {
            auto [first, last] = defaults.equal_range(entry.key);
            bool matches = false;
            for (auto it = first; it != last; ++it)
                matches = matches || it->second == text;
            EXPECT_TRUE(matches) << entry.key << " is \"" << text << "\", not its built-in text";
        }
    }
    clearLanguageTable();
}

TEST(ShippedEnglishFile, GivesEveryKeyAndTheRecognisedTitles)
{
    ASSERT_GT(loadLanguageFile(sourceFile("English.lng")), 0);
    for (const KeyDefault &entry : programKeys) {
        std::string text = languageText(entry.key, Missing);
        ASSERT_NE(text, Missing) << "English.lng lacks " << entry.key;
        EXPECT_FALSE(text.empty()) << entry.key;
    }
    for (const RecognisedTitle &title : recognisedTitles)
        EXPECT_EQ(languageText(title.key, Missing), title.english) << "recognised title " << title.key;
    clearLanguageTable();
}

TEST(RecognisedTitles, ProgramTableMatchesTheShippedValues)
{
    ASSERT_EQ(std::size(RecognisedWindowTitles), std::size(recognisedTitles));
    for (size_t i = 0; i < std::size(recognisedTitles); ++i) {
        EXPECT_EQ(RecognisedWindowTitles[i].key, recognisedTitles[i].key);
        EXPECT_EQ(RecognisedWindowTitles[i].french, recognisedTitles[i].french);
        EXPECT_EQ(RecognisedWindowTitles[i].english, recognisedTitles[i].english);
    }
}

TEST_P(ShippedLanguageFiles, HoldOnlyKnownKeysOnceEach)
{
    std::set<std::string> known;
    for (const KeyDefault &entry : programKeys)
        known.insert(entry.key);
    std::string bytes = testing::readBytes(sourceFile(GetParam()));
    std::multiset<std::string> seen;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << GetParam() << ": every line ends with CR LF";
        std::string line = bytes.substr(start, end - start);
        start = end + 2;
        ASSERT_EQ(line.find_first_of("\r\n"), std::string::npos) << GetParam() << ": bare CR or LF";
        size_t equals = line.find(" = ");
        if (line.find('=') == std::string::npos)
            continue;
        ASSERT_NE(equals, std::string::npos) << GetParam() << ": " << line;
        std::string key = line.substr(0, equals);
        EXPECT_TRUE(known.count(key)) << GetParam() << ": unknown key " << key;
        seen.insert(key);
    }
    for (const std::string &key : known)
        EXPECT_EQ(seen.count(key), 1u) << GetParam() << ": " << key;
}

TEST_P(ShippedLanguageFiles, AreWindows1252)
{
    std::string bytes = testing::readBytes(sourceFile(GetParam()));
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    // "é" as UTF-8 would be C3 A9; in Windows-1252 it is the single byte E9.
    EXPECT_EQ(bytes.find("\xC3"), std::string::npos);
    if (std::string(GetParam()) == "French.lng") {
        EXPECT_NE(bytes.find("S\xE9lectionner"), std::string::npos);
    }
}

TEST_P(ShippedLanguageFiles, AreCopiedBesideTheExecutables)
{
    std::string shipped = testing::readBytes(std::string(ZARVON_BIN_DIR) + "/" + GetParam());
    EXPECT_EQ(shipped, testing::readBytes(sourceFile(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, ShippedLanguageFiles, ::testing::Values("French.lng", "English.lng"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

} // namespace
} // namespace zarvon::settings
