// parlowen-cli: the device layer for scripts and servers. Lists devices, reads, sends and
// deletes messages over the same session the main window uses.

#include "app/MessageTarget.h"
#include "codec/Pdu.h"
#include "codec/Splitter.h"
#include "device/Broadband.h"
#include "device/BroadbandService.h"
#include "device/EventWait.h"
#include "device/Phonebook.h"
#include "device/UssdService.h"

#ifdef PARLOWEN_HAVE_SIMULATOR
#include "sim/ModemSimulator.h"
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <thread>

namespace {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

bool jsonOutput = false;
bool verbose = false;

void PrintJson(const QJsonObject& object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintText(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text)
{
    if (jsonOutput)
        PrintJson({{"ok", false}, {"error", text}});
    else
        std::fprintf(stderr, "parlowen-cli: %s\n", text.toUtf8().constData());
}

// What the session hands to its window, kept for the command.
struct Collector
{
    std::map<std::uint32_t, HRESULT> completions; // request results by request ID
    std::vector<BROADBAND_SMS_DATA> messages;
    std::vector<std::string> log;
    std::vector<std::pair<std::uintptr_t, BROADBAND_INFO_DATA>> rows;
    std::vector<MBIM_PHONEBOOK_ITEM> entries;
    std::optional<MBIM_PHONEBOOK_CONFIGURATION> phonebook;
    bool batch = false;

    std::intptr_t Handle(const Message& m)
    {
        if (m.Number == WM_BROADBAND_LOG) {
            if (const auto* text = m.Record<std::string>()) {
                log.push_back(*text);
                if (verbose)
                    std::fprintf(stderr, "%s\n", text->c_str());
            }
        } else if (m.Number == WM_BROADBAND_EVENT) {
            if (const auto* result = m.Record<BROADBAND_REQUEST_RESULT>())
                completions[result->RequestID] = result->Status;
            if (m.WParam == EV_SMS_BATCH)
                batch = true;
        } else if (m.Number == WM_BROADBAND_SMS) {
            if (const auto* data = m.Record<BROADBAND_SMS_DATA>(); data && batch)
                messages.push_back(*data);
        } else if (m.Number == WM_BROADBAND_INFO) {
            if (const auto* row = m.Record<BROADBAND_INFO_DATA>())
                rows.emplace_back(m.WParam, *row);
        } else if (m.Number == WM_BROADBAND_PHONEBOOK) {
            if (const auto* item = m.Record<MBIM_PHONEBOOK_ITEM>())
                entries.push_back(*item);
            if (const auto* config = m.Record<MBIM_PHONEBOOK_CONFIGURATION>())
                phonebook = *config;
        }
        return 0;
    }
};

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
    void OnSmsConfigurationChange(BroadbandInterface&) override { }
    void OnSetSmsConfigurationComplete(BroadbandInterface&, std::uint32_t, HRESULT) override { }
    void OnSmsSendComplete(BroadbandInterface&, std::uint32_t, HRESULT) override { }
    void OnSmsNewClass0Message(BroadbandInterface&, const std::vector<SmsPduMessage>*) override { }
    void OnSmsDeleteComplete(BroadbandInterface&, std::uint32_t, HRESULT) override { }
    void OnSmsStatusChange(BroadbandInterface&) override { }
};

QString StatusName(std::uint32_t status)
{
    switch (status) {
    case 0: return QStringLiteral("new");
    case 1: return QStringLiteral("read");
    case 2: return QStringLiteral("draft");
    case 3: return QStringLiteral("sent");
    default: return QStringLiteral("unknown");
    }
}

int Devices(BroadbandService& service)
{
    std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
    service.GetInterfaces(interfaces);
    for (const auto& iface : interfaces) {
        BroadbandCaps caps;
        iface->GetInterfaceCapability(caps);
        std::int32_t ready = -1;
        const bool haveReady = !Failed(iface->GetReadyState(ready));
        std::string provider;
        iface->GetProviderName(provider);
        std::int32_t registerState = 0;
        const bool haveRegister = !Failed(iface->GetRegisterState(registerState));
        const QString id = QString::fromStdString(iface->InterfaceID());
        const QString path = QString::fromStdString(iface->DevicePath());
        const QString model = QString::fromStdString(caps.model.value_or(""));
        const QString readyText = haveReady ? QString::fromStdString(ReadyStateName(ready)) : QString();
        const QString registration =
            haveRegister ? QString::fromStdString(RegisterStateName(registerState)) : QString();
        if (jsonOutput)
            PrintJson({{"interface", id},
                       {"path", path},
                       {"model", model},
                       {"manufacturer", QString::fromStdString(caps.manufacturer.value_or(""))},
                       {"deviceId", QString::fromStdString(caps.deviceId.value_or(""))},
                       {"firmware", QString::fromStdString(caps.firmware.value_or(""))},
                       {"state", readyText},
                       {"registration", registration},
                       {"provider", QString::fromStdString(provider)}});
        else
            PrintText(QStringLiteral("%1  %2  %3  %4  %5 %6")
                          .arg(id, path, model.isEmpty() ? QStringLiteral("-") : model, readyText, registration,
                               QString::fromStdString(provider))
                          .trimmed());
    }
    if (interfaces.empty()) {
        PrintError(QStringLiteral("Device not found"));
        return ExitFailed;
    }
    return ExitOk;
}

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
        PDU pdu(data.Pdu);
        bool ok = pdu.Decode();
        if (!ok) {
            PDU report(data.Pdu);
            if (report.DecodeStatusReport()) {
                pdu = report;
                ok = true;
            }
        }
        allDecoded = allDecoded && ok;
        const QString text = QString::fromStdU16String(pdu.Text);
        // Shown the way people write numbers, and with the device's date where the PDU has none.
        const QString number =
            (pdu.International ? QStringLiteral("+") : QString()) + QString::fromStdString(pdu.Number);
        const QString date = QString::fromStdString(pdu.Date.empty() ? data.Date : pdu.Date);
        const QString time = QString::fromStdString(pdu.Time.empty() ? data.Time : pdu.Time);
        if (jsonOutput) {
            QJsonObject object{{"index", static_cast<qint64>(data.Index)},
                               {"status", StatusName(data.Status)},
                               {"class0", data.Class0 != 0},
                               {"pdu", QString::fromStdString(data.Pdu)},
                               {"ok", ok}};
            if (ok) {
                object.insert("number", number);
                object.insert("smsc", QString::fromStdString(pdu.Smsc));
                object.insert("date", date);
                object.insert("time", time);
                object.insert("text", text);
                object.insert("statusReport", pdu.StatusReport);
                if (pdu.Multipart) {
                    object.insert("reference", static_cast<qint64>(pdu.Reference));
                    object.insert("part", static_cast<qint64>(pdu.PartNumber));
                    object.insert("parts", static_cast<qint64>(pdu.PartsTotal));
                }
            } else {
                object.insert("error", QString::fromStdString(pdu.Error));
            }
            PrintJson(object);
        } else if (ok) {
            QString part;
            if (pdu.Multipart)
                part = QStringLiteral(" [%1/%2 ref %3]").arg(pdu.PartNumber).arg(pdu.PartsTotal).arg(pdu.Reference);
            PrintText(QStringLiteral("%1  %2  %3  %4 %5%6  %7")
                          .arg(data.Index)
                          .arg(StatusName(data.Status), number, date, time, part, text));
        } else {
            PrintText(
                QStringLiteral("%1  %2  undecodable (%3)  %4")
                    .arg(data.Index)
                    .arg(StatusName(data.Status), QString::fromStdString(pdu.Error), QString::fromStdString(data.Pdu)));
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

// The radio request's outcome, which reaches the window only on success.
class RadioWatcher final : public IBroadbandRadioEvents
{
public:
    std::map<std::uint32_t, HRESULT> results;
    void OnRadioStateChange(BroadbandInterface&) override { }
    void OnSetSoftwareRadioStateComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status) override
    {
        results[requestId] = status;
    }
};

void PrintRows(const Collector& collector)
{
    QString group;
    for (const auto& [kind, row] : collector.rows) {
        const QString name = QString::fromStdString(row.Name), value = QString::fromStdString(row.Value);
        if (kind == INFO_GROUP) {
            group = name;
            if (!jsonOutput)
                PrintText(name + QLatin1Char(':'));
        } else if (jsonOutput) {
            PrintJson({{"group", group},
                       {"name", name},
                       {"value", value},
                       {"kind", kind == INFO_ERROR ? QStringLiteral("error") : QStringLiteral("item")}});
        } else {
            PrintText(QStringLiteral("  %1: %2").arg(name, value));
        }
    }
}

// Waits for the completion of a request and reports it; true when it succeeded.
bool Outcome(const std::map<std::uint32_t, HRESULT>& completions, std::uint32_t requestId, const QString& what,
             int timeoutMs)
{
    ProcessEventsUntil([&] { return completions.count(requestId) > 0; }, timeoutMs);
    const auto it = completions.find(requestId);
    const bool ok = it != completions.end() && it->second == 0;
    const QString result = it == completions.end() ? QStringLiteral("no completion from the device")
                                                   : QString::fromStdString(HresultText(it->second));
    if (jsonOutput)
        PrintJson({{"request", what}, {"requestId", static_cast<qint64>(requestId)}, {"ok", ok}, {"result", result}});
    else
        PrintText(QStringLiteral("%1  request %2  %3").arg(what).arg(requestId).arg(result));
    return ok;
}

int Info(MobileBroadband& session, Collector& collector)
{
    collector.log.clear();
    session.ShowDeviceInfo();
    for (const auto& line : collector.log)
        if (jsonOutput)
            PrintJson({{"line", QString::fromStdString(line)}});
        else
            PrintText(QString::fromStdString(line));
    return ExitOk;
}

int Status(MobileBroadband& session, Collector& collector)
{
    collector.rows.clear();
    session.ListDeviceStatus();
    session.ListPreferredProviders();
    PrintRows(collector);
    return ExitOk;
}

int Scan(MobileBroadband& session, Collector& collector, int timeoutMs)
{
    std::uint32_t requestId = 0;
    if (!session.ScanNetwork(&requestId)) {
        PrintError(QStringLiteral("The device did not accept the scan"));
        return ExitFailed;
    }
    if (!Outcome(collector.completions, requestId, QStringLiteral("scan"), timeoutMs))
        return ExitFailed;
    collector.rows.clear();
    session.ListVisibleProviders();
    PrintRows(collector);
    return ExitOk;
}

int Register(MobileBroadband& session, Collector& collector, const QString& provider, std::uint32_t dataClass,
             int timeoutMs)
{
    std::uint32_t requestId = 0;
    const std::string id = provider == QLatin1String("auto") ? std::string() : provider.toStdString();
    if (!session.SetRegisterMode(id, dataClass, &requestId)) {
        PrintError(QStringLiteral("The device did not accept the registration"));
        return ExitFailed;
    }
    if (!Outcome(collector.completions, requestId, QStringLiteral("register"), timeoutMs))
        return ExitFailed;
    const QString name = QString::fromStdString(session.GetProviderName());
    if (jsonOutput)
        PrintJson({{"provider", name}, {"roaming", session.IsRoaming()}});
    else
        PrintText(QStringLiteral("registered with %1%2")
                      .arg(name, session.IsRoaming() ? QStringLiteral(" (roaming)") : QString()));
    return ExitOk;
}

int Radio(BroadbandService& service, MobileBroadband& session, bool on, int timeoutMs)
{
    RadioWatcher watcher;
    std::uint32_t cookie = 0;
    service.Advise(&watcher, cookie);
    std::uint32_t requestId = 0;
    int result = ExitFailed;
    if (!session.SetSoftwareRadioState(on ? 1 : 0, &requestId))
        PrintError(QStringLiteral("The device did not accept the radio switch"));
    else if (Outcome(watcher.results, requestId, on ? QStringLiteral("radio on") : QStringLiteral("radio off"),
                     timeoutMs))
        result = ExitOk;
    service.Unadvise(cookie);
    return result;
}

int Pin(MobileBroadband& session, Collector& collector, const QString& pin, int timeoutMs)
{
    std::uint32_t requestId = 0;
    if (!session.EnterPin(2, pin.toStdString(), &requestId)) {
        PrintError(QStringLiteral("The device did not accept the PIN"));
        return ExitFailed;
    }
    return Outcome(collector.completions, requestId, QStringLiteral("pin"), timeoutMs) ? ExitOk : ExitFailed;
}

QString ResultText(std::int32_t code)
{
    static const char* const texts[] = {"No Action Required", "Action Required",         "Terminated",
                                        "Other Local Client", "Operation Not Supported", "Network Timeout"};
    return code >= 0 && code <= 5 ? QString::fromLatin1(texts[code]) : QStringLiteral("Unknown");
}

// One dialogue: the first code opens it, each further one answers the menu before it. Runs on a
// worker thread, as the USSD engine does.
int Ussd(QObject& context, BroadbandService& service, const std::string& interfaceId, const QStringList& codes,
         int timeoutMs)
{
    std::atomic<bool> finished{false};
    int result = ExitFailed;
    std::thread worker([&] {
        UssdService ussd(&context, &service);
        HRESULT hr = ussd.Open(interfaceId);
        if (Failed(hr)) {
            PrintError(QStringLiteral("No USSD session: %1").arg(QString::fromStdString(HresultText(hr))));
            finished = true;
            return;
        }
        bool ok = true;
        for (qsizetype i = 0; i < codes.size() && ok; ++i) {
            UssdReply reply;
            hr = ussd.SendAndWait(codes[i], timeoutMs, reply);
            if (hr == Hr::Pending) {
                PrintError(QStringLiteral("%1: no response, timeout").arg(codes[i]));
                ok = false;
            } else if (Failed(hr)) {
                PrintError(QStringLiteral("%1: %2").arg(codes[i], QString::fromStdString(HresultText(hr))));
                ok = false;
            } else {
                const QString outcome = ResultText(reply.ResultCode);
                if (jsonOutput)
                    PrintJson({{"request", codes[i]},
                               {"result", outcome},
                               {"resultCode", reply.ResultCode},
                               {"dcs", reply.DataCodingScheme},
                               {"text", reply.HasText ? QJsonValue(reply.Text) : QJsonValue()}});
                else
                    PrintText(QStringLiteral("%1\n[%2]")
                                  .arg(reply.HasText ? reply.Text : QStringLiteral("(unreadable)"), outcome));
                ok = reply.ResultCode <= 1;
                // Further codes answer a menu; without one the dialogue is over.
                if (ok && i + 1 < codes.size() && !ussd.IsActive()) {
                    PrintError(QStringLiteral("The network ended the dialogue before %1").arg(codes[i + 1]));
                    ok = false;
                }
            }
        }
        ussd.Close();
        result = ok ? ExitOk : ExitFailed;
        finished = true;
    });
    // The device answers through this thread's event loop.
    ProcessEventsUntil([&] { return finished.load(); }, codes.size() * (timeoutMs + 5000));
    worker.join();
    return result;
}

int Phonebook(MobileBroadband& session, Collector& collector, const QStringList& args, int timeoutMs)
{
    if (!session.DeviceServicesConnect() || !session.DeviceServiceOpen(PhonebookServiceID)) {
        PrintError(QStringLiteral("The device has no phonebook service"));
        return ExitFailed;
    }
    session.CommandSessionOpen();
    std::uint32_t requestId = 0;
    bool ok = false;
    const QString& what = args[1];
    if (what == QLatin1String("list")) {
        if (session.GetPhonebookData(&requestId) &&
            Outcome(collector.completions, requestId, QStringLiteral("phonebook read"), timeoutMs)) {
            ok = true;
            for (const auto& e : collector.entries)
                if (jsonOutput)
                    PrintJson({{"index", static_cast<qint64>(e.EntryIndex)}, {"name", e.Name}, {"number", e.Number}});
                else
                    PrintText(QStringLiteral("%1  %2  %3").arg(e.EntryIndex).arg(e.Number, e.Name));
        }
    } else if (what == QLatin1String("write")) {
        ok = session.SetPhonebookData(args[2], args[3], &requestId) &&
             Outcome(collector.completions, requestId, QStringLiteral("phonebook write"), timeoutMs);
    } else {
        ok = session.DeletePhonebookData(args[2].toUInt(), &requestId) &&
             Outcome(collector.completions, requestId, QStringLiteral("phonebook delete"), timeoutMs);
    }
    session.DeviceServiceClose();
    session.DeviceServicesDisconnect();
    return ok ? ExitOk : ExitFailed;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parlowen-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, sends and deletes SMS on an MBIM modem.\n\n"
                       "Commands:\n"
                       "  devices                               list the devices and their interface IDs\n"
                       "  sms-list                              list the messages stored on the device\n"
                       "  sms-send NUMBER TEXT [--report] [--flash]\n"
                       "                                        send TEXT, split into parts as needed\n"
                       "  sms-delete INDEX                      delete the message at INDEX\n"
                       "  info                                  the device's information blocks\n"
                       "  status                                the device status rows\n"
                       "  scan                                  scan for networks and list them\n"
                       "  register auto|PROVIDER_ID [--data-class BITS]\n"
                       "                                        register automatically or with a provider\n"
                       "  radio on|off                          switch the radio\n"
                       "  pin PIN                               enter the SIM's PIN\n"
                       "  ussd CODE [CODE...]                   one USSD dialogue; each further code answers the menu\n"
                       "  phonebook list|write NAME NUMBER|delete INDEX\n"
                       "                                        the SIM phonebook\n\n"
                       "Exit status: 0 when everything asked succeeded, 1 when something failed, 2 bad usage."));
    parser.addHelpOption();
    const QCommandLineOption deviceOption(
        QStringLiteral("device"), QStringLiteral("Use the MBIM device at PATH (repeatable)."), QStringLiteral("PATH"));
    const QCommandLineOption simulatorOption(QStringLiteral("simulator"),
                                             QStringLiteral("Start the simulated modem and use it."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("One JSON object per line."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Device log on standard error."));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("sms-send: ask for status reports."));
    const QCommandLineOption flashOption(QStringLiteral("flash"),
                                         QStringLiteral("sms-send: send as a flash (class 0) message."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Seconds to wait for the device (default 30)."),
                                           QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption dataClassOption(QStringLiteral("data-class"),
                                             QStringLiteral("register: data class flags (default 0, any)."),
                                             QStringLiteral("BITS"), QStringLiteral("0"));
    parser.addOptions({deviceOption, simulatorOption, jsonOption, verboseOption, reportOption, flashOption,
                       timeoutOption, dataClassOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("one of the commands above"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "parlowen-cli: %s\n", parser.errorText().toUtf8().constData());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return ExitOk;
    }
    jsonOutput = parser.isSet(jsonOption);
    verbose = parser.isSet(verboseOption);
    bool timeoutOk = false;
    const int timeoutMs = parser.value(timeoutOption).toInt(&timeoutOk) * 1000;
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    // Argument counts including the command, as lowest and highest.
    const std::map<QString, std::pair<int, int>> arity{
        {"devices", {1, 1}}, {"sms-list", {1, 1}}, {"sms-send", {3, 3}}, {"sms-delete", {2, 2}},
        {"info", {1, 1}},    {"status", {1, 1}},   {"scan", {1, 1}},     {"register", {2, 2}},
        {"radio", {2, 2}},   {"pin", {2, 2}},      {"ussd", {2, 1000}},  {"phonebook", {2, 4}}};
    const auto wanted = arity.find(command);
    bool usage = wanted == arity.end() || args.size() < wanted->second.first || args.size() > wanted->second.second ||
                 !timeoutOk || timeoutMs <= 0;
    if (!usage && command == QLatin1String("radio"))
        usage = args[1] != QLatin1String("on") && args[1] != QLatin1String("off");
    if (!usage && command == QLatin1String("phonebook")) {
        const QString& what = args[1];
        usage = !((what == QLatin1String("list") && args.size() == 2) ||
                  (what == QLatin1String("write") && args.size() == 4) ||
                  (what == QLatin1String("delete") && args.size() == 3));
        bool ok = true;
        if (!usage && what == QLatin1String("delete"))
            usage = args[2].toUInt(&ok) == 0 || !ok;
    }
    bool dataClassOk = false;
    const std::uint32_t dataClass = parser.value(dataClassOption).toUInt(&dataClassOk, 0);
    usage = usage || !dataClassOk;
    if (usage) {
        std::fprintf(stderr, "parlowen-cli: bad usage; see --help\n");
        return ExitUsage;
    }
    std::uint32_t deleteIndex = 0;
    if (command == QLatin1String("sms-delete")) {
        bool ok = false;
        deleteIndex = args[1].toUInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "parlowen-cli: not an index: %s\n", args[1].toUtf8().constData());
            return ExitUsage;
        }
    }
    BroadbandService::Options options;
    for (const QString& path : parser.values(deviceOption))
        options.paths.push_back(path.toStdString());
#ifdef PARLOWEN_HAVE_SIMULATOR
    std::unique_ptr<sim::ModemSimulator> simulator;
    if (parser.isSet(simulatorOption)) {
        simulator = std::make_unique<sim::ModemSimulator>();
        if (verbose)
            simulator->setLog([](const std::string& line) { std::fprintf(stderr, "modem: %s\n", line.c_str()); });
        std::string error;
        if (!simulator->start(&error)) {
            PrintError(QStringLiteral("The simulated modem did not start: %1").arg(QString::fromStdString(error)));
            return ExitFailed;
        }
        options.paths.push_back(simulator->devicePath());
    }
#else
    if (parser.isSet(simulatorOption)) {
        PrintError(QStringLiteral("This build has no simulated modem"));
        return ExitUsage;
    }
#endif
    // A device named on the command line is the one meant; otherwise every modem found.
    options.scanSysfs = options.paths.empty();
    options.watchUdev = false;

    int result = ExitFailed;
    {
        BroadbandService service(options);
        service.Start();
        service.WaitUntilSettled(timeoutMs);

        Collector collector;
        QObject context;
        MessageFunctionTarget target(&context, [&collector](const Message& m) { return collector.Handle(m); });
        MobileBroadband session(&target, &service);

        if (command == QLatin1String("devices")) {
            result = Devices(service);
        } else if (!session.Connect()) {
            PrintError(session.GetState() != 0 ? QStringLiteral("Device not found")
                                               : QStringLiteral("Interface not found"));
        } else if (command == QLatin1String("sms-list")) {
            result = SmsList(service, session, collector, timeoutMs);
        } else if (command == QLatin1String("info")) {
            result = Info(session, collector);
        } else if (command == QLatin1String("status")) {
            result = Status(session, collector);
        } else if (command == QLatin1String("scan")) {
            result = Scan(session, collector, timeoutMs);
        } else if (command == QLatin1String("register")) {
            result = Register(session, collector, args[1], dataClass, timeoutMs);
        } else if (command == QLatin1String("radio")) {
            result = Radio(service, session, args[1] == QLatin1String("on"), timeoutMs);
        } else if (command == QLatin1String("pin")) {
            result = Pin(session, collector, args[1], timeoutMs);
        } else if (command == QLatin1String("ussd")) {
            result = Ussd(context, service, session.GetInterfaceID(), args.mid(1), timeoutMs);
        } else if (command == QLatin1String("phonebook")) {
            result = Phonebook(session, collector, args, timeoutMs);
        } else if (command == QLatin1String("sms-send")) {
            result = SmsSend(session, collector, args[1], args[2], parser.isSet(reportOption),
                             parser.isSet(flashOption), timeoutMs);
        } else {
            result = SmsDelete(session, collector, deleteIndex, timeoutMs);
        }
        session.Disconnect();
    }
    // Let the devices' closing finish before the process goes.
    QEventLoop().processEvents(QEventLoop::AllEvents, 50);
    return result;
}
