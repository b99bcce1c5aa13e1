// Device services of the current interface: the phonebook service and its command session.

#include "device/BroadbandSend.h"
#include "device/service/BroadbandService.h"
#include "device/service/Phonebook.h"

#include <QTimer>

using broadband::Decimal;
using broadband::separator;

BroadbandService* MobileBroadband::Service() const
{
    return service ? service : BroadbandService::Default();
}

bool MobileBroadband::DeviceServicesConnect()
{
    try {
        if (deviceServicesManager) {
            LogLine("DeviceServicesManager -> Already on service -> Disconnecting now...");
            deviceServicesManager = nullptr;
        }
        BroadbandService* candidate = service ? service : BroadbandService::Default();
        if (!candidate || !candidate->IsStarted()) {
            LogLine("DeviceServicesManager -> Connect() -> Failed: " + ComErrorText(Hr::ServiceNotStarted));
            return false;
        }
        deviceServicesManager = candidate;
        LogLine("DeviceServicesManager -> Connect() -> Ok");
        if (deviceServicesEvents->Connect(deviceServicesManager))
            LogLine("Set device services events -> Ok");
        std::shared_ptr<BroadbandInterface> context;
        const HRESULT hr = deviceServicesManager->GetInterface(currentInterfaceId, context);
        if (Failed(hr)) {
            LogLine("DeviceServicesManager -> GetDeviceServicesContext() -> Failed: " + HresultText(hr));
            return false;
        }
        LogLine("DeviceServicesManager -> GetDeviceServicesContext() -> Ok");
        std::vector<BroadbandDeviceServiceInfo> services;
        const HRESULT enumerated = context->EnumerateDeviceServices(services);
        if (Failed(enumerated)) {
            LogLine("DevicesContext -> EnumerateDeviceServices() -> Failed: " + HresultText(enumerated));
            return true;
        }
        LogLine("Services found: " + Decimal(static_cast<std::uint32_t>(services.size())));
        for (const auto& s : services) {
            LogLine("Service ID: " + s.serviceId);
            LogLine("Service name: " + DeviceServiceName(s.serviceId));
            LogLine("Data write supported: " + std::to_string(s.dataWriteSupported ? -1 : 0));
            LogLine("Data read supported: " + std::to_string(s.dataReadSupported ? -1 : 0));
            BroadbandDeviceServiceInfo info;
            const HRESULT got = context->GetDeviceService(s.serviceId, info);
            if (Failed(got)) {
                LogLine("DeviceServicesContext -> GetDeviceService() -> Failed: " + HresultText(got));
                continue;
            }
            LogLine("DeviceServicesContext -> GetDeviceService() -> Ok");
            std::uint32_t id = 0;
            const HRESULT queried = context->QuerySupportedCommands(s.serviceId, id);
            if (Failed(queried))
                LogLine("DeviceService->QuerySupportedCommands() -> Failed: " + HresultText(queried));
            else
                LogLine("DeviceService->QuerySupportedCommands() -> Ok, RequestID = " + Decimal(id));
        }
        return true;
    } catch (const std::exception& e) {
        LogLine(std::string("DeviceServicesManager -> Connect() -> Exception: ") + e.what());
        return false;
    }
}

void MobileBroadband::DeviceServicesDisconnect()
{
    if (!deviceServicesManager) {
        LogLine("DeviceServicesManager -> Disconnect() -> Not connected");
        return;
    }
    deviceServicesEvents->Disconnect();
    deviceServicesManager = nullptr;
    LogLine("DeviceServicesManager -> Disconnect() -> Ok");
}

bool MobileBroadband::DeviceServiceOpen(const std::string& serviceId)
{
    LogLine("MobileBroadband::DeviceServiceOpen()");
    if (!deviceServicesManager)
        return false;
    std::shared_ptr<BroadbandInterface> context;
    HRESULT hr = deviceServicesManager->GetInterface(currentInterfaceId, context);
    if (Failed(hr)) {
        LogLine("DeviceServicesManager -> GetDeviceServicesContext() -> Failed: " + HresultText(hr));
        return false;
    }
    if (deviceService) {
        LogLine("DeviceServicesManager -> DeviceService -> Already connected -> Disconnected now");
        DeviceServiceClose();
    }
    BroadbandDeviceServiceInfo info;
    hr = context->GetDeviceService(serviceId, info);
    if (Failed(hr)) {
        LogLine("DeviceServicesContext -> GetDeviceService() -> Failed: " + HresultText(hr));
        return false;
    }
    deviceService = OpenService{serviceId, context->InterfaceID(), false};
    LogLine("DeviceServicesContext -> GetDeviceService() -> Ok");
    LogLine("DeviceService -> Connect() -> Ok");
    return true;
}

bool MobileBroadband::DeviceServiceClose()
{
    LogLine("MobileBroadband::DeviceServiceClose()");
    if (!deviceService)
        return false;
    if (deviceService->commandSession) {
        LogLine("MobileBroadband::DeviceServiceClose() -> Command Session Status -> Active");
        CommandSessionClose();
    }
    deviceService.reset();
    LogLine("DeviceService -> Disconnect() -> Ok");
    return true;
}

void MobileBroadband::CompleteLater(bool open, std::uint32_t requestId)
{
    // Either may be gone when the call runs: the session with its sinks, or the service.
    BroadbandService* source = deviceServicesManager;
    if (!source)
        return;
    QTimer::singleShot(
        0, [session = std::weak_ptr<int>(alive), lifetime = source->Lifetime(), source, open, requestId] {
            if (session.expired() || lifetime.expired())
                return;
            if (open)
                source->Raise(&IBroadbandDeviceServicesEvents::OnOpenCommandSessionComplete, requestId, Hr::Ok);
            else
                source->Raise(&IBroadbandDeviceServicesEvents::OnCloseCommandSessionComplete, requestId, Hr::Ok);
        });
}

bool MobileBroadband::CommandSessionOpen()
{
    if (!deviceService || !deviceServicesManager)
        return false;
    // MBIM has no command session: it is open at once, and the completion says so as usual.
    const std::uint32_t id = deviceServicesManager->NextRequestId();
    deviceService->commandSession = true;
    LogLine("DeviceService->OpenCommandSession() -> Ok, RequestID = " + Decimal(id));
    CompleteLater(true, id);
    return true;
}

bool MobileBroadband::CommandSessionClose()
{
    if (!deviceService || !deviceServicesManager)
        return false;
    const std::uint32_t id = deviceServicesManager->NextRequestId();
    deviceService->commandSession = false;
    LogLine("DeviceService->CloseCommandSession() -> Ok, RequestID = " + Decimal(id));
    CompleteLater(false, id);
    return true;
}

bool MobileBroadband::PhonebookCommand(std::uint32_t commandId, bool set, const std::vector<std::uint8_t>& payload,
                                       std::uint32_t* requestId)
{
    if (!deviceService || !deviceServicesManager) {
        LogLine("Not connected");
        return false;
    }
    if (set)
        LogLine("DeviceService->SetCommand(): CreateByteSafeArray: " +
                Decimal(static_cast<std::uint32_t>(payload.size())));
    const char* step = set ? "DeviceService->SetCommand()" : "DeviceService->QueryCommand()";
    std::shared_ptr<BroadbandInterface> iface;
    HRESULT hr = deviceServicesManager->GetInterface(deviceService->interfaceId, iface);
    std::uint32_t id = 0;
    if (!Failed(hr))
        hr = iface->DeviceServiceCommand(deviceService->serviceId, commandId, set, payload, id);
    if (Failed(hr)) {
        LogLine(std::string(step) + " -> Failed: " + HresultText(hr));
        return false;
    }
    LogLine(std::string(step) + " -> Ok, RequestID = " + Decimal(id));
    if (requestId)
        *requestId = id;
    return true;
}

bool MobileBroadband::GetPhonebookInfo(std::uint32_t* requestId)
{
    LogLine("MobileBroadband::GetPhonebookInfo()");
    return PhonebookCommand(PHONEBOOK_COMMAND_CONFIGURATION, false, PhonebookConfigurationPayload(), requestId);
}

bool MobileBroadband::GetPhonebookData(std::uint32_t* requestId)
{
    LogLine("MobileBroadband::GetPhonebookData()");
    return PhonebookCommand(PHONEBOOK_COMMAND_READ, false, PhonebookReadPayload(), requestId);
}

bool MobileBroadband::SetPhonebookData(const QString& name, const QString& number, std::uint32_t* requestId)
{
    LogLine("MobileBroadband::SetPhonebookData()");
    return PhonebookCommand(PHONEBOOK_COMMAND_WRITE, true, PhonebookWritePayload(name, number), requestId);
}

bool MobileBroadband::DeletePhonebookData(std::uint32_t index, std::uint32_t* requestId)
{
    LogLine("MobileBroadband::DeletePhonebookData()");
    return PhonebookCommand(PHONEBOOK_COMMAND_DELETE, true, PhonebookDeletePayload(index), requestId);
}
