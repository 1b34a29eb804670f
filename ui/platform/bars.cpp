// Menus, the toolbar strip, the status bar, the tray icon and the instance lock.
#include "ui/platform/internal.h"
#include "ui/platform/qt_access.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QFile>
#include <QLockFile>
#include <QResizeEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <algorithm>
#include <memory>
#include <vector>

#include <unistd.h>

namespace zarvon::platform {
using namespace detail;

namespace {

// Each field keeps the width it was given but never reaches past the bar's
// right edge: a centred text is centred in what can be seen of its field,
// not cut at the window's edge.
void fitStatusFields(StatusRec &s)
{
    if (s.bar.isNull())
        return;
    int x = 0;
    for (std::size_t i = 0; i < s.fields.size(); ++i) {
        const int width = std::max(0, std::min(s.widths[i], s.bar->width() - x) - 2);
        if (!s.fields[i].isNull())
            s.fields[i]->setGeometry(x, 1, width, 20);
        x += s.widths[i];
    }
}

// The status bar refits its fields whenever the window changes width.
class FittingStatusBar : public QStatusBar {
public:
    explicit FittingStatusBar(int bar) : bar_(bar) {}

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int bar_;
};

std::map<int, MenuRec> &menus() { return state().menus; }
std::map<int, ToolBarRec> &toolbars() { return state().toolbars; }
std::map<int, StatusRec> &statusBars() { return state().statusBars; }
std::map<int, TrayRec> &trays() { return state().trays; }

// Caption buttons are sized to their text: the eight of them must fit in the
// 850-pixel window of that form.
int captionWidth(QToolButton *button)
{
    return 48 + 6 +
           button->fontMetrics().horizontalAdvance(button->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
}

MenuRec *findMenu(int menu)
{
    auto it = menus().find(menu);
    if (it == menus().end())
        return nullptr;
    MenuRec &m = it->second;
    if (!m.popup && m.bar.isNull()) {
        menus().erase(it);
        return nullptr;
    }
    return &m;
}

ToolBarRec *findToolBar(int toolbar)
{
    auto it = toolbars().find(toolbar);
    if (it == toolbars().end())
        return nullptr;
    if (it->second.strip.isNull()) {
        toolbars().erase(it);
        return nullptr;
    }
    return &it->second;
}

StatusRec *findStatus(int bar)
{
    auto it = statusBars().find(bar);
    if (it == statusBars().end())
        return nullptr;
    if (it->second.bar.isNull()) {
        statusBars().erase(it);
        return nullptr;
    }
    return &it->second;
}

QAction *itemAction(int menu, int item)
{
    MenuRec *m = findMenu(menu);
    if (!m)
        return nullptr;
    auto it = m->items.find(item);
    return it == m->items.end() ? nullptr : it->second.data();
}

std::unique_ptr<QLockFile> &instanceLock() { return state().instanceLock; }
} // namespace

// Menus

bool createMenu(int menu, int window)
{
    PlatformWindow *w = findWindow(window);
    if (!w)
        return false;
    freeMenu(menu);
    auto *bar = new QMenuBar;
    w->setMenuBar(bar); // replaces and deletes the window's previous bar
    MenuRec &m = menus()[menu];
    m.window = window;
    m.bar = bar;
    state().currentMenu = menu;
    return true;
}

bool createPopupMenu(int menu)
{
    freeMenu(menu);
    MenuRec &m = menus()[menu];
    m.popup = std::make_unique<QMenu>();
    m.stack.push_back(m.popup.get());
    state().currentMenu = menu;
    return true;
}

bool isMenu(int menu) { return findMenu(menu) != nullptr; }

void detail::releaseMenus()
{
    // Popup menus are owned here, not by a window: once shown they hold a
    // native window, which must go while the platform is still there rather
    // than with this table at the end of the process.
    std::vector<int> numbers;
    for (auto &[number, m] : menus())
        numbers.push_back(number);
    for (int number : numbers)
        freeMenu(number);
    menus().clear();
}

void freeMenu(int menu)
{
    MenuRec *m = findMenu(menu);
    if (!m)
        return;
    if (!m->bar.isNull()) {
        if (auto *w = qobject_cast<QMainWindow *>(m->bar->parentWidget()))
            w->setMenuBar(nullptr);
        delete m->bar.data();
    }
    menus().erase(menu);
}

void menuTitle(const std::string &title)
{
    MenuRec *m = findMenu(state().currentMenu);
    if (!m || m->bar.isNull())
        return;
    QMenu *sub = m->bar->addMenu(caption(title));
    m->stack.clear();
    m->stack.push_back(sub);
}

void menuItem(int item, const std::string &text)
{
    MenuRec *m = findMenu(state().currentMenu);
    if (!m || m->stack.empty() || m->stack.back().isNull())
        return;
    QAction *a = m->stack.back()->addAction(caption(text));
    int menu = state().currentMenu;
    QObject::connect(a, &QAction::triggered, a, [a, menu, item](bool checked) {
        // Qt flips a marked item's check before telling us; the program sets
        // every mark itself and reads the mark as it was before the click.
        if (a->isCheckable())
            a->setChecked(!checked);
        MenuRec *rec = findMenu(menu);
        queueEvent(UiEvent{EventKind::Menu, rec ? rec->window : -1, item, EventSubtype::None});
    });
    m->items[item] = a;
}

void menuBar()
{
    MenuRec *m = findMenu(state().currentMenu);
    if (m && !m->stack.empty() && !m->stack.back().isNull())
        m->stack.back()->addSeparator();
}

void openSubMenu(const std::string &title)
{
    MenuRec *m = findMenu(state().currentMenu);
    if (!m || m->stack.empty() || m->stack.back().isNull())
        return;
    QMenu *sub = m->stack.back()->addMenu(caption(title));
    m->stack.push_back(sub);
}

void closeSubMenu()
{
    MenuRec *m = findMenu(state().currentMenu);
    if (m && m->stack.size() > 1)
        m->stack.pop_back();
}

void setMenuItemState(int menu, int item, bool checked)
{
    if (QAction *a = itemAction(menu, item)) {
        a->setCheckable(true);
        a->setChecked(checked);
    }
}

bool getMenuItemState(int menu, int item)
{
    QAction *a = itemAction(menu, item);
    return a && a->isChecked();
}

void setMenuItemEnabled(int menu, int item, bool enabled, const std::string &toolTip)
{
    QAction *a = itemAction(menu, item);
    if (!a)
        return;
    a->setEnabled(enabled);
    a->setToolTip(qs(toolTip));
    if (MenuRec *m = findMenu(menu); m && m->popup)
        m->popup->setToolTipsVisible(true);
}

void displayPopupMenu(int menu, int window)
{
    MenuRec *m = findMenu(menu);
    if (!m || !m->popup)
        return;
    m->window = window;
    if (PlatformWindow *w = findWindow(window))
        w->activateWindow();
    m->popup->popup(QCursor::pos());
}

QAction *menuItemAction(int menu, int item) { return itemAction(menu, item); }

QWidget *detail::menuHolder(int menu)
{
    MenuRec *m = findMenu(menu);
    if (!m)
        return nullptr;
    if (m->popup)
        return m->popup.get();
    return m->bar.data();
}

// Toolbar

bool createToolBar(int toolbar, int window, ToolBarForm form, int height, int width)
{
    PlatformWindow *w = findWindow(window);
    if (!w)
        return false;
    freeToolBar(toolbar);
    ToolBarRec &t = toolbars()[toolbar];
    t.window = window;
    t.form = form;
    t.strip = new QWidget(w->canvas());
    t.strip->setGeometry(0, 0, width, height);
    t.background = new QLabel(t.strip);
    t.background->setGeometry(0, 0, width, height);
    t.background->setScaledContents(true);
    t.strip->show();
    t.x = 0;
    return true;
}

bool isToolBar(int toolbar) { return findToolBar(toolbar) != nullptr; }

void freeToolBar(int toolbar)
{
    if (ToolBarRec *t = findToolBar(toolbar))
        delete t->strip.data();
    toolbars().erase(toolbar);
}

void setToolBarBackground(int toolbar, int image)
{
    if (ToolBarRec *t = findToolBar(toolbar))
        t->background->setPixmap(imagePixmap(image));
}

int toolBarButton(int toolbar, int image, const std::string &text)
{
    ToolBarRec *t = findToolBar(toolbar);
    if (!t)
        return -1;
    int id = handOutNumber();
    auto *b = new QToolButton(t->strip);
    QPixmap p = imagePixmap(image);
    b->setIcon(QIcon(p));
    b->setIconSize(QSize(48, 48));
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    int height = t->strip->height() - 4;
    int width = 52;
    if (t->form == ToolBarForm::Captions) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        QFont small = b->font();
        small.setPixelSize(9);
        b->setFont(small);
        b->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; }"));
        b->setText(caption(text));
        width = captionWidth(b);
    }
    b->setGeometry(t->x, 2, width, height);
    t->x += width;
    b->show();
    t->buttons[id] = b;
    int window = t->window;
    QObject::connect(b, &QToolButton::clicked, b,
                     [window, id] { queueControlEvent(window, id, EventSubtype::LeftClick); });
    return id;
}

void toolBarGap(int toolbar, int pixels)
{
    if (ToolBarRec *t = findToolBar(toolbar))
        t->x += pixels;
}

void toolBarSeparator(int toolbar)
{
    ToolBarRec *t = findToolBar(toolbar);
    if (!t)
        return;
    auto *line = new QFrame(t->strip);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    line->setGeometry(t->x, 6, 4, t->strip->height() - 12);
    line->show();
    t->x += 4;
}

void setToolBarButtonCaption(int toolbar, int button, const std::string &text)
{
    ToolBarRec *t = findToolBar(toolbar);
    if (!t || !t->buttons.count(button) || t->buttons[button].isNull())
        return;
    QToolButton *b = t->buttons[button];
    b->setText(caption(text));
    if (t->form != ToolBarForm::Captions)
        return;
    // Captions change width with the language: lay the strip out again.
    int shift = captionWidth(b) - b->width();
    if (shift == 0)
        return;
    int from = b->x();
    b->resize(captionWidth(b), b->height());
    for (QObject *child : t->strip->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (w && w != b && w != t->background && w->x() > from)
            w->move(w->x() + shift, w->y());
    }
    t->x += shift;
}

void setToolBarButtonToolTip(int toolbar, int button, const std::string &text)
{
    ToolBarRec *t = findToolBar(toolbar);
    if (t && t->buttons.count(button) && !t->buttons[button].isNull())
        t->buttons[button]->setToolTip(qs(text));
}

int toolBarHeight(int toolbar)
{
    ToolBarRec *t = findToolBar(toolbar);
    return t ? t->strip->height() : 0;
}

int toolBarContentWidth(int toolbar)
{
    ToolBarRec *t = findToolBar(toolbar);
    return t ? t->x : 0;
}

QWidget *toolBarButtonWidget(int toolbar, int button)
{
    ToolBarRec *t = findToolBar(toolbar);
    if (!t || !t->buttons.count(button))
        return nullptr;
    return t->buttons[button].data();
}

// Status bar

bool createStatusBar(int bar, int window)
{
    PlatformWindow *w = findWindow(window);
    if (!w)
        return false;
    freeStatusBar(bar);
    auto *sb = new FittingStatusBar(bar);
    sb->setSizeGripEnabled(false);
    sb->setFixedHeight(22);
    w->setStatusBar(sb);
    StatusRec &s = statusBars()[bar];
    s.window = window;
    s.bar = sb;
    s.nextX = 0;
    return true;
}

void FittingStatusBar::resizeEvent(QResizeEvent *event)
{
    QStatusBar::resizeEvent(event);
    if (StatusRec *s = findStatus(bar_))
        fitStatusFields(*s);
}

bool isStatusBar(int bar) { return findStatus(bar) != nullptr; }

void freeStatusBar(int bar)
{
    if (StatusRec *s = findStatus(bar)) {
        if (auto *w = qobject_cast<QMainWindow *>(s->bar->parentWidget())) {
            w->setStatusBar(nullptr); // deletes it
        } else {
            delete s->bar.data();
        }
    }
    statusBars().erase(bar);
}

void addStatusBarField(int bar, int width)
{
    StatusRec *s = findStatus(bar);
    if (!s)
        return;
    // Fields are placed by hand: a field wider than the window must not
    // force the window's minimum width.
    auto *label = new QLabel(s->bar);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->show();
    s->nextX += width;
    s->fields.push_back(label);
    s->widths.push_back(width);
    fitStatusFields(*s);
}

void statusBarText(int bar, int field, const std::string &text, unsigned flags)
{
    StatusRec *s = findStatus(bar);
    if (!s || field < 0 || field >= int(s->fields.size()) || s->fields[field].isNull())
        return;
    QLabel *l = s->fields[field];
    l->setText(qs(text));
    l->setAlignment(Qt::AlignVCenter | ((flags & TextCenter)  ? Qt::AlignHCenter
                                        : (flags & TextRight) ? Qt::AlignRight
                                                              : Qt::AlignLeft));
}

QLabel *detail::statusBarField(int bar, int field)
{
    StatusRec *s = findStatus(bar);
    if (!s || field < 0 || field >= int(s->fields.size()))
        return nullptr;
    return s->fields[field].data();
}

int statusBarHeight(int bar)
{
    StatusRec *s = findStatus(bar);
    return s ? s->bar->height() : 0;
}

// Notification area

bool isSysTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool addSysTrayIcon(int icon, int window, int image)
{
    removeSysTrayIcon(icon);
    TrayRec &t = trays()[icon];
    t.window = window;
    t.icon = std::make_unique<QSystemTrayIcon>(QIcon(imagePixmap(image)));
    QObject::connect(t.icon.get(), &QSystemTrayIcon::activated, t.icon.get(),
                     [icon, window](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick)
                             queueEvent(UiEvent{EventKind::Tray, window, icon, EventSubtype::LeftDoubleClick});
                         else if (reason == QSystemTrayIcon::Context)
                             queueEvent(UiEvent{EventKind::Tray, window, icon, EventSubtype::RightClick});
                     });
    t.icon->show();
    return true;
}

bool isSysTrayIcon(int icon) { return trays().count(icon) > 0; }

void removeSysTrayIcon(int icon) { trays().erase(icon); }

void setSysTrayIconToolTip(int icon, const std::string &text)
{
    auto it = trays().find(icon);
    if (it != trays().end())
        it->second.icon->setToolTip(qs(text));
}

void showSysTrayBalloon(int icon, const std::string &title, const std::string &text, int milliseconds)
{
    auto it = trays().find(icon);
    if (it != trays().end())
        it->second.icon->showMessage(qs(title), qs(text), QSystemTrayIcon::Information, milliseconds);
}

// Single instance

bool acquireInstanceLock(const std::string &name)
{
    const QString folder = runtimeFolder();
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(qs(name) + QStringLiteral(".lock")));
    // A lock left by a process that no longer runs is taken over at once.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    instanceLock() = std::move(lock);
    return true;
}

void releaseInstanceLock() { instanceLock().reset(); }

bool holdsInstanceLock() { return instanceLock() != nullptr; }

QString &detail::instanceLockFolder() { return state().instanceLockFolder; }

QString detail::runtimeFolder()
{
    QString folder = instanceLockFolder();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        // The shared temporary folder is no place for a socket others could
        // reach: a folder of the user's own there, closed to everyone else.
        folder = QDir::tempPath() + QStringLiteral("/zarvon-") + QString::number(::getuid());
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return folder;
    }
    QDir().mkpath(folder);
    return folder;
}

} // namespace zarvon::platform
