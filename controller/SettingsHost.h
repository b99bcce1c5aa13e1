#pragma once
// What the settings window needs of the main window: the checked states of its option actions,
// executing them (an execution toggles the action and applies it), and the operations that
// apply a setting to the running window.

#include "controller/MainActions.h"

#include <QString>

class SettingsHost
{
public:
    virtual ~SettingsHost() = default;

    // The main window's actions the settings read, execute and show.
    virtual bool ActionChecked(MainAction action) const = 0;
    virtual void SetActionChecked(MainAction action, bool checked) = 0;
    virtual void ExecuteAction(MainAction action) = 0;
    virtual void SetActionVisible(MainAction action, bool visible) = 0;

    virtual bool ToastsAvailable() const = 0;
    virtual QString Caption() const = 0;

    virtual void ApplyContactsFeature(bool on) = 0;
    // 0 ";", 1 ",", 2 tab, 3 space; anything else ";".
    virtual void SetCsvDelimiter(int index) = 0;
    virtual void SetReceiveTimer(bool on) = 0;
    virtual void SetShowSignalText(bool on) = 0;
    virtual void SetShowDataClassIcon(bool on) = 0;
    // The menu entry that names the program to the notification service, with this icon.
    virtual void RefreshToastRegistration(int applicationIcon) = 0;
    virtual void ApplyIcons(int applicationIcon, int eventIcon) = 0;
    // "Edit templates": the USSD templates file in the user's text editor.
    virtual void EditUssdTemplates() = 0;
};
