// The session: connecting to the service, the current interface, SMS operations, values and
// requests.

#include "device/BroadbandSend.h"
#include "device/service/BroadbandService.h"

using broadband::Decimal;
using broadband::separator;

MobileBroadband::MobileBroadband(MessageTarget* target, BroadbandService* service)
    : BroadbandSender(target), service(service)
{
    managerEvents = std::make_unique<BroadbandInterfaceManagerEvents>(target);
    interfaceEvents = std::make_unique<BroadbandInterfaceEvents>(target);
    smsEvents = std::make_unique<BroadbandSmsEvents>(target);
    signalEvents = std::make_unique<BroadbandSignalEvents>(target);
    radioEvents = std::make_unique<BroadbandRadioEvents>(target);
    pinEvents = std::make_unique<BroadbandPinEvents>(target);
    pinManagerEvents = std::make_unique<BroadbandPinManagerEvents>(target);
    registrationEvents = std::make_unique<BroadbandRegistrationEvents>(target);
    deviceServicesEvents = std::make_unique<BroadbandDeviceServicesEvents>(target);
}

MobileBroadband::~MobileBroadband()
{
    deviceServicesEvents.reset();
    smsEvents.reset();
    signalEvents.reset();
    radioEvents.reset();
    pinEvents.reset();
    pinManagerEvents.reset();
    registrationEvents.reset();
    interfaceEvents.reset();
    managerEvents.reset();
    manager = nullptr;
}

bool MobileBroadband::Connect()
{
    bool result = false;
    try {
        if (manager) {
            LogLine("InterfaceManager -> Already connected -> Disconnecting now...");
            Disconnect();
        }
        BroadbandService* candidate = service ? service : BroadbandService::Default();
        if (!candidate || !candidate->IsStarted()) {
            LogLine("InterfaceManager -> Connect() -> Failed: " + ComErrorText(Hr::ServiceNotStarted));
            return false;
        }
        manager = candidate;
        LogLine("InterfaceManager -> Connect() -> Ok");
        LogLine("Setting events...");
        const std::pair<BroadbandSink*, const char*> sinks[] = {
            {managerEvents.get(), "Set Interface Manager events -> Ok"},
            {interfaceEvents.get(), "Set Interface events -> Ok"},
            {smsEvents.get(), "Set SMS events -> Ok"},
            {signalEvents.get(), "Set Signal events -> Ok"},
            {radioEvents.get(), "Set Radio events -> Ok"},
            {pinManagerEvents.get(), "Set PIN Manager events -> Ok"},
            {pinEvents.get(), "Set PIN events -> Ok"},
            {registrationEvents.get(), "Set Registration events -> Ok"},
        };
        for (const auto& [sink, line] : sinks)
            if (sink->Connect(manager))
                LogLine(line);

        std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
        const HRESULT hr = manager->GetInterfaces(interfaces);
        if (Failed(hr)) {
            LogLine("InterfaceManager -> GetInterfaces() -> Failed: " + ComErrorText(hr));
            return false;
        }
        interfaceCount = static_cast<std::uint32_t>(interfaces.size());
        LogLine("Interfaces found: " + Decimal(interfaceCount));
        for (const auto& iface : interfaces) {
            currentInterfaceId = iface->InterfaceID();
            InterfaceHeading("Interface information:", currentInterfaceId);
            ShowBlocks(*iface);
            result = true;
        }
        if (interfaceCount > 1)
            InterfaceHeading("Active interface:", currentInterfaceId);
    } catch (const std::exception& e) {
        LogLine(std::string("InterfaceManager -> Connect() -> Exception: ") + e.what());
    }
    return result;
}

void MobileBroadband::InterfaceHeading(const char* heading, const std::string& id)
{
    BlockHeading(heading);
    LogLine("Interface ID: " + id);
    LogLine(separator);
}

void MobileBroadband::ShowBlocks(BroadbandInterface& iface)
{
    CapabilityBlock(&iface);
    DeviceStatusBlock(&iface);
    SubscriberBlock(&iface);
    SmsConfigurationBlock(&iface);
    ProvidersBlock(&iface);
    RegistrationBlock(&iface);
}

void MobileBroadband::Disconnect()
{
    if (!manager) {
        LogLine("InterfaceManager -> Disconnect() -> Not connected");
        return;
    }
    managerEvents->Disconnect();
    interfaceEvents->Disconnect();
    smsEvents->Disconnect();
    signalEvents->Disconnect();
    radioEvents->Disconnect();
    pinManagerEvents->Disconnect();
    pinEvents->Disconnect();
    registrationEvents->Disconnect();
    manager = nullptr;
    currentInterfaceId.clear();
    modelName.clear();
    providerName.clear();
    LogLine("InterfaceManager -> Disconnect() -> Ok");
}

bool MobileBroadband::RefreshInterfaces()
{
    if (!manager)
        return false;
    std::vector<std::shared_ptr<BroadbandInterface>> interfaces;
    const HRESULT hr = manager->GetInterfaces(interfaces);
    if (Failed(hr)) {
        LogLine("InterfaceManager -> GetInterfaces() -> Failed: " + ComErrorText(hr));
        return false;
    }
    interfaceCount = static_cast<std::uint32_t>(interfaces.size());
    LogLine("Interfaces found: " + Decimal(interfaceCount));
    bool result = false;
    for (const auto& iface : interfaces) {
        currentInterfaceId = iface->InterfaceID();
        LogLine("Interface ID: " + currentInterfaceId);
        modelName.clear();
        providerName.clear();
        result = true;
    }
    return result;
}

bool MobileBroadband::SelectInterface(const std::string& interfaceId)
{
    if (!manager) {
        LogLine("Not connected");
        return false;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(interfaceId, iface))) {
        LogLine("InterfaceManager -> GetInterface(" + interfaceId + ") -> Failed");
        return false;
    }
    currentInterfaceId = iface->InterfaceID();
    InterfaceHeading("Interface information:", currentInterfaceId);
    CapabilityBlock(iface.get());
    return true;
}

std::string MobileBroadband::GetDevicePath()
{
    if (!manager || currentInterfaceId.empty())
        return {};
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(currentInterfaceId, iface)) || !iface)
        return {};
    return iface->DevicePath();
}

int MobileBroadband::GetState() const
{
    if (!manager)
        return 0;
    return currentInterfaceId.empty() ? 2 : 3;
}

void MobileBroadband::ClearInterface(int eventCode)
{
    if (eventCode != static_cast<int>(EV_INTERFACE_REMOVAL))
        return;
    currentInterfaceId.clear();
    modelName.clear();
    providerName.clear();
}

std::shared_ptr<BroadbandInterface> MobileBroadband::LookupInterface()
{
    if (!manager) {
        LogLine("Not connected");
        return nullptr;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(currentInterfaceId, iface))) {
        LogLine("InterfaceManager -> GetInterface() -> Failed");
        return nullptr;
    }
    return iface;
}

bool MobileBroadband::SmsSendPdu(const std::string& pdu, std::uint8_t size, std::uint32_t& requestId)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    const HRESULT hr = iface->SmsSendPdu(pdu, size, requestId);
    if (Failed(hr)) {
        LogFailed("SmsSendPdu", hr);
        return false;
    }
    LogLine("SmsSendPdu() -> Ok, RequestID = " + Decimal(requestId));
    return true;
}

bool MobileBroadband::SmsRead(std::uint32_t index)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    std::uint32_t requestId = 0;
    // Always all messages: the index does not narrow the request.
    const HRESULT hr = iface->SmsRead(0, index, requestId);
    if (Failed(hr)) {
        LogFailed("SmsRead", hr);
        return false;
    }
    LogLine("SmsRead() -> Ok, Request ID = " + Decimal(requestId));
    return true;
}

bool MobileBroadband::SmsDelete(std::uint32_t index, std::uint32_t& requestId)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    const HRESULT hr = iface->SmsDelete(1, index, requestId);
    if (Failed(hr)) {
        LogFailed("SmsDelete", hr);
        return false;
    }
    LogLine("SmsDelete() -> Ok, RequestID = " + Decimal(requestId));
    return true;
}

bool MobileBroadband::SmsDelete(std::uint32_t index)
{
    std::uint32_t requestId = 0;
    return SmsDelete(index, requestId);
}

bool MobileBroadband::GetSMSC(std::string& smsc)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    BroadbandSmsConfiguration config;
    const HRESULT hr = iface->GetSmsConfiguration(config);
    if (Failed(hr)) {
        LogFailed("GetSmsConfiguration", hr);
        return false;
    }
    if (!config.serviceCenterAddress)
        return false;
    smsc = *config.serviceCenterAddress;
    LogLine("GetSMSC() -> SMSC: " + smsc);
    return true;
}

// --- values --------------------------------------------------------------------------------

std::string MobileBroadband::GetCustomDataClass()
{
    auto iface = LookupInterface();
    if (!iface)
        return {};
    BroadbandCaps caps;
    const HRESULT hr = iface->GetInterfaceCapability(caps);
    if (Failed(hr)) {
        LogFailed("GetInterfaceCapability", hr);
        return {};
    }
    return caps.customDataClass;
}

std::string MobileBroadband::GetProviderName()
{
    auto iface = LookupInterface();
    if (!iface)
        return {};
    std::int32_t state = 0;
    std::string name;
    if (Failed(iface->GetRegisterState(state)) || Failed(iface->GetProviderName(name)))
        return {};
    SetProviderName(state, name);
    return name;
}

bool MobileBroadband::IsRoaming()
{
    auto iface = LookupInterface();
    std::int32_t state = 0;
    return iface && !Failed(iface->GetRegisterState(state)) && state == 4;
}

bool MobileBroadband::GetCurrentDataClass(std::uint32_t& flags)
{
    flags = 0;
    auto iface = LookupInterface();
    return iface && !Failed(iface->GetCurrentDataClass(flags));
}

bool MobileBroadband::GetSignalStrength(std::uint32_t& strength)
{
    strength = 0;
    if (!manager) {
        LogLine("Not connected");
        return false;
    }
    std::shared_ptr<BroadbandInterface> iface;
    std::uint32_t value = 0;
    if (Failed(manager->GetInterface(currentInterfaceId, iface)) || Failed(iface->GetSignalStrength(value)) ||
        value == 99)
        return false;
    strength = value;
    return true;
}

bool MobileBroadband::GetSoftwareRadioState(std::int32_t& state)
{
    if (!manager) {
        LogLine("Not connected");
        return false;
    }
    std::shared_ptr<BroadbandInterface> iface;
    return !Failed(manager->GetInterface(currentInterfaceId, iface)) && !Failed(iface->GetSoftwareRadioState(state));
}

bool MobileBroadband::GetReadyState(std::int32_t& state)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    const HRESULT hr = iface->GetReadyState(state);
    if (Failed(hr)) {
        LogFailed("GetReadyState", hr);
        return false;
    }
    return true;
}

// --- requests ------------------------------------------------------------------------------

bool MobileBroadband::SetSoftwareRadioState(std::int32_t state, std::uint32_t* requestId)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    std::uint32_t id = 0;
    const HRESULT hr = iface->SetSoftwareRadioState(state, id);
    if (Failed(hr)) {
        LogFailed("SetSoftwareRadioState", hr);
        return false;
    }
    LogLine("SetSoftwareRadioState() -> Ok, Request ID: " + Decimal(id));
    if (requestId)
        *requestId = id;
    return true;
}

bool MobileBroadband::ScanNetwork(std::uint32_t* requestId)
{
    if (!manager) {
        LogLine("Not connected");
        return false;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(currentInterfaceId, iface))) {
        LogLine("InterfaceManager -> GetInterface() -> Failed");
        Info(INFO_ERROR, "Network", "Operation could not be completed:\n\rCompatible device not found.");
        return false;
    }
    std::uint32_t id = 0;
    const HRESULT hr = iface->ScanNetwork(id);
    if (Failed(hr)) {
        LogFailed("ScanNetwork", hr);
        Info(INFO_ERROR, "Network", "Operation could not be completed:\n\r" + HresultText(hr));
        return false;
    }
    LogLine("ScanNetwork() -> Ok, Request ID = " + Decimal(id));
    if (requestId)
        *requestId = id;
    return true;
}

bool MobileBroadband::SetRegisterMode(const std::string& providerId, std::uint32_t dataClass, std::uint32_t* requestId)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    std::uint32_t id = 0;
    const HRESULT hr = iface->SetRegisterMode(providerId, dataClass, id);
    if (Failed(hr)) {
        LogLine("Registration -> SetRegisterMode() -> Failed: " + HresultText(hr));
        return false;
    }
    LogLine("Registration -> SetRegisterMode() -> Ok, RequestID = " + Decimal(id));
    if (requestId)
        *requestId = id;
    return true;
}

bool MobileBroadband::EnterPin(std::int32_t pinType, const std::string& pin, std::uint32_t* requestId)
{
    auto iface = LookupInterface();
    if (!iface)
        return false;
    BroadbandPinDesc desc;
    HRESULT hr = iface->GetPin(pinType, desc);
    if (Failed(hr)) {
        LogFailed("GetPin", hr);
        return false;
    }
    std::uint32_t id = 0;
    hr = iface->EnterPin(pinType, pin, id);
    if (Failed(hr)) {
        LogFailed("EnterPin", hr);
        return false;
    }
    LogLine("EnterPin() -> Ok, RequestID = " + Decimal(id));
    if (requestId)
        *requestId = id;
    return true;
}
