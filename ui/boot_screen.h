// The boot screen (window 8): the 402 by 135 boot picture in a borderless
// window of 440 by 160, centred on the screen and shaped to the picture's
// runs of non-transparent pixels, shown for 1800 ms while the main window is
// being built. Shown by buildMainWindow and buildMainWindowWithoutToolbar,
// never by the dispatch. User-interface thread only.
#pragma once

namespace zarvon::ui {

// Opens window 8 (title from key BootScreen), shows it, waits 1800 ms without
// taking events off the queue, and closes it. New controls go into the main
// window again afterwards.
void showBootScreen();

// How often the boot screen was shown since the start (kept in UiState), and
// whether the main window was visible the last time: the build shows it
// before the main window appears.
struct BootScreenRecord {
    int shown = 0;
    bool mainWindowVisibleAtLastShow = false;
};
const BootScreenRecord &bootScreenRecord();

} // namespace zarvon::ui
