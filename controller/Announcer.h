#pragma once
// Which channel announces an event: a balloon at one of the notification-area icons, a desktop
// notification, or both, as the options say at the moment the event happens.

#include <QString>

class SettingsStore;

enum class TrayIconId { Application, DataClass };

// The two channels as the window has them.
class AnnounceChannels
{
public:
    virtual ~AnnounceChannels() = default;
    // An information balloon without sound at one icon; false when that icon does not exist.
    virtual bool Balloon(TrayIconId icon, const QString& title, const QString& text, int timeoutMs) = 0;
    // A silent desktop notification; false when the desktop has no notification service.
    virtual bool Toast(const QString& title, const QString& text) = 0;
};

class Announcer
{
public:
    static constexpr int NotifyTimeoutMs = 5000;
    static constexpr int DataClassTimeoutMs = 2000;
    static constexpr int DataClassClickTimeoutMs = 1000;

    Announcer(const SettingsStore& settings, AnnounceChannels& channels) : settings_(settings), channels_(channels) { }

    // A new message or a locked device.
    void Notify(const QString& title, const QString& text);
    // A data-class change, or the device connected or disconnected; an empty text says nothing.
    void DataClass(const QString& text);
    // A click on the data-class icon: the provider, data class and signal level in its balloon.
    void DataClassIconClicked(const QString& provider, const QString& dataClass, const QString& signal);

private:
    const SettingsStore& settings_;
    AnnounceChannels& channels_;
};
