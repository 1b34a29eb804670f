#include "settings/language.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <utility>

#include "base/product.h"
#include "settings/language_keys.h"
#include "settings/setting_keys.h"
#include "settings/settings_file.h"
#include "settings/settings_state.h"
#include "settings/text_encoding.h"

namespace zarvon::settings {

namespace {

// The table in use, in file order.
std::vector<LanguageRecord> &table() { return settingsState().languageTable; }

std::string_view trimSpaces(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::vector<LanguageRecord> parseLanguage(std::string_view bytes)
{
    std::string text;
    if (bytes.substr(0, Utf8ByteOrderMark.size()) == Utf8ByteOrderMark)
        text.assign(bytes.substr(Utf8ByteOrderMark.size()));
    else
        text = windows1252ToUtf8(bytes);

    std::vector<LanguageRecord> records;
    std::string_view rest = text;
    while (!rest.empty()) {
        size_t end = rest.find_first_of(std::string_view("\r\n\0", 3));
        std::string_view line = trimSpaces(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        records.push_back(
            {std::string(trimSpaces(line.substr(0, equals))), std::string(trimSpaces(line.substr(equals + 1)))});
    }
    return records;
}

int32_t usedLength(const std::vector<LanguageRecord> &records)
{
    long long length = 0;
    for (const LanguageRecord &record : records)
        length += 8 + static_cast<long long>(record.key.size()) + static_cast<long long>(record.value.size());
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

bool readFile(const std::string &path, std::string &bytes)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Loads path for the start-up selection: a file that yields nothing leaves
// the table in use untouched.
bool loadKeepingTable(const std::string &path)
{
    std::vector<LanguageRecord> previous = table();
    if (loadLanguageFile(path) > 0)
        return true;
    table() = std::move(previous);
    return false;
}

// Names as a system in English gives them, except French, which a French
// system names in French: only "Français (France)" matters to the program.
struct LanguageName {
    const char *code;
    const char *name;
};

const LanguageName languageNames[] = {
    {"fr", "Français"},   {"en", "English"},
    {"de", "German"},     {"es", "Spanish"},
    {"it", "Italian"},    {"nl", "Dutch"},
    {"pt", "Portuguese"}, {"ca", "Catalan"},
    {"br", "Breton"},     {"oc", "Occitan"},
    {"eu", "Basque"},     {"da", "Danish"},
    {"sv", "Swedish"},    {"nb", "Norwegian Bokmål"},
    {"fi", "Finnish"},    {"pl", "Polish"},
    {"cs", "Czech"},      {"ru", "Russian"},
    {"el", "Greek"},      {"tr", "Turkish"},
    {"ja", "Japanese"},   {"zh", "Chinese"},
    {"ar", "Arabic"},
};

struct CountryName {
    const char *code;
    const char *french;  // name given with French
    const char *english; // name given with every other language
};

const CountryName countryNames[] = {
    {"FR", "France", "France"},
    {"BE", "Belgique", "Belgium"},
    {"CA", "Canada", "Canada"},
    {"CH", "Suisse", "Switzerland"},
    {"LU", "Luxembourg", "Luxembourg"},
    {"MC", "Monaco", "Monaco"},
    {"US", "États-Unis", "United States"},
    {"GB", "Royaume-Uni", "United Kingdom"},
    {"IE", "Irlande", "Ireland"},
    {"AU", "Australie", "Australia"},
    {"NZ", "Nouvelle-Zélande", "New Zealand"},
    {"DE", "Allemagne", "Germany"},
    {"AT", "Autriche", "Austria"},
    {"ES", "Espagne", "Spain"},
    {"MX", "Mexique", "Mexico"},
    {"IT", "Italie", "Italy"},
    {"NL", "Pays-Bas", "Netherlands"},
    {"PT", "Portugal", "Portugal"},
    {"BR", "Brésil", "Brazil"},
    {"DK", "Danemark", "Denmark"},
    {"SE", "Suède", "Sweden"},
    {"NO", "Norvège", "Norway"},
    {"FI", "Finlande", "Finland"},
    {"PL", "Pologne", "Poland"},
    {"CZ", "Tchéquie", "Czechia"},
    {"RU", "Russie", "Russia"},
    {"GR", "Grèce", "Greece"},
    {"TR", "Turquie", "Turkey"},
    {"JP", "Japon", "Japan"},
    {"CN", "Chine", "China"},
    {"TW", "Taïwan", "Taiwan"},
    {"IN", "Inde", "India"},
    {"ZA", "Afrique du Sud", "South Africa"},
    {"SN", "Sénégal", "Senegal"},
    {"MA", "Maroc", "Morocco"},
    {"DZ", "Algérie", "Algeria"},
    {"TN", "Tunisie", "Tunisia"},
    {"CI", "Côte d'Ivoire", "Côte d'Ivoire"},
};

const char *const UnknownLanguage = "Error: Unable to determine OS Language";

const BuiltInTexts frenchTexts = {
    " élément(s)",
    " Dossier(s) ",
    " Fichier(s) sélectionné(s)",
    "Zarvon fonctionne en mode réduit",
    "Voulez-vous envoyer le(s) élément(s) sélectionné(s) vers la corbeille ?",
    "Suppression",
    "Sélectionner les éléments à supprimer !",
    "Copier le fichier : ''",
    "''  Vers",
    "Déplacer le fichier : ''",
    "L'archive que vous essayez d'extraire est protégée",
    "par mot de passe.Saisissez-le dans la boite ci-dessous.",
    "Archive Cryptée",
    "Archive Non Cryptée",
    {"Dimanche", "Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi"},
    {base::kProductTitle, "Gestionnaire d'archives ZIP et RAR", "Édité par le Projet Zarvon",
     "Programmation : l'équipe Zarvon"},
};

const BuiltInTexts englishTexts = {
    " element(s)",
    " Folder(s) ",
    " File(s) selected",
    "Zarvon is minimized to the systray",
    "Delete selected file to recyclebin ?",
    "Delete",
    "Please select files to delete !",
    "Copy the file : ''",
    "''  to",
    "Move the file : ''",
    "This zip file is encrypt with password",
    "Enter password in the dialog box to proceed",
    "Encrypted Zip",
    "Not Crypt",
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saterday"},
    {base::kProductTitle, "ZIP and RAR archive manager", "Published by the Zarvon Project",
     "Programming: the Zarvon team"},
};

} // namespace

int32_t loadLanguageBytes(std::string_view bytes)
{
    table() = parseLanguage(bytes);
    return usedLength(table());
}

int32_t loadLanguageFile(const std::string &path)
{
    std::string bytes;
    if (!readFile(path, bytes))
        return 0;
    return loadLanguageBytes(bytes);
}

std::string languageText(std::string_view key, std::string_view frenchDefault)
{
    if (!key.empty()) {
        for (const LanguageRecord &record : table())
            if (record.key == key)
                return record.value;
    }
    return std::string(frenchDefault);
}

std::string languageText(std::string_view key) { return languageText(key, builtInText(key)); }

std::string countedText(std::string text, std::size_t count)
{
    const auto at = text.find("%1");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(count));
    return text;
}

void clearLanguageTable() { table().clear(); }

std::string systemLanguageName(std::string_view locale)
{
    // language[_territory][.codeset][@modifier]
    size_t cut = locale.find_first_of(".@");
    std::string_view name = locale.substr(0, cut);
    if (name.empty() || name == "C" || name == "POSIX")
        return UnknownLanguage;
    std::string_view language = name.substr(0, name.find('_'));
    std::string_view territory;
    if (size_t underscore = name.find('_'); underscore != std::string_view::npos)
        territory = name.substr(underscore + 1);

    const char *languageName = nullptr;
    for (const LanguageName &entry : languageNames)
        if (language == entry.code)
            languageName = entry.name;
    if (!languageName)
        return UnknownLanguage;
    std::string result = languageName;
    if (territory.empty())
        return result;
    std::string country(territory);
    for (const CountryName &entry : countryNames)
        if (territory == entry.code)
            country = language == "fr" ? entry.french : entry.english;
    return result + " (" + country + ")";
}

std::string detectSystemLanguage()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return systemLanguageName(value);
    }
    return UnknownLanguage;
}

StartupLanguage selectStartupLanguage(const std::string &frenchPath, const std::string &englishPath,
                                      const std::string &settingsFilePath, const std::string &systemLanguage)
{
    StartupLanguage result;
    if (loadLanguageFile(frenchPath) > 0) {
        result.languagePath = frenchPath;
    } else if (loadLanguageFile(englishPath) > 0) {
        result.languagePath = englishPath;
    } else {
        result.failureText = systemLanguage == FrenchFranceLanguage
                                 ? "Impossible de charger le fichier de langue par défaut !"
                                 : "Unable to load default language !";
        return result;
    }
    result.loaded = true;

    SettingsFile file;
    std::string chosen;
    if (!file.open(settingsFilePath)) {
        chosen = systemLanguage == FrenchFranceLanguage ? frenchPath : englishPath;
    } else if (file.selectGroup(kFrenchLanguage.group)) {
        if (readKeyText(file, kFrenchLanguage) == "1")
            chosen = frenchPath;
        else if (readKeyText(file, kEnglishLanguage) == "1")
            chosen = englishPath;
    }
    file.close();
    if (!chosen.empty() && loadKeepingTable(chosen))
        result.languagePath = chosen;
    return result;
}

const BuiltInTexts &builtInTexts(bool english) { return english ? englishTexts : frenchTexts; }

bool englishLanguageSelected(const std::string &path)
{
    SettingsFile file;
    // Before any configuration is written the program speaks the system's
    // language (its menus and language file are chosen so): the built-in
    // texts follow, rather than showing French beside English menus.
    if (!file.open(path))
        return detectSystemLanguage() != FrenchFranceLanguage;
    return file.selectGroup(kEnglishLanguage.group) && readKeyText(file, kEnglishLanguage) == "1";
}

const BuiltInTexts &currentBuiltInTexts(const std::string &path) { return builtInTexts(englishLanguageSelected(path)); }

} // namespace zarvon::settings
