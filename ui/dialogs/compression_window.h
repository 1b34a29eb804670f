// The compression window (window 2): name, location, format, type and
// password of a new archive. Its Ok and Cancel buttons and its format box are
// the compression workflow's (operations/compression.h); the controls that
// only change the window itself are handled here.
#pragma once

namespace zarvon::ui {

// Creates window 2 hidden, centred on the main window (on the screen when
// there is none) and topmost, with every control in its initial state:
// ".zip" the only format, "Deflate" chosen, both password fields masked,
// "Crypter le nom des fichiers" disabled, "Keep full paths" (ChkKeepFullPaths)
// unchecked. Returns false when the window could
// not be created. The caller fills and shows it (startCompressionCommand).
bool buildCompressionWindow();

// Button 49 ("..."): folder requester titled TxtSelectDirectory; the chosen
// folder goes into the location field (a cancelled requester changes nothing).
// A folder named there that does not exist yet is made; when it cannot be,
// MsgFolderNotMade names it and the field keeps its text.
void browseCompressionLocation();

// Box 88 (TxtShowPwd): the two password fields are recreated in place, in
// clear when the box is ticked, masked otherwise; their texts stay.
void applyShowPasswords();

// The close box: the window closes (the program goes on even without a main
// window; only Cancel ends it then).
void closeCompressionWindow();

} // namespace zarvon::ui
