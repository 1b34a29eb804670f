// Checks a window's layout as a person looking at it would: every caption
// fits its control, every control lies inside its window, and no check box
// crosses the line of the frame drawn around it. Shared by the tests that take
// pictures of windows, so that a picture nobody looks at still fails a test
// when something is cut.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

#include <string>

#include "ui/platform/qt_access.h"

namespace zarvon::testing {

inline void expectCheckBoxesInsideTheFrame(QGroupBox *group, const std::string &name);

// Every caption fits its control, and every control lies inside the window.
inline void expectNothingClipped(int window, const std::string &name)
{
    QWidget *top = zarvon::platform::windowWidget(window);
    ASSERT_NE(top, nullptr);
    for (QWidget *w : top->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(top))
            continue;
        const QRect inTop(w->mapTo(top, QPoint(0, 0)), w->size());
        const std::string what =
            name + ": " + w->metaObject()->className() + " \"" +
            (qobject_cast<QLabel *>(w)            ? qobject_cast<QLabel *>(w)->text().toStdString()
             : qobject_cast<QAbstractButton *>(w) ? qobject_cast<QAbstractButton *>(w)->text().toStdString()
             : qobject_cast<QGroupBox *>(w)       ? qobject_cast<QGroupBox *>(w)->title().toStdString()
                                                  : std::string()) +
            "\"";
        // A label without text is a picture; the toolbar's background strip
        // is wider than any window on purpose, so that it covers it at every
        // width.
        const auto *label = qobject_cast<QLabel *>(w);
        if ((label && !label->text().isEmpty()) || qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
            qobject_cast<QComboBox *>(w)) {
            EXPECT_TRUE(top->rect().contains(inTop))
                << what << " (in a " << w->parentWidget()->metaObject()->className()
                << ") lies outside the window: " << inTop.x() << "," << inTop.y() << " " << inTop.width() << "x"
                << inTop.height() << " in " << top->width() << "x" << top->height();
        }
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->text().isEmpty()) {
            const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
            EXPECT_LE(needed, label->height()) << what << " is cut at the bottom";
            const int longest = label->fontMetrics().horizontalAdvance(label->text().split('\n').first());
            if (!label->wordWrap()) {
                EXPECT_LE(longest, label->width()) << what << " is cut at the right";
            }
            for (const QString &word : label->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts)) {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(word), label->width())
                    << what << ": the word \"" << word.toStdString() << "\" is cut at the right";
            }
        }
        if (auto *box = qobject_cast<QCheckBox *>(w)) {
            EXPECT_LE(box->sizeHint().width(), box->width()) << what << " is cut at the right";
        }
        if (auto *button = qobject_cast<QAbstractButton *>(w);
            button && !qobject_cast<QCheckBox *>(w) && !button->text().isEmpty()) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 6, button->width())
                << what << " is cut at the right";
        }
        if (auto *group = qobject_cast<QGroupBox *>(w)) {
            EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 10, group->width()) << what;
            expectCheckBoxesInsideTheFrame(group, name);
        }
    }
}

// A check box drawn over a frame has its box wholly below the frame's
// top line, with room to spare, not touching it.
inline void expectCheckBoxesInsideTheFrame(QGroupBox *group, const std::string &name)
{
    // The style draws the line 4 pixels under the title's text height.
    const int line = group->y() + (group->title().isEmpty() ? 0 : group->fontMetrics().height() + 4);
    for (QCheckBox *box : group->parentWidget()->findChildren<QCheckBox *>(Qt::FindDirectChildrenOnly)) {
        if (!box->isVisibleTo(group->window()) || !group->geometry().intersects(box->geometry()))
            continue;
        QStyleOptionButton boxOption;
        boxOption.initFrom(box);
        const QRect indicator =
            box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &boxOption, box).translated(box->pos());
        EXPECT_GE(indicator.top(), line + 2) << name << ": the box of \"" << box->text().toStdString()
                                             << "\" crosses the top line of \"" << group->title().toStdString() << "\"";
    }
    // A text drawn inside the frame starts below its top line: the frame's
    // border must not strike it through.
    for (QLabel *label : group->parentWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (!label->isVisibleTo(group->window()) || label->text().isEmpty() ||
            !group->geometry().contains(label->geometry().center()))
            continue;
        const int textHeight = label->fontMetrics()
                                   .boundingRect(QRect(0, 0, label->width(), 10000),
                                                 int(label->alignment()) | Qt::TextWordWrap, label->text())
                                   .height();
        const Qt::Alignment vertical = label->alignment() & Qt::AlignVertical_Mask;
        const int offset = vertical == Qt::AlignTop      ? 0
                           : vertical == Qt::AlignBottom ? label->height() - textHeight
                                                         : (label->height() - textHeight) / 2;
        EXPECT_GE(label->y() + offset, line + 1)
            << name << ": the text \"" << label->text().toStdString() << "\" is crossed by the top line of \""
            << group->title().toStdString() << "\"";
    }
}

} // namespace zarvon::testing
