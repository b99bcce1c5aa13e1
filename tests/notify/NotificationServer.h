#pragma once
// A notification server of the tests' own on the session bus: it records every call, can hold its
// answers back and emits the signals a desktop's server emits on a click or a close.

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace testsupport {

class NotificationServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0; // the id answered
    };

    // A connection of its own, so that calls to it travel through the bus daemon.
    NotificationServer() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName)) { }
    ~NotificationServer() override
    {
        Stop();
        QDBusConnection::disconnectFromBus(ConnectionName);
    }

    bool Start()
    {
        return bus_.isConnected() && bus_.registerObject(Path, this, QDBusConnection::ExportAllSlots) &&
               bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void Stop()
    {
        bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus_.unregisterObject(Path);
    }

    // Answers of Notify wait until released.
    void HoldReplies(bool hold) { hold_ = hold; }
    void ReleaseReplies()
    {
        for (const auto& [call, id] : held_)
            bus_.send(call.createReply(QVariant::fromValue(id)));
        held_.clear();
    }

    void EmitActionInvoked(uint id, const QString& action)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Interface, QStringLiteral("ActionInvoked"));
        signal << id << action;
        bus_.send(signal);
    }
    void EmitNotificationClosed(uint id, uint reason)
    {
        QDBusMessage signal = QDBusMessage::createSignal(Path, Interface, QStringLiteral("NotificationClosed"));
        signal << id << reason;
        bus_.send(signal);
    }

    std::vector<Call> calls;

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout)
    {
        const uint id = replacesId ? replacesId : ++lastId_;
        calls.push_back({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout, id});
        if (hold_) {
            setDelayedReply(true);
            held_.push_back({message(), id});
        }
        return id;
    }
    void CloseNotification(uint id) { EmitNotificationClosed(id, 3); }
    QStringList GetCapabilities()
    {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("sound")};
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("test-notification-server");
    }

private:
    static constexpr const char* ConnectionName = "test-notification-server";
    inline static const QString Path = QStringLiteral("/org/freedesktop/Notifications");
    inline static const QString Interface = QStringLiteral("org.freedesktop.Notifications");

    QDBusConnection bus_;
    bool hold_ = false;
    std::vector<std::pair<QDBusMessage, uint>> held_;
    uint lastId_ = 0;
};

// True when the test runs under a session bus started for it (the ctest wraps it so).
inline bool HasTestBus()
{
    return qEnvironmentVariableIsSet("PARLOWEN_TEST_BUS") && qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace testsupport
