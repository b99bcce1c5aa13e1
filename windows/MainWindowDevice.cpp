// The main window's device actions of the menus: radio on and off, the operator scan and its
// providers view, the preferred providers, manual registration and the network registration
// window; and the tray icon's menu.
#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "device/Broadband.h"
#include "windows/DesktopShell.h"
#include "windows/MainWindow.h"
#include "windows/RegistrationWindow.h"
#include "windows/StatusPage.h"
#include "windows/TrayIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QTreeView>

void TMainWindow::BuildDeviceActions()
{
    auto* radio = new QActionGroup(this);
    radio->setExclusionPolicy(QActionGroup::ExclusionPolicy::None); // the radio event checks them
    for (const auto& [name, caption, state] : {std::tuple{MainAction::RadioOnAction, "Radio On", 1},
                                               std::tuple{MainAction::RadioOffAction, "Radio Off", 0}}) {
        QAction* action = actions_.New(name, QString::fromLatin1(caption));
        action->setCheckable(true);
        radio->addAction(action);
        const int on = state;
        connect(action, &QAction::triggered, this, [this, on] {
            device_->SetSoftwareRadioState(on);
            ShowRadioState(); // the check stays as the device said until its event
        });
    }
    connect(actions_.New(MainAction::OperatorsSearchAction, QStringLiteral("Operators search"), "edit-find"),
            &QAction::triggered, this, [this] { deviceState_->StartScan(); });
    connect(actions_.New(MainAction::GetPreferredProvidersAction, QStringLiteral("Preferred providers")),
            &QAction::triggered, this, [this] { ShowStatusView(StatusView::PreferredProviders); });
    connect(actions_.New(MainAction::RegisterManualAction, QStringLiteral("Manual registration")), &QAction::triggered,
            this, [this] {
                const std::optional<QString> id =
                    prompts_->Input(QStringLiteral("Manual registration"), QStringLiteral("Provider ID:"), QString());
                if (id)
                    deviceState_->RegisterManually(*id);
            });
    connect(actions_.New(MainAction::RegistrationAction1, QStringLiteral("Network registration"), "network-wireless"),
            &QAction::triggered, this, &TMainWindow::OpenRegistration);
    // The tool bar's button does the same.
    QAction* button =
        actions_.New(MainAction::RegistrationAction2, QStringLiteral("Network registration"), "network-wireless");
    button->setVisible(settings_->ShowNetworkRegistration);
    connect(button, &QAction::triggered, this, [this] { Act(MainAction::RegistrationAction1)->trigger(); });
}

void TMainWindow::OpenRegistration()
{
    TRegistrationWindow window([this](const QString& line) { WriteStatus(line); }, device_->Service(),
                               device_->GetInterfaceID(), store_, this);
    WindowRunners::Run(runners_.registration, window);
}

void TMainWindow::BuildTrayMenu()
{
    connect(actions_.New(MainAction::AppOpenAction, QStringLiteral("Open application")), &QAction::triggered, this,
            &TMainWindow::AppOpen);
    connect(actions_.New(MainAction::AppHideAction, QStringLiteral("Hide application")), &QAction::triggered, this,
            &QWidget::showMinimized);
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("TrayMenu"));
    menu->addAction(Act(MainAction::AppOpenAction));
    menu->addAction(Act(MainAction::AppHideAction));
    menu->addSeparator();
    menu->addAction(Act(MainAction::ExitAction));
    shell_->Tray().SetMenu(menu);
}

void TMainWindow::ShowRadioState()
{
    Act(MainAction::RadioOnAction)->setChecked(deviceState_->RadioOn());
    Act(MainAction::RadioOffAction)->setChecked(deviceState_->RadioOff());
}

void TMainWindow::ScanComplete(std::int32_t status)
{
    if (deviceState_->ScanComplete(status)) {
        statusView_->clearSelection();
        ShowStatusView(StatusView::Providers);
    } else if (status == 0) {
        statusView_->clearSelection();
    }
}
