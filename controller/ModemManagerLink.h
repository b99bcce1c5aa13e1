#pragma once
// ModemManager beside the program. When ModemManager (on the system bus) drives the modem whose
// control port the program uses, it keeps its own list of the SIM's messages and never reads the
// SIM again: a message the program takes off the SIM by itself stays in that list, ModemManager
// refuses the next message stored at the freed index, and a later delete by any of its clients
// deletes that new message. So while ModemManager shares the modem, the program deletes through
// ModemManager's Messaging interface, by matching each stored part to ModemManager's message.

#include <QDBusConnection>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <cstdint>
#include <functional>

class QDBusMessage;
class QDBusPendingCallWatcher;

class ModemManagerLink : public QObject
{
    Q_OBJECT
public:
    // What the program knows of a part it stored and wants off the SIM.
    struct Part
    {
        std::uint32_t Index = 0;
        QString Number;
        QString Text;
        QString Date;       // dd.mm.yyyy of the centre's timestamp; empty for a sent copy
        QString Time;       // hh:mm:ss
        int Reference = 0;  // multipart reference, 0 for a single message
        int PartNumber = 0; // 1-based
        int PartsTotal = 0;
        bool Report = false;
        unsigned MessageId = 0; // a report's message reference
    };

    // bus: the system bus normally; the log gets one line per decision.
    explicit ModemManagerLink(QDBusConnection bus, std::function<void(const QString&)> log, QObject* parent = nullptr);
    ~ModemManagerLink() override;

    // The control port the program has open ("/dev/cdc-wdm0", or a link to it); ModemManager
    // names ports without their folder.
    void SetPort(const QString& devicePath);
    bool Manages() const { return !modem_.isEmpty(); }
    const QString& ModemPath() const { return modem_; }

    // Deletes the part through ModemManager once its message is known there and, for a multipart
    // message, once every part is stored (ModemManager deletes a message's parts together).
    void Delete(const Part& part);
    // Parts still waiting for their message in ModemManager's list.
    int Waiting() const { return static_cast<int>(waiting_.size()); }

    // How long a single message or report may wait for ModemManager to list it before it is
    // deleted directly: a message ModemManager never listed leaves its list true.
    static constexpr int kListWaitMs = 60000;

Q_SIGNALS:
    // ModemManager began or stopped sharing the modem; text says what it means for messages.
    void SharingChanged(bool sharing, const QString& text);
    // The part at this index is gone from the SIM.
    void Deleted(std::uint32_t index);
    // ModemManager refused; the part stays on the SIM.
    void DeleteFailed(std::uint32_t index);
    // Nothing in ModemManager's list is this part: delete it directly.
    void DeleteDirectly(std::uint32_t index);

private Q_SLOTS:
    void Refresh();
    void ObjectsChanged(const QDBusMessage& message);
    void MessageAdded(const QDBusMessage& message);
    void MessageDeleted(const QDBusMessage& message);
    void MessageChanged(const QDBusMessage& message);

private:
    struct Listed
    {
        QString Number;
        QString Text;
        QString Date; // dd.mm.yyyy, as the program writes dates
        QString Time;
        unsigned PduType = 0;
        unsigned Reference = 0;
        bool Deleting = false;
    };
    struct Held
    {
        Part part;
        qint64 since = 0; // ms since the epoch
    };

    void ObjectsRead(QDBusPendingCallWatcher* call);
    void SetModem(const QString& path, const QStringList& messages);
    // again: the message is listed already and its properties changed.
    void ReadMessage(const QString& path, bool again = false);
    void Match();
    QString FindListed(const Part& part, QVector<int>* together) const;
    void DeleteListed(const QString& path, const QVector<std::uint32_t>& indexes);
    void Log(const QString& line) const;

    QDBusConnection bus_;
    std::function<void(const QString&)> log_;
    QString port_;
    QString modem_;
    QHash<QString, Listed> listed_; // ModemManager's messages by object path
    QVector<Held> waiting_;
    QHash<QString, QVector<std::uint32_t>> deleting_; // object path -> our indexes it holds
    QTimer fallback_;                                 // looks again at what waits, for the direct deletes
    bool known_ = true;                               // the bus answered for the current port
    bool refreshing_ = false;
    bool refreshAgain_ = false;
};
