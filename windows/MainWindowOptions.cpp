// The main window's option actions, the About and settings windows, and what the settings window
// asks of the main window to apply its values.
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "device/Broadband.h"
#include "ussd/Templates.h"
#include "windows/AboutWindow.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"
#include "windows/SettingsWindow.h"
#include "windows/UssdWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QStackedWidget>
#include <QUrl>

void TMainWindow::BuildOptionActions()
{
    NewToggles({
        {MainAction::HideWhenClosingAction, "Hide When Closing", &settings_->HideWhenClosing},
        {MainAction::AppCloseConfirmationAction, "Close confirmation", &settings_->CloseConfirmation},
        {MainAction::SmsSaveSentAction, "Save sent messages", &settings_->SaveSent},
        {MainAction::SmsConfirmationToSendAction, "Confirmation to send", &settings_->ConfirmationToSend},
    });
    connect(Act(MainAction::HideWhenClosingAction), &QAction::triggered, this,
            [this](bool checked) { closeForReal_ = !checked; });

    connect(NewAction(MainAction::SettingsAction, QStringLiteral("Settings..."), "preferences-system"),
            &QAction::triggered, this, [this] {
                TSettingsWindow settings(*this, *store_, this);
                if (settingsRunner_)
                    settingsRunner_(settings);
                else
                    settings.exec();
            });
    QAction* ussd = NewAction(MainAction::OpenUssdSessionAction, QStringLiteral("USSD Session"), "phone");
    ussd->setStatusTip(QStringLiteral("Open USSD Session"));
    ussd->setCheckable(true);
    connect(ussd, &QAction::triggered, this, &TMainWindow::OpenUssdSession);
    connect(messagesPage_, &MessagesPage::ActivityClicked, this, &TMainWindow::ShowUssdAgain);

    connect(NewAction(MainAction::AboutAction, QStringLiteral("About"), "help-about"), &QAction::triggered, this,
            [this] {
                TAboutWindow about(QStringLiteral("Parlowen"), TAboutWindow::BuildVersions(), this);
                if (aboutRunner_)
                    aboutRunner_(about);
                else
                    about.exec();
            });
}

bool TMainWindow::ActionChecked(MainAction action) const
{
    return Act(action)->isChecked();
}

void TMainWindow::SetActionChecked(MainAction action, bool checked)
{
    Act(action)->setChecked(checked);
}

void TMainWindow::ExecuteAction(MainAction action)
{
    Act(action)->trigger();
}

void TMainWindow::SetActionVisible(MainAction action, bool visible)
{
    Act(action)->setVisible(visible);
}

void TMainWindow::SetCsvDelimiter(int index)
{
    settings_->CsvDelimiter = index >= 0 && index <= 3 ? index : 0;
}

void TMainWindow::SetReceiveTimer(bool on)
{
    incoming_->SetReceiveTimer(on);
}

void TMainWindow::RefreshToastRegistration(int applicationIcon)
{
    EnsureDesktopEntry(applicationIcon);
}

void TMainWindow::EditUssdTemplates()
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

void TMainWindow::OpenUssdSession()
{
    QAction* action = Act(MainAction::OpenUssdSessionAction);
    // One window at a time: while it exists the action stays checked and only brings it back.
    action->setChecked(true);
    if (ussdWindow_) {
        ShowUssdAgain();
        return;
    }
    auto* window = new TUssdWindow(this, device_->Service(), device_->GetInterfaceID(), store_, *sounds_,
                                   UssdTemplatesPath(QCoreApplication::applicationFilePath()), this);
    ussdWindow_ = window;
    connect(window, &TUssdWindow::PutAside, this, [this] {
        if (!ussdWindow_)
            return;
        ussdWindow_->hide();
        messagesPage_->SetActivityVisible(true);
    });
    connect(window, &TUssdWindow::Closed, this, [this] {
        ussdWindow_ = nullptr;
        Act(MainAction::OpenUssdSessionAction)->setChecked(false);
        messagesPage_->SetActivityVisible(false);
    });
    if (Act(MainAction::LargeTextAction)->isChecked())
        window->SetLargeText(pages_->font().pointSize());
    window->show();
}

void TMainWindow::ShowUssdAgain()
{
    if (!ussdWindow_)
        return;
    ussdWindow_->show();
    ussdWindow_->raise();
    ussdWindow_->activateWindow();
    messagesPage_->SetActivityVisible(false);
}

TUssdWindow* TMainWindow::UssdWindow() const
{
    return ussdWindow_.data();
}

void TMainWindow::NewToggles(std::initializer_list<Toggle> toggles)
{
    for (const Toggle& t : toggles) {
        QAction* action = NewAction(t.name, QString::fromLatin1(t.caption));
        action->setCheckable(true);
        action->setChecked(*t.setting);
        bool* setting = t.setting;
        connect(action, &QAction::toggled, this, [setting](bool on) { *setting = on; });
    }
}
