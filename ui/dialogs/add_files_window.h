// The add-files window (window 6): an explorer list in which the assistant's
// user chooses the files and folders to compress (assistantCompress reads its
// selection). Its Add and Cancel buttons are the assistant's.
#pragma once

namespace zarvon::ui {

// Creates window 6 hidden, resizable, topmost, centred on the assistant (or
// the main window), its explorer list (134) in the user's home folder with
// large icons, and above it the folder it shows (TxtAddFilesFolder). Enter
// on a folder of the list opens it, as a double click does. Returns false
// when the window could not be created.
bool buildAddFilesWindow();

// An event of the explorer list (134): the folder line follows the folder
// the list shows.
void showAddFilesFolder();

} // namespace zarvon::ui
