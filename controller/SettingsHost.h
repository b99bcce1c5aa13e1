#pragma once
// What the settings window needs of the main window: the checked states of its option actions,
// executing them (an execution toggles the action and applies it), and the operations that
// apply a setting to the running window.

#include <QString>

class SettingsHost
{
public:
    virtual ~SettingsHost() = default;

    // Actions by name: "AlwaysOnTopAction", "HideWhenMinimizedAction", "HideWhenClosingAction",
    // "LargeButtonsAction", "LargeTextAction", "LargeRowsAction", "AppCloseConfirmationAction",
    // "SmsDeliveryReportAction", "SmsSaveSentAction", "SmsConfirmationToSendAction",
    // "ToastNotificationAction", "BalloonNotificationAction", "DataClassNotificationAction",
    // "RegistrationAction2".
    virtual bool ActionChecked(const QString& action) const = 0;
    virtual void SetActionChecked(const QString& action, bool checked) = 0;
    virtual void ExecuteAction(const QString& action) = 0;
    virtual void SetActionVisible(const QString& action, bool visible) = 0;

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
