// sms-list, sms-send and sms-delete.
#include "Cli.h"

#include "codec/Pdu.h"
#include "codec/Splitter.h"
#include "device/service/EventWait.h"
#include "model/StoredRecord.h"

#include <QJsonValue>
#include <QRandomGenerator>

#include <cstdio>

namespace cli {

namespace {

// The read's own outcome, which the session reports to its window only as log lines.
class ReadWatcher final : public IBroadbandSmsEvents
{
public:
    std::optional<HRESULT> status;
    void OnSmsReadComplete(BroadbandInterface&, const std::vector<SmsPduMessage>*, bool, std::uint32_t,
                           HRESULT s) override
    {
        if (!status)
            status = s;
    }
};

QString StatusName(std::uint32_t status)
{
    switch (static_cast<SmsStatus>(status)) {
    case SmsStatus::New: return QStringLiteral("new");
    case SmsStatus::Read: return QStringLiteral("read");
    case SmsStatus::Draft: return QStringLiteral("draft");
    case SmsStatus::Sent: return QStringLiteral("sent");
    }
    return QStringLiteral("unknown");
}

} // namespace

int SmsList(BroadbandService& service, MobileBroadband& session, Collector& collector, int timeoutMs)
{
    ReadWatcher watcher;
    std::uint32_t cookie = 0;
    service.Advise(&watcher, cookie);
    const bool asked = session.SmsRead(0);
    const bool answered = asked && ProcessEventsUntil([&] { return watcher.status.has_value(); }, timeoutMs);
    service.Unadvise(cookie);
    if (!asked) {
        PrintError(QStringLiteral("The device did not accept the read"));
        return ExitFailed;
    }
    if (!answered) {
        PrintError(QStringLiteral("The device did not answer the read"));
        return ExitFailed;
    }
    if (*watcher.status != 0) {
        PrintError(QString::fromStdString(HresultText(*watcher.status)));
        return ExitFailed;
    }
    bool allDecoded = true;
    for (const auto& data : collector.messages) {
        // A flash message arriving meanwhile is shown by the device, not stored in it.
        if (data.Class0 != 0)
            continue;
        const StoredRecord record(data);
        const PDU& pdu = record.Pdu;
        const bool ok = record.Ok;
        allDecoded = allDecoded && ok;
        if (jsonOutput) {
            QJsonObject object{{"index", static_cast<qint64>(data.Index)},
                               {"status", StatusName(data.Status)},
                               {"class0", data.Class0 != 0},
                               {"pdu", QString::fromStdString(data.Pdu)},
                               {"ok", ok}};
            if (ok) {
                object.insert("number", record.Number);
                object.insert("smsc", QString::fromStdString(pdu.Smsc));
                object.insert("date", record.Date);
                object.insert("time", record.Time);
                object.insert("text", record.Text);
                object.insert("statusReport", pdu.StatusReport);
                if (pdu.Multipart) {
                    object.insert("reference", static_cast<qint64>(pdu.Reference));
                    object.insert("part", static_cast<qint64>(pdu.PartNumber));
                    object.insert("parts", static_cast<qint64>(pdu.PartsTotal));
                }
            } else {
                object.insert("error", record.Error);
            }
            PrintJson(object);
        } else if (ok) {
            QString part;
            if (pdu.Multipart)
                part = QStringLiteral(" [%1/%2 ref %3]").arg(pdu.PartNumber).arg(pdu.PartsTotal).arg(pdu.Reference);
            PrintText(QStringLiteral("%1  %2  %3  %4 %5%6  %7")
                          .arg(data.Index)
                          .arg(StatusName(data.Status), record.Number, record.Date, record.Time, part, record.Text));
        } else {
            PrintText(QStringLiteral("%1  %2  undecodable (%3)  %4")
                          .arg(data.Index)
                          .arg(StatusName(data.Status), record.Error, QString::fromStdString(data.Pdu)));
        }
    }
    // Every stored message is listed, but one that does not decode makes the listing a failure.
    return allDecoded ? ExitOk : ExitFailed;
}

int SmsSend(MobileBroadband& session, Collector& collector, const QString& number, const QString& text, bool report,
            bool flash, int timeoutMs)
{
    if (!IsValidPhoneNumber(number.toStdString())) {
        PrintError(QStringLiteral("Not a phone number: %1").arg(number));
        return ExitUsage;
    }
    MessageToEncode message;
    message.number = number.toStdString();
    std::string smsc;
    if (!session.GetSMSC(smsc) && verbose)
        std::fprintf(stderr, "No service centre address; the device's own is used\n");
    message.smsc = smsc;
    message.text = text.toStdU16String();
    message.reportRequest = report;
    message.flash = flash;
    message.reference = 1 + QRandomGenerator::global()->bounded(254u);
    const EncodeResult encoded = EncodeMessage(message);
    if (!encoded.ok) {
        PrintError(QString::fromStdString(encoded.error));
        return ExitFailed;
    }

    struct Submitted
    {
        unsigned part;
        bool accepted;
        std::uint32_t requestId;
    };
    std::vector<Submitted> submitted;
    for (const auto& part : encoded.parts) {
        std::uint32_t requestId = 0;
        // The TPDU length of an SMS-SUBMIT is at most 164 octets, so it fits the size byte.
        const bool accepted = part.tpduLength <= 255 &&
                              session.SmsSendPdu(part.pdu, static_cast<std::uint8_t>(part.tpduLength), requestId);
        submitted.push_back({part.partNumber == 0 ? 1u : part.partNumber, accepted, requestId});
    }
    ProcessEventsUntil(
        [&] {
            for (const auto& s : submitted)
                if (s.accepted && !collector.completions.count(s.requestId))
                    return false;
            return true;
        },
        timeoutMs);

    bool allSent = true;
    const auto total = static_cast<qint64>(encoded.parts.size());
    for (const auto& s : submitted) {
        QString outcome;
        bool sent = false;
        if (!s.accepted) {
            outcome = QStringLiteral("not accepted by the device");
        } else if (auto it = collector.completions.find(s.requestId); it == collector.completions.end()) {
            outcome = QStringLiteral("no completion from the device");
        } else {
            sent = it->second == 0;
            outcome = QString::fromStdString(HresultText(it->second));
        }
        allSent = allSent && sent;
        if (jsonOutput)
            PrintJson({{"part", static_cast<qint64>(s.part)},
                       {"parts", total},
                       {"requestId", s.accepted ? QJsonValue(static_cast<qint64>(s.requestId)) : QJsonValue()},
                       {"ok", sent},
                       {"result", outcome}});
        else
            PrintText(QStringLiteral("part %1/%2  request %3  %4")
                          .arg(s.part)
                          .arg(total)
                          .arg(s.accepted ? QString::number(s.requestId) : QStringLiteral("-"), outcome));
    }
    return allSent ? ExitOk : ExitFailed;
}

int SmsDelete(MobileBroadband& session, Collector& collector, std::uint32_t index, int timeoutMs)
{
    std::uint32_t requestId = 0;
    if (!session.SmsDelete(index, requestId)) {
        PrintError(QStringLiteral("The device did not accept the deletion"));
        return ExitFailed;
    }
    ProcessEventsUntil([&] { return collector.completions.count(requestId) > 0; }, timeoutMs);
    const auto it = collector.completions.find(requestId);
    const bool ok = it != collector.completions.end() && it->second == 0;
    const QString outcome = it == collector.completions.end() ? QStringLiteral("no completion from the device")
                                                              : QString::fromStdString(HresultText(it->second));
    if (jsonOutput)
        PrintJson({{"index", static_cast<qint64>(index)},
                   {"requestId", static_cast<qint64>(requestId)},
                   {"ok", ok},
                   {"result", outcome}});
    else
        PrintText(QStringLiteral("index %1  request %2  %3").arg(index).arg(requestId).arg(outcome));
    return ok ? ExitOk : ExitFailed;
}

} // namespace cli
