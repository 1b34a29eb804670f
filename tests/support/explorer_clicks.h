// Mouse clicks on the rows of the main explorer list, where a person clicks:
// on the row's rectangle in the viewport of the view on display.
#pragma once

#include <QAbstractItemView>
#include <QTest>
#include <QWidget>

#include <string>

#include <gtest/gtest.h>

#include "ui/ids.h"
#include "ui/platform/qt_access.h"

namespace zarvon::testing {

// The explorer's view on display (details or icons), nullptr when none.
inline QAbstractItemView *explorerView()
{
    QWidget *explorer = platform::gadgetWidget(ids::ExplorerList);
    if (!explorer)
        return nullptr;
    for (QAbstractItemView *view : explorer->findChildren<QAbstractItemView *>())
        if (view->isVisible())
            return view;
    return nullptr;
}

// The centre of the row named `name`, scrolled into view; false when absent.
// The folder is read in the background: the row is waited for a moment.
inline bool explorerRowCentre(const std::string &name, QAbstractItemView *&view, QPoint &centre)
{
    const auto find = [&] {
        view = explorerView();
        if (!view)
            return false;
        const QAbstractItemModel *model = view->model();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < model->rowCount(root); ++row) {
            const QModelIndex index = model->index(row, 0, root);
            if (index.data().toString().toStdString() != name)
                continue;
            view->scrollTo(index);
            centre = view->visualRect(index).center();
            return true;
        }
        return false;
    };
    return QTest::qWaitFor(find, 3000);
}

// A click on the row (with Ctrl it adds the row to the selection).
inline void clickExplorerRow(const std::string &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QAbstractItemView *view = nullptr;
    QPoint centre;
    ASSERT_TRUE(explorerRowCentre(name, view, centre)) << name;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, centre);
}

inline void doubleClickExplorerRow(const std::string &name)
{
    QAbstractItemView *view = nullptr;
    QPoint centre;
    ASSERT_TRUE(explorerRowCentre(name, view, centre)) << name;
    // A person's double click starts with a click that selects the row.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

} // namespace zarvon::testing
