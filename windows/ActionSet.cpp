#include "windows/ActionSet.h"

#include "windows/Images.h"

#include <QAction>

QAction* ActionSet::New(MainAction action, const QString& caption, const char* icon)
{
    auto* made = new QAction(caption, owner_);
    if (icon)
        made->setIcon(Images::Theme(icon));
    Set(action, made);
    return made;
}

void ActionSet::Set(MainAction action, QAction* made)
{
    made->setObjectName(MainActionName(action));
    actions_[static_cast<std::size_t>(action)] = made;
}

void ActionSet::NewToggles(std::initializer_list<Toggle> toggles)
{
    for (const Toggle& t : toggles) {
        QAction* action = New(t.name, QString::fromLatin1(t.caption));
        action->setCheckable(true);
        action->setChecked(*t.setting);
        bool* setting = t.setting;
        QObject::connect(action, &QAction::toggled, owner_, [setting](bool on) { *setting = on; });
    }
}
