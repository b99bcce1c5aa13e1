#pragma once
// The main window's place on the desktop: its notification-area icons and their images, desktop
// notifications, balloons, and the menu entry that names the program to the notification service.

#include <QIcon>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Announcer;
class DesktopChannels;
class DeviceState;
class Notifier;
class SettingsStore;
class TNotification;
class TrayIcon;

class DesktopShell : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        Notifier* notifier = nullptr; // null: desktop notifications and tray balloons
        QString dataHome;             // empty: $XDG_DATA_HOME (the menu entry and its picture)
        QString trayImageFolder;      // empty: the current folder (TRAYICON<n>.ico files)
        std::function<void(const QString&)> log;
        std::function<void()> open;      // a click on the application's icon
        std::function<void()> openInbox; // a click on a balloon or a notification
        std::optional<bool> trayArea;    // whether the desktop has a notification area; empty: ask it
    };

    DesktopShell(Options options, SettingsStore& settings, QObject* parent = nullptr);
    ~DesktopShell() override;

    // The application's icon; once the window has its title.
    void CreateTray(const QString& toolTip);
    TrayIcon& Tray() { return *tray_; }
    TrayIcon* DataClassTray() const { return dataClassTray_; }
    // The ten tray images as loaded (override files, application and event icons).
    const QIcon& TrayImage(int index) const { return trayImages_[static_cast<size_t>(index)]; }
    bool ToastsAvailable() const { return toastsAvailable_; }
    // Whether the window may hide into the notification area: only while its icon is there, so
    // that a hidden window can always be reached again.
    bool HidesInTray() const;

    void Notify(const QString& title, const QString& text);
    void AnnounceDataClass(const QString& text);
    // The data-class icon made, changed or removed as the device state has it; clicked tells its
    // balloon's provider, data class and signal texts.
    void SyncDataClassTray(const DeviceState& state, std::function<void()> clicked);
    Announcer& Announcements() { return *announcer_; }
    // Something waits (unread messages): the application's icon shows it.
    void ShowUnread(int count);

    // The application and event icons; the window's icon follows.
    void ApplyIcons(int applicationIcon, int eventIcon, QWidget* window);
    // The menu entry: written when missing (with toasts available only), or always.
    QString DesktopEntryPath() const;
    bool EnsureDesktopEntry(int icon);
    bool WriteDesktopEntry(int icon);

private:
    void LoadTrayImages();

    Options options_;
    SettingsStore& settings_;
    std::unique_ptr<TNotification> notification_; // only when no notifier was given and a server exists
    std::unique_ptr<DesktopChannels> channels_;
    std::unique_ptr<Announcer> announcer_;
    bool toastsAvailable_ = false;
    TrayIcon* tray_ = nullptr;
    TrayIcon* dataClassTray_ = nullptr;
    std::array<QIcon, 10> trayImages_;
};
