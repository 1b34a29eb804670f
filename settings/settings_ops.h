// The program's settings operations on Zarvon.ini, the file side only.
//
// Windows fill or read plain records; these functions do the file work. Each
// opens the file (by default settingsPath()), reads or writes, and closes it,
// unless said otherwise. Groups and keys written, in file order:
//
//   [General]      AssistantState VisibleWindow ActivateSound History
//                  MultitaskWindow ShowTextButton        flags "0"/"1"
//   [Compression]  DefaultArchiveFolder DefaultArchiveExtractionFolder
//   [Integration]  ZipType IntegrationEnvironnement DesktopShortcut flags,
//                  LastOpenPanel integer
//   [Window]       WindowHeight WindowWith WindowXposition WindowYPosition
//   [View]         ToolBar StatusBar FrenchLanguage EnglishLanguage
//                  DefaultView BigIconView SmallIconView ListView
//   [Options]      InitBootPage
// (Recent files and Disk belong to the recent archives.)
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/paths.h"
#include "settings/settings_file.h"

namespace zarvon::settings {

// The banner comment, the first line of a default file.
extern const char *const SettingsBanner;

// True when the configuration file can be opened now. The callers' recurring
// test "when the configuration file cannot be opened, write the defaults".
bool settingsFileOpens(const std::string &path = settingsPath());

// Value of group/key as text (blanks trimmed, defaultText when the key is
// absent), or nothing when the file cannot be opened or the group does not
// exist. Keys declared in settings/setting_keys.h are better read through
// readSetting / settingIs there, which take group, key and default from the
// table:
//   settingIs(kAssistantState, "1")
std::optional<std::string> readSettingText(const std::string &group, const std::string &key,
                                           const std::string &defaultText = "0",
                                           const std::string &path = settingsPath());

// Creates the default file, replacing whatever the file held (values are the
// initialText of settings/setting_keys.h):
//   ; <banner>
//   ; Default Parameters
//   [General]  AssistantState = 0, VisibleWindow = 1, ActivateSound = 1,
//              History = 1, MultitaskWindow = 1, ShowTextButton = 0
//   ;  / ; Compression parameters
//   [Compression]  DefaultArchiveFolder = , DefaultArchiveExtractionFolder =
//   ;  / ; Integration Parameters
//   [Integration]  ZipType = 0, IntegrationEnvironnement = 0, DesktopShortcut = 0
//   ;  / ; WindowView
// and writes it out (atomically). Returns false when the file could not be
// written; an existing file is then unchanged.
bool writeDefaultSettings(const std::string &path = settingsPath());

// Saved position and size of the main window (x, y of the frame; width and
// height of the inner area), converted from text with the leading-integer
// rule (a value that is not a number gives 0).
struct WindowGeometry {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Uses the file the caller has opened and leaves it open; it selects group
// Window. Nothing when the group Window does not exist, or when one of the
// keys HauteurFenetre, LargeurFenetre, EspaceGaucheFenetre, EspacedroitFenetre
// is present with an empty value (absent keys do not block). Otherwise
// WindowXposition, WindowYPosition, WindowWith, WindowHeight, each "0" when
// absent.
std::optional<WindowGeometry> readWindowGeometry(SettingsFile &file);

// The same on the file at path, opened and closed here; nothing when it
// cannot be opened.
std::optional<WindowGeometry> readWindowGeometry(const std::string &path = settingsPath());

// What saveWindowState stores: the main window's inner height (client plus
// menu bar), inner width, frame position, and the check marks of the menu
// items MenuToolBar, MenuStatusBar, MenuFrench, MenuEnglish, MenuBootScreen,
// MenuDefaultView, MenuLargeIcon, MenuSmallIcon, MenuList.
struct WindowState {
    int32_t height = 0;
    int32_t width = 0;
    int32_t x = 0;
    int32_t y = 0;
    bool toolBar = false;
    bool statusBar = false;
    bool french = false;
    bool english = false;
    bool bootScreen = false;
    bool defaultView = false;
    bool largeIcon = false;
    bool smallIcon = false;
    bool list = false;
};

// Writes the state into Window, View and Options (groups created at the end
// of the file when missing) and closes. Does nothing, and returns false, when
// the file cannot be opened, or when the unnamed group holds a key SelectAll
// with an empty value. Returns false too when the write failed (old file
// kept). It never creates the file: callers run writeDefaultSettings first
// when settingsFileOpens() is false.
bool saveWindowState(const WindowState &state, const std::string &path = settingsPath());

// Check marks of the View menu and of MenuBootScreen (Options/InitBootPage),
// each checked when its value converts to a non-zero integer ("0" when
// absent).
struct ViewMenuState {
    bool toolBar = false;
    bool statusBar = false;
    bool french = false;
    bool english = false;
    bool defaultView = false;
    bool largeIcon = false;
    bool smallIcon = false;
    bool list = false;
    bool bootScreen = false;
};

// Reads the check marks; nothing when the file cannot be opened or has no
// group View (the menus then keep their built-in marks).
std::optional<ViewMenuState> applyViewMenuState(const std::string &path = settingsPath());

// Display of the explorer list.
enum class ListViewType {
    Unchanged,  // no View group, no file, or none of the four keys is "1"
    Details,    // DefaultView
    LargeIcons, // BigIconView
    SmallIcons, // SmallIconView
    List,       // ListView
};

// The first of DefaultView, BigIconView, SmallIconView, ListView whose value
// is exactly "1" decides; Unchanged when none is, when the group View is
// missing or the file cannot be opened.
ListViewType applyListViewType(const std::string &path = settingsPath());

// The configuration window's values.
struct ConfigurationSettings {
    bool assistantState = false;                // ChkBoxActivAssist
    bool visibleWindow = false;                 // ChkBoxVisibleWin
    bool activateSound = false;                 // ChkBoxActivateSound
    bool history = false;                       // ChkBoxHistory
    bool multitaskWindow = false;               // ChkBoxMultitask
    bool showTextButton = false;                // ChkBoxViewBtTxt
    std::string defaultArchiveFolder;           // TxtFrameDefaultZip field
    std::string defaultArchiveExtractionFolder; // TxtFrameDefaultExtractFolder field
    bool zipType = false;                       // ChkBoxZip
    bool integration = false;                   // ChkBoxIntegration (key IntegrationEnvironnement)
    bool desktopShortcut = false;               // ChkBoxShortcut
    int32_t lastOpenPanel = 0;                  // tab page shown
};

// Values for the configuration window; nothing when the file cannot be opened
// or has no group General. Flags are true when the value converts to a
// non-zero integer. An empty DefaultArchiveFolder is given as the user's home
// folder, an empty DefaultArchiveExtractionFolder as the temporary folder
// ($TMPDIR, else "/tmp"); both with a trailing "/". LastOpenPanel is 0 when
// absent.
std::optional<ConfigurationSettings> loadConfigurationSettings(const std::string &path = settingsPath());

// Stores the window's values (flags as "0"/"1") and closes. Writes nothing
// and returns false when the file cannot be opened or has no group General;
// false as well when the write failed.
bool saveConfigurationSettings(const ConfigurationSettings &values, const std::string &path = settingsPath());

} // namespace zarvon::settings
