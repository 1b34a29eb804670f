// Small helpers shared by the dialog windows.
#pragma once

#include <cstdlib>
#include <string>

#include "base/paths.h"
#include "ui/ids.h"
#include "ui/platform/platform.h"

namespace zarvon::ui {

// The window a dialog is centred on: the main window when it is shown, else
// `fallback` when it exists, else none (-1: centred on the screen).
inline int dialogParent(int fallback = -1) {
    namespace pf = zarvon::platform;
    if (pf::isWindow(ids::WindowMain) && pf::isWindowVisible(ids::WindowMain)) return ids::WindowMain;
    if (fallback >= 0 && pf::isWindow(fallback)) return fallback;
    return -1;
}

inline unsigned centring(int parent) {
    namespace pf = zarvon::platform;
    return parent >= 0 ? pf::WindowParentCentered : pf::WindowScreenCentered;
}

// The compact face for captions that the window's layout leaves little room.
inline void condensed(int id) {
    zarvon::platform::setGadgetFont(id, "DejaVu Sans Condensed", 0, false);
}

// The user's home folder with its trailing "/" (where "C:\" was the start).
using base::homeFolder;

}  // namespace zarvon::ui
