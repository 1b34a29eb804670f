// The copy window (window 7): one small window for copying, moving and
// renaming a file (the file operations arrange it) and for asking the
// password and destination of a protected archive (the password arrangement,
// used by the extraction workflow).
#pragma once

#include <string>

namespace zarvon::ui {

// Why window 7 is open. Recorded when the window is built, so that Ok and
// Cancel never have to guess it from the title (a language file is free to
// give the titles any text).
enum class CopyWindowUse { Copy, Move, Rename, Password };

// The use of the open window 7; meaningful only while isWindow(WindowCopy).
CopyWindowUse copyWindowUse();
// Window 7 is open in its password arrangement.
bool isPasswordWindowOpen();

// Creates window 7 hidden in its plain layout, titled WindowCopy, centred on
// the main window and topmost, for a copy. Returns false when it could not
// be created.
bool buildCopyWindow();

// Creates window 7 hidden for a copy or a move: the plain layout titled
// WindowCopy or CutZip, `prompt` in the upper text (two lines at most).
bool buildTransferWindow(CopyWindowUse use, const std::string &prompt);

// Creates window 7 hidden for a rename, titled TxtNomFenRenommer: `prompt`
// above, TxtFileName beside the field (85, 35, 170 wide) that holds
// `baseName`, and "." + `extension` in text 40 after it (no text 40 when the
// name has no extension). The folder button is not there.
bool buildRenameWindow(const std::string &prompt, const std::string &baseName, const std::string &extension);

// How the password window shows where the entries go.
enum class PasswordDestination {
    Editable, // the user chooses the folder
    Locked,   // the folder is already chosen: shown, not changeable
    None,     // the entries go to a private folder: no destination row
};

// Creates window 7 hidden in its password arrangement, titled WindowCopyPwd:
// the red explanation lines, the masked password field (82, at most 45
// characters), the destination field (83) holding `destination` with its
// Browse button (73) as `shown` says, Cancel (61) and Ok (62).
bool buildPasswordWindow(const std::string &destination, PasswordDestination shown);

// Button 63 (the folder picture): folder requester titled "Destination"; a
// non-empty answer goes into field 82.
void browseCopyDestination();

// Button 61: the password window drops its request (the next protected
// archive, if any, is asked for); the other uses just close.
void cancelCopyWindow();

// Button 62 of the password arrangement: the extraction with the password.
// Returns false when the window is in another use (the file operations
// handle those).
bool confirmCopyWindowPassword();

} // namespace zarvon::ui
