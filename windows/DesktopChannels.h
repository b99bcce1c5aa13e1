#pragma once
// The window's two ways to announce: balloons at its notification-area icons and desktop
// notifications (or what a test puts in their place).

#include "app/Notifier.h"
#include "controller/Announcer.h"
#include "windows/TrayIcon.h"

class DesktopChannels : public AnnounceChannels
{
public:
    TrayIcon* application = nullptr;
    TrayIcon* dataClass = nullptr;
    Notifier* toast = nullptr; // null: no notification service

    bool Balloon(TrayIconId icon, const QString& title, const QString& text, int timeoutMs) override
    {
        TrayIcon* at = icon == TrayIconId::Application ? application : dataClass;
        return at && at->Balloon(title, text, timeoutMs);
    }
    bool Toast(const QString& title, const QString& text) override
    {
        if (!toast)
            return false;
        toast->Notify(title, text);
        return true;
    }
};
