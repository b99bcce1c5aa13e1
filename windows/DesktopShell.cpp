#include "windows/DesktopShell.h"

#include "app/Settings.h"
#include "controller/Announcer.h"
#include "controller/DeviceState.h"
#include "controller/ShellIntegration.h"
#include "notify/Notification.h"
#include "notify/Presence.h"
#include "windows/DesktopChannels.h"
#include "windows/Images.h"
#include "windows/TrayIcon.h"

#include <QCoreApplication>
#include <QDir>
#include <QSystemTrayIcon>
#include <QWidget>

DesktopShell::DesktopShell(Options options, SettingsStore& settings, QObject* parent)
    : QObject(parent), options_(std::move(options)), settings_(settings)
{
    // A given notifier stands for the desktop notifications; otherwise they need a server.
    if (options_.notifier) {
        toastsAvailable_ = true;
    } else if (CheckDesktopNotifications(options_.log)) {
        notification_ = std::make_unique<TNotification>(QStringLiteral("parlowen"), options_.log, options_.openInbox);
        toastsAvailable_ = notification_->Available();
        notification_->SetIcon(shell::IconFile(settings_.ApplicationIcon, options_.dataHome));
    }
    channels_ = std::make_unique<DesktopChannels>();
    channels_->toast = options_.notifier ? options_.notifier : notification_.get();
    announcer_ = std::make_unique<Announcer>(settings_, *channels_);
}

DesktopShell::~DesktopShell()
{
    notification_.reset();
}

void DesktopShell::CreateTray(const QString& toolTip)
{
    LoadTrayImages();
    // Without a notification area (or offscreen) the icon is not shown, but keeps its state.
    tray_ = new TrayIcon([this](int image) { return trayImages_[static_cast<size_t>(image)]; }, 0,
                         settings_.ShowTrayIcon, TrayIcon::Clicks::OpenOnly, options_.open, options_.openInbox, this);
    tray_->SetToolTip(toolTip);
    channels_->application = tray_;
}

bool DesktopShell::HidesInTray() const
{
    return settings_.ShowTrayIcon &&
           (options_.trayArea ? *options_.trayArea : QSystemTrayIcon::isSystemTrayAvailable());
}

void DesktopShell::Notify(const QString& title, const QString& text)
{
    announcer_->Notify(title, text);
}

void DesktopShell::AnnounceDataClass(const QString& text)
{
    announcer_->DataClass(text);
}

void DesktopShell::ShowUnread(int count)
{
    if (tray_)
        tray_->SetImage(count > 0 ? 1 : 0);
}

void DesktopShell::LoadTrayImages()
{
    const QString folder = options_.trayImageFolder.isEmpty() ? QDir::currentPath() : options_.trayImageFolder;
    for (int i = 0; i < 10; ++i)
        trayImages_[static_cast<size_t>(i)] =
            settings_.ShowTrayIcon ? Images::TrayImage(i, settings_.ApplicationIcon, settings_.EventIcon, folder)
                                   : Images::Tray(i);
}

void DesktopShell::ApplyIcons(int applicationIcon, int eventIcon, QWidget* window)
{
    if (applicationIcon != settings_.ApplicationIcon) {
        settings_.ApplicationIcon = applicationIcon;
        window->setWindowIcon(Images::App(applicationIcon));
        if (notification_)
            notification_->SetIcon(shell::IconFile(applicationIcon, options_.dataHome));
        shell::UpdateDesktopEntryIcon(DesktopEntryPath(), shell::IconFile(applicationIcon, options_.dataHome));
    }
    settings_.EventIcon = eventIcon;
    if (!settings_.ShowTrayIcon)
        return;
    LoadTrayImages();
    tray_->Reload();
    if (dataClassTray_)
        dataClassTray_->Reload();
}

QString DesktopShell::DesktopEntryPath() const
{
    return shell::DesktopEntryPath(options_.dataHome);
}

bool DesktopShell::EnsureDesktopEntry(int icon)
{
    // The entry names the program to the notification service; without one it serves nothing.
    if (!toastsAvailable_)
        return false;
    return shell::EnsureDesktopEntry(DesktopEntryPath(), QCoreApplication::applicationFilePath(),
                                     shell::IconFile(icon, options_.dataHome));
}

bool DesktopShell::WriteDesktopEntry(int icon)
{
    return shell::WriteDesktopEntry(DesktopEntryPath(), QCoreApplication::applicationFilePath(),
                                    shell::IconFile(icon, options_.dataHome));
}

void DesktopShell::SyncDataClassTray(const DeviceState& state, std::function<void()> clicked)
{
    if (!state.DataClassIconShown()) {
        if (dataClassTray_) {
            channels_->dataClass = nullptr;
            delete dataClassTray_;
            dataClassTray_ = nullptr;
        }
        return;
    }
    if (!dataClassTray_) {
        dataClassTray_ = new TrayIcon([this](int image) { return trayImages_[static_cast<size_t>(image)]; },
                                      state.DataClassIconImage(), true, TrayIcon::Clicks::Any, std::move(clicked),
                                      options_.openInbox, this);
        channels_->dataClass = dataClassTray_;
    }
    dataClassTray_->SetImage(state.DataClassIconImage());
    dataClassTray_->SetToolTip(state.DataClassIconTip());
}
