// ussd: one dialogue with the network.
#include "Cli.h"

#include "device/service/EventWait.h"
#include "device/service/UssdService.h"

#include <atomic>
#include <thread>

namespace cli {

namespace {

QString ResultText(std::int32_t code)
{
    static const char* const texts[] = {"No Action Required", "Action Required",         "Terminated",
                                        "Other Local Client", "Operation Not Supported", "Network Timeout"};
    return code >= 0 && code <= 5 ? QString::fromLatin1(texts[code]) : QStringLiteral("Unknown");
}

} // namespace

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
            } else if (hr == Hr::Busy) {
                PrintError(QStringLiteral("%1: %2").arg(codes[i], QString::fromLatin1(UssdBusyText)));
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

} // namespace cli
