#include "controller/SendPipeline.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "codec/Splitter.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "device/Broadband.h"
#include "device/Status.h"
#include "model/StoredRecord.h"
#include "storage/Database.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Messages");
const QString kUnknownStatus = QStringLiteral("Not confirmed: may already have been sent");

QString PartLine(int message, int part, int parts)
{
    return QStringLiteral("SendSms -> Message #%1 / part %2 of %3").arg(message).arg(part).arg(parts);
}

} // namespace

SendPipeline::SendPipeline(ControllerHost& host, SettingsStore& settings, QDatabase& database, MobileBroadband& device,
                           MessageFolders& folders, IncomingMessages& incoming, Clock& clock, QObject* parent)
    : QObject(parent),
      host_(host),
      settings_(settings),
      database_(database),
      device_(device),
      folders_(folders),
      incoming_(incoming),
      clock_(clock)
{
    sendTimer_.setInterval(1500);
    connect(&sendTimer_, &QTimer::timeout, this, &SendPipeline::SendTimerTimer);
    incoming_.SetUnmatchedReport(
        [this](const QString& number, unsigned reference) { ReportWithoutPart(number, reference); });
}

void SendPipeline::RememberNumber(const QString& number)
{
    recent_.removeAll(number);
    recent_.prepend(number);
}

void SendPipeline::QueueMessage(const QString& number, const QString& text, bool flash)
{
    const std::u16string text16 = text.toStdU16String();
    const SplitResult split = SplitText(text16);
    const unsigned reference = split.parts.size() > 1 ? QRandomGenerator::global()->bounded(254u) + 1 : 0;
    const int total = split.parts.size() > 1 ? static_cast<int>(split.parts.size()) : 0;

    auto data = std::make_unique<SmsData>();
    data->Flash = flash;
    for (size_t i = 0; i < split.parts.size(); ++i)
        data->AddUnit(0, number, total, total ? static_cast<int>(i) + 1 : 0, static_cast<int>(reference), QString(),
                      QString(), QString(), QString::fromStdU16String(split.parts[i].text));
    if (split.parts.empty()) // a text the splitter refuses stays visible as one failed part
        data->AddUnit(0, number, 0, 0, 0, QString(), QString(), QString(), text);
    if (settings_.Contacts)
        data->SetName(incoming_.ContactName(number));
    const int count = data->Count;
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    SmsData* message = outbox.Add(std::move(data), ImageQueued,
                                  settings_.ShowSmsID ? QStringLiteral("NEW/%1").arg(count) : QString(), false);
    outbox.SetStatus(message, QStringLiteral("Waiting..."));

    std::string smsc;
    if (device_.GetSMSC(smsc)) {
        host_.WriteLog(QStringLiteral("SendSms -> SMSC: ") + QString::fromStdString(smsc));
    } else {
        smsc.clear();
        host_.WriteLog(QStringLiteral("SendSms -> Unable to get message service center number"));
        // Told once the row holds its PDUs: a send timer tick while the box is open must not
        // submit parts that are not encoded yet.
        Tell(QStringLiteral("Warning: Unable to get message service center number."), PromptIcon::Information);
    }

    MessageToEncode toEncode;
    toEncode.number = number.toStdString();
    toEncode.smsc = smsc;
    toEncode.text = text16;
    toEncode.reportRequest = settings_.DeliveryReport;
    toEncode.flash = flash;
    toEncode.reference = reference ? reference : 1;
    const EncodeResult encoded = split.ok ? EncodeMessage(toEncode) : EncodeResult{false, split.error, {}};
    if (!encoded.ok || encoded.parts.size() != static_cast<size_t>(message->Units.size())) {
        // Nothing can be sent as it stands; the message stays in the Outbox, marked failed.
        host_.WriteLog(QStringLiteral("SendSms -> Error: ") + QString::fromStdString(encoded.error));
        for (SmsUnit& unit : message->Units)
            unit.Status = SmsUnitFailed;
        MarkFailed(message, QStringLiteral("Error: ") + QString::fromStdString(encoded.error));
    } else {
        for (qsizetype i = 0; i < message->Units.size(); ++i) {
            SmsUnit& unit = message->Units[i];
            const EncodedPart& part = encoded.parts[static_cast<size_t>(i)];
            host_.WriteLog(QStringLiteral("SendSms -> Number: ") + number);
            if (flash)
                host_.WriteLog(QStringLiteral("SendSms -> Flash: True"));
            if (reference) {
                host_.WriteLog(QStringLiteral("SendSms -> Multipart: True"));
                host_.WriteLog(QStringLiteral("SendSms -> Multipart ID: %1").arg(reference));
                host_.WriteLog(QStringLiteral("SendSms -> Parts total: %1").arg(total));
                host_.WriteLog(QStringLiteral("SendSms -> Part ID: %1").arg(unit.PartNumber));
            }
            unit.Pdu = QString::fromStdString(part.pdu);
            unit.PduLength = static_cast<std::uint8_t>(part.tpduLength);
            host_.WriteLog(QStringLiteral("SendSms -> PDU: ") + unit.Pdu);
            host_.WriteLog(QStringLiteral("SendSms -> PDU Length: %1").arg(part.tpduLength));
        }
    }
    folders_.UpdateOutboxCounter();
    sendTimer_.start();
    TellPending();
}

void SendPipeline::Tell(const QString& text, PromptIcon icon)
{
    told_.push_back({text, icon});
}

void SendPipeline::TellPending()
{
    // A box runs an event loop, in which a timer tick or a completion can come back here: the
    // outer call shows what they add, one box at a time, and no loop is ever inside a box.
    if (telling_)
        return;
    telling_ = true;
    while (!told_.empty()) {
        const auto [text, icon] = told_.front();
        told_.erase(told_.begin());
        host_.Prompts().Show(kCaption, text, icon);
    }
    telling_ = false;
}

void SendPipeline::MarkFailed(SmsData* message, const QString& status)
{
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    if (settings_.ShowSmsID)
        outbox.SetCaption(message, QStringLiteral("ERROR"));
    outbox.SetImage(message, ImageError);
    if (!status.isEmpty())
        outbox.SetStatus(message, status);
    host_.MessageChanged(Folder::Outbox, message);
}

void SendPipeline::SendTimerTimer()
{
    sendTimer_.stop();
    ProcessOutbox();
}

void SendPipeline::ProcessOutbox()
{
    host_.WriteLog(QStringLiteral("SendSms -> Processing Outbox..."));
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    bool limitReached = false;
    for (int m = 0; m < outbox.rowCount() && !limitReached; ++m) {
        SmsData* message = outbox.At(m);
        host_.WriteLog(QStringLiteral("SendSms -> Processing message #%1").arg(m + 1));
        bool ok = true;
        const int parts = static_cast<int>(message->Units.size());
        for (int p = 0; p < parts; ++p) {
            if (SendingCount() >= settings_.MaxSendCount) {
                host_.WriteLog(QStringLiteral("SendSms -> Reached limit of simultaneous sending threads... timeout"));
                limitReached = true;
                break;
            }
            SmsUnit& unit = message->Units[p];
            switch (unit.Status) {
            case SmsUnitSubmitted: host_.WriteLog(PartLine(m + 1, p + 1, parts) + " - Already sending..."); break;
            case SmsUnitFailed:
            case SmsUnitUnknown: host_.WriteLog(PartLine(m + 1, p + 1, parts) + " - Error occurred"); break;
            case SmsUnitSent: host_.WriteLog(PartLine(m + 1, p + 1, parts) + " - Ok"); break;
            case SmsUnitWaiting: {
                outbox.SetStatus(message, QStringLiteral("Sending..."));
                host_.WriteLog(QStringLiteral("SendSms -> Sending message #%1 / part %2 of %3 ...")
                                   .arg(m + 1)
                                   .arg(p + 1)
                                   .arg(parts));
                std::uint32_t requestId = 0;
                if (!device_.SmsSendPdu(unit.Pdu.toStdString(), unit.PduLength, requestId)) {
                    host_.WriteLog(QStringLiteral("SendSms -> Unable to send message to ") + unit.Number);
                    unit.Id = 0;
                    unit.Status = SmsUnitFailed;
                    outbox.Changed(message);
                    MarkFailed(message, QStringLiteral("Error: Unable to send"));
                    ok = false;
                } else {
                    host_.WriteLog(QStringLiteral("SendSms -> Ok"));
                    unit.Id = static_cast<std::int32_t>(requestId);
                    unit.Status = SmsUnitSubmitted;
                    inFlight_.insert(requestId);
                    outbox.Changed(message);
                    if (settings_.ShowSmsID) {
                        const QString caption = outbox.Caption(message);
                        outbox.SetCaption(message, p == 0 ? QString::number(requestId)
                                                          : caption + QLatin1Char('/') + QString::number(requestId));
                    }
                }
                break;
            }
            default: break;
            }
        }
        if (!ok)
            Tell(QStringLiteral("Error: Unable to send message to ") + message->Number, PromptIcon::Error);
    }
    if (limitReached)
        sendTimer_.start();
    else
        sendTimer_.stop();
    TellPending();
}

void SendPipeline::SaveSentCopy(const QString& pdu, std::uint32_t messageReference)
{
    host_.WriteLog(QStringLiteral("SmsSend -> Saving local copy..."));
    BROADBAND_SMS_DATA record;
    record.Index = 0;
    record.Status = StatusValue(SmsStatus::Sent);
    record.Pdu = pdu.toStdString();
    const QDateTime now = clock_.Now();
    record.Date = now.toString(QStringLiteral("dd.MM.yyyy")).toStdString();
    record.Time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
    std::int64_t id = 0;
    if (!database_.InsertMessage(record.Pdu, record.Status, &id))
        return;
    host_.WriteLog(QStringLiteral("SmsSend -> Save -> Storage ID = %1").arg(id));
    incoming_.ProcessSmsRecord(static_cast<std::uint32_t>(id), record);
    // Only a part that asked for a status report waits for one.
    const StoredRecord sent(record);
    if (sent.Ok && sent.Pdu.ReportRequest)
        incoming_.Delivery().Sent(id, static_cast<std::int32_t>(sent.Pdu.PartNumber), messageReference, sent.Number);
}

void SendPipeline::HandleSmsSendComplete(const BROADBAND_REQUEST_RESULT& result)
{
    // Only a submission still awaited frees its slot and changes its part; one that was already
    // given up (interface lost) changes nothing.
    if (!inFlight_.remove(result.RequestID)) {
        incoming_.ReadDevice();
        return;
    }
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    const auto id = static_cast<std::int32_t>(result.RequestID);
    SmsData* message = outbox.FindById(id);
    if (message && message->HasUnit(id)) {
        SmsUnit& unit =
            *std::find_if(message->Units.begin(), message->Units.end(), [id](const SmsUnit& u) { return u.Id == id; });
        if (result.Status == Hr::Timeout) {
            // No answer is not a refusal: the part may have gone out.
            MarkUnknown(message, unit);
        } else if (result.Status != 0) {
            unit.Status = SmsUnitFailed;
            MarkFailed(message, QStringLiteral("Error: ") + QString::fromStdString(HresultText(result.Status)));
        } else {
            Confirm(message, unit, result.MessageReference);
        }
    }
    incoming_.ReadDevice();
}

void SendPipeline::Confirm(SmsData* message, SmsUnit& unit, std::uint32_t messageReference)
{
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    unit.Status = SmsUnitSent;
    if (settings_.SaveSent)
        SaveSentCopy(unit.Pdu, messageReference);
    else
        incoming_.Delivery().DropEarly(unit.Number, messageReference);
    if (message->AnyFailed())
        MarkFailed(message, QString());
    if (message->AllSent()) {
        outbox.SetStatus(message, QStringLiteral("Success"));
        host_.MessageRemoving(Folder::Outbox, message);
        outbox.Remove(message);
        folders_.UpdateOutboxCounter();
    } else {
        outbox.Changed(message);
        host_.MessageChanged(Folder::Outbox, message);
    }
}

void SendPipeline::MarkUnknown(SmsData* message, SmsUnit& unit)
{
    unit.Status = SmsUnitUnknown;
    host_.WriteLog(QStringLiteral("SendSms -> Not confirmed, may already have been sent: part %1 to %2")
                       .arg(unit.PartNumber)
                       .arg(unit.Number));
    // Its report may have come before the completion was given up.
    if (!InFlightTo(unit.Number))
        if (const auto reference = incoming_.Delivery().EarlyReference(unit.Number)) {
            host_.WriteLog(QStringLiteral("SendSms -> Delivery report found, part %1 to %2 was sent")
                               .arg(unit.PartNumber)
                               .arg(unit.Number));
            Confirm(message, unit, *reference);
            return;
        }
    folders_.Model(Folder::Outbox).Changed(message);
    MarkFailed(message, kUnknownStatus);
}

bool SendPipeline::InFlightTo(const QString& number) const
{
    const QString key = DeliveryNumberKey(number);
    const FolderModel& outbox = folders_.Model(Folder::Outbox);
    for (int m = 0; m < outbox.rowCount(); ++m)
        for (const SmsUnit& unit : outbox.At(m)->Units)
            if (unit.Status == SmsUnitSubmitted && DeliveryNumberKey(unit.Number) == key)
                return true;
    return false;
}

void SendPipeline::ReportWithoutPart(const QString& number, unsigned reference)
{
    // A report whose part is still awaited waits for that part's completion instead.
    if (InFlightTo(number))
        return;
    const QString key = DeliveryNumberKey(number);
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    for (int m = 0; m < outbox.rowCount(); ++m) {
        SmsData* message = outbox.At(m);
        for (SmsUnit& unit : message->Units) {
            if (unit.Status != SmsUnitUnknown || DeliveryNumberKey(unit.Number) != key)
                continue;
            host_.WriteLog(QStringLiteral("SendSms -> Delivery report found, part %1 to %2 was sent")
                               .arg(unit.PartNumber)
                               .arg(unit.Number));
            Confirm(message, unit, reference);
            return;
        }
    }
}

void SendPipeline::Retry(SmsData* message)
{
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    if (!message || outbox.RowOf(message) < 0)
        return;
    bool reset = false;
    // Sending a part of unknown fate again may deliver it twice: only when the user says so.
    const bool again = message->AnyUnknown() &&
                       host_.Prompts().Ask(kCaption, QStringLiteral("This message may already have been sent. "
                                                                    "Do you want to send it again?"));
    if (outbox.RowOf(message) < 0)
        return; // a completion removed it while the question was open
    const int parts = static_cast<int>(message->Units.size());
    for (int p = 0; p < parts; ++p) {
        SmsUnit& unit = message->Units[p];
        if (unit.Status != SmsUnitFailed && !(again && unit.Status == SmsUnitUnknown))
            continue;
        host_.WriteLog(QStringLiteral("SmsSend -> Set retry status, message for %1 / part %2 of %3")
                           .arg(unit.Number)
                           .arg(p + 1)
                           .arg(parts));
        unit.Id = 0;
        unit.Status = SmsUnitWaiting;
        reset = true;
    }
    if (reset) {
        outbox.Changed(message);
        if (settings_.ShowSmsID)
            outbox.SetCaption(message, QStringLiteral("RETRY"));
        // A part still of unknown fate keeps the mark.
        if (!message->AnyFailed())
            outbox.SetImage(message, ImageQueued);
        outbox.SetStatus(message, QStringLiteral("Retry..."));
        host_.MessageChanged(Folder::Outbox, message);
        sendTimer_.start();
    } else {
        sendTimer_.stop();
    }
}

void SendPipeline::InterfaceLost()
{
    if (inFlight_.isEmpty())
        return;
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    const qsizetype lost = inFlight_.size();
    // Every part in flight first, so that none of them counts as still awaited below.
    std::vector<std::pair<SmsData*, std::int32_t>> unknown;
    for (int m = 0; m < outbox.rowCount(); ++m)
        for (SmsUnit& unit : outbox.At(m)->Units)
            if (unit.Status == SmsUnitSubmitted && inFlight_.contains(static_cast<std::uint32_t>(unit.Id))) {
                unit.Status = SmsUnitUnknown;
                unknown.emplace_back(outbox.At(m), unit.Id);
            }
    inFlight_.clear();
    host_.WriteLog(QStringLiteral("SendSms -> Interface lost, %1 part(s) in flight not confirmed").arg(lost));
    for (const auto& [message, id] : unknown) {
        // Confirming one part can complete and remove its message.
        if (outbox.RowOf(message) < 0)
            continue;
        for (SmsUnit& unit : message->Units)
            if (unit.Id == id && unit.Status == SmsUnitUnknown) {
                MarkUnknown(message, unit);
                break;
            }
    }
}
