// What the settings layer holds between calls, in one record: the language
// table loaded from the chosen language file, the recent-archives list read
// from Zarvon.ini and the program paths worked out from the executable. One
// reset (resetSettingsState) forgets them all, as at start-up; the program
// calls it when it starts, the test fixtures before each test.
#pragma once

#include <string>
#include <vector>

#include "settings/paths.h"

namespace zarvon::settings {

// One "key=value" line of the language file, as loaded.
struct LanguageRecord {
    std::string key;
    std::string value;
};

struct SettingsState {
    std::vector<LanguageRecord> languageTable;
    // Most recent first, as the File menu lists them.
    std::vector<std::string> recentArchives;
    // Worked out on first use from the executable and the environment
    // (HOME, XDG_CONFIG_HOME, which language files exist). Kept in place
    // rather than optional, so that a path handed out stays a valid string.
    ProgramPaths programPaths;
    bool programPathsKnown = false;
};

SettingsState &settingsState();

void resetSettingsState();

} // namespace zarvon::settings
