#pragma once
// A main window for the settings window: option actions that toggle when executed, as the real
// ones do, and a record of every call that changes something, in order.

#include "controller/SettingsHost.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace testsupport {

class RecordingSettingsHost : public SettingsHost
{
public:
    QMap<QString, bool> checked; // an action missing here is unchecked
    bool toasts = true;
    QString caption = QStringLiteral("Parlowen");
    QStringList calls;

    bool ActionChecked(MainAction action) const override { return checked.value(MainActionName(action), false); }
    void SetActionChecked(MainAction action, bool on) override
    {
        checked[MainActionName(action)] = on;
        calls << QStringLiteral("check %1 %2").arg(MainActionName(action)).arg(int(on));
    }
    void ExecuteAction(MainAction action) override
    {
        const QString name = MainActionName(action);
        checked[name] = !checked.value(name, false);
        calls << QStringLiteral("execute %1").arg(name);
    }
    void SetActionVisible(MainAction action, bool visible) override
    {
        calls << QStringLiteral("visible %1 %2").arg(MainActionName(action)).arg(int(visible));
    }
    bool ToastsAvailable() const override { return toasts; }
    QString Caption() const override { return caption; }
    void ApplyContactsFeature(bool on) override { calls << QStringLiteral("contacts %1").arg(int(on)); }
    void SetCsvDelimiter(int index) override { calls << QStringLiteral("delimiter %1").arg(index); }
    void SetReceiveTimer(bool on) override { calls << QStringLiteral("timer %1").arg(int(on)); }
    void SetShowSignalText(bool on) override { calls << QStringLiteral("signal %1").arg(int(on)); }
    void SetShowDataClassIcon(bool on) override { calls << QStringLiteral("dataclassicon %1").arg(int(on)); }
    void RefreshToastRegistration(int icon) override { calls << QStringLiteral("toastregistration %1").arg(icon); }
    void ApplyIcons(int app, int event) override { calls << QStringLiteral("icons %1 %2").arg(app).arg(event); }
    void EditUssdTemplates() override { calls << QStringLiteral("edittemplates"); }
};

} // namespace testsupport
