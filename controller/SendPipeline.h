#pragma once
// The Outbox: queued messages cut into parts, one SMS-SUBMIT per part, at most MaxSendCount
// submissions at the device, each followed to its completion; sent parts are saved and filed in
// Sent, failed ones stay visibly failed until retried or deleted.

#include "controller/MessageFolders.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <cstdint>

class ControllerHost;
class SettingsStore;
class QDatabase;
class MobileBroadband;
class IncomingMessages;
class Clock;
struct BROADBAND_REQUEST_RESULT;

class SendPipeline : public QObject
{
    Q_OBJECT
public:
    SendPipeline(ControllerHost& host, SettingsStore& settings, QDatabase& database, MobileBroadband& device,
                 MessageFolders& folders, IncomingMessages& incoming, Clock& clock, QObject* parent = nullptr);

    // The number goes to the front of the recent numbers.
    void RememberNumber(const QString& number);
    const QStringList& RecentNumbers() const { return recent_; }

    void QueueMessage(const QString& number, const QString& text, bool flash);
    void ProcessOutbox();
    void HandleSmsSendComplete(const BROADBAND_REQUEST_RESULT& result);
    // Resets the failed parts of one Outbox message; the send timer follows.
    void Retry(SmsData* message);
    void SendAll() { sendTimer_.start(); }
    // The interface went away or was stopped: every part in flight has failed; a completion that
    // still comes for one of them changes nothing.
    void InterfaceLost();

    int SendingCount() const { return static_cast<int>(inFlight_.size()); }
    QTimer& SendTimer() { return sendTimer_; }

private:
    void SendTimerTimer();
    void MarkFailed(SmsData* message, const QString& status);
    void SaveSentCopy(const QString& pdu, std::uint32_t messageReference);

    ControllerHost& host_;
    SettingsStore& settings_;
    QDatabase& database_;
    MobileBroadband& device_;
    MessageFolders& folders_;
    IncomingMessages& incoming_;
    Clock& clock_;
    QTimer sendTimer_;
    QStringList recent_;
    QSet<std::uint32_t> inFlight_; // request IDs of submissions whose completion is awaited
};
