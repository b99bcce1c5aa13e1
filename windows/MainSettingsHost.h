#pragma once
// The settings window's view of the main window: the option actions and what applies a setting
// to the running window.

#include "controller/SettingsHost.h"

class TMainWindow;

class MainSettingsHost : public SettingsHost
{
public:
    explicit MainSettingsHost(TMainWindow& window) : window_(window) { }

    bool ActionChecked(MainAction action) const override;
    void SetActionChecked(MainAction action, bool checked) override;
    void ExecuteAction(MainAction action) override;
    void SetActionVisible(MainAction action, bool visible) override;
    bool ToastsAvailable() const override;
    QString Caption() const override;
    void ApplyContactsFeature(bool on) override;
    void SetCsvDelimiter(int index) override;
    void SetReceiveTimer(bool on) override;
    void SetShowSignalText(bool on) override;
    void SetShowDataClassIcon(bool on) override;
    void RefreshToastRegistration(int applicationIcon) override;
    void ApplyIcons(int applicationIcon, int eventIcon) override;
    void EditUssdTemplates() override;

private:
    TMainWindow& window_;
};
