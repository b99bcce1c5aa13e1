// The main window's option actions, the About and settings windows, and the USSD window.
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "device/Broadband.h"
#include "ussd/Templates.h"
#include "windows/AboutWindow.h"
#include "windows/DesktopShell.h"
#include "windows/LargeDisplay.h"
#include "windows/MainSettingsHost.h"
#include "windows/MainWindow.h"
#include "windows/MessagesPage.h"
#include "windows/SettingsWindow.h"
#include "windows/UssdWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QStackedWidget>

void TMainWindow::BuildOptionActions()
{
    actions_.NewToggles({
        {MainAction::HideWhenClosingAction, "Hide When Closing", &settings_->HideWhenClosing},
        {MainAction::AppCloseConfirmationAction, "Close confirmation", &settings_->CloseConfirmation},
        {MainAction::SmsSaveSentAction, "Save sent messages", &settings_->SaveSent},
        {MainAction::SmsConfirmationToSendAction, "Confirmation to send", &settings_->ConfirmationToSend},
    });
    connect(Act(MainAction::HideWhenClosingAction), &QAction::triggered, this,
            [this](bool checked) { closeForReal_ = !checked; });

    connect(actions_.New(MainAction::SettingsAction, QStringLiteral("Settings..."), "preferences-system"),
            &QAction::triggered, this, [this] {
                MainSettingsHost host(*this);
                TSettingsWindow settings(host, *store_, this);
                WindowRunners::Run(runners_.settings, settings);
            });
    QAction* ussd = actions_.New(MainAction::OpenUssdSessionAction, QStringLiteral("USSD Session"), "phone");
    ussd->setStatusTip(QStringLiteral("Open USSD Session"));
    ussd->setCheckable(true);
    connect(ussd, &QAction::triggered, this, &TMainWindow::OpenUssdSession);
    connect(messagesPage_, &MessagesPage::ActivityClicked, this, &TMainWindow::ShowUssdAgain);

    connect(actions_.New(MainAction::AboutAction, QStringLiteral("About"), "help-about"), &QAction::triggered, this,
            [this] {
                TAboutWindow about(QStringLiteral("Parlowen"), TAboutWindow::BuildVersions(), this);
                WindowRunners::Run(runners_.about, about);
            });
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
    window->SetLargeText(large_->TextSize());
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
