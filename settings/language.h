// The language table: every user-visible text comes from languageText(key,
// French default), over one language file loaded at a time (French.lng or
// English.lng). The French text of every key is built into the callers, so a
// missing file or key still gives a usable French interface.
//
// Language file format (Windows-1252; a file starting with the UTF-8
// byte-order mark is read as UTF-8). A line ends at CR LF, CR, LF or NUL.
//   - leading and trailing spaces of the line are removed (spaces only: tabs
//     stay, so a tab before "=" is part of the key);
//   - a line without "=" is ignored (headers, comments, blank lines);
//   - otherwise the key is the text before the first "=", the value all the
//     text after it (further "=" included), each without leading and trailing
//     spaces. Key and value may be empty. A comment line holding "=" is a
//     key line like any other.
// Keys compare byte for byte (case matters); the first of duplicated keys
// wins. The program never writes these files.
//
// One table per process, user-interface thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/paths.h"

namespace zarvon::settings {

// The system language name that means "French as spoken in France".
inline constexpr std::string_view FrenchFranceLanguage = "Français (France)";

// Window titles the program recognises: the copy window's arrangement and the
// assistant's page are told apart by comparing the window's title with these
// texts, so both language files give exactly these values for these keys.
struct RecognisedWindowTitle {
    std::string_view key;
    std::string_view french;  // value in French.lng
    std::string_view english; // value in English.lng
};
inline constexpr RecognisedWindowTitle RecognisedWindowTitles[] = {
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

// Loads path into the table. Returns the used size of the new table in bytes
// (8 per record plus the key and value bytes), 0 when nothing was loaded.
// When the file cannot be opened the current table stays and 0 is returned.
// When it opens, the current table is replaced, even by an empty one (a file
// without key lines leaves the table empty and returns 0).
int32_t loadLanguageFile(const std::string &path);

// The same rules over bytes in memory; always replaces the table. For the
// fuzz target and tests.
int32_t loadLanguageBytes(std::string_view bytes);

// The value of the first record whose key equals key byte for byte (no
// trimming, case matters), whole, even when empty; frenchDefault when there
// is none, when key is empty, or when no table is loaded.
std::string languageText(std::string_view key, std::string_view frenchDefault);

// The same with the key's built-in text from the program's key table
// (settings/language_keys.h).
std::string languageText(std::string_view key);

// `text` with its first "%1" replaced by `count` (unchanged without one).
std::string countedText(std::string text, std::size_t count);

// Empties the table, as at process start. For tests.
void clearLanguageTable();

// Display name of the system's language, from the locale of messages
// (LC_ALL, else LC_MESSAGES, else LANG): "Français (France)" for fr_FR,
// "Français (Canada)" for fr_CA, otherwise English names such as
// "English (United States)" or "German (Germany)", or just the language when
// the locale names no country ("Français" for "fr"). "Error: Unable to determine OS
// Language" when the locale is unset, "C" or "POSIX" or not understood.
// Only the comparison with FrenchFranceLanguage matters to the program.
std::string detectSystemLanguage();

// The same for an explicit locale name such as "fr_FR.UTF-8" or "de_CH@euro".
std::string systemLanguageName(std::string_view localeName);

// The start-up language selection, before any window exists:
//   1. load French.lng; when that loads nothing, English.lng;
//      when neither loads, fail with the message below;
//   2. no configuration file: French.lng when the system language is
//      "Français (France)", else English.lng;
//   3. View/FrenchLanguage exactly "1": French.lng;
//   4. else View/EnglishLanguage exactly "1": English.lng;
//   5. else the table of step 1 stays.
// A load in steps 2 to 4 that yields nothing (missing file, or a file without
// key lines) leaves the table of step 1 in use.
struct StartupLanguage {
    bool loaded = false;      // false: show failureText (caption "Zarvon",
                              // error icon) and end the program, saving nothing
    std::string failureText;  // "Impossible de charger le fichier de langue par
                              // défaut !" on a French system, else
                              // "Unable to load default language !"
    std::string languagePath; // the file whose table is in use
};
StartupLanguage selectStartupLanguage(const std::string &frenchPath = frenchLanguagePath(),
                                      const std::string &englishPath = englishLanguagePath(),
                                      const std::string &settingsFilePath = settingsPath(),
                                      const std::string &systemLanguage = detectSystemLanguage());

// The texts that are not taken from the language file but chosen by the
// setting View/EnglishLanguage.
struct BuiltInTexts {
    std::string itemCount;                   // status bar, after the number of items
    std::string selectedFolders;             // status bar, after the number of folders
    std::string selectedFiles;               // status bar, after the number of files
    std::string trayBalloon;                 // notification-area balloon
    std::string deleteQuestion;              // delete confirmation text
    std::string deleteCaption;               // delete confirmation caption
    std::string deleteNothing;               // delete without a selection
    std::string copyBefore;                  // copy prompt, before the file name
    std::string copyAfter;                   // copy prompt, after the file name
    std::string moveBefore;                  // move prompt, before the file name
    std::string passwordLine1;               // password window, first explanation line
    std::string passwordLine2;               // password window, second explanation line
    std::string encrypted;                   // archive information: protected
    std::string notEncrypted;                // archive information: not protected
    std::array<std::string, 7> dayNames;     // Sunday first
    std::array<std::string, 4> aboutCredits; // about window credit lines
};

// The French or the English set.
const BuiltInTexts &builtInTexts(bool english);

// True when the configuration file opens, has the group View, and
// EnglishLanguage reads exactly "1"; when the file does not open, true unless
// the system language is French as spoken in France (the language the first
// start chose). Read afresh at every call.
bool englishLanguageSelected(const std::string &path = settingsPath());

// builtInTexts(englishLanguageSelected(path)): the set to show now.
const BuiltInTexts &currentBuiltInTexts(const std::string &path = settingsPath());

} // namespace zarvon::settings
