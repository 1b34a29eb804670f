#include "settings/settings_state.h"

namespace zarvon::settings {

SettingsState &settingsState()
{
    static SettingsState state;
    return state;
}

void resetSettingsState() { settingsState() = SettingsState{}; }

} // namespace zarvon::settings
