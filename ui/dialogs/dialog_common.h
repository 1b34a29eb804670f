// Small helpers shared by the dialog windows.
#pragma once

#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "base/paths.h"
#include "settings/setting_keys.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"

namespace zarvon::ui {

// The window a dialog is centred on: the main window when it is shown, else
// `fallback` when it exists, else none (-1: centred on the screen).
inline int dialogParent(int fallback = -1)
{
    namespace pf = zarvon::platform;
    if (pf::isWindow(ids::WindowMain) && pf::isWindowVisible(ids::WindowMain))
        return ids::WindowMain;
    if (fallback >= 0 && pf::isWindow(fallback))
        return fallback;
    return -1;
}

inline unsigned centring(int parent)
{
    namespace pf = zarvon::platform;
    return parent >= 0 ? pf::WindowParentCentered : pf::WindowScreenCentered;
}

// The compact face for captions that the window's layout leaves little room.
inline void condensed(int id) { zarvon::platform::setGadgetFont(id, "DejaVu Sans Condensed", 0, false); }

// The user's home folder with its trailing "/" (where "C:\" was the start).
using base::homeFolder;

// Where a requester or a location field starts: the folder the configuration
// window sets for it when there is one and it exists, else `fallback` when
// there is one, else the home folder.
inline std::string startFolder(const settings::SettingKey &configured, const std::string &fallback = {})
{
    const std::string folder = settings::settingText(configured);
    struct stat info {};
    if (!folder.empty() && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return base::withTrailingSlash(folder);
    return fallback.empty() ? homeFolder() : base::withTrailingSlash(fallback);
}

} // namespace zarvon::ui
