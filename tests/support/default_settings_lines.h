// The lines of a freshly written default settings file, shared by the suites
// that check the file the program writes on its first quit.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_ops.h"

namespace zarvon::testing {

// The default file's lines without their CR LF ends, up to the window
// section, which the saved window state adds after them.
inline std::vector<std::string> defaultSettingsLines()
{
    return {
        std::string("; ") + settings::SettingsBanner,
        "; Default Parameters",
        "[General]",
        "AssistantState = 0",
        "VisibleWindow = 1",
        "ActivateSound = 1",
        "History = 1",
        "MultitaskWindow = 1",
        "ShowTextButton = 0",
        "; ",
        "; Compression parameters",
        "[Compression]",
        "DefaultArchiveFolder = ",
        "DefaultArchiveExtractionFolder = ",
        "; ",
        "; Integration Parameters",
        "[Integration]",
        "ZipType = 0",
        "IntegrationEnvironnement = 0",
        "DesktopShortcut = 0",
        "; ",
        "; WindowView",
    };
}

} // namespace zarvon::testing
