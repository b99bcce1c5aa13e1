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

    // A read of every device message when an interface is there.
    void ReadDevice();
    // Stores a template and lists it; false when it was not stored.
    bool AddTemplate(const QString& number, const QString& text);
    void SetReceiveTimer(bool enabled);
    QTimer& ReceiveTimer() { return receiveTimer_; }
    // The receive timer reads only while no send waits for the send timer.
    void SetSendTimerActive(std::function<bool()> active) { sendTimerActive_ = std::move(active); }

    // Contact names are looked up once per number; a change of the contacts forgets them.
    QString ContactName(const QString& number);
    void ForgetContactNames() { contactNames_.clear(); }

    // The delivery states of sent parts, which the reports filed here set.
    DeliveryStates& Delivery() { return delivery_; }

    // Device index and delete request ID of each stored message whose deletion is under way.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& PendingDeletes() const { return pendingDeletes_; }

private:
    void ReceiveTimerTimer();
    bool IsPending(std::uint32_t index) const;
    void RequestDelete(std::uint32_t index);
    void LogDecoded(const PDU& pdu);
    void NameAndCaption(SmsData& data);
    void FileInbox(std::uint32_t id, std::uint32_t status, SmsData&& parts);
    void JoinOrAdd(Folder folder, std::uint32_t id, SmsData&& parts, int image, const QString& ids, bool* added);

    ControllerHost& host_;
    SettingsStore& settings_;
    QDatabase& database_;
    MobileBroadband& device_;
    MessageFolders& folders_;
    QTimer receiveTimer_;
    std::function<bool()> sendTimerActive_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pendingDeletes_;
    QHash<QString, QString> contactNames_;
    DeliveryStates delivery_{database_, folders_.Model(Folder::Sent)};
};
