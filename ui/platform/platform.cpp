// Windows, controls, the event queue and the keyboard filter over Qt Widgets.
#include "ui/platform/internal.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QBitmap>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

namespace zarvon::platform {
namespace detail {
namespace {

struct ShortcutRec {
    int window;
    QKeySequence keys;
    int event;
};

struct GadgetList {
    QPointer<QWidget> parent;
    int window;
    int panel = -1;  // the panel whose page this list is
};

struct State {
    std::map<int, QPointer<PlatformWindow>> windows;
    std::map<int, Gadget> gadgets;
    std::deque<UiEvent> queue;
    std::vector<GadgetList> lists;  // stack; back() is current
    std::vector<ShortcutRec> shortcuts;
    std::map<int, QPixmap> images;
    int nextNumber = 100000;
    int quiet = 0;
    bool escapePressed = false;
    int cancelClicked = -1;  // last clicked control, for drainEvents
    bool delays = true;
    QPointer<QButtonGroup> optionGroup;
    QPointer<QWidget> optionGroupParent;
    QEventLoop* waiting = nullptr;
};

State& state()
{
    static State s;
    return s;
}

// Catches the keys before the focused control sees them: the window's
// shortcuts and Escape; and turns mouse gestures on lists into drag starts.
class KeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Escape)
            state().escapePressed = true;
        auto* top = dynamic_cast<PlatformWindow*>(widget->window());
        if (!top)
            return false;
        QKeySequence pressed(key->keyCombination());
        for (const ShortcutRec& s : state().shortcuts) {
            if (s.window != top->number() || s.keys != pressed)
                continue;
            if (event->type() == QEvent::ShortcutOverride) {
                // Claim the key so that no action or control takes it first.
                event->accept();
                return true;
            }
            queueEvent(UiEvent{EventKind::Menu, s.window, s.event, EventSubtype::None});
            return true;
        }
        return false;
    }
};

class DragFilter : public QObject {
public:
    DragFilter(QObject* parent, int id) : QObject(parent), id_(id) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                pressPos_ = mouse->position().toPoint();
                pressed_ = true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            pressed_ = false;
        } else if (event->type() == QEvent::MouseMove && pressed_) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
                pressed_ = false;
                Gadget* g = findGadget(id_);
                if (g)
                    queueControlEvent(g->window, id_, EventSubtype::DragStart);
                return true;
            }
        }
        (void)watched;
        return false;
    }

private:
    int id_;
    bool pressed_ = false;
    QPoint pressPos_;
};

void sweepGadgets()
{
    auto& g = state().gadgets;
    for (auto it = g.begin(); it != g.end();) {
        if (it->second.widget.isNull())
            it = g.erase(it);
        else
            ++it;
    }
}

template <class T>
T* widgetAs(int id, Kind kind)
{
    Gadget* g = findGadget(id);
    if (!g || g->kind != kind)
        return nullptr;
    return qobject_cast<T*>(g->widget.data());
}

QString lineBreaks(const std::string& text)
{
    QString t = qs(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace

std::map<int, Gadget>& gadgets() { return state().gadgets; }

Gadget* findGadget(int id)
{
    auto it = state().gadgets.find(id);
    if (it == state().gadgets.end())
        return nullptr;
    if (it->second.widget.isNull()) {
        state().gadgets.erase(it);
        return nullptr;
    }
    return &it->second;
}

PlatformWindow* findWindow(int window)
{
    auto it = state().windows.find(window);
    if (it == state().windows.end())
        return nullptr;
    if (it->second.isNull()) {
        state().windows.erase(it);
        return nullptr;
    }
    return it->second.data();
}

int handOutNumber() { return state().nextNumber++; }

QWidget* currentGadgetParent()
{
    auto& lists = state().lists;
    while (!lists.empty() && lists.back().parent.isNull())
        lists.pop_back();
    return lists.empty() ? nullptr : lists.back().parent.data();
}

int currentGadgetWindow()
{
    currentGadgetParent();
    return state().lists.empty() ? -1 : state().lists.back().window;
}

int registerGadget(int id, Kind kind, QWidget* widget, int x, int y, int width, int height)
{
    if (id == AnyNumber)
        id = handOutNumber();
    else
        freeGadget(id);
    Gadget g;
    g.widget = widget;
    g.kind = kind;
    g.window = currentGadgetWindow();
    widget->setGeometry(x, y, width, height);
    widget->show();
    state().gadgets[id] = g;
    if (kind != Kind::Option) {
        state().optionGroup = nullptr;
    }
    return id;
}

void queueEvent(const UiEvent& event)
{
    state().queue.push_back(event);
    if (state().waiting)
        state().waiting->quit();
}

void queueControlEvent(int window, int source, EventSubtype subtype)
{
    if (eventsSuppressed())
        return;
    if (subtype == EventSubtype::LeftClick)
        state().cancelClicked = source;
    queueEvent(UiEvent{EventKind::Control, window, source, subtype});
}

bool eventsSuppressed() { return state().quiet > 0; }
Quiet::Quiet() { ++state().quiet; }
Quiet::~Quiet() { --state().quiet; }

void applyAnchors(PlatformWindow* window)
{
    for (auto& [id, g] : state().gadgets) {
        if (g.widget.isNull() || !g.anchors.active || g.window != window->number())
            continue;
        const Anchors& a = g.anchors;
        int dw = window->width() - a.parentBase.width();
        int dh = window->height() - a.parentBase.height();
        QRect r = a.base;
        int x = r.x(), y = r.y(), w = r.width(), h = r.height();
        if (a.right && a.left)
            w += dw;
        else if (a.right)
            x += dw;
        if (a.bottom && a.top)
            h += dh;
        else if (a.bottom)
            y += dh;
        g.widget->setGeometry(x, y, std::max(w, 0), std::max(h, 0));
    }
}

QPixmap imagePixmap(int image)
{
    auto it = state().images.find(image);
    return it == state().images.end() ? QPixmap() : it->second;
}

void registerDragSource(QAbstractItemView* view, int id)
{
    view->viewport()->installEventFilter(new DragFilter(view, id));
}

PlatformWindow::PlatformWindow(int number, QWidget* parent)
    : QMainWindow(parent), number_(number), canvas_(new QWidget(this))
{
    setCentralWidget(canvas_);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void PlatformWindow::closeEvent(QCloseEvent* event)
{
    if (closingByProgram) {
        event->accept();
        return;
    }
    event->ignore();
    queueEvent(UiEvent{EventKind::CloseWindow, number_, -1, EventSubtype::None});
}

void PlatformWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyAnchors(this);
}

}  // namespace detail

using namespace detail;

// ---- Start and end ----------------------------------------------------------

void initPlatform(int argc, char** argv)
{
    static int storedArgc = 0;
    static char* noArgs[] = {nullptr};
    if (!QApplication::instance()) {
        storedArgc = argc;
        new QApplication(storedArgc, argv ? argv : noArgs);
    }
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    // The layouts are given in pixels for a compact font; a larger desktop
    // font would clip the texts.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    qApp->installEventFilter(new KeyFilter(qApp));
    QApplication::setQuitOnLastWindowClosed(false);
}

void usePlatformLanguage(bool french)
{
    // Qt's own texts: the file and folder requesters, the explorer list's
    // column headers and file types. Without the translation file (an
    // optional package) they simply stay in English.
    static QTranslator* translator = nullptr;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (!french || !QCoreApplication::instance())
        return;
    auto* loaded = new QTranslator;
    if (loaded->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(loaded);
        translator = loaded;
    } else {
        delete loaded;
    }
}

void releasePlatform()
{
    usePlatformLanguage(false);
    auto& s = state();
    std::vector<int> numbers;
    for (auto& [n, w] : s.windows)
        numbers.push_back(n);
    for (int n : numbers)
        closeWindow(n);
    s.windows.clear();
    s.gadgets.clear();
    s.lists.clear();
    s.shortcuts.clear();
    s.queue.clear();
    s.escapePressed = false;
    s.cancelClicked = -1;
    releaseInstanceLock();
    for (int icon = 0; icon < 1000; ++icon)
        if (isSysTrayIcon(icon))
            removeSysTrayIcon(icon);
}

void processSystemEvents(int milliseconds)
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (milliseconds <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, int(milliseconds - timer.elapsed()));
        QThread::msleep(2);
    }
}

void setDelaysEnabled(bool enabled) { state().delays = enabled; }

void delay(int milliseconds)
{
    if (state().delays && milliseconds > 0)
        QThread::msleep(milliseconds);
}

void beep() { QApplication::beep(); }

// ---- Events ------------------------------------------------------------------

namespace {
// An Escape or a Cancel click from before the event now taken belongs to no
// operation: the one this event starts must not stop because of it.
void forgetEarlierCancels()
{
    state().escapePressed = false;
    state().cancelClicked = -1;
}
}  // namespace

UiEvent waitEvent()
{
    auto& s = state();
    QCoreApplication::processEvents();
    while (s.queue.empty()) {
        QEventLoop loop;
        s.waiting = &loop;
        loop.exec();
        s.waiting = nullptr;
    }
    UiEvent e = s.queue.front();
    s.queue.pop_front();
    forgetEarlierCancels();
    return e;
}

bool pollEvent(UiEvent& event, int timeoutMilliseconds)
{
    auto& s = state();
    QCoreApplication::processEvents();
    if (s.queue.empty() && timeoutMilliseconds > 0) {
        QEventLoop loop;
        QTimer::singleShot(timeoutMilliseconds, &loop, &QEventLoop::quit);
        s.waiting = &loop;
        loop.exec();
        s.waiting = nullptr;
    }
    if (s.queue.empty())
        return false;
    event = s.queue.front();
    s.queue.pop_front();
    forgetEarlierCancels();
    return true;
}

void postEvent(const UiEvent& event) { queueEvent(event); }

bool drainEvents(int cancelButton)
{
    auto& s = state();
    QCoreApplication::processEvents();
    bool cancel = s.escapePressed;
    // The window holding the Cancel button: its close box, where a window
    // manager draws one anyway, asks the same.
    const Gadget* button = cancelButton >= 0 ? findGadget(cancelButton) : nullptr;
    const int cancelWindow = button ? button->window : -1;
    for (const UiEvent& e : s.queue) {
        if (cancelButton >= 0 && e.kind == EventKind::Control && e.source == cancelButton)
            cancel = true;
        if (cancelWindow >= 0 && e.kind == EventKind::CloseWindow && e.window == cancelWindow)
            cancel = true;
    }
    if (cancelButton >= 0 && s.cancelClicked == cancelButton)
        cancel = true;
    s.queue.clear();
    s.escapePressed = false;
    s.cancelClicked = -1;
    return cancel;
}

int pendingEventCount() { return int(state().queue.size()); }

// ---- Windows -------------------------------------------------------------------

int openWindow(int window, int x, int y, int width, int height, const std::string& title,
               unsigned flags, int parent)
{
    if (window == AnyNumber)
        window = handOutNumber();
    closeWindow(window);
    PlatformWindow* parentWindow = parent >= 0 ? findWindow(parent) : nullptr;
    auto* w = new PlatformWindow(window, nullptr);
    Qt::WindowFlags wf = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (flags & WindowTool)
        wf = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (flags & WindowCloseBox)
        wf |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    if (flags & WindowMinimizeBox)
        wf |= Qt::WindowMinimizeButtonHint;
    if (flags & WindowMaximizeBox)
        wf |= Qt::WindowMaximizeButtonHint;
    if (flags & WindowBorderless)
        wf = Qt::Window | Qt::FramelessWindowHint;
    if (flags & WindowTopmost)
        wf |= Qt::WindowStaysOnTopHint;
    w->setWindowFlags(wf);
    w->setWindowTitle(qs(title));
    w->resize(width, height);
    if (!(flags & WindowSizeable))
        w->setFixedSize(width, height);
    QRect area;
    if (flags & WindowParentCentered && parentWindow)
        area = parentWindow->frameGeometry();
    else if (flags & (WindowScreenCentered | WindowParentCentered))
        area = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect(0, 0, 1024, 768);
    if (area.isValid())
        w->move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    else
        w->move(x, y);
    state().windows[window] = w;
    state().lists.clear();
    state().lists.push_back(GadgetList{w->canvas(), window});
    state().optionGroup = nullptr;
    if (!(flags & WindowInvisible))
        w->show();
    return window;
}

bool isWindow(int window) { return findWindow(window) != nullptr; }

void closeWindow(int window)
{
    PlatformWindow* w = findWindow(window);
    if (!w)
        return;
    auto& s = state();
    std::erase_if(s.shortcuts, [&](const ShortcutRec& r) { return r.window == window; });
    w->closingByProgram = true;
    w->hide();
    delete w;
    s.windows.erase(window);
    sweepGadgets();
    std::erase_if(s.queue, [&](const UiEvent& e) { return e.window == window && e.kind != EventKind::Menu; });
}

void showWindow(int window)
{
    if (auto* w = findWindow(window)) {
        w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void hideWindow(int window)
{
    if (auto* w = findWindow(window))
        w->hide();
}

bool isWindowVisible(int window)
{
    auto* w = findWindow(window);
    return w && w->isVisible();
}

void activateWindow(int window)
{
    if (auto* w = findWindow(window)) {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

int activeWindow()
{
    auto* w = dynamic_cast<PlatformWindow*>(QApplication::activeWindow());
    return w ? w->number() : -1;
}

void setWindowState(int window, WindowState st)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    if (st == WindowState::Maximized)
        w->setWindowState(Qt::WindowMaximized);
    else if (st == WindowState::Minimized)
        w->setWindowState(Qt::WindowMinimized);
    else
        w->setWindowState(Qt::WindowNoState);
}

WindowState getWindowState(int window)
{
    auto* w = findWindow(window);
    if (!w)
        return WindowState::Normal;
    if (w->windowState() & Qt::WindowMaximized)
        return WindowState::Maximized;
    if (w->windowState() & Qt::WindowMinimized)
        return WindowState::Minimized;
    return WindowState::Normal;
}

void setWindowTitle(int window, const std::string& title)
{
    if (auto* w = findWindow(window))
        w->setWindowTitle(qs(title));
}

std::string getWindowTitle(int window)
{
    auto* w = findWindow(window);
    return w ? ss(w->windowTitle()) : std::string();
}

void resizeWindow(int window, int x, int y, int width, int height)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    QPoint pos = w->pos();
    if (x != Keep)
        pos.setX(x);
    if (y != Keep)
        pos.setY(y);
    QSize size = w->size();
    if (width != Keep)
        size.setWidth(width);
    if (height != Keep)
        size.setHeight(height);
    bool fixed = w->minimumSize() == w->maximumSize();
    if (fixed)
        w->setFixedSize(size);
    else
        w->resize(size);
    w->move(pos);
    applyAnchors(w);
}

void keepWindowOnScreen(int window)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    QScreen* screen = QApplication::screenAt(w->frameGeometry().center());
    if (!screen)
        screen = QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QPoint pos = w->pos();
    pos.setX(std::max(pos.x(), area.left()));
    pos.setY(std::max(pos.y(), area.top()));
    if (pos != w->pos())
        w->move(pos);
}

int windowX(int window)
{
    auto* w = findWindow(window);
    return w ? w->x() : 0;
}

int windowY(int window)
{
    auto* w = findWindow(window);
    return w ? w->y() : 0;
}

int windowWidth(int window)
{
    auto* w = findWindow(window);
    return w ? w->width() : 0;
}

int windowHeight(int window)
{
    auto* w = findWindow(window);
    return w ? w->height() : 0;
}

void setWindowTopmost(int window, bool topmost)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    bool visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible)
        w->show();
}

bool isWindowTopmost(int window)
{
    auto* w = findWindow(window);
    return w && (w->windowFlags() & Qt::WindowStaysOnTopHint);
}

void setWindowSizeable(int window, bool sizeable)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    if (sizeable) {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        w->setFixedSize(w->size());
    }
}

void setWindowRedraw(int window, bool redraw)
{
    if (auto* w = findWindow(window)) {
        w->setUpdatesEnabled(redraw);
        if (redraw)
            w->update();
    }
}

void setWindowPicture(int window, int image, bool shaped)
{
    auto* w = findWindow(window);
    QPixmap picture = imagePixmap(image);
    if (!w || picture.isNull())
        return;
    auto* label = new QLabel(w->canvas());
    label->setPixmap(picture);
    label->setGeometry(0, 0, picture.width(), picture.height());
    label->lower();
    label->show();
    if (shaped) {
        QColor transparent = picture.toImage().pixelColor(0, 0);
        QBitmap mask = picture.createMaskFromColor(transparent, Qt::MaskInColor);
        QRegion region(mask);
        region.translate(w->canvas()->pos());
        w->setMask(region);
    }
}

void useGadgetList(int window)
{
    auto* w = findWindow(window);
    if (!w)
        return;
    state().lists.clear();
    state().lists.push_back(GadgetList{w->canvas(), window});
    state().optionGroup = nullptr;
}

bool saveWindowPicture(int window, const std::string& pngPath)
{
    auto* w = findWindow(window);
    if (!w)
        return false;
    QCoreApplication::processEvents();
    return w->grab().save(qs(pngPath), "PNG");
}

// Queues `subtype` from control `n` of the current gadget window each time
// `widget` emits `signal`.
template <typename Widget, typename Signal>
void forwardSignal(Widget* widget, Signal signal, int n, EventSubtype subtype)
{
    int window = currentGadgetWindow();
    QObject::connect(widget, signal, widget, [n, window, subtype] { queueControlEvent(window, n, subtype); });
}

// ---- Controls ---------------------------------------------------------------------

int buttonGadget(int id, int x, int y, int width, int height, const std::string& text, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* b = new QPushButton(caption(text), parent);
    b->setDefault(flags & ButtonDefault);
    b->setAutoDefault(false);
    int n = registerGadget(id, Kind::Button, b, x, y, width, height);
    forwardSignal(b, &QPushButton::clicked, n, EventSubtype::LeftClick);
    return n;
}

int buttonImageGadget(int id, int x, int y, int width, int height, int image)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* b = new QPushButton(parent);
    b->setAutoDefault(false);
    QPixmap p = imagePixmap(image);
    b->setIcon(QIcon(p));
    b->setIconSize(p.size());
    int n = registerGadget(id, Kind::ButtonImage, b, x, y, width, height);
    forwardSignal(b, &QPushButton::clicked, n, EventSubtype::LeftClick);
    return n;
}

int stringGadget(int id, int x, int y, int width, int height, const std::string& text, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* e = new QLineEdit(qs(text), parent);
    if (flags & StringPassword)
        e->setEchoMode(QLineEdit::Password);
    e->setReadOnly(flags & StringReadOnly);
    int n = registerGadget(id, Kind::String, e, x, y, width, height);
    forwardSignal(e, &QLineEdit::textEdited, n, EventSubtype::Change);
    return n;
}

int textGadget(int id, int x, int y, int width, int height, const std::string& text, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* l = new QLabel(lineBreaks(text), parent);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    Qt::Alignment a = Qt::AlignTop;
    a |= (flags & TextCenter) ? Qt::AlignHCenter : (flags & TextRight) ? Qt::AlignRight : Qt::AlignLeft;
    l->setAlignment(a);
    if (flags & TextBorder)
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (flags & FontBold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return registerGadget(id, Kind::Text, l, x, y, width, height);
}

int checkBoxGadget(int id, int x, int y, int width, int height, const std::string& text)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* c = new QCheckBox(caption(text), parent);
    int n = registerGadget(id, Kind::CheckBox, c, x, y, width, height);
    forwardSignal(c, &QCheckBox::clicked, n, EventSubtype::LeftClick);
    return n;
}

int optionGadget(int id, int x, int y, int width, int height, const std::string& text)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* r = new QRadioButton(caption(text), parent);
    r->setAutoExclusive(false);
    auto& s = state();
    if (s.optionGroup.isNull() || s.optionGroupParent != parent) {
        s.optionGroup = new QButtonGroup(parent);
        s.optionGroup->setExclusive(false);
        s.optionGroupParent = parent;
    }
    QPointer<QButtonGroup> group = s.optionGroup;
    group->addButton(r);
    int n = registerGadget(id, Kind::Option, r, x, y, width, height);
    int window = currentGadgetWindow();
    QObject::connect(r, &QRadioButton::clicked, r, [n, window, r, group] {
        // One choice per group; a click on the chosen one keeps it chosen.
        if (group)
            for (QAbstractButton* other : group->buttons())
                if (other != r)
                    other->setChecked(false);
        r->setChecked(true);
        queueControlEvent(window, n, EventSubtype::LeftClick);
    });
    return n;
}

namespace {

// A drop-down list that knows which item was current before the user acted,
// so that picking the item already shown is a click and not a change.
class DropDownList : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        before_ = currentIndex();
        QComboBox::showPopup();
    }

    // The event for the item the user just activated.
    EventSubtype subtypeFor(int index) const
    {
        return index == before_ ? EventSubtype::LeftClick : EventSubtype::Change;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        before_ = currentIndex();
        QComboBox::keyPressEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override
    {
        before_ = currentIndex();
        QComboBox::wheelEvent(event);
    }

private:
    int before_ = -2;
};

}  // namespace

int comboBoxGadget(int id, int x, int y, int width, int height, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* c = new DropDownList(parent);
    c->setEditable(flags & ComboEditable);
    // A drop-down list's height is that of its closed box; the given height
    // is the open list's, as the layouts count it.
    int boxHeight = std::min(height, 22);
    int n = registerGadget(id, Kind::Combo, c, x, y, width, boxHeight);
    int window = currentGadgetWindow();
    QObject::connect(c, &QComboBox::activated, c,
                     [n, window, c](int index) { queueControlEvent(window, n, c->subtypeFor(index)); });
    return n;
}

int frameGadget(int id, int x, int y, int width, int height, const std::string& text)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* f = new QGroupBox(caption(text), parent);
    int n = registerGadget(id, Kind::Frame, f, x, y, width, height);
    f->lower();
    return n;
}

int panelGadget(int id, int x, int y, int width, int height)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* t = new QTabWidget(parent);
    int n = registerGadget(id, Kind::Panel, t, x, y, width, height);
    forwardSignal(t, &QTabWidget::currentChanged, n, EventSubtype::Change);
    return n;
}

int containerGadget(int id, int x, int y, int width, int height, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* c = new QFrame(parent);
    if (flags & ContainerBorder)
        c->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    int window = currentGadgetWindow();
    int n = registerGadget(id, Kind::Container, c, x, y, width, height);
    state().lists.push_back(GadgetList{c, window});
    state().optionGroup = nullptr;
    return n;
}

int progressBarGadget(int id, int x, int y, int width, int height, int minimum, int maximum)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* p = new QProgressBar(parent);
    p->setRange(minimum, maximum);
    p->setValue(minimum);
    p->setTextVisible(false);
    return registerGadget(id, Kind::Progress, p, x, y, width, height);
}

int listIconGadget(int id, int x, int y, int width, int height, const std::string& firstTitle,
                   int firstWidth, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* t = new QTreeWidget(parent);
    t->setRootIsDecorated(false);
    t->setItemsExpandable(false);
    t->setUniformRowHeights(true);
    t->setHeaderLabels({qs(firstTitle)});
    t->header()->setStretchLastSection(false);
    t->setColumnWidth(0, firstWidth);
    t->setSelectionMode((flags & ListMultiSelect) ? QAbstractItemView::ExtendedSelection
                                                  : QAbstractItemView::SingleSelection);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setAllColumnsShowFocus(flags & ListFullRowSelect);
    t->setProperty("zarvonCheckBoxes", bool(flags & ListCheckBoxes));
    t->setContextMenuPolicy(Qt::CustomContextMenu);
    int n = registerGadget(id, Kind::ListIcon, t, x, y, width, height);
    forwardSignal(t, &QTreeWidget::itemSelectionChanged, n, EventSubtype::Change);
    forwardSignal(t, &QTreeWidget::itemClicked, n, EventSubtype::LeftClick);
    forwardSignal(t, &QTreeWidget::itemDoubleClicked, n, EventSubtype::LeftDoubleClick);
    forwardSignal(t, &QTreeWidget::customContextMenuRequested, n, EventSubtype::RightClick);
    registerDragSource(t, n);
    return n;
}

int imageGadget(int id, int x, int y, int width, int height, int image)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* l = new QLabel(parent);
    l->setPixmap(imagePixmap(image));
    return registerGadget(id, Kind::Image, l, x, y, width, height);
}

namespace {
class LinkLabel : public QLabel {
public:
    LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}
    int window = -1;
    int number = -1;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            queueControlEvent(window, number, EventSubtype::LeftClick);
        QLabel::mouseReleaseEvent(event);
    }
};
}  // namespace

int hyperLinkGadget(int id, int x, int y, int width, int height, const std::string& text, std::uint32_t color)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto* l = new LinkLabel(qs(text), parent);
    l->setTextFormat(Qt::PlainText);
    l->setCursor(Qt::PointingHandCursor);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor::fromRgb(color));
    l->setPalette(p);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    int n = registerGadget(id, Kind::HyperLink, l, x, y, width, height);
    l->window = currentGadgetWindow();
    l->number = n;
    return n;
}

int splitterGadget(int id, int x, int y, int width, int height, int first, int second, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    Gadget* a = findGadget(first);
    Gadget* b = findGadget(second);
    if (!parent || !a || !b)
        return -1;
    auto* s = new QSplitter((flags & SplitterVertical) ? Qt::Horizontal : Qt::Vertical, parent);
    s->setChildrenCollapsible(false);
    a->anchors.active = false;
    b->anchors.active = false;
    s->addWidget(a->widget);
    s->addWidget(b->widget);
    int n = registerGadget(id, Kind::Splitter, s, x, y, width, height);
    forwardSignal(s, &QSplitter::splitterMoved, n, EventSubtype::Change);
    return n;
}

int explorerListGadget(int id, int x, int y, int width, int height, const std::string& folder, unsigned flags)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    int n = id == AnyNumber ? handOutNumber() : id;
    freeGadget(n);
    QWidget* e = createExplorerList(n, qs(folder), flags);
    e->setParent(parent);
    return registerGadget(n, Kind::ExplorerList, e, x, y, width, height);
}

int explorerComboGadget(int id, int x, int y, int width, int height, const std::string& folder)
{
    QWidget* parent = currentGadgetParent();
    if (!parent)
        return -1;
    QWidget* c = createExplorerCombo(qs(folder));
    c->setParent(parent);
    int n = registerGadget(id, Kind::ExplorerCombo, c, x, y, width, std::min(height, 24));
    forwardSignal(static_cast<QComboBox*>(c), &QComboBox::activated, n, EventSubtype::Change);
    return n;
}

void closeGadgetList()
{
    auto& lists = state().lists;
    if (lists.size() > 1)
        lists.pop_back();
    state().optionGroup = nullptr;
}

void openGadgetList(int id, int item)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    if (g->kind == Kind::Container) {
        state().lists.push_back(GadgetList{g->widget, g->window});
    } else if (g->kind == Kind::Panel) {
        auto* t = static_cast<QTabWidget*>(g->widget.data());
        if (item >= 0 && item < t->count())
            state().lists.push_back(GadgetList{t->widget(item), g->window, id});
    }
    state().optionGroup = nullptr;
}

bool isGadget(int id) { return findGadget(id) != nullptr; }

void freeGadget(int id)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    QWidget* w = g->widget;
    state().gadgets.erase(id);
    delete w;
    sweepGadgets();
}

void setGadgetText(int id, const std::string& text)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Button: static_cast<QPushButton*>(w)->setText(caption(text)); break;
    case Kind::String: static_cast<QLineEdit*>(w)->setText(qs(text)); break;
    case Kind::Text:
    case Kind::HyperLink: static_cast<QLabel*>(w)->setText(lineBreaks(text)); break;
    case Kind::CheckBox:
    case Kind::Option: static_cast<QAbstractButton*>(w)->setText(caption(text)); break;
    case Kind::Frame: static_cast<QGroupBox*>(w)->setTitle(caption(text)); break;
    case Kind::Combo: {
        auto* c = static_cast<QComboBox*>(w);
        if (c->isEditable())
            c->setEditText(qs(text));
        else
            c->setCurrentIndex(c->findText(qs(text)));
        break;
    }
    case Kind::ExplorerList: setExplorerFolder(w, qs(text)); break;
    case Kind::ExplorerCombo: setExplorerComboFolder(w, qs(text)); break;
    default: break;
    }
}

std::string getGadgetText(int id)
{
    Gadget* g = findGadget(id);
    if (!g)
        return {};
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Button: return ss(static_cast<QPushButton*>(w)->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::String: return ss(static_cast<QLineEdit*>(w)->text());
    case Kind::Text:
    case Kind::HyperLink: return ss(static_cast<QLabel*>(w)->text());
    case Kind::CheckBox:
    case Kind::Option: return ss(static_cast<QAbstractButton*>(w)->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::Frame: return ss(static_cast<QGroupBox*>(w)->title().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::Combo: return ss(static_cast<QComboBox*>(w)->currentText());
    case Kind::ExplorerList: return ss(explorerFolder(w));
    case Kind::ExplorerCombo: return ss(explorerComboFolder(w));
    default: return {};
    }
}

void setGadgetState(int id, int value)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::CheckBox: static_cast<QCheckBox*>(w)->setChecked(value != 0); break;
    case Kind::Option: {
        auto* r = static_cast<QRadioButton*>(w);
        if (value && r->group())
            for (QAbstractButton* other : r->group()->buttons())
                if (other != r)
                    other->setChecked(false);
        r->setChecked(value != 0);
        break;
    }
    case Kind::Combo: static_cast<QComboBox*>(w)->setCurrentIndex(value); break;
    case Kind::Panel: static_cast<QTabWidget*>(w)->setCurrentIndex(value); break;
    case Kind::Progress: static_cast<QProgressBar*>(w)->setValue(value); break;
    case Kind::Splitter: {
        auto* s = static_cast<QSplitter*>(w);
        int total = (s->orientation() == Qt::Horizontal ? s->width() : s->height()) - s->handleWidth();
        s->setSizes({value, std::max(total - value, 1)});
        break;
    }
    case Kind::ListIcon: {
        auto* t = static_cast<QTreeWidget*>(w);
        if (value >= 0 && value < t->topLevelItemCount())
            t->setCurrentItem(t->topLevelItem(value), 0, QItemSelectionModel::NoUpdate);
        else
            t->setCurrentItem(nullptr);
        break;
    }
    case Kind::ExplorerList: setExplorerCurrent(w, value); break;
    default: break;
    }
}

int getGadgetState(int id)
{
    Gadget* g = findGadget(id);
    if (!g)
        return -1;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::CheckBox:
    case Kind::Option: return static_cast<QAbstractButton*>(w)->isChecked() ? 1 : 0;
    case Kind::Combo: return static_cast<QComboBox*>(w)->currentIndex();
    case Kind::Panel: return static_cast<QTabWidget*>(w)->currentIndex();
    case Kind::Progress: return static_cast<QProgressBar*>(w)->value();
    case Kind::Splitter: {
        auto sizes = static_cast<QSplitter*>(w)->sizes();
        return sizes.isEmpty() ? 0 : sizes.front();
    }
    case Kind::ListIcon: {
        auto* t = static_cast<QTreeWidget*>(w);
        return t->currentItem() ? t->indexOfTopLevelItem(t->currentItem()) : -1;
    }
    case Kind::ExplorerList: return explorerCurrent(w);
    default: return -1;
    }
}

void addGadgetItem(int id, int position, const std::string& text)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Combo: {
        auto* c = static_cast<QComboBox*>(w);
        c->insertItem(position < 0 ? c->count() : position, qs(text));
        break;
    }
    case Kind::Panel: {
        auto* t = static_cast<QTabWidget*>(w);
        auto* page = new QWidget;
        t->insertTab(position < 0 ? t->count() : position, page, caption(text));
        auto& lists = state().lists;
        if (!lists.empty() && lists.back().panel == id)
            lists.pop_back();
        lists.push_back(GadgetList{page, g->window, id});
        state().optionGroup = nullptr;
        break;
    }
    case Kind::ListIcon: {
        auto* t = static_cast<QTreeWidget*>(w);
        QStringList columns = qs(text).split(QLatin1Char('\n'));
        auto* item = new QTreeWidgetItem(columns);
        if (t->property("zarvonCheckBoxes").toBool()) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
        if (position < 0 || position >= t->topLevelItemCount())
            t->addTopLevelItem(item);
        else
            t->insertTopLevelItem(position, item);
        break;
    }
    default: break;
    }
}

void addGadgetItems(int id, const std::vector<std::string>& texts)
{
    auto* t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    Quiet quiet;
    const bool checkable = t->property("zarvonCheckBoxes").toBool();
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(texts.size()));
    for (const std::string& text : texts) {
        auto* item = new QTreeWidgetItem(qs(text).split(QLatin1Char('\n')));
        if (checkable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
        }
        items.append(item);
    }
    t->addTopLevelItems(items);
}

void removeGadgetItem(int id, int item)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    if (g->kind == Kind::Combo)
        static_cast<QComboBox*>(w)->removeItem(item);
    else if (g->kind == Kind::ListIcon)
        delete static_cast<QTreeWidget*>(w)->takeTopLevelItem(item);
    else if (g->kind == Kind::Panel)
        static_cast<QTabWidget*>(w)->removeTab(item);
}

void clearGadgetItems(int id)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    if (g->kind == Kind::Combo)
        static_cast<QComboBox*>(w)->clear();
    else if (g->kind == Kind::ListIcon)
        static_cast<QTreeWidget*>(w)->clear();
    else if (g->kind == Kind::Panel)
        static_cast<QTabWidget*>(w)->clear();
}

int countGadgetItems(int id)
{
    Gadget* g = findGadget(id);
    if (!g)
        return 0;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Combo: return static_cast<QComboBox*>(w)->count();
    case Kind::Panel: return static_cast<QTabWidget*>(w)->count();
    case Kind::ListIcon: return static_cast<QTreeWidget*>(w)->topLevelItemCount();
    case Kind::ExplorerList: return explorerCount(w);
    case Kind::ExplorerCombo: return static_cast<QComboBox*>(w)->count();
    default: return 0;
    }
}

std::string getGadgetItemText(int id, int item, int column)
{
    Gadget* g = findGadget(id);
    if (!g)
        return {};
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Combo:
    case Kind::ExplorerCombo: return ss(static_cast<QComboBox*>(w)->itemText(item));
    case Kind::Panel: return ss(static_cast<QTabWidget*>(w)->tabText(item).replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::ListIcon: {
        auto* i = static_cast<QTreeWidget*>(w)->topLevelItem(item);
        return i ? ss(i->text(column)) : std::string();
    }
    case Kind::ExplorerList: return ss(explorerItemText(w, item, column));
    default: return {};
    }
}

void setGadgetItemText(int id, int item, const std::string& text, int column)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget* w = g->widget;
    switch (g->kind) {
    case Kind::Combo: static_cast<QComboBox*>(w)->setItemText(item, qs(text)); break;
    case Kind::Panel: static_cast<QTabWidget*>(w)->setTabText(item, caption(text)); break;
    case Kind::ListIcon:
        if (auto* i = static_cast<QTreeWidget*>(w)->topLevelItem(item))
            i->setText(column, qs(text));
        break;
    default: break;
    }
}

int getGadgetItemState(int id, int item)
{
    Gadget* g = findGadget(id);
    if (!g)
        return 0;
    if (g->kind == Kind::ExplorerList)
        return explorerItemState(g->widget, item);
    if (g->kind != Kind::ListIcon)
        return 0;
    auto* i = static_cast<QTreeWidget*>(g->widget.data())->topLevelItem(item);
    if (!i)
        return 0;
    int st = 0;
    if (i->isSelected())
        st |= ItemSelected;
    if ((i->flags() & Qt::ItemIsUserCheckable) && i->checkState(0) == Qt::Checked)
        st |= ItemChecked;
    return st;
}

void setGadgetItemState(int id, int item, int st)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    if (g->kind == Kind::ExplorerList) {
        setExplorerItemState(g->widget, item, st);
        return;
    }
    if (g->kind != Kind::ListIcon)
        return;
    auto* i = static_cast<QTreeWidget*>(g->widget.data())->topLevelItem(item);
    if (!i)
        return;
    i->setSelected(st & ItemSelected);
    if (i->flags() & Qt::ItemIsUserCheckable)
        i->setCheckState(0, (st & ItemChecked) ? Qt::Checked : Qt::Unchecked);
}

void addGadgetColumn(int id, int position, const std::string& title, int width)
{
    auto* t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    QStringList labels;
    for (int c = 0; c < t->columnCount(); ++c)
        labels << t->headerItem()->text(c);
    if (position < 0 || position > labels.size())
        position = int(labels.size());
    labels.insert(position, qs(title));
    std::vector<int> widths;
    for (int c = 0; c < t->columnCount(); ++c)
        widths.push_back(t->columnWidth(c));
    widths.insert(widths.begin() + position, width);
    t->setHeaderLabels(labels);
    for (int c = 0; c < int(widths.size()); ++c)
        t->setColumnWidth(c, widths[c]);
}

void setGadgetColumnTitle(int id, int column, const std::string& title)
{
    if (auto* t = widgetAs<QTreeWidget>(id, Kind::ListIcon))
        t->headerItem()->setText(column, qs(title));
}

std::string getGadgetColumnTitle(int id, int column)
{
    auto* t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    return t ? ss(t->headerItem()->text(column)) : std::string();
}

void setGadgetColumnWidth(int id, int column, int width)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    if (g->kind == Kind::ListIcon)
        static_cast<QTreeWidget*>(g->widget.data())->setColumnWidth(column, width);
    else if (g->kind == Kind::ExplorerList)
        setExplorerColumnWidth(g->widget, column, width);
}

int getGadgetColumnWidth(int id, int column)
{
    Gadget* g = findGadget(id);
    if (!g)
        return 0;
    if (g->kind == Kind::ListIcon)
        return static_cast<QTreeWidget*>(g->widget.data())->columnWidth(column);
    if (g->kind == Kind::ExplorerList)
        return explorerColumnWidth(g->widget, column);
    return 0;
}

void setExplorerDisplay(int id, ExplorerDisplay mode)
{
    Gadget* g = findGadget(id);
    if (g && g->kind == Kind::ExplorerList)
        setExplorerMode(g->widget, mode);
}

ExplorerDisplay getExplorerDisplay(int id)
{
    Gadget* g = findGadget(id);
    return (g && g->kind == Kind::ExplorerList) ? explorerMode(g->widget) : ExplorerDisplay::Details;
}

void setGadgetAttribute(int id, GadgetAttribute attribute, int value)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    QWidget* w = g->widget;
    switch (attribute) {
    case GadgetAttribute::ProgressMinimum:
        if (g->kind == Kind::Progress)
            static_cast<QProgressBar*>(w)->setMinimum(value);
        break;
    case GadgetAttribute::ProgressMaximum:
        if (g->kind == Kind::Progress)
            static_cast<QProgressBar*>(w)->setMaximum(value);
        break;
    case GadgetAttribute::StringMaxLength:
        if (g->kind == Kind::String)
            static_cast<QLineEdit*>(w)->setMaxLength(value);
        break;
    case GadgetAttribute::SplitterFirstMinimum:
    case GadgetAttribute::SplitterSecondMinimum:
        if (g->kind == Kind::Splitter) {
            auto* s = static_cast<QSplitter*>(w);
            int index = attribute == GadgetAttribute::SplitterFirstMinimum ? 0 : 1;
            if (QWidget* child = s->widget(index))
                child->setMinimumWidth(value);
        }
        break;
    }
}

int getGadgetAttribute(int id, GadgetAttribute attribute)
{
    Gadget* g = findGadget(id);
    if (!g)
        return 0;
    QWidget* w = g->widget;
    switch (attribute) {
    case GadgetAttribute::ProgressMinimum:
        return g->kind == Kind::Progress ? static_cast<QProgressBar*>(w)->minimum() : 0;
    case GadgetAttribute::ProgressMaximum:
        return g->kind == Kind::Progress ? static_cast<QProgressBar*>(w)->maximum() : 0;
    case GadgetAttribute::StringMaxLength:
        return g->kind == Kind::String ? static_cast<QLineEdit*>(w)->maxLength() : 0;
    case GadgetAttribute::SplitterFirstMinimum:
    case GadgetAttribute::SplitterSecondMinimum:
        if (g->kind == Kind::Splitter) {
            auto* s = static_cast<QSplitter*>(w);
            QWidget* child = s->widget(attribute == GadgetAttribute::SplitterFirstMinimum ? 0 : 1);
            return child ? child->minimumWidth() : 0;
        }
        return 0;
    }
    return 0;
}

void disableGadget(int id, bool disabled)
{
    if (Gadget* g = findGadget(id))
        g->widget->setEnabled(!disabled);
}

bool isGadgetDisabled(int id)
{
    Gadget* g = findGadget(id);
    return g && !g->widget->isEnabled();
}

void hideGadget(int id, bool hidden)
{
    if (Gadget* g = findGadget(id))
        g->widget->setVisible(!hidden);
}

bool isGadgetHidden(int id)
{
    Gadget* g = findGadget(id);
    return !g || g->widget->isHidden();
}

void resizeGadget(int id, int x, int y, int width, int height)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    QRect r = g->widget->geometry();
    if (x != Keep)
        r.moveLeft(x);
    if (y != Keep)
        r.moveTop(y);
    if (width != Keep)
        r.setWidth(width);
    if (height != Keep)
        r.setHeight(height);
    g->widget->setGeometry(r);
    if (g->anchors.active) {
        if (PlatformWindow* w = findWindow(g->window)) {
            g->anchors.base = r;
            g->anchors.parentBase = w->size();
        }
    }
}

int gadgetX(int id)
{
    Gadget* g = findGadget(id);
    return g ? g->widget->x() : 0;
}

int gadgetY(int id)
{
    Gadget* g = findGadget(id);
    return g ? g->widget->y() : 0;
}

int gadgetWidth(int id)
{
    Gadget* g = findGadget(id);
    return g ? g->widget->width() : 0;
}

int gadgetHeight(int id)
{
    Gadget* g = findGadget(id);
    return g ? g->widget->height() : 0;
}

void anchorGadget(int id, bool left, bool top, bool right, bool bottom)
{
    Gadget* g = findGadget(id);
    PlatformWindow* w = g ? findWindow(g->window) : nullptr;
    if (!w)
        return;
    Anchors& a = g->anchors;
    a.active = true;
    a.left = left;
    a.top = top;
    a.right = right;
    a.bottom = bottom;
    a.base = g->widget->geometry();
    a.parentBase = w->size();
}

void setActiveGadget(int id)
{
    if (Gadget* g = findGadget(id)) {
        QWidget* w = g->widget;
        if (QWidget* proxy = w->focusProxy())
            w = proxy;
        w->setFocus(Qt::OtherFocusReason);
    }
}

int activeGadget()
{
    QWidget* focus = QApplication::focusWidget();
    for (auto& [id, g] : state().gadgets) {
        if (g.widget.isNull())
            continue;
        if (focus && (focus == g.widget || g.widget->isAncestorOf(focus)) &&
            !(g.kind == Kind::Splitter || g.kind == Kind::Container || g.kind == Kind::Panel))
            return id;
    }
    return -1;
}

void setGadgetTextColor(int id, std::uint32_t color)
{
    if (Gadget* g = findGadget(id)) {
        QPalette p = g->widget->palette();
        p.setColor(QPalette::WindowText, QColor::fromRgb(color));
        p.setColor(QPalette::Text, QColor::fromRgb(color));
        g->widget->setPalette(p);
    }
}

void setGadgetFont(int id, const std::string& family, int pointSize, bool bold)
{
    if (Gadget* g = findGadget(id)) {
        QFont f = g->widget->font();
        // A family this system lacks (the Windows names the windows ask
        // for) keeps the application's font: fontconfig would otherwise put
        // in whatever look-alike is installed, and the captions were sized
        // for the fonts we ship with.
        if (!family.empty() && QFontDatabase::hasFamily(qs(family)))
            f.setFamily(qs(family));
        if (pointSize > 0)
            f.setPointSize(pointSize);
        f.setBold(bold);
        g->widget->setFont(f);
    }
}

void setGadgetToolTip(int id, const std::string& text)
{
    if (Gadget* g = findGadget(id))
        g->widget->setToolTip(qs(text));
}

std::string getGadgetToolTip(int id)
{
    Gadget* g = findGadget(id);
    return g ? ss(g->widget->toolTip()) : std::string();
}

void setGadgetBalloonToolTip(int id, const std::string& text, const std::string& title)
{
    Gadget* g = findGadget(id);
    if (!g)
        return;
    QString body = qs(text).toHtmlEscaped();
    QString html = QStringLiteral("<div style='max-width:180px'>");
    if (!title.empty())
        html += QStringLiteral("<b>") + qs(title).toHtmlEscaped() + QStringLiteral("</b><br>");
    html += body + QStringLiteral("</div>");
    g->widget->setToolTip(html);
}

// ---- Pictures ----------------------------------------------------------------------

int pictureImage(Picture picture)
{
    int number = 900000 + int(picture);
    auto& images = state().images;
    if (!images.count(number))
        images[number] = drawPicture(picture);
    return number;
}

int loadImage(int image, const std::string& path)
{
    QPixmap p;
    if (!p.load(qs(path)))
        return -1;
    if (image == AnyNumber)
        image = handOutNumber();
    state().images[image] = p;
    return image;
}

bool isImage(int image) { return state().images.count(image) > 0; }
int imageWidth(int image) { return imagePixmap(image).width(); }
int imageHeight(int image) { return imagePixmap(image).height(); }

// ---- Keyboard shortcuts -------------------------------------------------------------

void addKeyboardShortcut(int window, const std::string& keys, int event)
{
    QKeySequence seq = QKeySequence::fromString(qs(keys), QKeySequence::PortableText);
    std::erase_if(state().shortcuts, [&](const ShortcutRec& r) { return r.window == window && r.keys == seq; });
    state().shortcuts.push_back(ShortcutRec{window, seq, event});
}

void removeKeyboardShortcuts(int window)
{
    std::erase_if(state().shortcuts, [&](const ShortcutRec& r) { return r.window == window; });
}

// ---- Qt glue ------------------------------------------------------------------------

QWidget* windowWidget(int window) { return findWindow(window); }

QWidget* gadgetWidget(int id)
{
    Gadget* g = findGadget(id);
    return g ? g->widget.data() : nullptr;
}

}  // namespace zarvon::platform
