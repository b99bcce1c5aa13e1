#pragma once
// Is there a desktop notification service? The session D-Bus and a notification server on it,
// running or startable by the bus. Decided once at start-up; without it no notifications are
// sent and the rest of the program works as before.

#include <QDBusConnection>
#include <QString>

#include <functional>

bool CheckDesktopNotifications(const std::function<void(const QString&)>& log,
                               const QDBusConnection& bus = QDBusConnection::sessionBus());
