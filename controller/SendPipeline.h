#pragma once
// The Outbox: queued messages cut into parts, one SMS-SUBMIT per part, at most MaxSendCount
// submissions at the device, each followed to its completion; sent parts are saved and filed in
// Sent, failed ones stay visibly failed until retried or deleted.

#include "app/Prompts.h"
#include "controller/MessageFolders.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <utility>
#include <vector>

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
    // Resets the failed parts of one Outbox message, and after a question those of unknown fate;
    // the send timer follows.
    void Retry(SmsData* message);
    // A status report from the device that matched no saved part: a part of unknown fate to that
    // number went out after all.
    void ReportWithoutPart(const QString& number, unsigned reference);
    void SendAll() { sendTimer_.start(); }
    // The interface went away or was stopped: every part in flight is of unknown fate (sent when
    // its report comes); a completion that still comes for one of them changes nothing.
    void InterfaceLost();

    int SendingCount() const { return static_cast<int>(inFlight_.size()); }
    QTimer& SendTimer() { return sendTimer_; }

private:
    void SendTimerTimer();
    void MarkFailed(SmsData* message, const QString& status);
    void SaveSentCopy(const QString& pdu, std::uint32_t messageReference);
    // A part went out: saved, and its message leaves the Outbox when it was the last.
    void Confirm(SmsData* message, SmsUnit& unit, std::uint32_t messageReference);
    void MarkUnknown(SmsData* message, SmsUnit& unit);
    bool InFlightTo(const QString& number) const;
    // Boxes wait until the Outbox is consistent and no loop runs over it.
    void Tell(const QString& text, PromptIcon icon);
    void TellPending();

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
    std::vector<std::pair<QString, PromptIcon>> told_;
    bool telling_ = false;
};
