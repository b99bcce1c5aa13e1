#include "controller/ModemManagerLink.h"

#include "controller/DeliveryStates.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>

#include <algorithm>
#include <map>
#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ModemManager1");
const QString kRoot = QStringLiteral("/org/freedesktop/ModemManager1");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kModem = QStringLiteral("org.freedesktop.ModemManager1.Modem");
const QString kMessaging = QStringLiteral("org.freedesktop.ModemManager1.Modem.Messaging");
const QString kSms = QStringLiteral("org.freedesktop.ModemManager1.Sms");
constexpr unsigned kPortMbim = 7;        // MM_MODEM_PORT_TYPE_MBIM
constexpr unsigned kPduStatusReport = 3; // MM_SMS_PDU_TYPE_STATUS_REPORT
constexpr int kCallTimeoutMs = 5000;

using Interfaces = QMap<QString, QVariantMap>;
using Objects = QMap<QDBusObjectPath, Interfaces>;

QStringList Paths(const QVariant& value)
{
    QStringList paths;
    if (value.canConvert<QDBusArgument>()) {
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(value.value<QDBusArgument>()))
            paths << path.path();
    } else {
        for (const QDBusObjectPath& path : value.value<QList<QDBusObjectPath>>())
            paths << path.path();
    }
    return paths;
}

// Ports as ModemManager lists them: a(su), name and type.
bool HasMbimPort(const QVariant& value, const QString& port)
{
    if (!value.canConvert<QDBusArgument>())
        return false;
    const QDBusArgument argument = value.value<QDBusArgument>();
    bool found = false;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString name;
        uint type = 0;
        argument.beginStructure();
        argument >> name >> type;
        argument.endStructure();
        found = found || (name == port && type == kPortMbim);
    }
    argument.endArray();
    return found;
}

QString Digits(const QString& number)
{
    return DeliveryNumberKey(number);
}

} // namespace

ModemManagerLink::ModemManagerLink(QDBusConnection bus, std::function<void(const QString&)> log, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), log_(std::move(log))
{
    qDBusRegisterMetaType<Interfaces>();
    qDBusRegisterMetaType<Objects>();
    if (!bus_.isConnected())
        return;
    // ModemManager started, restarted or stopped, and modems coming and going.
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                 SLOT(ObjectsChanged(QDBusMessage)));
    for (const char* signal : {"InterfacesAdded", "InterfacesRemoved"})
        bus_.connect(kService, kRoot, kObjectManager, QString::fromLatin1(signal), this,
                     SLOT(ObjectsChanged(QDBusMessage)));
    // ModemManager announces a multipart message before it has joined the parts' texts (its
    // Text still empty); the text follows as a change of the message's properties.
    bus_.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), {kSms}, QString(), this,
                 SLOT(MessageChanged(QDBusMessage)));
    fallback_.setInterval(5000);
    connect(&fallback_, &QTimer::timeout, this, &ModemManagerLink::Match);
}

ModemManagerLink::~ModemManagerLink() = default;

void ModemManagerLink::Log(const QString& line) const
{
    if (log_)
        log_(line);
}

void ModemManagerLink::SetPort(const QString& devicePath)
{
    // ModemManager knows the kernel's name of the port; a link given on the command line names it
    // by what it points to.
    QString name = QFileInfo(devicePath).fileName();
    if (!name.startsWith(QLatin1String("cdc-wdm")) && !name.startsWith(QLatin1String("wwan")))
        name = QFileInfo(QFileInfo(devicePath).canonicalFilePath()).fileName();
    if (name == port_)
        return;
    port_ = name;
    known_ = !bus_.isConnected() || port_.isEmpty();
    Refresh();
}

void ModemManagerLink::ObjectsChanged(const QDBusMessage& message)
{
    if (message.member() == QLatin1String("NameOwnerChanged") &&
        (message.arguments().isEmpty() || message.arguments().constFirst().toString() != kService))
        return;
    Refresh();
}

void ModemManagerLink::Refresh()
{
    if (!bus_.isConnected() || port_.isEmpty())
        return;
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    refreshing_ = true;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kRoot, kObjectManager, QStringLiteral("GetManagedObjects"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &ModemManagerLink::ObjectsRead);
}

void ModemManagerLink::ObjectsRead(QDBusPendingCallWatcher* call)
{
    call->deleteLater();
    refreshing_ = false;
    known_ = true;
    QDBusPendingReply<Objects> reply = *call;
    QString modem;
    QStringList messages;
    if (!reply.isError()) {
        const Objects objects = reply.value();
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            const auto properties = it.value().constFind(kModem);
            if (properties == it.value().cend() || !HasMbimPort(properties->value(QStringLiteral("Ports")), port_))
                continue;
            modem = it.key().path();
            messages = Paths(it.value().value(kMessaging).value(QStringLiteral("Messages")));
            break;
        }
    }
    SetModem(modem, messages);
    if (refreshAgain_) {
        refreshAgain_ = false;
        Refresh();
    }
}

void ModemManagerLink::SetModem(const QString& path, const QStringList& messages)
{
    if (path != modem_) {
        if (!modem_.isEmpty())
            for (const char* signal : {"Added", "Deleted"})
                bus_.disconnect(kService, modem_, kMessaging, QString::fromLatin1(signal), this,
                                signal[0] == 'A' ? SLOT(MessageAdded(QDBusMessage))
                                                 : SLOT(MessageDeleted(QDBusMessage)));
        const bool was = !modem_.isEmpty();
        modem_ = path;
        listed_.clear();
        deleting_.clear();
        if (!modem_.isEmpty()) {
            bus_.connect(kService, modem_, kMessaging, QStringLiteral("Added"), this, SLOT(MessageAdded(QDBusMessage)));
            bus_.connect(kService, modem_, kMessaging, QStringLiteral("Deleted"), this,
                         SLOT(MessageDeleted(QDBusMessage)));
            const QString text = QStringLiteral("ModemManager shares this modem (%1 of %2): messages taken off the "
                                                "SIM are deleted through ModemManager, so that its list stays true")
                                     .arg(port_, modem_);
            Log(QStringLiteral("Messages -> ") + text);
            Q_EMIT SharingChanged(true, text);
        } else if (was) {
            const QString text = QStringLiteral("ModemManager no longer shares this modem: messages taken off the SIM "
                                                "are deleted directly");
            Log(QStringLiteral("Messages -> ") + text);
            Q_EMIT SharingChanged(false, text);
        }
    }
    if (modem_.isEmpty()) {
        // Nobody else lists the SIM: whatever waits goes now.
        const QVector<Held> waiting = std::exchange(waiting_, {});
        fallback_.stop();
        for (const Held& w : waiting)
            Q_EMIT DeleteDirectly(w.part.Index);
        return;
    }
    for (const QString& message : messages)
        if (!listed_.contains(message))
            ReadMessage(message);
}

void ModemManagerLink::ReadMessage(const QString& path, bool again)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("GetAll"));
    call << kSms;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path, again](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        QDBusPendingReply<QVariantMap> reply = *done;
        // A message deleted meanwhile stays gone.
        if (reply.isError() || modem_.isEmpty() || (again && !listed_.contains(path)))
            return;
        const QVariantMap p = reply.value();
        Listed listed;
        listed.Deleting = listed_.value(path).Deleting;
        listed.Number = p.value(QStringLiteral("Number")).toString();
        listed.Text = p.value(QStringLiteral("Text")).toString();
        listed.PduType = p.value(QStringLiteral("PduType")).toUInt();
        listed.Reference = p.value(QStringLiteral("MessageReference")).toUInt();
        // "2026-12-11T10:41:59+01": the centre's own date and time, as the program shows them.
        const QString stamp = p.value(QStringLiteral("Timestamp")).toString();
        const QDateTime when = QDateTime::fromString(stamp.left(19), Qt::ISODate);
        if (when.isValid()) {
            listed.Date = when.toString(QStringLiteral("dd.MM.yyyy"));
            listed.Time = when.toString(QStringLiteral("HH:mm:ss"));
        }
        listed_.insert(path, listed);
        Match();
    });
}

void ModemManagerLink::MessageAdded(const QDBusMessage& message)
{
    if (!message.arguments().isEmpty())
        ReadMessage(message.arguments().constFirst().value<QDBusObjectPath>().path());
}

void ModemManagerLink::MessageChanged(const QDBusMessage& message)
{
    if (listed_.contains(message.path()))
        ReadMessage(message.path(), true);
}

void ModemManagerLink::MessageDeleted(const QDBusMessage& message)
{
    if (message.arguments().isEmpty())
        return;
    const QString path = message.arguments().constFirst().value<QDBusObjectPath>().path();
    listed_.remove(path);
    for (const std::uint32_t index : deleting_.take(path))
        Q_EMIT Deleted(index);
}

void ModemManagerLink::Delete(const Part& part)
{
    // Until the bus has said whether ModemManager drives this port, the part waits.
    if (known_ && modem_.isEmpty()) {
        Q_EMIT DeleteDirectly(part.Index);
        return;
    }
    for (const Held& w : waiting_)
        if (w.part.Index == part.Index)
            return;
    waiting_.push_back({part, QDateTime::currentMSecsSinceEpoch()});
    fallback_.start();
    Match();
}

QString ModemManagerLink::FindListed(const Part& part, QVector<int>* together) const
{
    together->clear();
    const QString number = Digits(part.Number);
    if (part.Report) {
        for (auto it = listed_.cbegin(); it != listed_.cend(); ++it)
            if (!it->Deleting && it->PduType == kPduStatusReport && Digits(it->Number) == number &&
                (it->Reference & 0xFF) == (part.MessageId & 0xFF))
                return it.key();
        return QString();
    }
    if (part.PartsTotal <= 1) {
        for (auto it = listed_.cbegin(); it != listed_.cend(); ++it)
            if (!it->Deleting && it->PduType != kPduStatusReport && Digits(it->Number) == number &&
                it->Text == part.Text && (it->Date.isEmpty() || part.Date.isEmpty() || it->Date == part.Date) &&
                (it->Time.isEmpty() || part.Time.isEmpty() || it->Time == part.Time))
                return it.key();
        return QString();
    }
    // A multipart message: every part stored, their texts in order make ModemManager's text.
    std::map<int, int> parts; // part number -> position in waiting_
    for (int i = 0; i < waiting_.size(); ++i) {
        const Part& p = waiting_[i].part;
        if (!p.Report && p.Reference == part.Reference && p.PartsTotal == part.PartsTotal && Digits(p.Number) == number)
            parts.emplace(p.PartNumber, i);
    }
    if (static_cast<int>(parts.size()) != part.PartsTotal)
        return QString();
    QString text;
    for (const auto& [number_, position] : parts) {
        text += waiting_[position].part.Text;
        together->push_back(position);
    }
    for (auto it = listed_.cbegin(); it != listed_.cend(); ++it)
        if (!it->Deleting && Digits(it->Number) == number && it->Text == text)
            return it.key();
    together->clear();
    return QString();
}

void ModemManagerLink::Match()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < waiting_.size();) {
        QVector<int> together;
        const QString path = FindListed(waiting_[i].part, &together);
        if (!path.isEmpty()) {
            if (together.isEmpty())
                together.push_back(i);
            QVector<std::uint32_t> indexes;
            std::sort(together.begin(), together.end(), std::greater<int>());
            for (const int position : together) {
                indexes.push_back(waiting_[position].part.Index);
                waiting_.remove(position);
            }
            DeleteListed(path, indexes);
            i = 0;
            continue;
        }
        // A single message or report ModemManager has not listed in all this time is not in its
        // list; a part of a multipart message may be held by it unlisted, so it waits.
        if (waiting_[i].part.PartsTotal <= 1 && now - waiting_[i].since > kListWaitMs) {
            const std::uint32_t index = waiting_[i].part.Index;
            waiting_.remove(i);
            Log(QStringLiteral("Messages -> Not in ModemManager's list, deleted directly: Device ID = %1").arg(index));
            Q_EMIT DeleteDirectly(index);
            continue;
        }
        ++i;
    }
    if (waiting_.isEmpty())
        fallback_.stop();
}

void ModemManagerLink::DeleteListed(const QString& path, const QVector<std::uint32_t>& indexes)
{
    listed_[path].Deleting = true;
    deleting_[path] += indexes;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, modem_, kMessaging, QStringLiteral("Delete"));
    call << QVariant::fromValue(QDBusObjectPath(path));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        QDBusPendingReply<> reply = *done;
        if (reply.isError()) {
            Log(QStringLiteral("Messages -> ModemManager -> Delete -> Failed: ") + reply.error().message());
            if (listed_.contains(path))
                listed_[path].Deleting = false;
            for (const std::uint32_t index : deleting_.take(path))
                Q_EMIT DeleteFailed(index);
            return;
        }
        // The Deleted signal may come before or after this answer: whichever is first tells.
        listed_.remove(path);
        for (const std::uint32_t index : deleting_.take(path))
            Q_EMIT Deleted(index);
    });
}
