#pragma once
// Announces an event to the user (desktop notification and tray balloon, as the options say).

#include <QString>

class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void Notify(const QString& title, const QString& text) = 0;
};
