// The queue of UiEvents, the keyboard filter (shortcuts and Escape), and the
// waiting and draining the program does on it.
#include "ui/platform/internal.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

#include <algorithm>

namespace zarvon::platform {
namespace detail {
namespace {

// A control where the user types text.
bool isTextField(const QWidget *widget)
{
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QTextEdit *>(widget) ||
        qobject_cast<const QPlainTextEdit *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    const auto *combo = qobject_cast<const QComboBox *>(widget);
    return combo && combo->isEditable();
}

// The keys a text field uses to edit its text: delete, copy, cut, paste,
// select all, undo and redo.
bool editsText(const QKeyEvent *key)
{
    static constexpr QKeySequence::StandardKey kEditing[] = {
        QKeySequence::Delete,          QKeySequence::Copy,  QKeySequence::Cut,  QKeySequence::Paste,
        QKeySequence::SelectAll,       QKeySequence::Undo,  QKeySequence::Redo, QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord, QKeySequence::DeleteCompleteLine,
    };
    if (key->key() == Qt::Key_Backspace)
        return true;
    for (QKeySequence::StandardKey editing : kEditing)
        if (key->matches(editing))
            return true;
    return false;
}

// Catches the keys before the focused control sees them: the window's
// shortcuts and Escape. A key that edits text is left to the text field
// that has the focus (Delete in the address box deletes a character, never
// the explorer's files).
class KeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Escape)
            state().escapePressed = true;
        auto *top = dynamic_cast<PlatformWindow *>(widget->window());
        if (!top)
            return false;
        if (isTextField(QApplication::focusWidget()) && editsText(key))
            return false;
        QKeySequence pressed(key->keyCombination());
        for (const ShortcutRec &s : state().shortcuts) {
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
        // A window opened over another is a dialog: Escape closes it as its
        // close box does (which is its Cancel), Return presses its default
        // button, as in every dialog of the desktop.
        if (event->type() != QEvent::KeyPress || !top->dialog || key->modifiers() != Qt::NoModifier)
            return false;
        if (key->key() == Qt::Key_Escape) {
            queueEvent(UiEvent{EventKind::CloseWindow, top->number(), -1, EventSubtype::None});
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !qobject_cast<QPushButton *>(widget)) {
            for (QPushButton *button : top->findChildren<QPushButton *>())
                if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                    button->click();
                    return true;
                }
        }
        return false;
    }
};

} // namespace

void installKeyFilter() { qApp->installEventFilter(new KeyFilter(qApp)); }

void queueEvent(const UiEvent &event)
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

void forgetEarlierCancels()
{
    state().escapePressed = false;
    state().cancelClicked = -1;
}

} // namespace detail

using namespace detail;

UiEvent waitEvent()
{
    auto &s = state();
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

bool drainEvents(int cancelButton)
{
    auto &s = state();
    QCoreApplication::processEvents();
    bool cancel = s.escapePressed;
    // The window holding the Cancel button: its close box, where a window
    // manager draws one anyway, asks the same.
    const Gadget *button = cancelButton >= 0 ? findGadget(cancelButton) : nullptr;
    const int cancelWindow = button ? button->window : -1;
    for (const UiEvent &e : s.queue) {
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

void addKeyboardShortcut(int window, const std::string &keys, int event)
{
    QKeySequence seq = QKeySequence::fromString(qs(keys), QKeySequence::PortableText);
    std::erase_if(state().shortcuts, [&](const ShortcutRec &r) { return r.window == window && r.keys == seq; });
    state().shortcuts.push_back(ShortcutRec{window, seq, event});
}

void removeKeyboardShortcuts(int window)
{
    std::erase_if(state().shortcuts, [&](const ShortcutRec &r) { return r.window == window; });
}

} // namespace zarvon::platform
