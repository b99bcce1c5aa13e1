#pragma once
// Turns SMS records from the device, the database and the send pipeline into folder rows: the
// store-then-delete path of device messages, the decode and its log lines, multipart joining,
// Reports, Drafts and Templates, and the receive timer.

#include "app/Messages.h"
#include "controller/DeliveryStates.h"
#include "controller/MessageFolders.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class ControllerHost;
class SettingsStore;
class QDatabase;
class MobileBroadband;
class ModemManagerLink;
class PDU;
struct BROADBAND_REQUEST_RESULT;

class IncomingMessages : public QObject
{
    Q_OBJECT
public:
    IncomingMessages(ControllerHost& host, SettingsStore& settings, QDatabase& database, MobileBroadband& device,
                     MessageFolders& folders, QObject* parent = nullptr);

    void HandleDeviceSms(std::uint32_t index, const BROADBAND_SMS_DATA& record);
    void HandleStoredSms(std::uint32_t id, const DATABASE_SMS_DATA& record);
    void HandleStoredBatch(const DATABASE_SMS_BATCH& batch);
    void HandleStoredTemplate(const DATABASE_TEMPLATE_DATA& record);
    void HandleLoadProgress(std::uintptr_t phase);
    void HandleSmsDeleteComplete(const BROADBAND_REQUEST_RESULT& result);
    void ProcessSmsRecord(std::uint32_t id, const BROADBAND_SMS_DATA& record);

    // ModemManager beside the program; null: the device's messages are deleted directly.
    void SetModemManager(ModemManagerLink* link);
    // The session has its interface: which port it is decides whether ModemManager shares it;
    // then its messages are read.
    void DeviceConnected();
    // Every list but the Outbox listed anew: the stored messages replayed, the device read.
    void Resynchronize();
    // Takes a listed part off the device at the user's word: through ModemManager while it
    // shares the modem, or its list would go stale; directly otherwise. False when refused.
    bool DeleteFromDevice(const SmsUnit& unit);

    // A read of every device message when an interface is there.
    void ReadDevice();
    // The device says its messages changed: read them.
    void HandleSmsStatus();
    // Stores a template and lists it; false when it was not stored.
    bool AddTemplate(const QString& number, const QString& text);
    void SetReceiveTimer(bool enabled);
    QTimer& ReceiveTimer() { return receiveTimer_; }
    // The receive timer reads only while no send waits for the send timer.
    void SetSendTimerActive(std::function<bool()> active) { sendTimerActive_ = std::move(active); }

    // Contact names are looked up once per number; a change of the contacts forgets them.
    QString ContactName(const QString& number);
    void ForgetContactNames() { contactNames_.clear(); }

    // A report from the device that names no sent part: the send pipeline may know a part of
    // unknown fate it is about.
    void SetUnmatchedReport(std::function<void(const QString& number, unsigned reference)> handler)
    {
        unmatchedReport_ = std::move(handler);
    }
    // Marks an Inbox row read, in the database too where it is stored; false when it was read.
    bool MarkRead(SmsData* data);

    // The delivery states of sent parts, which the reports filed here set.
    DeliveryStates& Delivery() { return delivery_; }

    // Device index and delete request ID of each stored message whose deletion is under way.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& PendingDeletes() const { return pendingDeletes_; }

private:
    void ReceiveTimerTimer();
    bool IsPending(std::uint32_t index) const;
    // Takes a stored message off the device: through ModemManager when it shares the modem.
    void RequestDelete(std::uint32_t index, const BROADBAND_SMS_DATA& record);
    // A part whose deletion is under way, or a read of it answered before it went.
    bool BeingTaken(std::uint32_t index, const BROADBAND_SMS_DATA& record);
    void DeleteDirectly(std::uint32_t index);
    void LogDecoded(const PDU& pdu);
    void NameAndCaption(SmsData& data);
    // Files a decoded record; fromDevice: it came from a device read, not a replay or a sent copy.
    void File(std::uint32_t id, const BROADBAND_SMS_DATA& record, SmsPlace place, bool fromDevice);
    void FileInbox(std::int32_t id, const QString& shownId, std::uint32_t status, SmsData&& parts);
    // Joins the parts to the row of the same multipart message, or lists them as a new row whose
    // ID column is newIds (shownId when null).
    void JoinOrAdd(Folder folder, const QString& shownId, SmsData&& parts, int image, bool* added,
                   const QString& newIds = QString());

    ControllerHost& host_;
    SettingsStore& settings_;
    QDatabase& database_;
    MobileBroadband& device_;
    MessageFolders& folders_;
    QTimer receiveTimer_;
    std::function<bool()> sendTimerActive_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pendingDeletes_;
    // PDU of each part handed to ModemManager for deletion, by device index; Gone once it said
    // the part is off the SIM. Its answer comes over the bus, the device's over the device: a
    // read the device answered before the deletion can be handled after it.
    struct TakenThroughModemManager
    {
        std::string Pdu;
        bool Gone = false;
    };
    QHash<std::uint32_t, TakenThroughModemManager> takenThroughModemManager_;
    QHash<QString, QString> contactNames_;
    std::function<void(const QString&, unsigned)> unmatchedReport_;
    std::int32_t nextShownOnlyId_ = -1;
    ModemManagerLink* modemManager_ = nullptr;
    DeliveryStates delivery_{database_, folders_.Model(Folder::Sent)};
};
