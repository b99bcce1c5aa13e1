// The main window's desktop actions: the web links, the menu entry, large buttons, text and rows
// (sized by LargeDisplay), and the choice of the device interface.
#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/ShellIntegration.h"
#include "windows/DesktopShell.h"
#include "windows/LargeDisplay.h"
#include "windows/MainWindow.h"

#include <QAction>
#include <QDesktopServices>
#include <QLocale>

void TMainWindow::BuildShellActions()
{
    struct Link
    {
        MainAction action;
        const char* caption;
        const char* hint;
        const char* link;
    };
    const Link links[] = {{MainAction::HomePageAction, "Home page", nullptr, "HomePage"},
                          {MainAction::OpenHelpAction, "Features", "Help", "Help"},
                          {MainAction::SupportAction, "Online support", "Support information", "Support"},
                          {MainAction::LicenseInfoAction, "License information", nullptr, "License"},
                          {MainAction::FaqAction, "Frequently Asked Questions", nullptr, "Faq"},
                          {MainAction::DownloadAction, "Download latest version", nullptr, "Download"}};
    for (const Link& l : links) {
        QAction* action = actions_.New(l.action, QString::fromLatin1(l.caption));
        if (l.hint)
            action->setStatusTip(QString::fromLatin1(l.hint));
        const QString name = QString::fromLatin1(l.link);
        // A link that cannot be opened fails quietly.
        connect(action, &QAction::triggered, this,
                [name] { QDesktopServices::openUrl(shell::WebLink(name, QLocale::system())); });
    }

    QAction* menuEntry = actions_.New(MainAction::StartMenuAddAction, QStringLiteral("Add to Start menu"));
    menuEntry->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    connect(menuEntry, &QAction::triggered, this, [this] { shell_->WriteDesktopEntry(settings_->ApplicationIcon); });
    addAction(menuEntry);

    QAction* select = actions_.New(MainAction::InterfaceSelectAction, QStringLiteral("Select interface"));
    select->setVisible(false);
    connect(select, &QAction::triggered, this, [this] {
        const std::optional<QString> id =
            prompts_->Input(QStringLiteral("Select interface"), QStringLiteral("Interface ID:"), QString());
        if (id)
            deviceState_->SelectInterface(*id);
    });

    actions_.NewToggles({
        {MainAction::LargeButtonsAction, "Large buttons", &settings_->LargeButtonsChecked},
        {MainAction::LargeTextAction, "Large text", &settings_->LargeTextChecked},
        {MainAction::LargeRowsAction, "Large rows", &settings_->LargeRows},
        {MainAction::TextLabelsAction, "Text labels", &settings_->ShowLabels},
        {MainAction::BalloonNotificationAction, "Balloon Notification", &settings_->ShowBalloonNotification},
        {MainAction::ToastNotificationAction, "Toast Notification", &settings_->ShowToastNotification},
        {MainAction::DataClassNotificationAction, "Data class notification", &settings_->ShowDataClassNotification},
    });
    Act(MainAction::LargeButtonsAction)->setStatusTip(QStringLiteral("Show large buttons"));
    connect(Act(MainAction::LargeButtonsAction), &QAction::triggered, large_, &LargeDisplay::ApplyButtons);
    connect(Act(MainAction::LargeRowsAction), &QAction::triggered, large_, &LargeDisplay::ApplyRows);
    connect(Act(MainAction::LargeTextAction), &QAction::triggered, large_, &LargeDisplay::ApplyText);
    connect(Act(MainAction::TextLabelsAction), &QAction::triggered, large_, &LargeDisplay::ApplyButtons);
    // Without a notification service there is nothing to switch on.
    Act(MainAction::ToastNotificationAction)->setEnabled(shell_->ToastsAvailable());
}

void TMainWindow::ApplyIcons(int applicationIcon, int eventIcon)
{
    shell_->ApplyIcons(applicationIcon, eventIcon, this);
}

void TMainWindow::StatusPanelDoubleClicked(int panel)
{
    if (panel == DeviceState::PanelSignal)
        deviceState_->ToggleSignalText();
    else if (panel == DeviceState::PanelDataClass)
        deviceState_->RefreshDataClass();
}
