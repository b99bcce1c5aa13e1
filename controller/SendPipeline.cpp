#include "controller/SendPipeline.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "codec/Splitter.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "device/Broadband.h"
#include "device/Texts.h"
#include "model/StoredRecord.h"
#include "storage/Database.h"

#include <QRandomGenerator>

namespace {

// What an unplug or a stopped interface leaves a submission with.
constexpr HRESULT DeviceGone = static_cast<HRESULT>(0x80070015);

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
        host_.Prompts().Show(QStringLiteral("Messages"),
                             QStringLiteral("Warning: Unable to get message service center number."),
                             PromptIcon::Information);
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
            case SmsUnitFailed: host_.WriteLog(PartLine(m + 1, p + 1, parts) + " - Error occurred"); break;
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
            host_.Prompts().Show(QStringLiteral("Messages"),
                                 QStringLiteral("Error: Unable to send message to ") + message->Number,
                                 PromptIcon::Error);
    }
    if (limitReached)
        sendTimer_.start();
    else
        sendTimer_.stop();
}

void SendPipeline::SaveSentCopy(const QString& pdu, std::uint32_t messageReference)
{
    host_.WriteLog(QStringLiteral("SmsSend -> Saving local copy..."));
    BROADBAND_SMS_DATA record;
    record.Index = 0;
    record.Status = 3;
    record.Pdu = pdu.toStdString();
    const QDateTime now = clock_.Now();
    record.Date = now.toString(QStringLiteral("dd.MM.yyyy")).toStdString();
    record.Time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
    std::int64_t id = 0;
    if (!database_.InsertMessage(record.Pdu, 3, &id))
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
        if (result.Status != 0) {
            message->SetUnitStatus(id, SmsUnitFailed);
        } else {
            message->SetUnitStatus(id, SmsUnitSent);
            if (settings_.SaveSent)
                SaveSentCopy(message->UnitPdu(id), result.MessageReference);
        }
        if (message->AnyFailed())
            MarkFailed(message, result.Status != 0
                                    ? QStringLiteral("Error: ") + QString::fromStdString(HresultText(result.Status))
                                    : QString());
        if (message->AllSent()) {
            outbox.SetStatus(message, QStringLiteral("Success"));
            host_.MessageRemoving(Folder::Outbox, message);
            outbox.Remove(message);
            folders_.UpdateOutboxCounter();
        } else {
            host_.MessageChanged(Folder::Outbox, message);
        }
    }
    incoming_.ReadDevice();
}

void SendPipeline::Retry(SmsData* message)
{
    FolderModel& outbox = folders_.Model(Folder::Outbox);
    if (!message || outbox.RowOf(message) < 0)
        return;
    bool reset = false;
    const int parts = static_cast<int>(message->Units.size());
    for (int p = 0; p < parts; ++p) {
        SmsUnit& unit = message->Units[p];
        if (unit.Status != SmsUnitFailed)
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
    const QString status = QStringLiteral("Error: ") + QString::fromStdString(HresultText(DeviceGone));
    for (int m = 0; m < outbox.rowCount(); ++m) {
        SmsData* message = outbox.At(m);
        bool failed = false;
        for (SmsUnit& unit : message->Units) {
            if (unit.Status == SmsUnitSubmitted && inFlight_.contains(static_cast<std::uint32_t>(unit.Id))) {
                unit.Status = SmsUnitFailed;
                unit.Id = 0;
                failed = true;
            }
        }
        if (failed) {
            outbox.Changed(message);
            MarkFailed(message, status);
        }
    }
    host_.WriteLog(
        QStringLiteral("SendSms -> Interface lost, %1 part(s) in flight marked failed").arg(inFlight_.size()));
    inFlight_.clear();
}
