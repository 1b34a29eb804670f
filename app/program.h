// The desktop program's start-up, event loop, dispatch and exit paths.
//
// main() is runProgram(); tests call startProgram() instead and then drive
// the program by posting events and calling dispatchEvent() themselves, with
// the end of the process intercepted (platform/requesters.h).
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

#include "ui/platform/platform.h"

namespace zarvon::app {

// The whole program: start-up, the loop, the exit. Returns the exit code
// (0 on every path).
int runProgram(int argc, char **argv);

// Start-up up to the loop: engine, progress callback, language (a failure
// shows its message and ends the program), the first window and its
// geometry, and the archive named by the first argument. Returns false when
// the program ended during start-up.
bool startProgram(const std::vector<std::string> &arguments);

// Waits for events and dispatches them until an exit path is taken.
void runMainLoop();

// Routes one event to its operation; returns when the operation finished.
void dispatchEvent(const platform::UiEvent &event);

// The common end: the recent archives are saved while the main window exists,
// then the process ends with code 0.
void exitProgram();

// Quitting from the menu or the main window's close box: the window state is
// saved (after writing the default file when there is none), then exitProgram.
void quitSavingWindowState();

} // namespace zarvon::app
