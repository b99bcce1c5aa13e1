#pragma once
// Event sounds by their historic names ("Notification.SMS", "DeviceConnect", "DeviceDisconnect");
// the desktop implementation maps them to freedesktop sound-theme events.

#include <QString>

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const QString& name) = 0;
};
