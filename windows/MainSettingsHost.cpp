#include "windows/MainSettingsHost.h"

#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "ussd/Templates.h"
#include "windows/DesktopShell.h"
#include "windows/MainWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

bool MainSettingsHost::ActionChecked(MainAction action) const
{
    return window_.Act(action)->isChecked();
}

void MainSettingsHost::SetActionChecked(MainAction action, bool checked)
{
    window_.Act(action)->setChecked(checked);
}

void MainSettingsHost::ExecuteAction(MainAction action)
{
    window_.Act(action)->trigger();
}

void MainSettingsHost::SetActionVisible(MainAction action, bool visible)
{
    window_.Act(action)->setVisible(visible);
}

bool MainSettingsHost::ToastsAvailable() const
{
    return window_.Shell().ToastsAvailable();
}

QString MainSettingsHost::Caption() const
{
    return window_.windowTitle();
}

void MainSettingsHost::ApplyContactsFeature(bool on)
{
    window_.ApplyContactsFeature(on);
}

void MainSettingsHost::SetCsvDelimiter(int index)
{
    window_.Settings().CsvDelimiter = index >= 0 && index <= 3 ? index : 0;
}

void MainSettingsHost::SetReceiveTimer(bool on)
{
    window_.Incoming().SetReceiveTimer(on);
}

void MainSettingsHost::SetShowSignalText(bool on)
{
    window_.Device().SetShowSignalText(on);
}

void MainSettingsHost::SetShowDataClassIcon(bool on)
{
    window_.Device().SetShowDataClassIcon(on);
}

void MainSettingsHost::RefreshToastRegistration(int applicationIcon)
{
    window_.Shell().EnsureDesktopEntry(applicationIcon);
}

void MainSettingsHost::ApplyIcons(int applicationIcon, int eventIcon)
{
    window_.ApplyIcons(applicationIcon, eventIcon);
}

void MainSettingsHost::EditUssdTemplates()
{
    const QString path = UssdTemplatesPath(QCoreApplication::applicationFilePath());
    // An editor opens an existing file more readily than a missing one.
    if (!QFile::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
