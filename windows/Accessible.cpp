#include "windows/Accessible.h"

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace accessible {

namespace {

void NameButton(QWidget* parent, const char* objectName, const QString& name)
{
    auto* button = parent->findChild<QToolButton*>(QString::fromLatin1(objectName), Qt::FindDirectChildrenOnly);
    if (button && button->accessibleName().isEmpty())
        button->setAccessibleName(name);
}

} // namespace

void NameQtButtons(QWidget* window)
{
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        NameButton(bar, "qt_toolbar_ext_button", QStringLiteral("More buttons"));
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        NameButton(bar, "qt_menubar_ext_button", QStringLiteral("More menus"));
    // The clear button shows its action; the action's text is what is read out.
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        auto* clear = edit->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction"));
        if (clear && clear->text().isEmpty())
            clear->setText(QStringLiteral("Clear text"));
    }
}

} // namespace accessible
