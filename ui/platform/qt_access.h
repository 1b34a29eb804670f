// Qt glue: the widgets behind window and control numbers, for the few places
// outside ui/platform/ that must talk to Qt directly (GUI tests clicking real
// widgets, screenshot tests). The program's logic never uses this header.
#pragma once

class QWidget;
class QAction;

namespace zarvon::platform {

// nullptr when no such window or control exists.
QWidget *windowWidget(int window);
QWidget *gadgetWidget(int id);
// The toolbar button's widget.
QWidget *toolBarButtonWidget(int toolbar, int button);
// The menu item's action.
QAction *menuItemAction(int menu, int item);

} // namespace zarvon::platform
