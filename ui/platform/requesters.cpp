// Message boxes, questions, requesters, desktop opening and the end of the
// process, with the script that replaces them in tests (declared in
// testing.h: every requester consults it, so it lives here).
#include "ui/platform/requesters.h"
#include "ui/platform/internal.h"
#include "ui/platform/testing.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <cstdlib>
#include <deque>

namespace zarvon::platform {
using namespace detail;

namespace {

struct Script {
    bool active = false;
    bool interceptExit = false;
    bool exitRequested = false;
    int exitCode = 0;
    std::function<void(const std::string &)> failure;
    std::deque<ScriptStep> steps;
    std::vector<ShownDialog> shown;
};

Script &script()
{
    static Script s;
    return s;
}

const char *kindName(DialogKind kind)
{
    switch (kind) {
    case DialogKind::Message: return "message box";
    case DialogKind::YesNo: return "yes/no question";
    case DialogKind::OpenFile: return "open-file requester";
    case DialogKind::SaveFile: return "save-file requester";
    case DialogKind::Folder: return "folder requester";
    case DialogKind::OpenDocument: return "desktop opening";
    case DialogKind::Replace: return "replace question";
    case DialogKind::StartProgram: return "program start";
    case DialogKind::Text: return "text question";
    case DialogKind::Choice: return "choice question";
    }
    return "dialog";
}

void fail(const std::string &line)
{
    if (script().failure)
        script().failure(line);
}

// Records the dialog and returns the step answering it, or nullptr (after
// reporting the fault) when the script did not expect it.
bool takeStep(const ShownDialog &dialog, ScriptStep &step)
{
    Script &s = script();
    s.shown.push_back(dialog);
    std::string what = std::string(kindName(dialog.kind)) + " \"" + dialog.caption + "\": \"" + dialog.text + "\"";
    if (s.steps.empty()) {
        fail("unexpected " + what);
        return false;
    }
    step = s.steps.front();
    s.steps.pop_front();
    bool ok = step.kind == dialog.kind;
    if (ok && !step.caption.empty() && step.caption != dialog.caption)
        ok = false;
    if (ok && !step.text.empty() && step.text != dialog.text)
        ok = false;
    if (ok && !step.textContains.empty() && dialog.text.find(step.textContains) == std::string::npos)
        ok = false;
    if (ok && !step.anyIcon && step.icon != dialog.icon)
        ok = false;
    if (ok && step.kind == DialogKind::Replace && step.yes != dialog.forAll)
        ok = false;
    if (!ok) {
        fail("unexpected " + what + " (expected " + kindName(step.kind) + " \"" + step.caption + "\": \"" + step.text +
             step.textContains + "\")");
        return false;
    }
    return true;
}

QString qtFilter(const std::string &filter)
{
    QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the label's last parentheses: the
        // label's own "(*.zip)" gives way to the complete list.
        QString label = parts[i].trimmed();
        if (label.endsWith(QLatin1Char(')')) && label.contains(QLatin1Char('(')))
            label = label.left(label.lastIndexOf(QLatin1Char('('))).trimmed();
        out << label + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QString selectedFilter(const std::string &filter, int index)
{
    QStringList list = qtFilter(filter).split(QStringLiteral(";;"));
    return index >= 0 && index < list.size() ? list[index] : QString();
}

// A message must come above every window of ours, a window kept on top
// (the password window) included: it is parented to that one, else to the
// active window.
QWidget *dialogParent()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && dynamic_cast<PlatformWindow *>(w) && (w->windowFlags() & Qt::WindowStaysOnTopHint) &&
            !(w->windowFlags() & Qt::FramelessWindowHint))
            return w;
    return QApplication::activeWindow();
}

// A message box has a close box only: nothing to minimise or maximise.
void closeBoxOnly(QMessageBox &box)
{
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

} // namespace

void messageBox(const std::string &caption, const std::string &text, MessageIcon icon, unsigned flags)
{
    if (script().active) {
        ScriptStep step;
        takeStep(ShownDialog{DialogKind::Message, caption, text, icon, flags, {}, 0}, step);
        return;
    }
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Error: qicon = QMessageBox::Critical; break;
    case MessageIcon::Warning: qicon = QMessageBox::Warning; break;
    case MessageIcon::Information: qicon = QMessageBox::Information; break;
    case MessageIcon::Question: qicon = QMessageBox::Question; break;
    case MessageIcon::None: break;
    }
    QMessageBox box(qicon, qs(caption), qs(text).replace(QLatin1Char('\r'), QLatin1Char('\n')), QMessageBox::Ok,
                    dialogParent());
    closeBoxOnly(box);
    if (flags & MessageRightToLeft)
        box.setLayoutDirection(Qt::RightToLeft);
    if (flags & MessageTopmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

bool askYesNo(const std::string &caption, const std::string &text, MessageIcon icon, bool noByDefault)
{
    if (script().active) {
        ScriptStep step;
        ShownDialog shown{DialogKind::YesNo, caption, text, icon, 0, {}, 0};
        shown.noByDefault = noByDefault;
        if (!takeStep(shown, step))
            return false;
        return step.yes;
    }
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::Question, qs(caption),
                    qs(text).replace(QLatin1Char('\r'), QLatin1Char('\n')), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    if (noByDefault)
        box.setDefaultButton(QMessageBox::No);
    closeBoxOnly(box);
    return box.exec() == QMessageBox::Yes;
}

ReplaceAnswer askReplace(const std::string &caption, const std::string &text, bool forAll)
{
    if (script().active) {
        ScriptStep step;
        ShownDialog shown{DialogKind::Replace, caption, text, MessageIcon::Question, 0, {}, 0};
        shown.forAll = forAll;
        if (!takeStep(shown, step))
            return ReplaceAnswer::Cancel;
        return step.replace;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    if (forAll)
        buttons |= QMessageBox::YesToAll | QMessageBox::NoToAll;
    QMessageBox box(QMessageBox::Question, qs(caption), qs(text).replace(QLatin1Char('\r'), QLatin1Char('\n')), buttons,
                    dialogParent());
    closeBoxOnly(box);
    box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes: return ReplaceAnswer::Yes;
    case QMessageBox::YesToAll: return ReplaceAnswer::YesToAll;
    case QMessageBox::No: return ReplaceAnswer::No;
    case QMessageBox::NoToAll: return ReplaceAnswer::NoToAll;
    default: return ReplaceAnswer::Cancel;
    }
}

bool askText(const std::string &caption, const std::string &text, std::string &answer, const std::string &initial,
             bool secret)
{
    if (script().active) {
        ScriptStep step;
        if (!takeStep(ShownDialog{DialogKind::Text, caption, text, MessageIcon::Question, 0, initial, 0}, step))
            return false;
        answer = step.answer;
        return step.yes;
    }
    bool ok = false;
    const QString typed = QInputDialog::getText(dialogParent(), qs(caption),
                                                qs(text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                                                secret ? QLineEdit::Password : QLineEdit::Normal, qs(initial), &ok);
    answer = ss(typed);
    return ok;
}

int askChoice(const std::string &caption, const std::string &text, const std::vector<std::string> &buttons)
{
    if (script().active) {
        ScriptStep step;
        std::string all;
        for (const std::string &b : buttons)
            all += (all.empty() ? "" : "|") + b;
        if (!takeStep(ShownDialog{DialogKind::Choice, caption, text, MessageIcon::Question, 0, all, 0}, step))
            return -1;
        return step.choice;
    }
    QMessageBox box(QMessageBox::Question, qs(caption), qs(text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    QMessageBox::NoButton, dialogParent());
    closeBoxOnly(box);
    std::vector<QPushButton *> made;
    for (const std::string &b : buttons)
        made.push_back(box.addButton(qs(b), QMessageBox::ActionRole));
    if (!made.empty())
        box.setDefaultButton(made.front());
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i])
            return int(i);
    return -1;
}

std::string openFileRequester(const std::string &title, const std::string &defaultFile, const std::string &filter,
                              int filterIndex)
{
    if (script().active) {
        ScriptStep step;
        if (!takeStep(ShownDialog{DialogKind::OpenFile, title, defaultFile, MessageIcon::None, 0, filter, filterIndex},
                      step))
            return {};
        return step.answer;
    }
    QString chosen = selectedFilter(filter, filterIndex);
    return ss(QFileDialog::getOpenFileName(dialogParent(), qs(title), qs(defaultFile), qtFilter(filter), &chosen));
}

std::string saveFileRequester(const std::string &title, const std::string &defaultFile, const std::string &filter,
                              int filterIndex)
{
    if (script().active) {
        ScriptStep step;
        if (!takeStep(ShownDialog{DialogKind::SaveFile, title, defaultFile, MessageIcon::None, 0, filter, filterIndex},
                      step))
            return {};
        return step.answer;
    }
    QString chosen = selectedFilter(filter, filterIndex);
    return ss(QFileDialog::getSaveFileName(dialogParent(), qs(title), qs(defaultFile), qtFilter(filter), &chosen));
}

namespace {

// Qt's own folder requester refuses a name that is not there yet; this one
// lets it through, so a destination can be named before it exists.
class NewFolderDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

protected:
    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (chosen.size() == 1 && !chosen.first().isEmpty() && !QFileInfo::exists(chosen.first())) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

std::string folderRequester(const std::string &title, const std::string &initialFolder, bool mayBeNew)
{
    if (script().active) {
        ScriptStep step;
        if (!takeStep(ShownDialog{DialogKind::Folder, title, initialFolder, MessageIcon::None, 0, {}, 0}, step))
            return {};
        return step.answer;
    }
    QString folder;
    if (mayBeNew) {
        NewFolderDialog dialog(dialogParent(), qs(title), qs(initialFolder));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            folder = dialog.selectedFiles().first();
    } else {
        folder = QFileDialog::getExistingDirectory(dialogParent(), qs(title), qs(initialFolder));
    }
    if (folder.isEmpty())
        return {};
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return ss(folder);
}

bool openWithDesktop(const std::string &pathOrAddress)
{
    if (script().active) {
        ScriptStep step;
        return takeStep(ShownDialog{DialogKind::OpenDocument, {}, pathOrAddress, MessageIcon::None, 0, {}, 0}, step) &&
               step.yes;
    }
    QString target = qs(pathOrAddress);
    QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    return QDesktopServices::openUrl(url);
}

bool startProgram(const std::vector<std::string> &arguments)
{
    if (arguments.empty())
        return false;
    if (script().active) {
        std::string line;
        for (const auto &argument : arguments)
            line += (line.empty() ? "" : "\n") + argument;
        ScriptStep step;
        return takeStep(ShownDialog{DialogKind::StartProgram, arguments[0], line, MessageIcon::None, 0, {}, 0}, step) &&
               step.yes;
    }
    QStringList rest;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        rest << qs(arguments[i]);
    return QProcess::startDetached(qs(arguments[0]), rest);
}

void endProcess(int code)
{
    Script &s = script();
    if (s.interceptExit || s.active) {
        s.exitRequested = true;
        s.exitCode = code;
        return;
    }
    releasePlatform();
    std::exit(code);
}

bool exitRequested() { return script().exitRequested; }
int requestedExitCode() { return script().exitCode; }

void beginScript(std::function<void(const std::string &)> failure)
{
    Script &s = script();
    s.active = true;
    s.failure = std::move(failure);
    s.steps.clear();
    s.shown.clear();
    s.exitRequested = false;
    s.exitCode = 0;
}

void expectDialog(const ScriptStep &step) { script().steps.push_back(step); }

void expectMessage(const std::string &caption, const std::string &text, MessageIcon icon)
{
    ScriptStep step;
    step.kind = DialogKind::Message;
    step.caption = caption;
    step.text = text;
    step.icon = icon;
    step.anyIcon = false;
    expectDialog(step);
}

void expectOpenFile(const std::string &answer)
{
    ScriptStep step;
    step.kind = DialogKind::OpenFile;
    step.answer = answer;
    expectDialog(step);
}

void expectSaveFile(const std::string &answer)
{
    ScriptStep step;
    step.kind = DialogKind::SaveFile;
    step.answer = answer;
    expectDialog(step);
}

void expectFolder(const std::string &answer)
{
    ScriptStep step;
    step.kind = DialogKind::Folder;
    step.answer = answer;
    expectDialog(step);
}

void expectYesNo(bool yes)
{
    ScriptStep step;
    step.kind = DialogKind::YesNo;
    step.yes = yes;
    expectDialog(step);
}

void expectOpenDocument(bool opens)
{
    ScriptStep step;
    step.kind = DialogKind::OpenDocument;
    step.yes = opens;
    expectDialog(step);
}

void expectStartProgram(const std::string &arguments, bool starts)
{
    ScriptStep step;
    step.kind = DialogKind::StartProgram;
    step.text = arguments;
    step.yes = starts;
    expectDialog(step);
}

void expectReplace(ReplaceAnswer answer, bool forAll)
{
    ScriptStep step;
    step.kind = DialogKind::Replace;
    step.replace = answer;
    // The step's `yes` holds whether the "to all" answers must be offered.
    step.yes = forAll;
    expectDialog(step);
}

void expectText(const std::string &answer, bool ok)
{
    ScriptStep step;
    step.kind = DialogKind::Text;
    step.answer = answer;
    step.yes = ok;
    expectDialog(step);
}

void expectChoice(int index)
{
    ScriptStep step;
    step.kind = DialogKind::Choice;
    step.choice = index;
    expectDialog(step);
}

const std::vector<ShownDialog> &shownDialogs() { return script().shown; }

int unusedSteps() { return int(script().steps.size()); }

void endScript()
{
    Script &s = script();
    for (const ScriptStep &step : s.steps)
        fail(std::string("expected ") + kindName(step.kind) + " never shown: \"" + step.caption + "\": \"" + step.text +
             step.textContains + "\"");
    s.active = false;
    s.steps.clear();
    s.shown.clear();
    s.failure = nullptr;
    s.interceptExit = false;
    s.exitRequested = false;
}

bool scriptActive() { return script().active; }

void interceptExit(bool intercept) { script().interceptExit = intercept; }

void clearExitRequest()
{
    script().exitRequested = false;
    script().exitCode = 0;
}

namespace detail {
void resetRequesters() { script().steps.clear(); }
} // namespace detail

} // namespace zarvon::platform
