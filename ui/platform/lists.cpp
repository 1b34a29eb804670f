// List icons and the items, columns and display modes of every control that
// holds items (lists, combos, panels, the explorer list).
#include "ui/platform/internal.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zarvon::platform {
namespace detail {
namespace {

// Turns a press and a move of the mouse on a list's rows into a DragStart
// event of the list.
//
// A press on one of several selected rows may begin a drag of them all, but
// the view would keep only that row as soon as the mouse moved (it selects
// what the pointer sweeps). So such a press waits: a move past the drag
// distance starts the drag with every selected row, and a release without
// one gives the view its press and release after all, as an ordinary click.
class DragFilter : public QObject {
public:
    DragFilter(QAbstractItemView *view, int id) : QObject(view), view_(view), id_(id) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (replaying_)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            pressPos_ = mouse->position().toPoint();
            pressed_ = true;
            dragging_ = false;
            held_ = mouse->modifiers() == Qt::NoModifier && onOneOfSeveralSelectedRows(pressPos_);
            return held_;
        }
        case QEvent::MouseButtonRelease: {
            const bool held = pressed_ && held_;
            const bool heldDrag = dragging_ && held_;
            pressed_ = held_ = dragging_ = false;
            if (held && !heldDrag)
                replayClick(static_cast<QWidget *>(watched), *static_cast<QMouseEvent *>(event));
            // The view never saw this press: it must not see its release.
            return held;
        }
        case QEvent::MouseMove: {
            // Until the drag takes the mouse, the moves must not change the
            // rows it is about to carry.
            if (dragging_)
                return true;
            if (!pressed_)
                break;
            auto *mouse = static_cast<QMouseEvent *>(event);
            if ((mouse->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
                dragging_ = true;
                Gadget *g = findGadget(id_);
                if (g)
                    queueControlEvent(g->window, id_, EventSubtype::DragStart);
                return true;
            }
            return held_;
        }
        default: break;
        }
        return false;
    }

private:
    bool onOneOfSeveralSelectedRows(const QPoint &pos) const
    {
        QItemSelectionModel *selection = view_->selectionModel();
        const QModelIndex index = view_->indexAt(pos);
        if (!selection || !index.isValid() || !selection->isSelected(index))
            return false;
        // Counted on the ranges, not row by row: a select-all of tens of
        // thousands of rows is one range.
        int rows = 0;
        for (const QItemSelectionRange &range : selection->selection()) {
            rows += range.height();
            if (rows > 1)
                return true;
        }
        return false;
    }

    void replayClick(QWidget *viewport, const QMouseEvent &release)
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(pressPos_), release.globalPosition(), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent again(QEvent::MouseButtonRelease, QPointF(pressPos_), release.globalPosition(), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        replaying_ = true;
        QApplication::sendEvent(viewport, &press);
        QApplication::sendEvent(viewport, &again);
        replaying_ = false;
    }

    QAbstractItemView *view_;
    int id_;
    bool pressed_ = false;
    bool held_ = false;     // the press was kept from the view
    bool dragging_ = false; // a DragStart is on its way for this press
    bool replaying_ = false;
    QPoint pressPos_;
};

// A row of a long listing holds its whole text, columns separated by "\n",
// in one string and cuts a cell out only when the view or a reader asks for
// it: one allocation per row instead of one per cell, which is what keeps an
// archive of tens of thousands of entries quick to show. A cell set later
// (setGadgetItemText) is kept by the item as usual and wins.
class RowItem : public QTreeWidgetItem {
public:
    explicit RowItem(QString row) : row_(std::move(row)) {}

    QVariant data(int column, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return QTreeWidgetItem::data(column, role);
        QVariant own = QTreeWidgetItem::data(column, role);
        if (own.isValid())
            return own;
        return cell(column);
    }

private:
    QString cell(int column) const
    {
        qsizetype start = 0;
        for (int c = 0; c < column; ++c) {
            start = row_.indexOf(QLatin1Char('\n'), start);
            if (start < 0)
                return QString();
            ++start;
        }
        qsizetype end = row_.indexOf(QLatin1Char('\n'), start);
        return row_.mid(start, end < 0 ? -1 : end - start);
    }

    QString row_;
};

// The leading number of a cell ("1234", "-3%", "45.5"); an empty cell or one
// without a number sorts before every number.
double cellNumber(const QString &text)
{
    bool ok = false;
    qsizetype end = 0;
    while (end < text.size() && (text[end].isDigit() || text[end] == QLatin1Char('-') || text[end] == QLatin1Char('.')))
        ++end;
    const double value = text.left(end).toDouble(&ok);
    return ok ? value : -INFINITY;
}

// The text a list's filter field narrows it to, kept on the list: a sort,
// which takes the rows out and puts them back, narrows them again.
constexpr const char *kFilterText = "zarvonFilterText";

void narrowRows(QTreeWidget *tree, const QString &text);

// Sorts every row of `tree` by `column`, keeping the selection and, among
// equal cells, the order the rows had. The rows are taken out and put back in
// one go: sorting through the view's own item comparison would read each
// cell's text again at every comparison.
void sortRows(QTreeWidget *tree, int column, Qt::SortOrder order, bool numeric)
{
    Quiet quiet;
    // Rows taken out of the view forget that they were selected.
    const QList<QTreeWidgetItem *> selected = tree->selectedItems();
    QList<QTreeWidgetItem *> rows = tree->invisibleRootItem()->takeChildren();
    struct Keyed {
        double number;
        QString text;
        QTreeWidgetItem *item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(rows.size()));
    for (QTreeWidgetItem *item : rows) {
        const QString text = item->text(column);
        keyed.push_back(numeric ? Keyed{cellNumber(text), QString(), item} : Keyed{0, text, item});
    }
    const bool ascending = order == Qt::AscendingOrder;
    std::stable_sort(keyed.begin(), keyed.end(), [numeric, ascending](const Keyed &a, const Keyed &b) {
        if (numeric)
            return ascending ? a.number < b.number : b.number < a.number;
        const int c = QString::compare(a.text, b.text, Qt::CaseInsensitive);
        return ascending ? c < 0 : c > 0;
    });
    rows.clear();
    for (const Keyed &k : keyed)
        rows.append(k.item);
    tree->addTopLevelItems(rows);
    for (QTreeWidgetItem *item : selected)
        item->setSelected(true);
    tree->header()->setSortIndicator(column, order);
    // The rows came back shown: the filter hides its rows again.
    if (const QString filter = tree->property(kFilterText).toString(); !filter.isEmpty())
        narrowRows(tree, filter);
}

// The rows of `tree` in runs of consecutive rows that are shown (`shown`) or
// hidden, as one selection of whole rows: one range per run, however many
// rows, where a range per row would make each later change of the selection
// as slow as the list is long.
QItemSelection rowRuns(QTreeWidget *tree, bool shown)
{
    QItemSelection runs;
    const QModelIndex root;
    const int rows = tree->topLevelItemCount();
    const int lastColumn = std::max(tree->columnCount() - 1, 0);
    int start = -1;
    for (int row = 0; row <= rows; ++row) {
        const bool in = row < rows && tree->isRowHidden(row, root) != shown;
        if (in && start < 0)
            start = row;
        if (!in && start >= 0) {
            runs.append(QItemSelectionRange(tree->model()->index(start, 0), tree->model()->index(row - 1, lastColumn)));
            start = -1;
        }
    }
    return runs;
}

// Shows the rows of `tree` whose first column contains `text` (any case) and
// hides the others. Only rows whose state changes are touched, so a keystroke
// that narrows a narrowed list costs one pass over the rows' names. Hidden
// rows leave the selection and cannot stay the current row.
void narrowRows(QTreeWidget *tree, const QString &text)
{
    Quiet quiet;
    tree->setProperty(kFilterText, text);
    const QModelIndex root;
    const int rows = tree->topLevelItemCount();
    bool hidSome = false;
    for (int row = 0; row < rows; ++row) {
        const bool hide = !text.isEmpty() && !tree->topLevelItem(row)->text(0).contains(text, Qt::CaseInsensitive);
        if (tree->isRowHidden(row, root) == hide)
            continue;
        // By row, through the view: the item's own setHidden looks its row
        // up, the first time by a search through every row.
        tree->setRowHidden(row, root, hide);
        hidSome = hidSome || hide;
    }
    QItemSelectionModel *selection = tree->selectionModel();
    if (!hidSome || !selection)
        return;
    if (tree->currentIndex().isValid() && tree->isRowHidden(tree->currentIndex().row(), root))
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    if (!selection->hasSelection())
        return;
    QItemSelection kept;
    const int lastColumn = std::max(tree->columnCount() - 1, 0);
    for (const QItemSelectionRange &range : selection->selection()) {
        int start = -1;
        for (int row = range.top(); row <= range.bottom() + 1; ++row) {
            const bool in = row <= range.bottom() && !tree->isRowHidden(row, root);
            if (in && start < 0)
                start = row;
            if (!in && start >= 0) {
                kept.append(
                    QItemSelectionRange(tree->model()->index(start, 0), tree->model()->index(row - 1, lastColumn)));
                start = -1;
            }
        }
    }
    // Emptied first: telling the view what changed between two selections
    // of thousands of runs compares each run with every other, from an empty
    // one it does not.
    selection->clearSelection();
    selection->select(kept, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

void registerDragSource(QAbstractItemView *view, int id)
{
    view->viewport()->installEventFilter(new DragFilter(view, id));
}

} // namespace detail

using namespace detail;

int listIconGadget(int id, int x, int y, int width, int height, const std::string &firstTitle, int firstWidth,
                   unsigned flags)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *t = new QTreeWidget(parent);
    t->setRootIsDecorated(false);
    t->setItemsExpandable(false);
    t->setUniformRowHeights(true);
    t->setHeaderLabels({qs(firstTitle)});
    t->header()->setStretchLastSection(false);
    t->setColumnWidth(0, firstWidth);
    t->setSelectionMode((flags & ListToggleSelect)  ? QAbstractItemView::MultiSelection
                        : (flags & ListMultiSelect) ? QAbstractItemView::ExtendedSelection
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

int filterGadget(int id, int x, int y, int width, int height, int list, const std::string &hint)
{
    QWidget *parent = currentGadgetParent();
    if (!parent)
        return -1;
    auto *e = new QLineEdit(parent);
    e->setPlaceholderText(qs(hint));
    e->setClearButtonEnabled(true);
    int n = registerGadget(id, Kind::String, e, x, y, width, height);
    forwardSignal(e, &QLineEdit::textEdited, n, EventSubtype::Change);
    // The list is looked up at each change: it may be made anew under its
    // number after the field.
    QObject::connect(e, &QLineEdit::textChanged, e, [list](const QString &text) {
        if (auto *tree = widgetAs<QTreeWidget>(list, Kind::ListIcon))
            narrowRows(tree, text);
    });
    return n;
}

void addGadgetItem(int id, int position, const std::string &text)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Combo: {
        auto *c = static_cast<QComboBox *>(w);
        c->insertItem(position < 0 ? c->count() : position, qs(text));
        break;
    }
    case Kind::Panel: {
        auto *t = static_cast<QTabWidget *>(w);
        auto *page = new QWidget;
        t->insertTab(position < 0 ? t->count() : position, page, caption(text));
        auto &lists = state().lists;
        if (!lists.empty() && lists.back().panel == id)
            lists.pop_back();
        lists.push_back(GadgetList{page, g->window, id});
        state().optionGroup = nullptr;
        break;
    }
    case Kind::ListIcon: {
        auto *t = static_cast<QTreeWidget *>(w);
        QStringList columns = qs(text).split(QLatin1Char('\n'));
        auto *item = new QTreeWidgetItem(columns);
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

void addGadgetItems(int id, const std::vector<std::string> &texts)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    Quiet quiet;
    const bool checkable = t->property("zarvonCheckBoxes").toBool();
    QList<QTreeWidgetItem *> items;
    items.reserve(qsizetype(texts.size()));
    for (const std::string &text : texts) {
        auto *item = new RowItem(qs(text));
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
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    if (g->kind == Kind::Combo)
        static_cast<QComboBox *>(w)->removeItem(item);
    else if (g->kind == Kind::ListIcon)
        delete static_cast<QTreeWidget *>(w)->takeTopLevelItem(item);
    else if (g->kind == Kind::Panel)
        static_cast<QTabWidget *>(w)->removeTab(item);
}

void clearGadgetItems(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    if (g->kind == Kind::Combo)
        static_cast<QComboBox *>(w)->clear();
    else if (g->kind == Kind::ListIcon)
        static_cast<QTreeWidget *>(w)->clear();
    else if (g->kind == Kind::Panel)
        static_cast<QTabWidget *>(w)->clear();
}

int countGadgetItems(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return 0;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Combo: return static_cast<QComboBox *>(w)->count();
    case Kind::Panel: return static_cast<QTabWidget *>(w)->count();
    case Kind::ListIcon: return static_cast<QTreeWidget *>(w)->topLevelItemCount();
    case Kind::ExplorerList: return explorerCount(w);
    case Kind::ExplorerCombo: return static_cast<QComboBox *>(w)->count();
    default: return 0;
    }
}

std::string getGadgetItemText(int id, int item, int column)
{
    Gadget *g = findGadget(id);
    if (!g)
        return {};
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Combo:
    case Kind::ExplorerCombo: return ss(static_cast<QComboBox *>(w)->itemText(item));
    case Kind::Panel:
        return ss(static_cast<QTabWidget *>(w)->tabText(item).replace(QStringLiteral("&&"), QStringLiteral("&")));
    case Kind::ListIcon: {
        auto *i = static_cast<QTreeWidget *>(w)->topLevelItem(item);
        return i ? ss(i->text(column)) : std::string();
    }
    case Kind::ExplorerList: return ss(explorerItemText(w, item, column));
    default: return {};
    }
}

void setGadgetItemText(int id, int item, const std::string &text, int column)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    QWidget *w = g->widget;
    switch (g->kind) {
    case Kind::Combo: static_cast<QComboBox *>(w)->setItemText(item, qs(text)); break;
    case Kind::Panel: static_cast<QTabWidget *>(w)->setTabText(item, caption(text)); break;
    case Kind::ListIcon:
        if (auto *i = static_cast<QTreeWidget *>(w)->topLevelItem(item))
            i->setText(column, qs(text));
        break;
    default: break;
    }
}

int getGadgetItemState(int id, int item)
{
    Gadget *g = findGadget(id);
    if (!g)
        return 0;
    if (g->kind == Kind::ExplorerList)
        return explorerItemState(g->widget, item);
    if (g->kind != Kind::ListIcon)
        return 0;
    auto *i = static_cast<QTreeWidget *>(g->widget.data())->topLevelItem(item);
    if (!i)
        return 0;
    int st = 0;
    if (static_cast<QTreeWidget *>(g->widget.data())->isRowHidden(item, QModelIndex()))
        st |= ItemHidden;
    else if (i->isSelected())
        st |= ItemSelected;
    if ((i->flags() & Qt::ItemIsUserCheckable) && i->checkState(0) == Qt::Checked)
        st |= ItemChecked;
    return st;
}

void setGadgetItemState(int id, int item, int st)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    if (g->kind == Kind::ExplorerList) {
        setExplorerItemState(g->widget, item, st);
        return;
    }
    if (g->kind != Kind::ListIcon)
        return;
    auto *tree = static_cast<QTreeWidget *>(g->widget.data());
    auto *i = tree->topLevelItem(item);
    if (!i)
        return;
    i->setSelected((st & ItemSelected) && !tree->isRowHidden(item, QModelIndex()));
    // Every row is checkable by Qt's default: only a list made with check
    // boxes shows one, or selecting a row would draw an empty box beside it.
    if (tree->property("zarvonCheckBoxes").toBool())
        i->setCheckState(0, (st & ItemChecked) ? Qt::Checked : Qt::Unchecked);
}

void selectAllGadgetItems(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    if (g->kind == Kind::ExplorerList) {
        selectAllExplorerItems(g->widget);
    } else if (g->kind == Kind::ListIcon) {
        // The rows a filter hides are not part of "all".
        auto *tree = static_cast<QTreeWidget *>(g->widget.data());
        tree->selectionModel()->clearSelection();
        tree->selectionModel()->select(rowRuns(tree, true), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void clearGadgetSelection(int id)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    Quiet quiet;
    if (g->kind == Kind::ExplorerList)
        clearExplorerSelection(g->widget);
    else if (g->kind == Kind::ListIcon)
        static_cast<QTreeWidget *>(g->widget.data())->clearSelection();
}

void addGadgetColumn(int id, int position, const std::string &title, int width)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
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

void setGadgetColumnTitle(int id, int column, const std::string &title)
{
    if (auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon))
        t->headerItem()->setText(column, qs(title));
}

std::string getGadgetColumnTitle(int id, int column)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    return t ? ss(t->headerItem()->text(column)) : std::string();
}

void setGadgetColumnWidth(int id, int column, int width)
{
    Gadget *g = findGadget(id);
    if (!g)
        return;
    if (g->kind == Kind::ListIcon)
        static_cast<QTreeWidget *>(g->widget.data())->setColumnWidth(column, width);
    else if (g->kind == Kind::ExplorerList)
        setExplorerColumnWidth(g->widget, column, width);
}

int countGadgetColumns(int id)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    return t ? t->columnCount() : 0;
}

int gadgetWidthForColumns(int id, int columns)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return 0;
    int width = 2 * t->frameWidth() + t->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, t);
    for (int c = 0; c < std::min(columns, t->columnCount()); ++c)
        width += t->columnWidth(c);
    return width;
}

// The kinds of a list icon's columns and the order it shows, kept on the
// widget: the header's own sort indicator cannot be trusted for it, because a
// click flips the indicator before the click is reported.
constexpr const char *kSortKinds = "zarvonSortKinds";
constexpr const char *kSortColumn = "zarvonSortColumn";
constexpr const char *kSortDescending = "zarvonSortDescending";

namespace {

void sortTree(QTreeWidget *t, int column, bool descending)
{
    const QList<QVariant> kinds = t->property(kSortKinds).toList();
    const bool numeric = column < kinds.size() && kinds[column].toInt() == int(ColumnSort::Number);
    t->setProperty(kSortColumn, column);
    t->setProperty(kSortDescending, descending);
    t->header()->setSortIndicatorShown(true);
    sortRows(t, column, descending ? Qt::DescendingOrder : Qt::AscendingOrder, numeric);
}

} // namespace

void setGadgetColumnSort(int id, const std::vector<ColumnSort> &kinds)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t)
        return;
    QList<QVariant> kindList;
    for (ColumnSort kind : kinds)
        kindList.append(int(kind));
    t->setProperty(kSortKinds, kindList);
    t->setProperty(kSortColumn, -1);
    QHeaderView *header = t->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    QObject::disconnect(header, &QHeaderView::sectionClicked, t, nullptr);
    QObject::connect(header, &QHeaderView::sectionClicked, t, [t](int column) {
        // The first click on a header sorts upwards, the next one reverses.
        const bool again = t->property(kSortColumn).toInt() == column;
        sortTree(t, column, again && !t->property(kSortDescending).toBool());
    });
}

GadgetSort getGadgetSort(int id)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t || !t->property(kSortColumn).isValid())
        return {};
    return {t->property(kSortColumn).toInt(), t->property(kSortDescending).toBool()};
}

void sortGadgetItems(int id, int column, bool descending)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t || column < 0 || column >= t->columnCount())
        return;
    sortTree(t, column, descending);
}

namespace {

// Draws a column's cells right-aligned without touching its rows, so that
// tens of thousands of them cost nothing more to add.
class RightAlignedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

} // namespace

void setGadgetColumnRightAligned(int id, int column)
{
    auto *t = widgetAs<QTreeWidget>(id, Kind::ListIcon);
    if (!t || column < 0 || column >= t->columnCount())
        return;
    if (!dynamic_cast<RightAlignedDelegate *>(t->itemDelegateForColumn(column)))
        t->setItemDelegateForColumn(column, new RightAlignedDelegate(t));
    t->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
}

void setExplorerDisplay(int id, ExplorerDisplay mode)
{
    Gadget *g = findGadget(id);
    if (g && g->kind == Kind::ExplorerList)
        setExplorerMode(g->widget, mode);
}

ExplorerDisplay getExplorerDisplay(int id)
{
    Gadget *g = findGadget(id);
    return (g && g->kind == Kind::ExplorerList) ? explorerMode(g->widget) : ExplorerDisplay::Details;
}

} // namespace zarvon::platform
