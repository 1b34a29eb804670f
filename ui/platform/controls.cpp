// Controls ("gadgets"): their creation, texts, states, attributes, geometry,
// focus, colours, fonts and tooltips. Lists and their items are in lists.cpp.
#include "ui/platform/internal.h"
#include "ui/platform/qt_access.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

#include <algorithm>

namespace zarvon::platform {
using namespace detail;

namespace {

QString lineBreaks(const std::string &text)
{
    QString t = qs(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

} // namespace

int buttonGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *b = new QPushButton(caption(text), parent);
    b->setDefault(flags & ButtonDefault);
    b->setAutoDefault(false);
    int n = registerGadget(id, Kind::Button, b, x, y, width, height);
    forwardSignal(b, &QPushButton::clicked, n, EventSubtype::LeftClick);
    return n;
}

int buttonImageGadget(int id, int x, int y, int width, int height, int image)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *b = new QPushButton(parent);
    b->setAutoDefault(false);
    QPixmap p = imagePixmap(image);
    b->setIcon(QIcon(p));
    b->setIconSize(p.size());
    int n = registerGadget(id, Kind::ButtonImage, b, x, y, width, height);
    forwardSignal(b, &QPushButton::clicked, n, EventSubtype::LeftClick);
    return n;
}

int stringGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *e = new QLineEdit(qs(text), parent);
    if (flags & StringPassword)
        e->setEchoMode(QLineEdit::Password);
    e->setReadOnly(flags & StringReadOnly);
    int n = registerGadget(id, Kind::String, e, x, y, width, height);
    forwardSignal(e, &QLineEdit::textEdited, n, EventSubtype::Change);
    return n;
}

int textGadget(int id, int x, int y, int width, int height, const std::string &text, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *l = new QLabel(lineBreaks(text), parent);
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

int checkBoxGadget(int id, int x, int y, int width, int height, const std::string &text)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *c = new QCheckBox(caption(text), parent);
    int n = registerGadget(id, Kind::CheckBox, c, x, y, width, height);
    forwardSignal(c, &QCheckBox::clicked, n, EventSubtype::LeftClick);
    return n;
}

int optionGadget(int id, int x, int y, int width, int height, const std::string &text)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *r = new QRadioButton(caption(text), parent);
    r->setAutoExclusive(false);
    auto &s = state();
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
            for (QAbstractButton *other : group->buttons())
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
    void keyPressEvent(QKeyEvent *event) override
    {
        before_ = currentIndex();
        QComboBox::keyPressEvent(event);
    }

    void wheelEvent(QWheelEvent *event) override
    {
        before_ = currentIndex();
        QComboBox::wheelEvent(event);
    }

private:
    int before_ = -2;
};

} // namespace

int comboBoxGadget(int id, int x, int y, int width, int height, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *c = new DropDownList(parent);
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

int frameGadget(int id, int x, int y, int width, int height, const std::string &text)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *f = new QGroupBox(caption(text), parent);
    int n = registerGadget(id, Kind::Frame, f, x, y, width, height);
    f->lower();
    return n;
}

int panelGadget(int id, int x, int y, int width, int height)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *t = new QTabWidget(parent);
    int n = registerGadget(id, Kind::Panel, t, x, y, width, height);
    forwardSignal(t, &QTabWidget::currentChanged, n, EventSubtype::Change);
    return n;
}

namespace {

// The height a control of a stacked container was created with.
constexpr const char *kStackHeight = "zarvonStackHeight";
// Pixels between two controls of a stacked container.
constexpr int kStackGap = 2;

// A container that lays its controls out top to bottom (ContainerStacked).
class StackFrame : public QFrame {
public:
    using QFrame::QFrame;

    void relayout()
    {
        QList<QWidget *> stacked;
        for (QObject *child : children())
            if (auto *w = qobject_cast<QWidget *>(child); w && !w->isHidden() && w->property(kStackHeight).isValid())
                stacked.append(w);
        int y = 0;
        for (qsizetype i = 0; i < stacked.size(); ++i) {
            const bool last = i + 1 == stacked.size();
            const int h = last ? std::max(height() - y, 0) : stacked[i]->property(kStackHeight).toInt();
            stacked[i]->setGeometry(0, y, width(), h);
            y += h + kStackGap;
        }
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QFrame::resizeEvent(event);
        relayout();
    }
};

} // namespace

void detail::stackInParent(QWidget *widget, int height)
{
    auto *stack = dynamic_cast<StackFrame *>(widget->parentWidget());
    if (!stack)
        return;
    widget->setProperty(kStackHeight, height);
    stack->relayout();
}

int containerGadget(int id, int x, int y, int width, int height, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    QFrame *c = (flags & ContainerStacked) ? new StackFrame(parent) : new QFrame(parent);
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
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *p = new QProgressBar(parent);
    p->setRange(minimum, maximum);
    p->setValue(minimum);
    p->setTextVisible(false);
    return registerGadget(id, Kind::Progress, p, x, y, width, height);
}

int imageGadget(int id, int x, int y, int width, int height, int image)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *l = new QLabel(parent);
    l->setPixmap(imagePixmap(image));
    return registerGadget(id, Kind::Image, l, x, y, width, height);
}

namespace {
class LinkLabel : public QLabel {
public:
    LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {}
    int window = -1;
    int number = -1;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            queueControlEvent(window, number, EventSubtype::LeftClick);
        QLabel::mouseReleaseEvent(event);
    }
};
} // namespace

int hyperLinkGadget(int id, int x, int y, int width, int height, const std::string &text, std::uint32_t color)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *l = new LinkLabel(qs(text), parent);
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

int textBrowserGadget(int id, int x, int y, int width, int height, const std::string &html)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *b = new QTextBrowser(parent);
    b->setHtml(qs(html));
    return registerGadget(id, Kind::TextBrowser, b, x, y, width, height);
}

int splitterGadget(int id, int x, int y, int width, int height, int first, int second, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    Gadget *a = findGadget(first);
    Gadget *b = findGadget(second);
    if (!parent || !a || !b)
        return -1;
    auto *s = new QSplitter((flags & SplitterVertical) ? Qt::Horizontal : Qt::Vertical, parent);
    s->setChildrenCollapsible(false);
    a->anchors.active = false;
    b->anchors.active = false;
    s->addWidget(a->widget);
    s->addWidget(b->widget);
    s->setStretchFactor(0, 0);
    s->setStretchFactor(1, 1);
    // A control kept from an earlier splitter comes back hidden.
    a->widget->show();
    b->widget->show();
    int n = registerGadget(id, Kind::Splitter, s, x, y, width, height);
    forwardSignal(s, &QSplitter::splitterMoved, n, EventSubtype::Change);
    return n;
}

void closeGadgetList()
{
    auto &lists = state().lists;
    if (lists.size() > 1)
        lists.pop_back();
    state().optionGroup = nullptr;
}

void openGadgetList(int id, int item)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    if (g->kind == Kind::Container) {
        state().lists.push_back(GadgetList{g->widget, g->window});
    } else if (g->kind == Kind::Panel) {
        auto *t = static_cast<QTabWidget *>(g->widget.data());
        if (item >= 0 && item < t->count())
            state().lists.push_back(GadgetList{t->widget(item), g->window, id});
    }
    state().optionGroup = nullptr;
}

bool isGadget(int id) { return findGadget(id) != nullptr; }

void freeGadget(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    QWidget *w = g->widget;
    if (g->kind == Kind::Splitter && w) {
        // The controls it holds are controls of their own: they stay, on the
        // splitter's parent, until freed themselves or put in a new splitter.
        for (auto &[number, gadget] : state().gadgets)
            if (gadget.widget && gadget.widget->parentWidget() == w)
                gadget.widget->setParent(w->parentWidget());
    }
    state().gadgets.erase(id);
    delete w;
    sweepGadgets();
}

void setGadgetText(int id, const std::string &text)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Button: static_cast<QPushButton *>(w)->setText(caption(text)); break;
    case Kind::String: static_cast<QLineEdit *>(w)->setText(qs(text)); break;
    case Kind::Text:
    case Kind::HyperLink: static_cast<QLabel *>(w)->setText(lineBreaks(text)); break;
    case Kind::CheckBox:
    case Kind::Option: static_cast<QAbstractButton *>(w)->setText(caption(text)); break;
    case Kind::Frame: static_cast<QGroupBox *>(w)->setTitle(caption(text)); break;
    case Kind::Combo: {
        auto *c = static_cast<QComboBox *>(w);
        if (c->isEditable())
            c->setEditText(qs(text));
        else
            c->setCurrentIndex(c->findText(qs(text)));
        break;
    }
    case Kind::ExplorerList: setExplorerFolder(w, qs(text)); break;
    case Kind::ExplorerCombo: setExplorerComboFolder(w, qs(text)); break;
    case Kind::TextBrowser: static_cast<QTextBrowser *>(w)->setHtml(qs(text)); break;
    default: break;
    }
}

std::string getGadgetText(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return {};
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Button:
        return ss(static_cast<QPushButton *>(w)->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::String: return ss(static_cast<QLineEdit *>(w)->text());
    case Kind::Text:
    case Kind::HyperLink: return ss(static_cast<QLabel *>(w)->text());
    case Kind::CheckBox:
    case Kind::Option:
        return ss(static_cast<QAbstractButton *>(w)->text().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::Frame:
        return ss(static_cast<QGroupBox *>(w)->title().replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::Combo: return ss(static_cast<QComboBox *>(w)->currentText());
    case Kind::ExplorerList: return ss(explorerFolder(w));
    case Kind::ExplorerCombo: return ss(explorerComboFolder(w));
    case Kind::TextBrowser: return ss(static_cast<QTextBrowser *>(w)->toPlainText());
    default: return {};
    }
}

void setGadgetState(int id, int value)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::CheckBox: static_cast<QCheckBox *>(w)->setChecked(value != 0); break;
    case Kind::Option: {
        auto *r = static_cast<QRadioButton *>(w);
        if (value && r->group())
            for (QAbstractButton *other : r->group()->buttons())
                if (other != r)
                    other->setChecked(false);
        r->setChecked(value != 0);
        break;
    }
    case Kind::Combo: static_cast<QComboBox *>(w)->setCurrentIndex(value); break;
    case Kind::Panel: static_cast<QTabWidget *>(w)->setCurrentIndex(value); break;
    case Kind::Progress: static_cast<QProgressBar *>(w)->setValue(value); break;
    case Kind::Splitter: {
        auto *s = static_cast<QSplitter *>(w);
        int total = (s->orientation() == Qt::Horizontal ? s->width() : s->height()) - s->handleWidth();
        s->setSizes({value, std::max(total - value, 1)});
        break;
    }
    case Kind::ListIcon: {
        auto *t = static_cast<QTreeWidget *>(w);
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
    Gadget *g = findGadget(id);
    if (!g)
        return -1;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::CheckBox:
    case Kind::Option: return static_cast<QAbstractButton *>(w)->isChecked() ? 1 : 0;
    case Kind::Combo: return static_cast<QComboBox *>(w)->currentIndex();
    case Kind::Panel: return static_cast<QTabWidget *>(w)->currentIndex();
    case Kind::Progress: return static_cast<QProgressBar *>(w)->value();
    case Kind::Splitter: {
        auto sizes = static_cast<QSplitter *>(w)->sizes();
        return sizes.isEmpty() ? 0 : sizes.front();
    }
    case Kind::ListIcon: {
        auto *t = static_cast<QTreeWidget *>(w);
        return t->currentItem() ? t->indexOfTopLevelItem(t->currentItem()) : -1;
    }
    case Kind::ExplorerList: return explorerCurrent(w);
    default: return -1;
    }
}

void setGadgetAttribute(int id, GadgetAttribute attribute, int value)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    QWidget *w = g->widget;
    switch (attribute) {
    case GadgetAttribute::ProgressMinimum:
        if (g->kind == Kind::Progress)
            static_cast<QProgressBar *>(w)->setMinimum(value);
        break;
    case GadgetAttribute::ProgressMaximum:
        if (g->kind == Kind::Progress)
            static_cast<QProgressBar *>(w)->setMaximum(value);
        break;
    case GadgetAttribute::StringMaxLength:
        if (g->kind == Kind::String)
            static_cast<QLineEdit *>(w)->setMaxLength(value);
        break;
    case GadgetAttribute::SplitterFirstMinimum:
    case GadgetAttribute::SplitterSecondMinimum:
        if (g->kind == Kind::Splitter) {
            auto *s = static_cast<QSplitter *>(w);
            int index = attribute == GadgetAttribute::SplitterFirstMinimum ? 0 : 1;
            if (QWidget *child = s->widget(index))
                child->setMinimumWidth(value);
        }
        break;
    }
}

void disableGadget(int id, bool disabled)
{
    if (Gadget *g = findGadget(id))
        g->widget->setEnabled(!disabled);
}

void hideGadget(int id, bool hidden)
{
    if (Gadget *g = findGadget(id))
        g->widget->setVisible(!hidden);
}

bool isGadgetHidden(int id)
{
    Gadget *g = findGadget(id);
    return !g || g->widget->isHidden();
}

void resizeGadget(int id, int x, int y, int width, int height)
{
    Gadget *g = findGadget(id);
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
        if (PlatformWindow *w = findWindow(g->window)) {
            g->anchors.base = r;
            g->anchors.parentBase = w->size();
        }
    }
}

void anchorGadget(int id, bool left, bool top, bool right, bool bottom)
{
    Gadget *g = findGadget(id);
    PlatformWindow *w = g ? findWindow(g->window) : nullptr;
    if (!w)
        return;
    Anchors &a = g->anchors;
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
    if (Gadget *g = findGadget(id)) {
        QWidget *w = g->widget;
        if (QWidget *proxy = w->focusProxy())
            w = proxy;
        w->setFocus(Qt::OtherFocusReason);
    }
}

int lastFocusedList()
{
    const int id = state().lastFocusedList;
    return isGadget(id) ? id : -1;
}

int activeGadget()
{
    QWidget *focus = QApplication::focusWidget();
    for (auto &[id, g] : state().gadgets) {
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
    if (Gadget *g = findGadget(id)) {
        QPalette p = g->widget->palette();
        p.setColor(QPalette::WindowText, QColor::fromRgb(color));
        p.setColor(QPalette::Text, QColor::fromRgb(color));
        g->widget->setPalette(p);
    }
}

void setGadgetFont(int id, const std::string &family, int pointSize, bool bold)
{
    if (Gadget *g = findGadget(id)) {
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

void setGadgetToolTip(int id, const std::string &text)
{
    if (Gadget *g = findGadget(id))
        g->widget->setToolTip(qs(text));
}

std::string getGadgetToolTip(int id)
{
    Gadget *g = findGadget(id);
    return g ? ss(g->widget->toolTip()) : std::string();
}

void setGadgetBalloonToolTip(int id, const std::string &text, const std::string &title)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    QString body = qs(text).toHtmlEscaped();
    QString html = QStringLiteral("<div style='max-width:180px'>");
    if (!title.empty())
        html += QStringLiteral("<b>") + qs(title).toHtmlEscaped() + QStringLiteral("</b><br>");
    html += body + QStringLiteral("</div>");
    g->widget->setToolTip(html);
}

QWidget *gadgetWidget(int id)
{
    Gadget *g = findGadget(id);
    return g ? g->widget.data() : nullptr;
}

} // namespace zarvon::platform
