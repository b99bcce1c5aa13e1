#include "windows/ListMenu.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

#include <algorithm>

namespace list_menu {

namespace {

const char* const kOpenerName = "ListMenuOpener";

// Watches the view and its viewport: mouse requests arrive on the viewport, keys on the view.
class Opener : public QObject
{
public:
    Opener(QAbstractItemView* view, QMenu* menu) : QObject(view), view_(view), menu_(menu)
    {
        setObjectName(QString::fromLatin1(kOpenerName));
        view->setContextMenuPolicy(Qt::DefaultContextMenu);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }
    QMenu* Menu() const { return menu_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
            const bool menuKey = key->key() == Qt::Key_Menu && mods == Qt::NoModifier;
            const bool shiftF10 = key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier;
            if (!menuKey && !shiftF10)
                return false;
            Open(KeyboardPoint(view_));
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            const auto* request = static_cast<QContextMenuEvent*>(event);
            Open(request->reason() == QContextMenuEvent::Mouse ? request->globalPos() : KeyboardPoint(view_));
            return true;
        }
        return false;
    }

private:
    void Open(const QPoint& at)
    {
        // Not exec(): the menu runs in the window's own loop, and a test can look at it open.
        // Already open: a platform may follow the Menu key with a request of its own.
        if (menu_ && !menu_->isEmpty() && !menu_->isVisible())
            menu_->popup(at);
    }

    QAbstractItemView* view_;
    QPointer<QMenu> menu_;
};

Opener* OpenerOf(const QAbstractItemView* view)
{
    // Only this file makes children of that name.
    return static_cast<Opener*>(
        view->findChild<QObject*>(QString::fromLatin1(kOpenerName), Qt::FindDirectChildrenOnly));
}

} // namespace

void Install(QAbstractItemView* view, QMenu* menu)
{
    delete OpenerOf(view);
    new Opener(view, menu);
}

QMenu* Of(const QAbstractItemView* view)
{
    const Opener* opener = OpenerOf(view);
    return opener ? opener->Menu() : nullptr;
}

QPoint KeyboardPoint(const QAbstractItemView* view)
{
    const QRect row = view->visualRect(view->currentIndex());
    const QRect area = view->viewport()->rect();
    // Under the row's start, kept inside the list when the row is scrolled away.
    QPoint at = row.isValid() ? row.bottomLeft() : area.topLeft();
    at.setX(std::clamp(at.x(), area.left(), area.right()));
    at.setY(std::clamp(at.y(), area.top(), area.bottom()));
    return view->viewport()->mapToGlobal(at);
}

} // namespace list_menu
