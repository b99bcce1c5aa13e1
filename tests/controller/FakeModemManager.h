#pragma once
// A ModemManager of the tests' own on the session bus, as far as the program's link to it looks:
// one modem with an MBIM port, its Messaging list, the messages' properties, Delete, and the
// Added and Deleted signals. A connection of its own, so that calls travel through the daemon.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMap>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace testsupport {

struct FakeMmPort
{
    QString name;
    uint type = 0;
};

inline QDBusArgument& operator<<(QDBusArgument& argument, const FakeMmPort& port)
{
    argument.beginStructure();
    argument << port.name << port.type;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, FakeMmPort& port)
{
    argument.beginStructure();
    argument >> port.name >> port.type;
    argument.endStructure();
    return argument;
}

} // namespace testsupport

Q_DECLARE_METATYPE(testsupport::FakeMmPort)

namespace testsupport {

class FakeModemManager : public QDBusVirtualObject
{
public:
    using Interfaces = QMap<QString, QVariantMap>;
    using Objects = QMap<QDBusObjectPath, Interfaces>;

    inline static const QString Service = QStringLiteral("org.freedesktop.ModemManager1");
    inline static const QString Root = QStringLiteral("/org/freedesktop/ModemManager1");
    inline static const QString Modem = QStringLiteral("/org/freedesktop/ModemManager1/Modem/0");
    inline static const QString Messaging = QStringLiteral("org.freedesktop.ModemManager1.Modem.Messaging");

    // port: the control port's name as ModemManager lists it ("cdc-wdm0").
    explicit FakeModemManager(const QString& port)
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, ConnectionName)), port_(port)
    {
        qDBusRegisterMetaType<FakeMmPort>();
        qDBusRegisterMetaType<QList<FakeMmPort>>();
        qDBusRegisterMetaType<Interfaces>();
        qDBusRegisterMetaType<Objects>();
    }
    ~FakeModemManager() override
    {
        bus_.unregisterService(Service);
        bus_.unregisterObject(Root, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(ConnectionName);
    }

    bool Start()
    {
        return bus_.isConnected() && bus_.registerVirtualObject(Root, this, QDBusConnection::SubPath) &&
               bus_.registerService(Service);
    }

    // A message ModemManager read from the SIM: listed and announced.
    void List(const QString& path, const QString& number, const QString& text)
    {
        messages_.insert(path, {{QStringLiteral("Number"), number},
                                {QStringLiteral("Text"), text},
                                {QStringLiteral("PduType"), 1u}, // deliver
                                {QStringLiteral("MessageReference"), 0u}});
        QDBusMessage signal = QDBusMessage::createSignal(Modem, Messaging, QStringLiteral("Added"));
        signal << QVariant::fromValue(QDBusObjectPath(path)) << true;
        bus_.send(signal);
    }

    // The listed message's text joined at last (ModemManager announces a multipart message
    // before its parts' texts are joined): a change of its properties.
    void Complete(const QString& path, const QString& text)
    {
        messages_[path][QStringLiteral("Text")] = text;
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.freedesktop.ModemManager1.Sms")
               << QVariantMap{{QStringLiteral("Text"), text}, {QStringLiteral("State"), 3u}} << QStringList();
        bus_.send(signal);
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QString member = message.member();
        if (message.path() == Root && member == QLatin1String("GetManagedObjects")) {
            QVariantMap modem{{QStringLiteral("Ports"),
                               QVariant::fromValue(QList<FakeMmPort>{{port_, 7}})}}; // MM_MODEM_PORT_TYPE_MBIM
            QList<QDBusObjectPath> listed;
            for (const QString& path : messages_.keys())
                listed << QDBusObjectPath(path);
            Objects objects;
            objects.insert(QDBusObjectPath(Modem),
                           {{QStringLiteral("org.freedesktop.ModemManager1.Modem"), modem},
                            {Messaging, {{QStringLiteral("Messages"), QVariant::fromValue(listed)}}}});
            connection.send(message.createReply(QVariant::fromValue(objects)));
            return true;
        }
        if (member == QLatin1String("GetAll") && messages_.contains(message.path())) {
            connection.send(message.createReply(QVariant::fromValue(messages_.value(message.path()))));
            return true;
        }
        if (message.path() == Modem && member == QLatin1String("Delete") && !message.arguments().isEmpty()) {
            const QString path = message.arguments().constFirst().value<QDBusObjectPath>().path();
            if (!messages_.remove(path)) {
                connection.send(
                    message.createErrorReply(QStringLiteral("org.freedesktop.ModemManager1.Error.Core.NotFound"),
                                             QStringLiteral("No SMS found")));
                return true;
            }
            deleted << path;
            if (onDelete)
                onDelete(path);
            QDBusMessage signal = QDBusMessage::createSignal(Modem, Messaging, QStringLiteral("Deleted"));
            signal << QVariant::fromValue(QDBusObjectPath(path));
            connection.send(signal);
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

    // Called as ModemManager takes a message's parts off the SIM, before it answers.
    std::function<void(const QString& path)> onDelete;
    QStringList deleted;

private:
    static constexpr const char* ConnectionName = "test-fake-modemmanager";

    QDBusConnection bus_;
    QString port_;
    QMap<QString, QVariantMap> messages_;
};

} // namespace testsupport
