// The copy window (window 7): one small window for copying, moving and
// renaming a file (the file operations arrange it) and for asking the
// password and destination of a protected archive (the password arrangement,
// used by the extraction workflow).
#pragma once

#include <string>

namespace zarvon::ui {

// Creates window 7 hidden in its plain layout, titled WindowCopy, centred on
// the main window and topmost. Returns false when it could not be created.
bool buildCopyWindow();

// Creates window 7 hidden in its password arrangement, titled WindowCopyPwd:
// the red explanation lines, the masked password field (82, at most 45
// characters), the destination field (83) holding `destination`, its Browse
// button (73, disabled when `lockDestination`), Cancel (61) and Ok (62).
bool buildPasswordWindow(const std::string &destination, bool lockDestination);

// Button 63 (the folder picture): folder requester titled "Destination"; a
// non-empty answer goes into field 82.
void browseCopyDestination();

// Button 61: the password window drops its request (the next protected
// archive, if any, is asked for); the other uses just close.
void cancelCopyWindow();

// Button 62 of the password arrangement (the title tells it, as
// isPasswordWindowTitle does): the extraction with the password. Returns
// false when the window is in another use (the file operations handle those).
bool confirmCopyWindowPassword();

}  // namespace zarvon::ui
