// phonebook: the SIM phonebook.
#include "Cli.h"

namespace cli {

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

} // namespace cli
