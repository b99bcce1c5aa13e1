#include "notify/Presence.h"

#include <QDBusMessage>
#include <QDBusReply>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
constexpr int BusTimeoutMs = 2000; // the bus daemon answers at once; never wait Qt's 25 s

bool Listed(const QDBusConnection& bus, const QString& method)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), method);
    const QDBusReply<QStringList> reply = bus.call(call, QDBus::Block, BusTimeoutMs);
    return reply.isValid() && reply.value().contains(Service);
}

} // namespace

bool CheckDesktopNotifications(const std::function<void(const QString&)>& log, const QDBusConnection& bus)
{
    log(QStringLiteral("Loading desktop notifications (session D-Bus)..."));
    if (!bus.isConnected()) {
        log(QStringLiteral("Session D-Bus not found"));
        return false;
    }
    // A server that the bus starts on the first call counts as present.
    if (Listed(bus, QStringLiteral("ListNames")) || Listed(bus, QStringLiteral("ListActivatableNames")))
        return true;
    log(QStringLiteral("Desktop notifications -> Error: Unable to find ") + Service);
    return false;
}
