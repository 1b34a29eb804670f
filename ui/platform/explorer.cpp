// The explorer list and the address combo over QFileSystemModel, and their
// gadget creators.
#include "ui/platform/internal.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QKeyEvent>
#include <QListView>
#include <QLocale>
#include <QSortFilterProxyModel>
#include <QStackedLayout>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <vector>

namespace zarvon::platform::detail {
namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// Keeps ".." first, then folders, then files, each by name. The parent entry
// of the root folder is left out: there is nothing above it.
class ExplorerProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    bool showParent = true;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        auto *fs = static_cast<QFileSystemModel *>(sourceModel());
        QString a = fs->fileName(left), b = fs->fileName(right);
        bool ascending = sortOrder() == Qt::AscendingOrder;
        if (a == QLatin1String(".."))
            return ascending;
        if (b == QLatin1String(".."))
            return !ascending;
        bool da = fs->isDir(left), db = fs->isDir(right);
        if (da != db)
            return ascending ? da : db;
        if (sortColumn() == 0 || sortColumn() > 3)
            return QString::localeAwareCompare(a.toLower(), b.toLower()) < 0;
        return QSortFilterProxyModel::lessThan(left, right);
    }

    // Folders, ".." included, are of the type "folder" in the interface's
    // language: the model's own words are English, and the parent of a
    // folder just below "/" would read "Drive".
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole && index.column() == 2) {
            auto *fs = static_cast<QFileSystemModel *>(sourceModel());
            if (fs->isDir(mapToSource(index)))
                return state().french ? QStringLiteral("Dossier") : QStringLiteral("Folder");
        }
        // The model learns of files made and removed, but not of a file that
        // grows: it would show the size seen when the file appeared until
        // the next start. Size and date are read from the disk as shown, in
        // the model's own format.
        if (role == Qt::DisplayRole && (index.column() == 1 || index.column() == 3)) {
            auto *fs = static_cast<QFileSystemModel *>(sourceModel());
            const QModelIndex source = mapToSource(index);
            if (!fs->isDir(source)) {
                const QFileInfo now(fs->filePath(source));
                if (now.exists())
                    return index.column() == 1 ? QLocale::system().formattedDataSize(now.size())
                                               : QLocale::system().toString(now.lastModified(), QLocale::ShortFormat);
            }
        }
        return QSortFilterProxyModel::data(index, role);
    }

    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        auto *fs = static_cast<QFileSystemModel *>(sourceModel());
        QModelIndex index = fs->index(row, 0, parent);
        if (fs->fileName(index) != QLatin1String(".."))
            return true;
        return showParent && fs->filePath(parent) != QLatin1String("/");
    }
};

// One widget holding a details view and an icon/list view over the same
// model and selection, of which one shows at a time.
class ExplorerWidget : public QWidget {
public:
    ExplorerWidget(int id, const QString &folder, unsigned flags) : id_(id)
    {
        model = new QFileSystemModel(this);
        model->setIconProvider(&icons_);
        model->setFilter(QDir::AllEntries | QDir::NoDot | QDir::System);
        model->setReadOnly(true);
        proxy = new ExplorerProxy(this);
        proxy->showParent = !(flags & ExplorerNoParentEntry);
        proxy->setSourceModel(model);
        proxy->setDynamicSortFilter(true);
        proxy->sort(0, Qt::AscendingOrder);

        details = new QTreeView(this);
        details->setModel(proxy);
        details->setRootIsDecorated(false);
        details->setItemsExpandable(false);
        details->setUniformRowHeights(true);
        details->setSortingEnabled(true);
        details->sortByColumn(0, Qt::AscendingOrder);
        details->header()->setStretchLastSection(false);
        details->setColumnWidth(0, 336);
        details->setColumnWidth(1, 80);
        details->setColumnWidth(2, 120);
        details->setColumnWidth(3, 130);
        icons = new QListView(this);
        icons->setModel(proxy);
        icons->setSelectionModel(details->selectionModel());
        for (QAbstractItemView *v :
             {static_cast<QAbstractItemView *>(details), static_cast<QAbstractItemView *>(icons)}) {
            v->setSelectionMode(QAbstractItemView::ExtendedSelection);
            v->setSelectionBehavior(QAbstractItemView::SelectRows);
            v->setEditTriggers(QAbstractItemView::NoEditTriggers);
            v->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
            QObject::connect(v, &QAbstractItemView::clicked, this,
                             [this] { queueControlEvent(window(), id_, EventSubtype::LeftClick); });
            QObject::connect(v, &QAbstractItemView::doubleClicked, this,
                             [this](const QModelIndex &index) { doubleClicked(index); });
            v->installEventFilter(this);
        }
        stack = new QStackedLayout(this);
        stack->addWidget(details);
        stack->addWidget(icons);
        setFocusProxy(details);
        QObject::connect(details->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                         [this] { queueControlEvent(window(), id_, EventSubtype::Change); });
        connectModel(model);
        // Files made, renamed or removed on disk change the list without any
        // click: that is reported as a change of the list, once per burst,
        // so that what is shown about the list (the counts) follows it.
        // What is on the screen is repainted now and then, so that a file
        // growing while its folder is shown is seen growing.
        auto *repaint = new QTimer(this);
        repaint->setInterval(2000);
        QObject::connect(repaint, &QTimer::timeout, this, [this] {
            if (isVisible())
                (mode == ExplorerDisplay::Details ? details->viewport() : icons->viewport())->update();
        });
        repaint->start();
        contentsTimer_ = new QTimer(this);
        contentsTimer_->setSingleShot(true);
        contentsTimer_->setInterval(30);
        QObject::connect(contentsTimer_, &QTimer::timeout, this,
                         [this] { queueControlEvent(window(), id_, EventSubtype::Change); });
        auto contentsChanged = [this](const QModelIndex &parent) {
            // The rows of the first reading of a folder are not a change.
            if (loaded_ && parent == root())
                contentsTimer_->start();
        };
        QObject::connect(proxy, &QAbstractItemModel::rowsInserted, this,
                         [contentsChanged](const QModelIndex &parent, int, int) { contentsChanged(parent); });
        QObject::connect(proxy, &QAbstractItemModel::rowsRemoved, this,
                         [contentsChanged](const QModelIndex &parent, int, int) { contentsChanged(parent); });
        go(folder);
    }

    void connectModel(QFileSystemModel *m)
    {
        // Only the model in use speaks for the folder: one being replaced
        // may still report the folder it had read.
        QObject::connect(m, &QFileSystemModel::directoryLoaded, this, [this, m](const QString &path) {
            if (m == model && QDir(path) == QDir(folder_))
                loaded_ = true;
        });
    }

    int window() const
    {
        Gadget *g = findGadget(id_);
        return g ? g->window : -1;
    }

    // Shows `folder`; the folder left is remembered for Back unless the move
    // is itself one through those remembered folders.
    void go(QString folder, bool remember = true)
    {
        if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
            folder = QDir::homePath() + folder.mid(1);
        QFileInfo info(folder);
        if (folder.isEmpty() || !info.isDir())
            folder = QDir::homePath();
        folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        if (remember && !folder_.isEmpty() && folder != folder_) {
            back_.push_back(folder_);
            forward_.clear();
        }
        folder_ = folder;
        loaded_ = false;
        if (contentsTimer_)
            contentsTimer_->stop();
        QModelIndex source = model->setRootPath(folder);
        QModelIndex root = proxy->mapFromSource(source);
        details->setRootIndex(root);
        icons->setRootIndex(root);
        details->selectionModel()->clear();
    }

    QString folder() const { return withSlash(folder_); }

    QModelIndex root() const { return proxy->mapFromSource(model->index(folder_)); }

    // Readers must see the whole folder: wait for the model to have read it.
    void ensureLoaded()
    {
        if (loaded_)
            return;
        QElapsedTimer timer;
        timer.start();
        while (!loaded_ && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (!loaded_)
                QThread::msleep(2);
        }
        // The last rows arrive just after the signal; let them settle.
        int previous = -1;
        for (int i = 0; i < 50; ++i) {
            QCoreApplication::processEvents();
            int now = proxy->rowCount(root());
            if (now == previous)
                break;
            previous = now;
            QThread::msleep(2);
        }
        loaded_ = true;
    }

    QModelIndex item(int row)
    {
        ensureLoaded();
        return proxy->index(row, 0, root());
    }

    void doubleClicked(const QModelIndex &index)
    {
        QModelIndex source = proxy->mapToSource(index);
        if (model->isDir(source)) {
            QString name = model->fileName(source);
            QString target = name == QLatin1String("..") ? QDir::cleanPath(folder_ + QStringLiteral("/.."))
                                                         : model->filePath(source);
            go(target);
            queueControlEvent(window(), id_, EventSubtype::LeftDoubleClick);
            queueControlEvent(window(), id_, EventSubtype::Change);
            return;
        }
        queueControlEvent(window(), id_, EventSubtype::LeftDoubleClick);
    }

    bool move(ExplorerMove how)
    {
        switch (how) {
        case ExplorerMove::Back:
        case ExplorerMove::Forward: {
            std::vector<QString> &from = how == ExplorerMove::Back ? back_ : forward_;
            std::vector<QString> &to = how == ExplorerMove::Back ? forward_ : back_;
            // A folder removed since it was shown is passed over.
            while (!from.empty() && !QFileInfo(from.back()).isDir())
                from.pop_back();
            if (from.empty())
                return false;
            to.push_back(folder_);
            const QString target = from.back();
            from.pop_back();
            go(target, false);
            break;
        }
        case ExplorerMove::Parent:
            if (folder_ == QLatin1String("/"))
                return false;
            go(QDir::cleanPath(folder_ + QStringLiteral("/..")));
            break;
        case ExplorerMove::Reload: {
            // The model keeps what it has read; a new one reads the folder anew.
            auto *fresh = new QFileSystemModel(this);
            fresh->setIconProvider(&icons_);
            fresh->setFilter(model->filter());
            fresh->setReadOnly(true);
            connectModel(fresh);
            proxy->setSourceModel(fresh);
            QObject::disconnect(model, nullptr, this, nullptr);
            model->deleteLater();
            model = fresh;
            go(folder_, false);
            return true;
        }
        case ExplorerMove::OpenCurrent: {
            const QModelIndex current = details->selectionModel()->currentIndex();
            if (!current.isValid() || current.parent() != root())
                return false;
            doubleClicked(current);
            return true;
        }
        }
        queueControlEvent(window(), id_, EventSubtype::Change);
        return true;
    }

    // Enter on a folder opens it, as a double click does; on a file it is
    // left to the window (a dialog's default button).
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QWidget::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QModelIndex current = details->selectionModel()->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && current.isValid() &&
            model->isDir(proxy->mapToSource(current))) {
            doubleClicked(current);
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }

    void setMode(ExplorerDisplay m)
    {
        mode = m;
        switch (m) {
        case ExplorerDisplay::Details:
            stack->setCurrentWidget(details);
            setFocusProxy(details);
            break;
        case ExplorerDisplay::LargeIcons:
            icons->setViewMode(QListView::IconMode);
            icons->setIconSize(QSize(32, 32));
            icons->setGridSize(QSize(90, 64));
            icons->setFlow(QListView::LeftToRight);
            icons->setWrapping(true);
            icons->setResizeMode(QListView::Adjust);
            icons->setWordWrap(true);
            stack->setCurrentWidget(icons);
            setFocusProxy(icons);
            break;
        case ExplorerDisplay::SmallIcons:
            icons->setViewMode(QListView::ListMode);
            icons->setIconSize(QSize(16, 16));
            icons->setGridSize(QSize(160, 20));
            icons->setFlow(QListView::LeftToRight);
            icons->setWrapping(true);
            icons->setResizeMode(QListView::Adjust);
            stack->setCurrentWidget(icons);
            setFocusProxy(icons);
            break;
        case ExplorerDisplay::List:
            icons->setViewMode(QListView::ListMode);
            icons->setIconSize(QSize(16, 16));
            icons->setGridSize(QSize());
            icons->setFlow(QListView::TopToBottom);
            icons->setWrapping(true);
            icons->setResizeMode(QListView::Adjust);
            stack->setCurrentWidget(icons);
            setFocusProxy(icons);
            break;
        }
    }

    QFileSystemModel *model;
    ExplorerProxy *proxy;
    QTreeView *details;
    QListView *icons;
    QStackedLayout *stack;
    ExplorerDisplay mode = ExplorerDisplay::Details;

private:
    // Qt 6.4's model shows no icons without an explicit provider.
    QFileIconProvider icons_;
    int id_;
    QString folder_;
    // The folders shown before (Back) and those left by Back (Forward), the
    // nearest last.
    std::vector<QString> back_, forward_;
    bool loaded_ = false;
    QTimer *contentsTimer_ = nullptr;
};

ExplorerWidget *explorer(QWidget *w) { return static_cast<ExplorerWidget *>(w); }

// The places offered by the address combo: the root, the home folder and the
// mounted volumes, then the folder being shown.
QStringList places()
{
    QStringList list{QStringLiteral("/"), withSlash(QDir::homePath())};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady())
            continue;
        if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")) ||
            root.startsWith(QLatin1String("/run/media/"))) {
            QString r = withSlash(root);
            if (!list.contains(r))
                list << r;
        }
    }
    return list;
}

} // namespace

QWidget *createExplorerList(int id, const QString &folder, unsigned flags)
{
    return new ExplorerWidget(id, folder, flags);
}

QString explorerFolder(QWidget *w) { return explorer(w)->folder(); }

void setExplorerFolder(QWidget *w, const QString &folder) { explorer(w)->go(folder); }

bool moveExplorerList(QWidget *w, ExplorerMove move) { return explorer(w)->move(move); }

int explorerCount(QWidget *w)
{
    ExplorerWidget *e = explorer(w);
    e->ensureLoaded();
    return e->proxy->rowCount(e->root());
}

QString explorerItemText(QWidget *w, int item, int column)
{
    ExplorerWidget *e = explorer(w);
    QModelIndex index = e->item(item);
    if (!index.isValid())
        return {};
    return e->proxy->index(item, column, e->root()).data(Qt::DisplayRole).toString();
}

int explorerItemState(QWidget *w, int item)
{
    ExplorerWidget *e = explorer(w);
    QModelIndex index = e->item(item);
    if (!index.isValid())
        return 0;
    int st = e->model->isDir(e->proxy->mapToSource(index)) ? ItemFolder : ItemFile;
    if (e->details->selectionModel()->isSelected(index))
        st |= ItemSelected;
    return st;
}

void setExplorerItemState(QWidget *w, int item, int st)
{
    ExplorerWidget *e = explorer(w);
    QModelIndex index = e->item(item);
    if (!index.isValid())
        return;
    auto *selection = e->details->selectionModel();
    selection->select(index, ((st & ItemSelected) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                 QItemSelectionModel::Rows);
    // Selecting an item as the user does also gives the list a current item.
    if ((st & ItemSelected) && !selection->currentIndex().isValid())
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void selectAllExplorerItems(QWidget *w)
{
    ExplorerWidget *e = explorer(w);
    const int count = explorerCount(w);
    if (count == 0)
        return;
    auto *selection = e->details->selectionModel();
    const QModelIndex first = e->item(0), last = e->item(count - 1);
    selection->select(QItemSelection(first, last), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!selection->currentIndex().isValid())
        selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
}

void clearExplorerSelection(QWidget *w)
{
    auto *selection = explorer(w)->details->selectionModel();
    selection->clearSelection();
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

int explorerCurrent(QWidget *w)
{
    ExplorerWidget *e = explorer(w);
    QModelIndex current = e->details->selectionModel()->currentIndex();
    if (!current.isValid() || current.parent() != e->root())
        return -1;
    return current.row();
}

void setExplorerCurrent(QWidget *w, int item)
{
    ExplorerWidget *e = explorer(w);
    auto *selection = e->details->selectionModel();
    if (item < 0) {
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    QModelIndex index = e->item(item);
    if (index.isValid())
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void setExplorerMode(QWidget *w, ExplorerDisplay mode) { explorer(w)->setMode(mode); }

ExplorerDisplay explorerMode(QWidget *w) { return explorer(w)->mode; }

void setExplorerColumnWidth(QWidget *w, int column, int width) { explorer(w)->details->setColumnWidth(column, width); }

int explorerColumnWidth(QWidget *w, int column) { return explorer(w)->details->columnWidth(column); }

QWidget *createExplorerCombo(const QString &folder)
{
    auto *c = new QComboBox;
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setFocusPolicy(Qt::StrongFocus);
    // The folders under what is typed are offered in a list to choose from;
    // the combo's own completion would write the rest of a known place into
    // the field, and Enter would then go there instead of to what was typed.
    auto *completer = new QCompleter(c);
    auto *folders = new QFileSystemModel(completer);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders->setRootPath(QString());
    completer->setModel(folders);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    c->setCompleter(completer);
    setExplorerComboFolder(c, folder);
    return c;
}

QString explorerComboFolder(QWidget *w) { return static_cast<QComboBox *>(w)->currentText(); }

void setExplorerComboFolder(QWidget *w, const QString &folder)
{
    auto *c = static_cast<QComboBox *>(w);
    Quiet quiet;
    c->clear();
    QStringList list = places();
    QString shown = folder;
    if (shown.isEmpty())
        shown = withSlash(QDir::homePath());
    if (!list.contains(shown))
        list << shown;
    c->addItems(list);
    c->setCurrentIndex(int(list.indexOf(shown)));
    c->setEditText(shown);
}

} // namespace zarvon::platform::detail

namespace zarvon::platform {
using namespace detail;

int explorerListGadget(int id, int x, int y, int width, int height, const std::string &folder, unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    int n = id == AnyNumber ? handOutNumber() : id;
    freeGadget(n);
    QWidget *e = createExplorerList(n, qs(folder), flags);
    e->setParent(parent);
    return registerGadget(n, Kind::ExplorerList, e, x, y, width, height);
}

bool moveExplorer(int id, ExplorerMove move)
{
    Gadget *g = findGadget(id);
    return g && g->kind == Kind::ExplorerList && moveExplorerList(g->widget, move);
}

int explorerComboGadget(int id, int x, int y, int width, int height, const std::string &folder)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    QWidget *c = createExplorerCombo(qs(folder));
    c->setParent(parent);
    int n = registerGadget(id, Kind::ExplorerCombo, c, x, y, width, std::min(height, 24));
    forwardSignal(static_cast<QComboBox *>(c), &QComboBox::activated, n, EventSubtype::Change);
    // Enter reaches the field itself only while the list of folders is open
    // (otherwise it is the window's Return): the folder chosen there, or
    // the text as typed, is gone to at once.
    forwardSignal(static_cast<QComboBox *>(c)->lineEdit(), &QLineEdit::returnPressed, n, EventSubtype::Change);
    return n;
}

} // namespace zarvon::platform
