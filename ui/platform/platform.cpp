// The layer's state record, the registry of windows and controls, and the
// start and end of the layer.
#include "ui/platform/internal.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QThread>
#include <QTranslator>

#include <vector>

namespace zarvon::platform {
namespace detail {

State &state()
{
    static State s;
    return s;
}

void sweepGadgets()
{
    auto &g = state().gadgets;
    for (auto it = g.begin(); it != g.end();) {
        if (it->second.widget.isNull())
            it = g.erase(it);
        else
            ++it;
    }
}

std::map<int, Gadget> &gadgets() { return state().gadgets; }

Gadget *findGadget(int id)
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

PlatformWindow *findWindow(int window)
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

QWidget *currentGadgetParent()
{
    auto &lists = state().lists;
    while (!lists.empty() && lists.back().parent.isNull())
        lists.pop_back();
    return lists.empty() ? nullptr : lists.back().parent.data();
}

int currentGadgetWindow()
{
    currentGadgetParent();
    return state().lists.empty() ? -1 : state().lists.back().window;
}

int registerGadget(int id, Kind kind, QWidget *widget, int x, int y, int width, int height)
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
    stackInParent(widget, height);
    state().gadgets[id] = g;
    if (kind != Kind::Option) {
        state().optionGroup = nullptr;
    }
    return id;
}

} // namespace detail

using namespace detail;

void initPlatform(int argc, char **argv)
{
    State &s = state();
    if (!QApplication::instance()) {
        s.argc = argc;
        new QApplication(s.argc, argv ? argv : s.noArguments);
    }
    if (s.prepared)
        return;
    s.prepared = true;
    // The layouts are given in pixels for a compact font; a larger desktop
    // font would clip the texts.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
    installKeyFilter();
    QObject::connect(qApp, &QApplication::focusChanged, qApp, [](QWidget *, QWidget *now) {
        for (auto &[id, g] : state().gadgets)
            if (!g.widget.isNull() && now && (g.kind == Kind::ListIcon || g.kind == Kind::ExplorerList) &&
                (g.widget == now || g.widget->isAncestorOf(now)))
                state().lastFocusedList = id;
    });
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window's title bar and the desktop's window list show the
    // program's own picture rather than a blank one.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(drawApplicationIcon(size)));
    QApplication::setWindowIcon(icon);
}

void usePlatformLanguage(bool french)
{
    // Qt's own texts: the file and folder requesters, the explorer list's
    // column headers and file types. Without the translation file (an
    // optional package) they simply stay in English.
    QTranslator *&translator = state().translator;
    state().french = french;
    // File types come from the desktop's type database in the language of
    // Qt's default locale: the interface's language, not the system's.
    QLocale::setDefault(french ? QLocale(QLocale::French, QLocale::France)
                               : QLocale(QLocale::English, QLocale::UnitedStates));
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (!french || !QCoreApplication::instance())
        return;
    auto *loaded = new QTranslator;
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
    auto &s = state();
    std::vector<int> numbers;
    for (auto &[n, w] : s.windows)
        numbers.push_back(n);
    for (int n : numbers)
        closeWindow(n);
    releaseMenus();
    s.windows.clear();
    s.gadgets.clear();
    s.lists.clear();
    s.shortcuts.clear();
    s.lastFocusedList = -1;
    s.queue.clear();
    s.dropped.clear();
    s.dropMove = false;
    s.recordDrags = false;
    s.dragged.clear();
    s.escapePressed = false;
    s.cancelClicked = -1;
    stopListening();
    s.requests.clear();
    releaseInstanceLock();
    std::vector<int> icons;
    for (const auto &[icon, tray] : s.trays)
        icons.push_back(icon);
    for (int icon : icons)
        removeSysTrayIcon(icon);
    s.trays.clear();
    // Toolbars and status bars went with their windows.
    s.toolbars.clear();
    s.statusBars.clear();
    s.currentMenu = -1;
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

void delay(int milliseconds)
{
    if (!state().delays || milliseconds <= 0)
        return;
    // A window shown just before (the boot screen) is mapped by the window
    // manager some time later and only then asked to paint: a plain sleep
    // would leave it an empty rectangle for the whole wait. Repaints and
    // the window system's own work go on; user input stays queued.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, int(milliseconds - timer.elapsed()));
        QThread::msleep(5);
    }
}

void beep() { QApplication::beep(); }

} // namespace zarvon::platform
