// What the windows remember between two events, in one record. Each workflow
// keeps its part here rather than in variables of its own file, so that one
// reset (resetUiState) brings the whole user interface back to the state of a
// fresh start: the program calls it when it starts, the test fixtures before
// each test.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/boot_screen.h"
#include "ui/dialogs/assistant_window.h"
#include "ui/dialogs/copy_window.h"
#include "ui/extraction.h"
#include "ui/platform/platform.h"

namespace zarvon::ui {

// The main window's toolbar as it was last built.
struct MainWindowState {
    bool hasToolBar = false;
    platform::ToolBarForm form = platform::ToolBarForm::Pictures;
    // Control numbers of the eight toolbar buttons, -1 before they exist.
    std::array<int, 8> buttons{-1, -1, -1, -1, -1, -1, -1, -1};
};

// The open progress window and its handed-out control numbers (-1: none).
struct ProgressWindowState {
    int window = -1;
    int fileText = -1;
    int fileBar = -1;
    int overallText = -1;
    int overallBar = -1;
    int cancel = -1;
    int overall = 0;
};

// The assistant's window while it exists.
struct AssistantState {
    AssistantPage page = AssistantPage::Welcome;
    std::string archivePath; // the archive to create, taken when leaving the name page
};

// Tray mode (ui/tray.h).
struct TrayModeState {
    bool inTray = false;
    // The main window's state when it went to the tray, given back on return.
    platform::WindowState stateBefore = platform::WindowState::Normal;
    // The missing notification area was explained once this run.
    bool toldNoTray = false;
};

// The archive list's entries opened with the desktop or dragged out: each
// went to a private folder of its own, removed when the program ends.
// The password that opened entries of the shown archive is kept while that
// archive stays shown, so that the next entry opened or dragged out of it is
// not asked for again.
struct ArchiveListState {
    std::vector<std::string> temporaryFolders;
    std::string passwordArchive; // the archive `password` opened; "" when none
    std::string password;
    // The word the method column shows for a stored entry, in the language
    // the list was filled in.
    std::string storedWord;
    // The order the user gave the list by its headers (column -1: the
    // archive's own), carried over to the next list the window builds.
    int sortColumn = -1;
    bool sortDescending = false;
    bool sortKnown = false; // false until read from the file or taken from a list
    // The archive side's width the user gave the divider beside the explorer
    // list, carried to the next layout; 0 while it was never moved this run.
    int divider = 0;
    // The folder view: one folder of the archive at a time. `folder` is the
    // one shown ("" the top, else ending with "/") of `folderArchive`;
    // `names` every entry of the archive listed, for the rows of a folder.
    bool folders = false;
    bool foldersKnown = false; // false until read from the file
    std::string folder;
    std::string folderArchive;
    std::vector<std::string> names;
};

struct UiState {
    MainWindowState mainWindow;
    AssistantState assistant;
    // Why the copy window is open: it looks the same for a copy, a move, a
    // rename and a password.
    CopyWindowUse copyWindowUse = CopyWindowUse::Copy;
    // The items the open copy window acts on, as selected when it opened.
    std::vector<std::string> fileOperationItems;
    // The files the compression window was opened with from the command
    // line (no explorer list to take them from); empty otherwise.
    std::vector<std::string> givenCompressionItems;
    // The archive shown in the archive list; empty when none is.
    std::string shownArchive;
    // The password window's request first, then those waiting for it.
    std::deque<PasswordRequest> passwordRequests;
    // Where the last ZIP extraction went, offered again by the password pass.
    std::string lastZipDestination;
    ProgressWindowState progress;
    // Set by the progress window's Cancel (or Escape), read between steps.
    bool cancelRequested = false;
    // Ending sounds played since the start (the compression window's option).
    int32_t endSounds = 0;
    TrayModeState tray;
    ArchiveListState archiveList;
    BootScreenRecord bootScreen;
    // Test seam: told of every byte-progress step of a running job.
    std::function<void(const std::string &, float)> progressObserver;
};

UiState &uiState();

// Forgets everything above: no archive shown, no password asked, no progress
// window, no cancel pending.
void resetUiState();

} // namespace zarvon::ui
