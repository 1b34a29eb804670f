// The calls only tests make: posting and polling events, reading back what
// windows and controls show, driving menus and toolbar buttons, pictures of
// windows, and the switches tests flip. The dialog script itself lives with
// the requesters it answers (requesters.cpp).
#include "ui/platform/testing.h"
#include "ui/platform/internal.h"
#include "ui/platform/qt_access.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>

namespace zarvon::platform {
using namespace detail;

namespace {

QString withoutMnemonics(QString text) { return text.replace(QStringLiteral("&&"), QStringLiteral("&")); }

void outline(QMenu *menu, std::vector<std::string> &out)
{
    for (QAction *a : menu->actions()) {
        if (a->isSeparator()) {
            out.push_back("-");
        } else if (a->menu()) {
            out.push_back(ss(withoutMnemonics(a->text())) + ">");
            outline(a->menu(), out);
            out.push_back("<");
        } else {
            out.push_back(ss(withoutMnemonics(a->text())));
        }
    }
}

QToolButton *findToolBarButton(int toolbar, int button)
{
    return qobject_cast<QToolButton *>(toolBarButtonWidget(toolbar, button));
}

} // namespace

void setDelaysEnabled(bool enabled) { state().delays = enabled; }

void setInstanceLockFolder(const std::string &folder) { instanceLockFolder() = qs(folder); }

bool pollEvent(UiEvent &event, int timeoutMilliseconds)
{
    auto &s = state();
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

void postEvent(const UiEvent &event) { queueEvent(event); }

int pendingEventCount() { return int(state().queue.size()); }

bool saveWindowPicture(int window, const std::string &pngPath)
{
    auto *w = findWindow(window);
    if (!w)
        return false;
    QCoreApplication::processEvents();
    return w->grab().save(qs(pngPath), "PNG");
}

bool isGadgetDisabled(int id)
{
    Gadget *g = findGadget(id);
    return g && !g->widget->isEnabled();
}

int getGadgetAttribute(int id, GadgetAttribute attribute)
{
    Gadget *g = findGadget(id);
    if (!g)
        return 0;
    QWidget *w = g->widget;
    switch (attribute) {
    case GadgetAttribute::ProgressMinimum:
        return g->kind == Kind::Progress ? static_cast<QProgressBar *>(w)->minimum() : 0;
    case GadgetAttribute::ProgressMaximum:
        return g->kind == Kind::Progress ? static_cast<QProgressBar *>(w)->maximum() : 0;
    case GadgetAttribute::StringMaxLength:
        return g->kind == Kind::String ? static_cast<QLineEdit *>(w)->maxLength() : 0;
    case GadgetAttribute::SplitterFirstMinimum:
    case GadgetAttribute::SplitterSecondMinimum:
        if (g->kind == Kind::Splitter) {
            auto *s = static_cast<QSplitter *>(w);
            QWidget *child = s->widget(attribute == GadgetAttribute::SplitterFirstMinimum ? 0 : 1);
            return child ? child->minimumWidth() : 0;
        }
        return 0;
    }
    return 0;
}

int gadgetX(int id)
{
    Gadget *g = findGadget(id);
    return g ? g->widget->x() : 0;
}

int gadgetY(int id)
{
    Gadget *g = findGadget(id);
    return g ? g->widget->y() : 0;
}

int gadgetWidth(int id)
{
    Gadget *g = findGadget(id);
    return g ? g->widget->width() : 0;
}

int gadgetHeight(int id)
{
    Gadget *g = findGadget(id);
    return g ? g->widget->height() : 0;
}

int getGadgetColumnWidth(int id, int column)
{
    Gadget *g = findGadget(id);
    if (!g)
        return 0;
    if (g->kind == Kind::ListIcon)
        return static_cast<QTreeWidget *>(g->widget.data())->columnWidth(column);
    if (g->kind == Kind::ExplorerList)
        return explorerColumnWidth(g->widget, column);
    return 0;
}

void clickGadgetColumnHeader(int id, int column)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    // A press and a release on the header itself, as the mouse makes them:
    // the header changes its own state on a click before it reports it.
    QHeaderView *header = t->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    const QPoint at(x, header->viewport()->height() / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), QPointF(header->viewport()->mapToGlobal(at)), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &event);
    }
}

namespace {

// Where the test's mouse is on the list it pressed.
struct TestMouse {
    QPoint at;
    Qt::KeyboardModifiers modifiers;
};
TestMouse &testMouse()
{
    static TestMouse mouse;
    return mouse;
}

void sendMouse(int id, QEvent::Type type, Qt::MouseButtons buttons)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    const TestMouse &m = testMouse();
    QMouseEvent event(type, QPointF(m.at), QPointF(t->viewport()->mapToGlobal(m.at)), Qt::LeftButton, buttons,
                      m.modifiers);
    QCoreApplication::sendEvent(t->viewport(), &event);
}

} // namespace

void pressGadgetRow(int id, int row, bool control)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t || row < 0 || row >= t->topLevelItemCount())
        return;
    QTreeWidgetItem *item = t->topLevelItem(row);
    t->scrollToItem(item);
    // On the row's name, a little inside the list's left edge.
    const QRect rect = t->visualItemRect(item);
    testMouse() = {QPoint(rect.left() + 10, rect.center().y()), control ? Qt::ControlModifier : Qt::NoModifier};
    sendMouse(id, QEvent::MouseButtonPress, Qt::LeftButton);
}

void moveGadgetMouse(int id, int dx)
{
    // In steps, as a real mouse reports its way.
    for (int step = 0; step < std::abs(dx); ++step) {
        testMouse().at.rx() += dx > 0 ? 1 : -1;
        sendMouse(id, QEvent::MouseMove, Qt::LeftButton);
    }
}

void releaseGadgetMouse(int id) { sendMouse(id, QEvent::MouseButtonRelease, Qt::NoButton); }

void doubleClickGadgetRow(int id, int row)
{
    pressGadgetRow(id, row);
    releaseGadgetMouse(id);
    sendMouse(id, QEvent::MouseButtonDblClick, Qt::LeftButton);
    releaseGadgetMouse(id);
}

std::vector<int> windowIconSizes(int window)
{
    std::vector<int> sizes;
    if (QWidget *w = findWindow(window))
        for (const QSize &size : w->windowIcon().availableSizes())
            sizes.push_back(size.width());
    return sizes;
}

CellInk gadgetCellInk(int id, int row, int column)
{
    CellInk ink;
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t || row < 0 || row >= t->topLevelItemCount() || column < 0 || column >= t->columnCount())
        return ink;
    QTreeWidgetItem *item = t->topLevelItem(row);
    // Every column in view, the row unselected (the selection would paint
    // the whole cell); the list is given back as it was.
    const QSize size = t->size();
    const bool selected = item->isSelected();
    int total = 0;
    for (int c = 0; c < t->columnCount(); ++c)
        total += t->columnWidth(c);
    t->resize(total + 2 * t->frameWidth() + 40, size.height());
    QCoreApplication::processEvents();
    t->horizontalScrollBar()->setValue(0);
    t->scrollToItem(item);
    item->setSelected(false);
    const QRect cell = t->visualItemRect(item).intersected(
        QRect(t->header()->sectionViewportPosition(column), 0, t->columnWidth(column), t->viewport()->height()));
    QImage picture;
    if (!cell.isEmpty())
        picture = t->viewport()->grab(cell).toImage();
    item->setSelected(selected);
    t->resize(size);
    if (picture.isNull())
        return ink;
    ink.width = picture.width();
    const int background = qGray(t->palette().color(QPalette::Base).rgb());
    for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y)
            if (std::abs(qGray(picture.pixel(x, y)) - background) > 60) {
                if (ink.left < 0)
                    ink.left = x;
                ink.right = x;
                break;
            }
    return ink;
}

std::string getMenuItemText(int menu, int item)
{
    QAction *a = menuItemAction(menu, item);
    return a ? ss(withoutMnemonics(a->text())) : std::string();
}

bool hasMenuItem(int menu, int item) { return menuItemAction(menu, item) != nullptr; }

std::vector<std::string> menuOutline(int menu)
{
    std::vector<std::string> out;
    QWidget *holder = menuHolder(menu);
    if (auto *popup = qobject_cast<QMenu *>(holder)) {
        outline(popup, out);
        return out;
    }
    if (!holder)
        return out;
    for (QAction *a : holder->actions()) {
        if (!a->menu())
            continue;
        out.push_back(ss(withoutMnemonics(a->text())) + ">");
        outline(a->menu(), out);
        out.push_back("<");
    }
    return out;
}

void triggerMenuItem(int menu, int item)
{
    if (QAction *a = menuItemAction(menu, item))
        a->trigger();
}

std::string getToolBarButtonCaption(int toolbar, int button)
{
    QToolButton *b = findToolBarButton(toolbar, button);
    return b ? ss(withoutMnemonics(b->text())) : std::string();
}

std::string getToolBarButtonToolTip(int toolbar, int button)
{
    QToolButton *b = findToolBarButton(toolbar, button);
    return b ? ss(b->toolTip()) : std::string();
}

void clickToolBarButton(int toolbar, int button)
{
    if (QToolButton *b = findToolBarButton(toolbar, button))
        b->click();
}

std::string getStatusBarText(int bar, int field)
{
    QLabel *label = statusBarField(bar, field);
    return label ? ss(label->text()) : std::string();
}

} // namespace zarvon::platform
