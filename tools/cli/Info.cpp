// info and status: the device's information blocks and status rows.
#include "Cli.h"

namespace cli {

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

} // namespace cli
