// The platform layer: windows, controls ("gadgets"), menus, toolbar, status
// bar, tray icon and the event queue, all addressed by small integers.
//
// Every window and every control is created with its number (ui/ids.h) and
// afterwards addressed by that number only; the Qt widgets behind them never
// leave ui/platform/. Texts are UTF-8 std::string. Positions and sizes are
// pixels; control positions are relative to the window's content area, which
// starts below the menu bar. A window's width and height are those of its
// inner area, menu bar and status bar included.
//
// Who calls what: the program (ui/, operations/, app/) creates and reads
// controls and takes events with waitEvent(); tests do the same and also post
// events, read back what windows show and script the requesters (testing.h).
// Everything runs on the one user-interface thread.
//
// Modal dialogs (message boxes, questions, file and folder requesters) and the
// end of the process are not here: see requesters.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarvon::platform {

// Start and end

// Creates the application object when none exists yet (tests create their own)
// and prepares the layer: compact application font, picture decoders, the
// keyboard filter for shortcuts and Escape. Call once before anything else;
// further calls do nothing. argc/argv may be 0/nullptr.
void initPlatform(int argc = 0, char **argv = nullptr);

// The language of Qt's own texts (requesters, the explorer list's headers and
// file types): French when `french`, else Qt's built-in English.
void usePlatformLanguage(bool french);

// Frees every window, menu, toolbar, status bar and tray icon, and empties the
// event queue. The layer can be used again afterwards (tests call this
// between two cases).
void releasePlatform();

// Lets the system run its pending work (repaints, layout, file-system
// watching) for at most `milliseconds`, without taking UiEvents off the queue.
void processSystemEvents(int milliseconds = 0);

// Holds the user-interface thread for `milliseconds` (the boot screen's wait):
// windows keep repainting, user input and UiEvents that arrive meanwhile stay
// queued. Nothing when tests switched delays off.
void delay(int milliseconds);

// The system's alert sound.
void beep();

// Events

enum class EventKind {
    Control,     // a control of a window (buttons, lists, toolbar buttons ...)
    Menu,        // a menu item or a keyboard shortcut
    Tray,        // the notification-area icon
    CloseWindow, // a window's close box or Alt+F4; the window is NOT closed
    Request,     // a later start of the program handed over its arguments (takeRequest)
    Other
};

enum class EventSubtype {
    None,
    LeftClick,
    RightClick,
    LeftDoubleClick,
    Change,    // the control's content, current item or selection changed
    DragStart, // a drag began on a list's selected rows
    Drop       // files were dropped (droppedFiles); source: the control under the pointer, or -1
};

// One event of the queue. `window` is the window the event belongs to;
// `source` the control, menu item, shortcut or tray icon number.
struct UiEvent {
    EventKind kind = EventKind::Other;
    int window = -1;
    int source = -1;
    EventSubtype subtype = EventSubtype::None;
};

// Runs the system until the queue holds an event, then takes it off and
// returns it. Blocks without limit.
UiEvent waitEvent();

// Used by the progress callback during a long operation: lets the system
// repaint, throws every queued event away, and returns true when, since the
// previous call, the control `cancelButton` was clicked (pass -1 for none),
// the close box of the window holding it was clicked, or the Escape key was
// pressed in a window of the program. Presses and clicks
// from before the event that started the operation (taken by waitEvent or
// pollEvent) do not count.
bool drainEvents(int cancelButton = -1);

// Windows

enum WindowFlag : unsigned {
    WindowCloseBox = 1u << 0, // title bar with a close box
    WindowSizeable = 1u << 1,
    WindowMinimizeBox = 1u << 2,
    WindowMaximizeBox = 1u << 3,
    WindowInvisible = 1u << 4, // created hidden
    WindowScreenCentered = 1u << 5,
    WindowParentCentered = 1u << 6, // centred on the parent window
    WindowTool = 1u << 7,           // small title bar, no task-bar button
    WindowBorderless = 1u << 8,
    WindowTopmost = 1u << 9,
};

// Number handed out by openWindow() and the gadget creators when asked for
// AnyNumber. Fixed numbers are all below 100000; handed-out ones above.
constexpr int AnyNumber = -1;

// Creates window `window` (or a new number with AnyNumber) with an inner area
// of width by height at x, y (ignored when a centring flag is set), titled
// `title`. A window of that number that exists already is closed first.
// `parent` is the window it belongs to and is centred on (-1: none).
// New controls go into this window until another window is opened or
// useGadgetList() says otherwise.
// Returns the window number, or -1 when the window cannot be created.
int openWindow(int window, int x, int y, int width, int height, const std::string &title, unsigned flags,
               int parent = -1);

bool isWindow(int window);
// Destroys the window with its controls, menu, toolbar and status bar.
void closeWindow(int window);

// Shows the window without making it the active one (SW_SHOWNA).
void showWindow(int window);
void hideWindow(int window);
bool isWindowVisible(int window);
// Makes the window the active one (and visible).
void activateWindow(int window);
// The number of the active window of the program, -1 when none.
int activeWindow();

enum class WindowState { Normal, Minimized, Maximized };
void setWindowState(int window, WindowState state);
WindowState getWindowState(int window);

void setWindowTitle(int window, const std::string &title);
std::string getWindowTitle(int window);

// Keeps `Keep` values unchanged.
constexpr int Keep = -2147483647 - 1;
void resizeWindow(int window, int x, int y, int width, int height);
// Moves the window right or down as far as needed for its left and top edges
// (its title bar) to lie on the screen it is on.
void keepWindowOnScreen(int window);
// Makes the window's inner area at least `width` wide, as far as the screen
// it is on allows, moving it left when its right edge would leave the screen.
// A maximised or full-screen window is left as it is.
void widenWindow(int window, int width);
int windowX(int window);
int windowY(int window);
int windowWidth(int window);  // inner width
int windowHeight(int window); // inner height, menu bar and status bar included

// Always on top of other windows, or not.
void setWindowTopmost(int window, bool topmost);
// True when the window exists and is kept on top of other windows.
bool isWindowTopmost(int window);

// Turns the sizing border on or off.
void setWindowSizeable(int window, bool sizeable);

// Suspends or resumes the window's repainting (the menu rebuild).
void setWindowRedraw(int window, bool redraw);

// Paints picture `image` as the window's background; with `shaped`, the
// window keeps only the runs of pixels that differ from the picture's pixel at
// (0, 0), row by row, the picture's last column left out.
void setWindowPicture(int window, int image, bool shaped);

// Makes `window` the window new controls go into.
void useGadgetList(int window);

// Controls (gadgets)

// Flags of the gadget creators; each creator names the ones it understands.
enum GadgetFlag : unsigned {
    TextCenter = 1u << 0, // text, and status-bar fields
    TextRight = 1u << 1,
    TextBorder = 1u << 2,
    StringPassword = 1u << 3, // string gadget: masked characters
    StringReadOnly = 1u << 4,
    ButtonDefault = 1u << 5,
    ComboEditable = 1u << 6,
    ListCheckBoxes = 1u << 7, // list icon: a check box on each row
    ListMultiSelect = 1u << 8,
    ListFullRowSelect = 1u << 9,
    ListAlwaysShowSelection = 1u << 10,
    ListGridLines = 1u << 11,
    ExplorerNoParentEntry = 1u << 12, // explorer list without the ".." entry
    SplitterVertical = 1u << 13,      // side by side, separator upright
    ContainerBorder = 1u << 14,
    FontBold = 1u << 15,
    ListToggleSelect = 1u << 16, // list icon: a click adds its row to the selection or takes it out
    // Container: the controls created in it are laid out top to bottom across
    // its whole width, each keeping the height it was created with but the
    // last, which takes what is left, however the container is resized (the
    // way to hold several controls in one side of a splitter).
    ContainerStacked = 1u << 17,
};

// Every creator: `id` is the fixed number (or AnyNumber), the rest as named.
// A control of that number that exists already is freed first. The control is
// created in the current gadget list: the last opened window, or the open
// container or panel page (openGadgetList). Returns the number, -1 on failure.
int buttonGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags = 0);
// A button showing picture `image` (see the pictures below).
int buttonImageGadget(int id, int x, int y, int width, int height, int image);
// One-line text field; StringPassword masks it, StringReadOnly locks it.
int stringGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags = 0);
// Static text; TextCenter, TextRight, TextBorder, FontBold. "\r" or "\n" break lines.
int textGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags = 0);
int checkBoxGadget(int id, int x, int y, int width, int height, const std::string &text);
// Option buttons created one after another in the same gadget list form one
// group: choosing one clears the others. Any other control ends the group.
int optionGadget(int id, int x, int y, int width, int height, const std::string &text);
// Drop-down list; ComboEditable lets the user type. The user picking another
// item is a Change; picking the item already shown is a LeftClick.
int comboBoxGadget(int id, int x, int y, int width, int height, unsigned flags = 0);
int frameGadget(int id, int x, int y, int width, int height, const std::string &text);
// Tab control: addGadgetItem(id, -1, title) adds a page and opens its gadget
// list; closeGadgetList() ends it.
int panelGadget(int id, int x, int y, int width, int height);
// Holds other controls: opens its own gadget list until closeGadgetList().
int containerGadget(int id, int x, int y, int width, int height, unsigned flags = 0);
int progressBarGadget(int id, int x, int y, int width, int height, int minimum, int maximum);
// Report list with column headers; more columns with addGadgetColumn.
// ListCheckBoxes, ListMultiSelect, ListFullRowSelect, ListGridLines.
int listIconGadget(int id, int x, int y, int width, int height, const std::string &firstTitle, int firstWidth,
                   unsigned flags = 0);
// A one-line text field that narrows list icon `list` as the user types: only
// the rows whose first column contains the text, whatever its case, stay
// shown; an empty field shows them all. The rows are hidden, not removed:
// they keep their place, are still counted and read (ItemHidden), and come
// back as they were. A hidden row is never selected nor the current one, and
// select-all takes the shown rows only, so what a command takes from the
// selection is what the user sees selected. `hint` is shown in the empty
// field. getGadgetText/setGadgetText as a string gadget (setting the text
// narrows the list too); the user's edits queue Change events.
int filterGadget(int id, int x, int y, int width, int height, int list, const std::string &hint);
int imageGadget(int id, int x, int y, int width, int height, int image);
// Text that looks and acts like a link (colour 0xRRGGBB); a click is a
// LeftClick control event.
int hyperLinkGadget(int id, int x, int y, int width, int height, const std::string &text, std::uint32_t color);
// A page of formatted text (a subset of HTML) that the user scrolls, selects
// from and follows the page's own "#anchor" links in; it holds the keyboard
// focus like a list. setGadgetText replaces the page; getGadgetText returns
// what it shows as plain text.
int textBrowserGadget(int id, int x, int y, int width, int height, const std::string &html);
// Two controls side by side (SplitterVertical) or one above the other, with a
// movable separator; the two controls move into the splitter. When the
// splitter is resized the second control takes the change and the first keeps
// its size. A Change event is queued when the user moves the separator.
int splitterGadget(int id, int x, int y, int width, int height, int first, int second,
                   unsigned flags = SplitterVertical);

// The explorer list: files and folders of `folder` with their icons, the ".."
// entry first (unless ExplorerNoParentEntry), multiple selection, four display
// modes (ExplorerDisplay), columns name, size, type, date modified. It follows
// changes on disk. An empty or missing folder shows the user's home folder.
//   getGadgetText  the current folder, ending with "/"
//   setGadgetText  goes to that folder
//   getGadgetState the current item, -1 when none
//   countGadgetItems, getGadgetItemText(item) (the entry's name, ".." for the
//   parent), getGadgetItemState(item) (ItemFile, ItemFolder, ItemSelected),
//   setGadgetItemState(item, ItemSelected or 0).
// Readers see the folder's complete contents: they wait for the folder to be
// read when it is not yet.
// Events: Change when the folder or the selection changes, LeftClick,
// LeftDoubleClick (a double click on a folder also enters it).
int explorerListGadget(int id, int x, int y, int width, int height, const std::string &folder, unsigned flags = 0);

// What the keyboard does to an explorer list, as a file manager's keys do.
enum class ExplorerMove {
    Back,        // to the folder shown before (Alt+Left)
    Forward,     // to the folder left by Back (Alt+Right)
    Parent,      // to the folder above (Backspace, Alt+Up)
    Reload,      // reads the folder again from the disk (F5)
    OpenCurrent, // the current item as a double click opens it (Enter)
};
// Carries out `move` on explorer list `id`, queueing the events a mouse
// would (a folder change, a double click). False when there is nothing to do
// (no folder before or after, the root, no current item).
bool moveExplorer(int id, ExplorerMove move);

// The address combo: the root, the home folder and the mounted volumes, then
// the current path. getGadgetText/setGadgetText: the folder shown. A Change
// event is queued when the user picks or types a folder.
int explorerComboGadget(int id, int x, int y, int width, int height, const std::string &folder);

// Ends the gadget list opened by containerGadget or a panel page.
void closeGadgetList();
// Opens the gadget list of a container, or of page `item` of a panel.
void openGadgetList(int id, int item = -1);

bool isGadget(int id);
void freeGadget(int id);

// Texts. Button, text, string, check box, option, frame, hyperlink: caption or
// content. Combo: the chosen item's text (editable: the typed text). Explorer
// list and combo: the folder. List icon: nothing.
void setGadgetText(int id, const std::string &text);
std::string getGadgetText(int id);

// States. Check box and option: 0 or 1. Combo, panel: chosen index (-1 none).
// Progress bar: value. Splitter: position of the separator. List icon and
// explorer list: current item (-1 none). String gadget: nothing.
void setGadgetState(int id, int state);
int getGadgetState(int id);

// Items of lists, combos and panels. `position` -1 appends. For a list icon
// the text holds the columns separated by "\n".
void addGadgetItem(int id, int position, const std::string &text);
// Appends many rows to a list icon at once (long archive listings).
void addGadgetItems(int id, const std::vector<std::string> &texts);
void removeGadgetItem(int id, int item);
void clearGadgetItems(int id);
int countGadgetItems(int id);
std::string getGadgetItemText(int id, int item, int column = 0);
void setGadgetItemText(int id, int item, const std::string &text, int column = 0);

// Item state flags of list icons and explorer lists.
enum ItemFlag : int {
    ItemSelected = 1 << 0,
    ItemChecked = 1 << 1, // list icon with ListCheckBoxes
    ItemFile = 1 << 2,    // explorer list
    ItemFolder = 1 << 3,  // explorer list (also "..")
    ItemHidden = 1 << 4,  // list icon: the row is hidden by its filter (filterGadget)
};
int getGadgetItemState(int id, int item);
// Sets ItemSelected and, on list icons, ItemChecked.
void setGadgetItemState(int id, int item, int state);
// Selects every item of an explorer list or a list icon gadget at once: one
// change of the selection however many items there are (item by item, each
// change is as slow as the selection is long).
void selectAllGadgetItems(int id);
// Leaves no item selected and none current, in one change.
void clearGadgetSelection(int id);

// Columns of list icons (and the explorer list's report view).
void addGadgetColumn(int id, int position, const std::string &title, int width);
void setGadgetColumnTitle(int id, int column, const std::string &title);
std::string getGadgetColumnTitle(int id, int column);
void setGadgetColumnWidth(int id, int column, int width);
// List icons and the explorer list; 0 for other controls.
int getGadgetColumnWidth(int id, int column);
int countGadgetColumns(int id);
// The width list icon `id` needs to show its first `columns` columns whole at
// their present widths, its frame and a vertical scroll bar included.
int gadgetWidthForColumns(int id, int columns);

// How a list icon's column orders its rows when its header is clicked: Text
// compares the texts (case-insensitively), Number the leading number of the
// text ("1234", "-3%"; an empty cell comes first).
enum class ColumnSort { Text, Number };
// Makes the headers of list icon `id` sort its rows on a click (a second
// click on the same header reverses the order). `kinds` gives each column's
// kind; columns beyond it sort as Text. Until the first click the rows stay
// in the order they were added. Sorting moves rows: read them back by their
// texts, not by the position they had when added.
void setGadgetColumnSort(int id, const std::vector<ColumnSort> &kinds);
// The order a header click (or sortGadgetItems) last gave list icon `id`:
// its column, or -1 while the rows keep the order they were added in.
struct GadgetSort {
    int column = -1;
    bool descending = false;
};
GadgetSort getGadgetSort(int id);
// Sorts list icon `id`'s rows by `column` as its header would, and shows the
// header's arrow; nothing for a column it does not have.
void sortGadgetItems(int id, int column, bool descending);
// Right-aligns the cells and the header of list icon `id`'s `column`, as
// figures are read: units under units. Costs nothing per row.
void setGadgetColumnRightAligned(int id, int column);

// Explorer list display modes.
enum class ExplorerDisplay { Details, LargeIcons, SmallIcons, List };
void setExplorerDisplay(int id, ExplorerDisplay mode);
ExplorerDisplay getExplorerDisplay(int id);

// Attributes.
enum class GadgetAttribute {
    ProgressMinimum,
    ProgressMaximum,
    StringMaxLength, // characters a string gadget accepts
    SplitterFirstMinimum,
    SplitterSecondMinimum,
};
void setGadgetAttribute(int id, GadgetAttribute attribute, int value);

void disableGadget(int id, bool disabled);
void hideGadget(int id, bool hidden);
bool isGadgetHidden(int id);

// Moves and resizes; Keep leaves a value as it is.
void resizeGadget(int id, int x, int y, int width, int height);

// Anchors: the edges of the control that follow the matching edges of the
// window when the window is resized (from the geometry at the time of the
// call). Left and top alone is the default.
void anchorGadget(int id, bool left, bool top, bool right, bool bottom);

// Keyboard focus.
void setActiveGadget(int id);
int activeGadget();
// The list icon or explorer list that had the keyboard focus last, or -1:
// the list a command on "the selection" takes, wherever the focus went since
// (a toolbar button, a menu).
int lastFocusedList();

// Text colour, 0xRRGGBB.
void setGadgetTextColor(int id, std::uint32_t color);
// Font of the control: family ("" keeps it), point size (0 keeps it), bold.
void setGadgetFont(int id, const std::string &family, int pointSize, bool bold);

// Plain tooltip; an empty text removes it.
void setGadgetToolTip(int id, const std::string &text);
std::string getGadgetToolTip(int id);
// Balloon tooltip with an optional title, at most 180 pixels wide.
void setGadgetBalloonToolTip(int id, const std::string &text, const std::string &title);

// Drag and drop

// Lets window `window` take files dropped from other programs (a URI list of
// local files). A drop queues a Control event with subtype Drop whose source
// is the control under the pointer among `targets` (or -1 when the pointer is
// over none of them); droppedFiles and dropMoves then say what was dropped.
// Drops of anything else are refused.
void enableFileDrops(int window, const std::vector<int> &targets);
// The local paths of the last drop, in the order given.
std::vector<std::string> droppedFiles();
// Whether Shift was held at the last drop (the user asks for a move).
bool dropMoves();

// Drags `paths` (local files or folders) out of control `id` as a URI list,
// offering a copy. Call it while the mouse button that began the drag is
// still down (on its DragStart event); returns when the drag ends.
void startFileDrag(int id, const std::vector<std::string> &paths);

// Pictures

// The program's own pictures, drawn by the layer (no files needed).
enum class Picture {
    IconCompress, // 48 x 48 toolbar icons
    IconExtract,
    IconCheck,
    IconInfo,
    IconConfiguration,
    IconAssistant,
    IconDelete,
    IconHelp,
    ToolBarBackground, // 1024 x 56 strip background
    TrayIcon,          // 16 x 16
    BootScreen,        // 402 x 135, transparent colour at (0, 0)
    AboutPicture,      // 204 x 84
    FolderButton,      // 24 x 20, the "choose a folder" picture button
};
// The image number of a built-in picture (created on first use).
int pictureImage(Picture picture);
// Loads a picture file (PNG, JPEG, BMP, ICO); returns its number, -1 on failure.
int loadImage(int image, const std::string &path);
bool isImage(int image);
int imageWidth(int image);
int imageHeight(int image);

// Menus

// Creates the menu bar `menu` of `window`, replacing the window's menu bar.
// Items added next go into it until another menu is created.
bool createMenu(int menu, int window);
// A popup menu, shown with displayPopupMenu.
bool createPopupMenu(int menu);
bool isMenu(int menu);
void freeMenu(int menu);

void menuTitle(const std::string &title);
// A "\t" in the text right-aligns what follows (the shortcut text).
void menuItem(int item, const std::string &text);
void menuBar(); // separator
void openSubMenu(const std::string &title);
void closeSubMenu();

// Check marks. Menu items report Menu events with the item as source and the
// window of the menu bar (popup menus: the window given to displayPopupMenu).
void setMenuItemState(int menu, int item, bool checked);
bool getMenuItemState(int menu, int item);

// Greys out an item (or gives it back); a greyed item shows `toolTip`, which
// says why.
void setMenuItemEnabled(int menu, int item, bool enabled, const std::string &toolTip = {});

// Shows popup `menu` at the mouse pointer, owned by `window`.
void displayPopupMenu(int menu, int window);

// Keyboard shortcuts

// `keys` in the usual notation ("Ctrl+O", "Delete", "Return"). The shortcut is
// taken before the focused control of the window sees the key, and reported as
// a Menu event with `event` as source.
void addKeyboardShortcut(int window, const std::string &keys, int event);
void removeKeyboardShortcuts(int window);

// Toolbar

enum class ToolBarForm {
    Pictures, // picture buttons with tooltips
    Captions, // picture buttons with their caption beside the picture
};

// A strip of `height` pixels across the top of the window's content area,
// `width` pixels wide (filled up to that width whatever the window's width).
bool createToolBar(int toolbar, int window, ToolBarForm form, int height, int width);
bool isToolBar(int toolbar);
void freeToolBar(int toolbar);
void setToolBarBackground(int toolbar, int image);
// Adds a button with picture `image` and `caption` (shown in the caption form
// only). Returns the identifier handed out for it; its clicks are Control
// events (LeftClick) of the toolbar's window with that source.
int toolBarButton(int toolbar, int image, const std::string &caption);
void toolBarGap(int toolbar, int pixels);
void toolBarSeparator(int toolbar);
void setToolBarButtonCaption(int toolbar, int button, const std::string &caption);
void setToolBarButtonToolTip(int toolbar, int button, const std::string &text);
int toolBarHeight(int toolbar);
// The width the toolbar's buttons, gaps and separators take from its left
// edge: what a window needs to show them all.
int toolBarContentWidth(int toolbar);

// Status bar

// Creates status bar `bar` at the bottom of `window` (replacing one that exists).
bool createStatusBar(int bar, int window);
bool isStatusBar(int bar);
void freeStatusBar(int bar);
// Fields are added left to right, each `width` pixels wide.
void addStatusBarField(int bar, int width);
void statusBarText(int bar, int field, const std::string &text, unsigned flags = 0);
int statusBarHeight(int bar);

// Notification area

bool isSysTrayAvailable();
// Adds icon `icon` showing `image`, owned by `window`. Its clicks are Tray
// events: LeftDoubleClick and RightClick (reported on release).
bool addSysTrayIcon(int icon, int window, int image);
bool isSysTrayIcon(int icon);
void removeSysTrayIcon(int icon);
void setSysTrayIconToolTip(int icon, const std::string &text);
void showSysTrayBalloon(int icon, const std::string &title, const std::string &text, int milliseconds);

// Single instance

// Takes the program's instance lock `name` (a lock file in the user's runtime
// folder, or in the folder tests set with setInstanceLockFolder). The system
// releases it when the process ends, also after a crash. Returns false when
// another running process holds it.
bool acquireInstanceLock(const std::string &name);
void releaseInstanceLock();
// True while this process holds the instance lock.
bool holdsInstanceLock();

// The request channel: a later start of the program, refused by the lock,
// hands its arguments over to the running one instead of dropping them. The
// channel is a local socket of the user's alone (only the owner may connect)
// named after the lock and the user, beside the lock file.

// Opens the channel `name` for requests. Call it while holding the instance
// lock: a socket of that name left behind by a process that crashed is then
// stale by definition and is replaced. Every request received queues one
// event of kind Request. False when the channel cannot be opened.
bool listenForRequests(const std::string &name);
// Closes the channel (also done by releasePlatform).
void stopListening();
// Hands `arguments` to the process listening on `name` and waits up to
// `timeoutMilliseconds` for it to confirm it took them; a channel not open
// yet (the running process is still starting) is tried again meanwhile.
// True when the running process confirmed.
bool sendRequest(const std::string &name, const std::vector<std::string> &arguments, int timeoutMilliseconds);
// Takes the oldest request received and not yet taken into `arguments`;
// false when none is waiting. Requests stay waiting until taken, also when
// their event was thrown away during a long operation.
bool takeRequest(std::vector<std::string> &arguments);
// The full path of the channel `name` (tests make a stale one there).
std::string requestChannelPath(const std::string &name);

} // namespace zarvon::platform
