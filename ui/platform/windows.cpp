// Windows: creation, geometry, titles, showing and hiding, and the close box.
#include "ui/platform/internal.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace zarvon::platform {
namespace detail {

void applyAnchors(PlatformWindow *window)
{
    for (auto &[id, g] : state().gadgets) {
        if (g.widget.isNull() || !g.anchors.active || g.window != window->number())
            continue;
        const Anchors &a = g.anchors;
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

PlatformWindow::PlatformWindow(int number, QWidget *parent)
    : QMainWindow(parent), number_(number), canvas_(new QWidget(this))
{
    setCentralWidget(canvas_);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void PlatformWindow::closeEvent(QCloseEvent *event)
{
    if (closingByProgram) {
        event->accept();
        return;
    }
    event->ignore();
    queueEvent(UiEvent{EventKind::CloseWindow, number_, -1, EventSubtype::None});
}

void PlatformWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    applyAnchors(this);
}

} // namespace detail

using namespace detail;

int openWindow(int window, int x, int y, int width, int height, const std::string &title, unsigned flags, int parent)
{
    if (window == AnyNumber)
        window = handOutNumber();
    closeWindow(window);
    PlatformWindow *parentWindow = parent >= 0 ? findWindow(parent) : nullptr;
    auto *w = new PlatformWindow(window, nullptr);
    w->dialog = parentWindow || (flags & WindowTool);
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
        area =
            QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry() : QRect(0, 0, 1024, 768);
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
    PlatformWindow *w = findWindow(window);
    if (!w)
        return;
    auto &s = state();
    std::erase_if(s.shortcuts, [&](const ShortcutRec &r) { return r.window == window; });
    w->closingByProgram = true;
    w->hide();
    delete w;
    s.windows.erase(window);
    sweepGadgets();
    std::erase_if(s.queue, [&](const UiEvent &e) { return e.window == window && e.kind != EventKind::Menu; });
}

void showWindow(int window)
{
    if (auto *w = findWindow(window)) {
        w->setAttribute(Qt::WA_ShowWithoutActivating, true);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void hideWindow(int window)
{
    if (auto *w = findWindow(window))
        w->hide();
}

bool isWindowVisible(int window)
{
    auto *w = findWindow(window);
    return w && w->isVisible();
}

void activateWindow(int window)
{
    if (auto *w = findWindow(window)) {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

int activeWindow()
{
    auto *w = dynamic_cast<PlatformWindow *>(QApplication::activeWindow());
    return w ? w->number() : -1;
}

void setWindowState(int window, WindowState st)
{
    auto *w = findWindow(window);
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
    auto *w = findWindow(window);
    if (!w)
        return WindowState::Normal;
    if (w->windowState() & Qt::WindowMaximized)
        return WindowState::Maximized;
    if (w->windowState() & Qt::WindowMinimized)
        return WindowState::Minimized;
    return WindowState::Normal;
}

void setWindowTitle(int window, const std::string &title)
{
    if (auto *w = findWindow(window))
        w->setWindowTitle(qs(title));
}

std::string getWindowTitle(int window)
{
    auto *w = findWindow(window);
    return w ? ss(w->windowTitle()) : std::string();
}

void resizeWindow(int window, int x, int y, int width, int height)
{
    auto *w = findWindow(window);
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

void widenWindow(int window, int width)
{
    auto *w = findWindow(window);
    if (!w || w->width() >= width || (w->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    QScreen *screen = w->screen() ? w->screen() : QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame the window manager draws around the inner area takes its
    // share of the screen too.
    const int frame = std::max(w->frameGeometry().width() - w->width(), 0);
    width = std::min(width, area.width() - frame);
    if (width <= w->width())
        return;
    w->resize(width, w->height());
    if (w->frameGeometry().right() > area.right())
        w->move(std::max(area.right() + 1 - w->frameGeometry().width(), area.left()), w->y());
    applyAnchors(w);
}

void keepWindowOnScreen(int window)
{
    auto *w = findWindow(window);
    if (!w)
        return;
    QScreen *screen = QApplication::screenAt(w->frameGeometry().center());
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
    auto *w = findWindow(window);
    return w ? w->x() : 0;
}

int windowY(int window)
{
    auto *w = findWindow(window);
    return w ? w->y() : 0;
}

int windowWidth(int window)
{
    auto *w = findWindow(window);
    return w ? w->width() : 0;
}

int windowHeight(int window)
{
    auto *w = findWindow(window);
    return w ? w->height() : 0;
}

void setWindowTopmost(int window, bool topmost)
{
    auto *w = findWindow(window);
    if (!w)
        return;
    bool visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (visible)
        w->show();
}

bool isWindowTopmost(int window)
{
    auto *w = findWindow(window);
    return w && (w->windowFlags() & Qt::WindowStaysOnTopHint);
}

void setWindowSizeable(int window, bool sizeable)
{
    auto *w = findWindow(window);
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
    if (auto *w = findWindow(window)) {
        w->setUpdatesEnabled(redraw);
        if (redraw)
            w->update();
    }
}

void setWindowPicture(int window, int image, bool shaped)
{
    auto *w = findWindow(window);
    QPixmap picture = imagePixmap(image);
    if (!w || picture.isNull())
        return;
    auto *label = new QLabel(w->canvas());
    label->setPixmap(picture);
    label->setGeometry(0, 0, picture.width(), picture.height());
    label->lower();
    label->show();
    if (shaped) {
        QRegion region = pictureRegion(picture.toImage());
        region.translate(w->canvas()->pos());
        w->setMask(region);
    }
}

void useGadgetList(int window)
{
    auto *w = findWindow(window);
    if (!w)
        return;
    state().lists.clear();
    state().lists.push_back(GadgetList{w->canvas(), window});
    state().optionGroup = nullptr;
}

QWidget *windowWidget(int window) { return findWindow(window); }

} // namespace zarvon::platform
