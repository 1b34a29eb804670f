// Shared state of the platform layer's Qt implementation. Only the files of
// ui/platform/ include this header.
#pragma once

#include "ui/platform/platform.h"

#include <QAction>
#include <QButtonGroup>
#include <QKeySequence>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTranslator>
#include <QMainWindow>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QPointer>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAbstractItemView;
class QEventLoop;
class QLabel;
class QLocalServer;

namespace zarvon::platform::detail {

inline QString qs(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
inline std::string ss(const QString &text) { return text.toUtf8().toStdString(); }
// Captions where "&" would otherwise mark a mnemonic.
inline QString caption(const std::string &text) { return qs(text).replace(QLatin1Char('&'), QStringLiteral("&&")); }

enum class Kind {
    Button,
    ButtonImage,
    String,
    Text,
    CheckBox,
    Option,
    Combo,
    Frame,
    Panel,
    Container,
    Progress,
    ListIcon,
    Image,
    HyperLink,
    Splitter,
    ExplorerList,
    ExplorerCombo,
    TextBrowser
};

struct Anchors {
    bool active = false;
    bool left = true, top = true, right = false, bottom = false;
    QRect base;       // geometry when anchored
    QSize parentBase; // the window's size when anchored
};

struct Gadget {
    QPointer<QWidget> widget;
    Kind kind = Kind::Text;
    int window = -1;
    Anchors anchors;
};

// The window of a number: a main window whose content area ("canvas") holds
// the controls at their pixel positions. Its close box becomes a CloseWindow
// event; the window stays open until the program closes it.
class PlatformWindow : public QMainWindow {
public:
    PlatformWindow(int number, QWidget *parent);
    int number() const { return number_; }
    QWidget *canvas() const { return canvas_; }
    bool closingByProgram = false;
    // Opened over another window or as a tool window: Escape and Return
    // act as in a dialog.
    bool dialog = false;

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int number_;
    QWidget *canvas_;
};

// A keyboard shortcut of a window, reported as a Menu event with `event` as
// source.
struct ShortcutRec {
    int window;
    QKeySequence keys;
    int event;
};

// Where new controls go: a window's canvas, a container or a panel page.
struct GadgetList {
    QPointer<QWidget> parent;
    int window;
    int panel = -1; // the panel whose page this list is
};

// The layer's process-wide record, owned by platform.cpp; releasePlatform()
// empties what belongs to windows, controls and events.
// The menus, toolbars, status bars and tray icons of bars.cpp, by number.
struct MenuRec {
    int window = -1;
    QPointer<QMenuBar> bar;
    std::unique_ptr<QMenu> popup; // popup menus are owned here
    std::map<int, QPointer<QAction>> items;
    std::vector<QPointer<QMenu>> stack; // menu being filled, then open submenus
};

struct ToolBarRec {
    int window = -1;
    ToolBarForm form = ToolBarForm::Pictures;
    QPointer<QWidget> strip;
    QPointer<QLabel> background;
    int x = 0;
    std::map<int, QPointer<QToolButton>> buttons;
};

struct StatusRec {
    int window = -1;
    QPointer<QStatusBar> bar;
    std::vector<QPointer<QLabel>> fields;
    std::vector<int> widths; // as asked for, before fitting to the bar
    int nextX = 0;
};

struct TrayRec {
    int window = -1;
    std::unique_ptr<QSystemTrayIcon> icon;
};

struct State {
    std::map<int, QPointer<PlatformWindow>> windows;
    std::map<int, Gadget> gadgets;
    std::deque<UiEvent> queue;
    std::vector<GadgetList> lists; // stack; back() is current
    std::vector<ShortcutRec> shortcuts;
    std::map<int, QPixmap> images;
    int nextNumber = 100000;
    int quiet = 0;              // Quiet records alive
    int lastFocusedList = -1;   // lastFocusedList()
    bool escapePressed = false; // since the last event taken or drain
    int cancelClicked = -1;     // last clicked control, for drainEvents
    bool delays = true;
    QPointer<QButtonGroup> optionGroup; // the option group being created
    QPointer<QWidget> optionGroupParent;
    QEventLoop *waiting = nullptr;    // the loop waitEvent/pollEvent runs
    bool french = false;              // the interface language usePlatformLanguage set
    std::vector<std::string> dropped; // paths of the last drop
    bool dropMove = false;            // Shift held at the last drop
    bool recordDrags = false;         // tests: startFileDrag records instead of dragging
    std::vector<std::string> dragged; // what startFileDrag was last given
    QLocalServer *requestServer = nullptr;            // the request channel, while open
    std::deque<std::vector<std::string>> requests;    // received and not yet taken
    std::map<int, MenuRec> menus;
    std::map<int, ToolBarRec> toolbars;
    std::map<int, StatusRec> statusBars;
    std::map<int, TrayRec> trays;
    int currentMenu = -1;                       // the menu the menu calls add to
    std::unique_ptr<QLockFile> instanceLock;    // held while this process is the instance
    QString instanceLockFolder;                 // tests' folder for the lock; empty: the system's
    QTranslator *translator = nullptr;          // Qt's own texts in French, while installed
    // What QApplication was given: it keeps the reference to argc for its life.
    int argc = 0;
    char *noArguments[1] = {nullptr};
    bool prepared = false; // initPlatform's one-time preparation is done
};
State &state();

// Registry access shared between the implementation files.
std::map<int, Gadget> &gadgets();
Gadget *findGadget(int id);
PlatformWindow *findWindow(int window);
// Registers a new control under `id` (or a handed-out number) in the current
// gadget list; returns the number.
int registerGadget(int id, Kind kind, QWidget *widget, int x, int y, int width, int height);
QWidget *currentGadgetParent();
// Places a control just made in a stacked container (ContainerStacked) at
// its place in the stack, `height` high; nothing for other parents.
void stackInParent(QWidget *widget, int height);
int currentGadgetWindow();
int handOutNumber();
// Forgets the records of controls whose widgets are gone (freed with their
// parent).
void sweepGadgets();
// The widget of control `id` when it is of `kind`, else nullptr.
template <class T>
T *widgetAs(int id, Kind kind)
{
    Gadget *g = findGadget(id);
    if (!g || g->kind != kind)
        return nullptr;
    return qobject_cast<T *>(g->widget.data());
}
// Queues an event unless the layer itself is changing the control.
void queueEvent(const UiEvent &event);
void queueControlEvent(int window, int source, EventSubtype subtype);
bool eventsSuppressed();
// Queues `subtype` from control `n` of the current gadget window each time
// `widget` emits `signal`.
template <typename Widget, typename Signal>
void forwardSignal(Widget *widget, Signal signal, int n, EventSubtype subtype)
{
    int window = currentGadgetWindow();
    QObject::connect(widget, signal, widget, [n, window, subtype] { queueControlEvent(window, n, subtype); });
}
// An Escape or a Cancel click from before the event now taken belongs to no
// operation: the one this event starts must not stop because of it.
void forgetEarlierCancels();
// Installs the application-wide filter that takes the windows' shortcuts and
// notes Escape before the focused control sees the key (event_queue.cpp).
void installKeyFilter();
// While alive, changes made by the program raise no events.
struct Quiet {
    Quiet();
    ~Quiet();
};
// Moves the anchored controls of the window after its size changed. Anchors
// follow the window's size, not their parent's, so that adding or removing
// the menu bar or status bar never moves a control by itself.
void applyAnchors(PlatformWindow *window);
QPixmap imagePixmap(int image);
void registerDragSource(QAbstractItemView *view, int id);

// Explorer list and combo (explorer.cpp).
QWidget *createExplorerList(int id, const QString &folder, unsigned flags);
QWidget *createExplorerCombo(const QString &folder);
QString explorerFolder(QWidget *explorer);
void setExplorerFolder(QWidget *explorer, const QString &folder);
bool moveExplorerList(QWidget *explorer, ExplorerMove move);
int explorerCount(QWidget *explorer);
QString explorerItemText(QWidget *explorer, int item, int column);
int explorerItemState(QWidget *explorer, int item);
void setExplorerItemState(QWidget *explorer, int item, int state);
void selectAllExplorerItems(QWidget *explorer);
void clearExplorerSelection(QWidget *explorer);
int explorerCurrent(QWidget *explorer);
void setExplorerCurrent(QWidget *explorer, int item);
void setExplorerMode(QWidget *explorer, ExplorerDisplay mode);
ExplorerDisplay explorerMode(QWidget *explorer);
void setExplorerColumnWidth(QWidget *explorer, int column, int width);
int explorerColumnWidth(QWidget *explorer, int column);
QString explorerComboFolder(QWidget *combo);
void setExplorerComboFolder(QWidget *combo, const QString &folder);

// Pictures (pictures.cpp).
QPixmap drawPicture(Picture picture);
// The pictures the build keeps in the program's resources, drawn: the 16 by
// 16 tray icon, the 402 by 135 boot picture (transparent colour at (0, 0)),
// and the application icon at any size (the compress icon, drawn to scale).
QImage drawTrayIcon();
QImage drawBootPicture();
QImage drawApplicationIcon(int size);
// Paints a toolbar icon in a 48 by 48 square (scale the painter for others).
void paintIcon(QPainter &painter, Picture picture);
// The shape of a picture: the colour of its pixel (0, 0) is transparent;
// each row gives one-pixel-high rectangles for its runs of other colours, a
// run ending at a transparent pixel or before the last column, which is never
// part of the shape.
QRegion pictureRegion(const QImage &picture);

// Menus, status bar and instance lock (bars.cpp).
// Frees every menu bar and popup menu (releasePlatform).
void releaseMenus();
// The popup QMenu or the QMenuBar of menu `menu`, nullptr when none.
QWidget *menuHolder(int menu);
// The label of a status bar field, nullptr when none.
QLabel *statusBarField(int bar, int field);
// Folder of the instance lock file; empty for the system's default.
QString &instanceLockFolder();
// The folder of the lock and the request channel: the one tests set, else
// the user's runtime folder, else a folder of the user's own (mode 0700)
// under the temporary folder.
QString runtimeFolder();

// Requesters reset (requesters.cpp).
void resetRequesters();

} // namespace zarvon::platform::detail
