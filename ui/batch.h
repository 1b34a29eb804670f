// The batch modes of the desktop program (operations/batch.h): extraction of
// archives next to themselves or into a folder, and compression of files,
// for file managers and scripts. No main window: only the progress window
// (with its Cancel button), the password and overwrite questions, the
// folder requester of --extract and the compression window of --compress
// show; every failure is shown in a message box and gives a non-zero status.
// User-interface thread only.
#pragma once

#include "operations/batch.h"

namespace zarvon::ui {

// Carries out `command` (a batch mode, not None, Help or Wrong). Returns the
// exit status: 0 when everything was done, 1 when something failed or was
// cancelled, 2 when the input was refused before anything was written; or
// -1 when a window now waits for the user (--compress): the event loop
// runs, and the window ends the program when it is done.
int runBatch(const operations::BatchCommand &command);

} // namespace zarvon::ui
