// The one seam for modal interactions and for the end of the process.
//
// Message boxes, yes/no questions, file, save and folder requesters, opening
// a document or address with the desktop's handler, starting another program,
// and ending the process all go through these functions. Normally they show
// the real dialogs. A test
// installs a script instead (testing.h): every dialog is then recorded and
// answered from the script; a dialog the script does not expect, or a scripted
// answer left unused when the script ends, is reported to the failure handler
// at once (tests/support turns that into a test failure), so a forgotten
// answer never makes a test hang.
#pragma once

#include <string>
#include <vector>

namespace zarvon::platform {

enum class MessageIcon { None, Error, Warning, Information, Question };

enum MessageFlag : unsigned {
    MessageRightToLeft = 1u << 0, // right-to-left reading order
    MessageTopmost = 1u << 1,
};

// A message box with an OK button. Returns when the user closed it.
void messageBox(const std::string &caption, const std::string &text, MessageIcon icon, unsigned flags = 0);

// A question with Yes and No; true for Yes.
// `noByDefault`: No is the button Enter presses, for a question whose Yes
// cannot be undone.
bool askYesNo(const std::string &caption, const std::string &text, MessageIcon icon = MessageIcon::Question,
              bool noByDefault = false);

// The question asked before an item replaces another of the same name:
// Yes, No and Cancel, and with `forAll` also "Yes to all" and "No to all"
// (several items are on their way).
enum class ReplaceAnswer { Yes, YesToAll, No, NoToAll, Cancel };
ReplaceAnswer askReplace(const std::string &caption, const std::string &text, bool forAll);

// A line of text asked for, under `text`, starting as `initial` (hidden as
// typed with `secret`). False when the user cancelled.
bool askText(const std::string &caption, const std::string &text, std::string &answer,
             const std::string &initial = {}, bool secret = false);

// A question answered by one of `buttons` (their texts, the first the
// default). The index of the button, -1 when the box was closed.
int askChoice(const std::string &caption, const std::string &text, const std::vector<std::string> &buttons);

// File requesters. `filter` is "Name(*.a)|*.a;*.b|Other(*.c)|*.c" (pairs of
// label and patterns); `filterIndex` is the 0-based pair shown first.
// The result is the chosen path, empty when the user cancelled.
std::string openFileRequester(const std::string &title, const std::string &defaultFile, const std::string &filter,
                              int filterIndex);
std::string saveFileRequester(const std::string &title, const std::string &defaultFile, const std::string &filter,
                              int filterIndex);
// Folder requester; the result ends with "/" and is empty when cancelled.
// With `mayBeNew` a folder typed by name is accepted although it does not
// exist yet (the caller makes it); otherwise the requester insists on an
// existing folder.
std::string folderRequester(const std::string &title, const std::string &initialFolder, bool mayBeNew = false);

// Opens a file or web address with the desktop's handler (the shell verb
// "open"). Returns false when no handler took it.
bool openWithDesktop(const std::string &pathOrAddress);

// Starts `arguments[0]` (a full path) with the rest as its arguments, in a
// process of its own that outlives this one. False when it could not be
// started.
bool startProgram(const std::vector<std::string> &arguments);

// Ends the process with `code` after releasing the platform layer. When a
// test intercepts it, it only records the code and returns: callers return at
// once after calling it, and the main loop stops (exitRequested()).
void endProcess(int code);
bool exitRequested();

} // namespace zarvon::platform
