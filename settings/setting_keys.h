// Every key the program reads from or writes to Zarvon.ini, declared once:
// its group, its name, what it reads as when absent, and what a freshly
// written default file holds for it. Callers name a key by its constant
// (kActivateSound), never by spelling its group and name again.
//
// Values are text; flags are "0" and "1". Two ways of reading a flag are in
// use and kept apart on purpose: settingIs compares the text exactly (the
// start-up and the main window's "is it exactly 1" tests), settingFlag takes
// the leading integer and asks whether it is non-zero (the configuration
// window's check boxes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/paths.h"
#include "settings/settings_file.h"

namespace zarvon::settings {

struct SettingKey {
    const char *group; // "" for the keys before the first group
    const char *key;
    const char *defaultText; // what the key reads as when absent
    // The value writeDefaultSettings puts in a new file; nullptr for keys a
    // new file does not hold (they appear when first written).
    const char *initialText = nullptr;
};

// [General]: the configuration window's first page.
inline constexpr SettingKey kAssistantState{"General", "AssistantState", "0", "0"};
inline constexpr SettingKey kVisibleWindow{"General", "VisibleWindow", "0", "1"};
inline constexpr SettingKey kActivateSound{"General", "ActivateSound", "0", "1"};
inline constexpr SettingKey kHistory{"General", "History", "0", "1"};
inline constexpr SettingKey kMultitaskWindow{"General", "MultitaskWindow", "0", "1"};
inline constexpr SettingKey kShowTextButton{"General", "ShowTextButton", "0", "0"};

// [Compression]: empty means the home folder and the temporary folder.
inline constexpr SettingKey kDefaultArchiveFolder{"Compression", "DefaultArchiveFolder", "", ""};
inline constexpr SettingKey kDefaultArchiveExtractionFolder{"Compression", "DefaultArchiveExtractionFolder", "", ""};
// The compression window's "Keep full paths" box: "1" stores a chosen
// folder's files under their full path, as older versions did; absent or "0",
// from the folder's own name on. Written when a compression starts.
inline constexpr SettingKey kKeepFullPaths{"Compression", "KeepFullPaths", "0"};
// The compression window's encryption box: "0" the traditional ZIP 2.0
// cipher (every reader opens it), "1" AES-256. Written when a compression
// starts.
inline constexpr SettingKey kZipEncryption{"Compression", "Encryption", "0"};

// [Integration]: file association and desktop shortcut; LastOpenPanel is the
// configuration window's last tab page.
inline constexpr SettingKey kZipType{"Integration", "ZipType", "0", "0"};
inline constexpr SettingKey kIntegrationEnvironment{"Integration", "IntegrationEnvironnement", "0", "0"};
inline constexpr SettingKey kDesktopShortcut{"Integration", "DesktopShortcut", "0", "0"};
inline constexpr SettingKey kLastOpenPanel{"Integration", "LastOpenPanel", "0"};

// [Window]: the main window's saved geometry (the width key keeps its
// historical spelling).
inline constexpr SettingKey kWindowHeight{"Window", "WindowHeight", "0"};
inline constexpr SettingKey kWindowWidth{"Window", "WindowWith", "0"};
inline constexpr SettingKey kWindowX{"Window", "WindowXposition", "0"};
inline constexpr SettingKey kWindowY{"Window", "WindowYPosition", "0"};
// Keys of an older layout, only read: present but empty, they make the saved
// geometry untrusted.
inline constexpr SettingKey kOldWindowHeight{"Window", "HauteurFenetre", "0"};
inline constexpr SettingKey kOldWindowWidth{"Window", "LargeurFenetre", "0"};
inline constexpr SettingKey kOldWindowLeft{"Window", "EspaceGaucheFenetre", "0"};
inline constexpr SettingKey kOldWindowRight{"Window", "EspacedroitFenetre", "0"};

// [View]: the View menu's check marks, the interface language and the
// explorer list's display.
inline constexpr SettingKey kToolBar{"View", "ToolBar", "0"};
inline constexpr SettingKey kStatusBar{"View", "StatusBar", "0"};
inline constexpr SettingKey kFrenchLanguage{"View", "FrenchLanguage", "0"};
inline constexpr SettingKey kEnglishLanguage{"View", "EnglishLanguage", "0"};
inline constexpr SettingKey kDefaultView{"View", "DefaultView", "0"};
inline constexpr SettingKey kBigIconView{"View", "BigIconView", "0"};
inline constexpr SettingKey kSmallIconView{"View", "SmallIconView", "0"};
inline constexpr SettingKey kListView{"View", "ListView", "0"};
// The archive list's column widths, comma-separated from the name column on;
// written when the list goes away, absent until then.
inline constexpr SettingKey kArchiveColumns{"View", "ArchiveColumns", ""};
// The archive list's order: "<column>,<0 up | 1 down>"; empty while the rows
// keep the archive's own order.
inline constexpr SettingKey kArchiveSort{"View", "ArchiveSort", ""};
// "1": the archive list shows one folder of the archive at a time.
inline constexpr SettingKey kArchiveFolders{"View", "ArchiveFolders", "0"};
// Where the user left the divider between the archive list and the explorer
// list: the archive side's width in pixels; absent until the divider is
// moved (the layout then shows the name, sizes, ratio and date whole).
inline constexpr SettingKey kArchiveDivider{"View", "ArchiveDivider", ""};
// Read by the start-up's choice of the window without toolbar, never
// written: in a file with a View group it reads "0".
inline constexpr SettingKey kViewAssistantState{"View", "AssistantState", "0"};

// [Options]
inline constexpr SettingKey kInitBootPage{"Options", "InitBootPage", "0"};

// [Recent files]: the count, then numbered keys "Recent files1" to
// "Recent filesN" (recentFileKey).
inline constexpr SettingKey kRecentCount{"Recent files", "Count files", "0"};
inline constexpr SettingKey kRecentFile{"Recent files", "Recent files", ""};

// [Options]: "1" lets an extraction replace existing files without asking,
// as older versions did; absent or "0", each one is asked about.
inline constexpr SettingKey kReplaceWithoutAsking{"Options", "ReplaceWithoutAsking", "0"};

// [Disk]: the folder the explorer list showed last.
inline constexpr SettingKey kLastDisk{"Disk", "LastDisk", ""};

// Before the first group: a SelectAll key present with an empty value stops
// the window state from being saved.
inline constexpr SettingKey kSelectAll{"", "SelectAll", "0"};

// The whole table, in file order, for the checks that walk it.
inline constexpr const SettingKey *kAllSettingKeys[] = {
    // General, Compression, Integration
    &kAssistantState, &kVisibleWindow, &kActivateSound, &kHistory, &kMultitaskWindow, &kShowTextButton,
    &kDefaultArchiveFolder, &kDefaultArchiveExtractionFolder, &kKeepFullPaths, &kZipEncryption, &kZipType, &kIntegrationEnvironment, &kDesktopShortcut,
    &kLastOpenPanel,
    // Window
    &kWindowHeight, &kWindowWidth, &kWindowX, &kWindowY, &kOldWindowHeight, &kOldWindowWidth, &kOldWindowLeft,
    &kOldWindowRight,
    // View, Options
    &kToolBar, &kStatusBar, &kFrenchLanguage, &kEnglishLanguage, &kDefaultView, &kBigIconView, &kSmallIconView,
    &kListView, &kArchiveColumns, &kArchiveSort, &kArchiveFolders, &kArchiveDivider, &kViewAssistantState, &kInitBootPage,
    &kReplaceWithoutAsking,
    // Recent files, Disk, before the first group
    &kRecentCount, &kRecentFile, &kLastDisk, &kSelectAll};

// The key name of the n-th recent archive (n from 1): "Recent files<n>".
std::string recentFileKey(int n);

// Reading one key from the file at path (Zarvon.ini by default), opened and
// closed again by each call. All of them see "no file" and "no such group"
// the same way.

// The key's value (blanks trimmed; key.defaultText when the key is absent),
// or nothing when the file cannot be opened or has no group key.group.
std::optional<std::string> readSetting(const SettingKey &key, const std::string &path = settingsPath());

// readSetting, or key.defaultText when it gives nothing.
std::string settingText(const SettingKey &key, const std::string &path = settingsPath());

// Whether the key's value is exactly value; false when the file cannot be
// opened or has no such group (an absent key compares as key.defaultText).
bool settingIs(const SettingKey &key, const char *value, const std::string &path = settingsPath());

// Whether the value's leading integer ("12abc" is 12) is not 0 (an absent
// key counts as key.defaultText); false when the file cannot be opened or has
// no such group.
bool settingFlag(const SettingKey &key, const std::string &path = settingsPath());

// The same on a file the caller holds open: each selects key.group first,
// which then stays selected.
std::string readKeyText(SettingsFile &file, const SettingKey &key);
int32_t readKeyInteger(SettingsFile &file, const SettingKey &key);
void writeKeyText(SettingsFile &file, const SettingKey &key, const std::string &value);
void writeKeyInteger(SettingsFile &file, const SettingKey &key, int32_t value);

} // namespace zarvon::settings
