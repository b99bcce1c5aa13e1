#pragma once
// A list's own menu: opened by the right mouse button, and from the keyboard by the Menu key and
// Shift+F10 under the current row, where the user's eyes and a screen reader's focus are. It is a
// real QMenu, so that it appears in the accessibility tree as a menu.

class QAbstractItemView;
class QMenu;
class QPoint;

namespace list_menu {

// Gives view the menu; the menu stays owned by its parent.
void Install(QAbstractItemView* view, QMenu* menu);
// The menu given to view, or null.
QMenu* Of(const QAbstractItemView* view);
// Where the keys open it, in global coordinates: under the current row, else the list's corner.
QPoint KeyboardPoint(const QAbstractItemView* view);

} // namespace list_menu
