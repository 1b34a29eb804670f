// The file operations of the main explorer list: copy, move and rename
// through the copy window (window 7), and delete to the desktop's trash.
//
// Copy and move act on every selected item (the window's prompt names
// them); rename acts on the last selected item in list order, which the
// prompt names. Nothing is replaced without asking (Yes / No / Cancel, with
// "to all" when several items are on their way), and every failure is told
// with the item and the reason. The explorer list shows the result at once.
//
// Message boxes have the caption "Zarvon" unless said otherwise.
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace zarvon::ui {

// Ctrl+C / MenuCopyZip, Ctrl+X / MenuCutZip, Ctrl+R / MenuRenameZip: without
// a selection, MsgOfselection captioned "Impossible"; otherwise window 7
// opens in that use.
void copySelection();
void moveSelection();
void renameSelection();

// MenuDelete / the toolbar's delete button: asks (Yes/No), naming the
// items, then sends every selected item of the explorer list to the trash,
// from the last to the first. The archive shown in the archive list is
// closed from the window first when it is among them (or in a folder that
// is). What could not go stays where it was and is told with its reason.
void deleteSelection();

// Shift+Delete in the explorer list: after its own question, whose default
// answer is No, removes every selected item for good, not to the trash.
// What could not be removed is told with its reason.
void deleteSelectionForGood();

// The Delete key: acts on the control that has the keyboard focus, so
// deleteSelection for the explorer list and nothing for any other (a text
// field never sees this: the key edits its text).
void deleteFocusedItems();

// Button 62 in the copy, move and rename uses. An empty field does nothing.
// Copy and move need an existing folder (else a message, and the window
// stays); rename keeps the old extension.
void confirmFileOperationWindow();

// Copies (or moves) `items` into the folder `destination` as the copy
// window's OK does: with the progress window, the replace questions and the
// failures told. Used for files dropped onto the explorer list.
void transferItemsTo(const std::vector<std::string> &items, const std::string &destination, bool move);

} // namespace zarvon::ui
