// Files dropped onto a window from other programs, and files dragged out of
// a list to them, as URI lists of local files.
#include "ui/platform/internal.h"
#include "ui/platform/testing.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace zarvon::platform {
namespace detail {
namespace {

// Local paths of a drop; empty when it holds anything else (text, a remote
// address), which the window then refuses.
std::vector<std::string> localFiles(const QMimeData *data)
{
    std::vector<std::string> paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.push_back(ss(url.toLocalFile()));
    }
    return paths;
}

// Takes the drag events of one window: which of its targets is under the
// pointer decides the drop's source.
class DropFilter : public QObject {
public:
    DropFilter(QObject *parent, int window, std::vector<int> targets)
        : QObject(parent), window_(window), targets_(std::move(targets))
    {
        setObjectName(QStringLiteral("zarvonDropFilter"));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (localFiles(drag->mimeData()).empty()) {
                drag->ignore();
                return true;
            }
            drag->setDropAction((drag->modifiers() & Qt::ShiftModifier) ? Qt::MoveAction : Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            std::vector<std::string> files = localFiles(drop->mimeData());
            if (files.empty()) {
                drop->ignore();
                return true;
            }
            auto *window = qobject_cast<QWidget *>(watched);
            const QPoint global = window ? window->mapToGlobal(drop->position().toPoint()) : QPoint();
            state().dropped = std::move(files);
            state().dropMove = drop->modifiers() & Qt::ShiftModifier;
            drop->setDropAction(state().dropMove ? Qt::MoveAction : Qt::CopyAction);
            drop->accept();
            queueControlEvent(window_, targetAt(global), EventSubtype::Drop);
            return true;
        }
        default: return false;
        }
    }

private:
    int targetAt(const QPoint &global) const
    {
        for (int id : targets_) {
            Gadget *g = findGadget(id);
            if (!g || !g->widget || !g->widget->isVisible())
                continue;
            QWidget *w = g->widget;
            if (w->rect().contains(w->mapFromGlobal(global)))
                return id;
        }
        return -1;
    }

    int window_;
    std::vector<int> targets_;
};

} // namespace
} // namespace detail

using namespace detail;

void enableFileDrops(int window, const std::vector<int> &targets)
{
    PlatformWindow *w = findWindow(window);
    if (!w)
        return;
    w->setAcceptDrops(true);
    // The filter has no meta-object of its own: it is found by its name.
    for (QObject *old : w->findChildren<QObject *>(QStringLiteral("zarvonDropFilter"), Qt::FindDirectChildrenOnly)) {
        w->removeEventFilter(old);
        delete old;
    }
    w->installEventFilter(new DropFilter(w, window, targets));
}

std::vector<std::string> droppedFiles() { return state().dropped; }

bool dropMoves() { return state().dropMove; }

void startFileDrag(int id, const std::vector<std::string> &paths)
{
    Gadget *g = findGadget(id);
    if (!g || !g->widget || paths.empty())
        return;
    if (state().recordDrags) {
        state().dragged = paths;
        return;
    }
    QList<QUrl> urls;
    for (const std::string &path : paths)
        urls.append(QUrl::fromLocalFile(qs(path)));
    auto *data = new QMimeData;
    data->setUrls(urls);
    auto *drag = new QDrag(g->widget);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void recordFileDrags(bool record)
{
    state().recordDrags = record;
    state().dragged.clear();
}

std::vector<std::string> lastDraggedFiles() { return state().dragged; }

} // namespace zarvon::platform
