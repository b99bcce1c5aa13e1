#pragma once
// The main window's actions by name: made once, found by their enum, never by text.

#include "controller/MainActions.h"

#include <QString>

#include <array>
#include <initializer_list>

class QAction;
class QObject;

class ActionSet
{
public:
    explicit ActionSet(QObject* owner) : owner_(owner) { }

    QAction* operator[](MainAction action) const { return actions_[static_cast<std::size_t>(action)]; }
    // A new action owned by the window, under its name; icon: a theme name or null.
    QAction* New(MainAction action, const QString& caption, const char* icon = nullptr);
    // An action made elsewhere (a menu's own) under a name.
    void Set(MainAction action, QAction* made);

    // Check actions that stand for a setting: checked as it is, and it follows them.
    struct Toggle
    {
        MainAction name;
        const char* caption;
        bool* setting;
    };
    void NewToggles(std::initializer_list<Toggle> toggles);

private:
    QObject* owner_;
    std::array<QAction*, MainActionCount> actions_{};
};
