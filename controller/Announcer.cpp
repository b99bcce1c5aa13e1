#include "controller/Announcer.h"

#include "app/Settings.h"

void Announcer::Notify(const QString& title, const QString& text)
{
    if (settings_.ShowBalloonNotification && settings_.ShowTrayIcon)
        channels_.Balloon(TrayIconId::Application, title, text, NotifyTimeoutMs);
    if (settings_.ShowToastNotification)
        channels_.Toast(title, text);
}

void Announcer::DataClass(const QString& text)
{
    if (!settings_.ShowDataClassNotification || text.isEmpty())
        return;
    const QString title = QStringLiteral("Mobile Broadband");
    if (settings_.ShowBalloonNotification) {
        // The data-class icon when it is kept, else the application's own.
        if (settings_.ShowDataClassIcon)
            channels_.Balloon(TrayIconId::DataClass, title, text, DataClassTimeoutMs);
        else if (settings_.ShowTrayIcon)
            channels_.Balloon(TrayIconId::Application, title, text, DataClassTimeoutMs);
    }
    if (settings_.ShowToastNotification)
        channels_.Toast(title, text);
}

void Announcer::DataClassIconClicked(const QString& provider, const QString& dataClass, const QString& signal)
{
    if (!settings_.ShowDataClassIcon || !settings_.ShowDataClassIconBalloon)
        return;
    channels_.Balloon(TrayIconId::DataClass, provider,
                      QStringLiteral("Data class: ") + dataClass + QStringLiteral("\nSignal level: ") + signal,
                      DataClassClickTimeoutMs);
}
