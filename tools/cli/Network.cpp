// scan, register, radio and pin.
#include "Cli.h"

#include "device/service/EventWait.h"

namespace cli {

namespace {

// The radio request's outcome, which reaches the window only on success.
class RadioWatcher final : public IBroadbandRadioEvents
{
public:
    std::map<std::uint32_t, HRESULT> results;
    void OnSetSoftwareRadioStateComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status) override
    {
        results[requestId] = status;
    }
};

} // namespace

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

} // namespace cli
