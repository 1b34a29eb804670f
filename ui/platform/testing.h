// What tests use of the platform layer beyond what the program uses: posting
// and polling events, reading back what a window shows, clicking toolbar
// buttons and menu items as a user would, pictures of windows, switching the
// waits off, a private folder for the instance lock, and the dialog script
// that answers the requesters.
//
// Only tests (and the files of ui/platform/ that implement these calls)
// include this header; the program never does. Everything here runs on the
// user-interface thread, as the rest of the layer.
#pragma once

#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

#include <functional>
#include <string>
#include <vector>

namespace zarvon::platform {

// Start and end

// Delays can be switched off (tests, where the boot screen's wait only slows
// the run down); on by default.
void setDelaysEnabled(bool enabled);

// Folder of the instance lock file; empty restores the default.
void setInstanceLockFolder(const std::string &folder);

// Events

// Takes the next event off the queue when there is one, after letting the
// system run for at most `timeoutMilliseconds`. Returns false when none came.
// Like waitEvent, it forgets the Escape presses and Cancel clicks from before
// the event it takes.
bool pollEvent(UiEvent &event, int timeoutMilliseconds = 0);

// Appends an event to the queue, as if the user had caused it.
void postEvent(const UiEvent &event);

// Number of events waiting in the queue.
int pendingEventCount();

// Reading back windows and controls

// The sizes, in pixels, of the picture `window` shows in its title bar; empty
// when it has none.
std::vector<int> windowIconSizes(int window);

// Writes a picture of the window's inner area as PNG (screenshot tests).
// False when there is no such window or the file cannot be written.
bool saveWindowPicture(int window, const std::string &pngPath);

bool isGadgetDisabled(int id);
// The value set with setGadgetAttribute; 0 when the control has no such
// attribute.
int getGadgetAttribute(int id, GadgetAttribute attribute);
// Geometry relative to the control's parent; 0 when there is no such control.
int gadgetX(int id);
int gadgetY(int id);
int gadgetWidth(int id);
int gadgetHeight(int id);
// A click on the header of `column` of list icon `id` (getGadgetColumnWidth
// is in platform.h).
void clickGadgetColumnHeader(int id, int column);
// The left mouse button on list icon `id`'s viewport, as the user's mouse
// does it: pressed on `row` (Ctrl held when `control`), moved by `dx`
// pixels across it, released. The events go through the list's own filters.
void pressGadgetRow(int id, int row, bool control = false);
void moveGadgetMouse(int id, int dx);
void releaseGadgetMouse(int id);
// A double click on `row`: press, release, double click, release.
void doubleClickGadgetRow(int id, int row);

// Where list icon `id` paints the text of `row`'s cell in `column`: the
// leftmost and rightmost painted pixel, in the cell's own coordinates, and
// the cell's width; {-1, -1, 0} when nothing is painted there.
struct CellInk {
    int left = -1;
    int right = -1;
    int width = 0;
};
CellInk gadgetCellInk(int id, int row, int column);

// Drags: startFileDrag only records its paths (no drag loop), readable with
// lastDraggedFiles.
void recordFileDrags(bool record);
std::vector<std::string> lastDraggedFiles();

// Menus, toolbar, status bar

// The item's text without mnemonic marks; "" when there is no such item.
std::string getMenuItemText(int menu, int item);
bool hasMenuItem(int menu, int item);
// The visible entries of a menu in order: each title or item text, "-" for a
// separator, sub-menus as "title>" then their entries then "<".
std::vector<std::string> menuOutline(int menu);
// Triggers an item as the user would: queues its Menu event.
void triggerMenuItem(int menu, int item);

std::string getToolBarButtonCaption(int toolbar, int button);
std::string getToolBarButtonToolTip(int toolbar, int button);
// Clicks a toolbar button as the user would: queues its Control event.
void clickToolBarButton(int toolbar, int button);

std::string getStatusBarText(int bar, int field);

// Dialog script

// The code given to endProcess while the end of the process was intercepted.
int requestedExitCode();

enum class DialogKind {
    Message,
    YesNo,
    OpenFile,
    SaveFile,
    Folder,
    OpenDocument,
    Replace,
    StartProgram,
    Text,
    Choice
};

// One dialog as it was shown.
struct ShownDialog {
    DialogKind kind = DialogKind::Message;
    std::string caption; // caption or requester title
    std::string text;    // message text; requester: default file or initial folder; document: its path;
                         // program start: the program and its arguments, one a line
    MessageIcon icon = MessageIcon::None;
    unsigned flags = 0; // MessageFlag bits
    std::string filter; // file requesters
    int filterIndex = 0;
    bool forAll = false; // Replace: the "to all" answers were offered
    bool noByDefault = false; // YesNo: No is the default button
};

// One expected dialog and its answer. Empty `caption`, `text` and
// `textContains` match anything; `icon` is checked unless `anyIcon`.
struct ScriptStep {
    DialogKind kind = DialogKind::Message;
    std::string caption{};
    std::string text{};
    std::string textContains{};
    MessageIcon icon = MessageIcon::None;
    bool anyIcon = true;
    std::string answer{};                          // requesters: the path chosen ("" = cancelled)
    bool yes = false;                              // YesNo
    ReplaceAnswer replace = ReplaceAnswer::Cancel; // Replace
    int choice = -1;                               // Choice: the button's index, -1 closed
};

// Starts script mode (also intercepts endProcess). Every dialog must match the
// next step in order; `failure` receives one line per fault.
void beginScript(std::function<void(const std::string &)> failure);
void expectDialog(const ScriptStep &step);
// Shorthands.
void expectMessage(const std::string &caption, const std::string &text, MessageIcon icon);
void expectOpenFile(const std::string &answer);
void expectSaveFile(const std::string &answer);
void expectFolder(const std::string &answer);
void expectYesNo(bool yes);
// opens: whether an application was found to open it.
void expectOpenDocument(bool opens = true);
// A program started with `arguments` (one a line, the program first); starts:
// whether it could be started.
void expectStartProgram(const std::string &arguments, bool starts = true);
// A replace question; `forAll` is whether it must offer the "to all" answers.
void expectReplace(ReplaceAnswer answer, bool forAll);
// A text question answered with `answer` ("" with yes false: cancelled).
void expectText(const std::string &answer, bool ok = true);
// A choice among buttons answered with button `index`.
void expectChoice(int index);
// Every dialog shown since beginScript.
const std::vector<ShownDialog> &shownDialogs();
// Number of expected steps not yet used.
int unusedSteps();
// Ends script mode: reports unused steps to the failure handler and clears
// the record and the exit interception.
void endScript();
bool scriptActive();

// Intercepting the end of the process alone (without a dialog script).
void interceptExit(bool intercept);
// Forgets a recorded exit request (tests that continue after one).
void clearExitRequest();

} // namespace zarvon::platform
