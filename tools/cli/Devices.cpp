// devices: every modem found, with its state.
#include "Cli.h"

#include <memory>
#include <vector>

namespace cli {

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

} // namespace cli
