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

// The view on display and the centre of the row named `name`, scrolled into
// view. The folder is read in the background: the row is waited for.
inline QAbstractItemView *explorerRowCentre(const std::string &name, QPoint &centre)
{
    QAbstractItemView *shown = nullptr;
    const auto find = [&] {
        QWidget *explorer = platform::gadgetWidget(ids::ExplorerList);
        for (QAbstractItemView *view : explorer ? explorer->findChildren<QAbstractItemView *>()
                                                : QList<QAbstractItemView *>())
            for (int row = 0; view->isVisible() && row < view->model()->rowCount(view->rootIndex()); ++row) {
                const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
                if (index.data().toString().toStdString() != name)
                    continue;
                view->scrollTo(index);
                centre = view->visualRect(index).center();
                shown = view;
                return true;
            }
        return false;
    };
    return QTest::qWaitFor(find, 3000) ? shown : nullptr;
}

// A click on the row (with Ctrl it adds the row to the selection).
inline void clickExplorerRow(const std::string &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QPoint centre;
    QAbstractItemView *view = explorerRowCentre(name, centre);
    ASSERT_NE(view, nullptr) << name;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, centre);
}

// A person's double click starts with a click that selects the row.
inline void doubleClickExplorerRow(const std::string &name)
{
    clickExplorerRow(name);
    QPoint centre;
    QAbstractItemView *view = explorerRowCentre(name, centre);
    ASSERT_NE(view, nullptr) << name;
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

} // namespace zarvon::testing
