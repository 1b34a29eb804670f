// What the settings layer holds between calls, in one record: the language
// table loaded from the chosen language file and the recent-archives list read
// from Zarvon.ini. One reset (resetSettingsState) forgets both, as at start-up;
// the program calls it when it starts, the test fixtures before each test.
#pragma once

#include <string>
#include <vector>

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
};

SettingsState &settingsState();

void resetSettingsState();

} // namespace zarvon::settings
