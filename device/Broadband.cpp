#include "device/Broadband.h"

#include "app/MessageTarget.h"
#include "device/BroadbandService.h"

#include <QDateTime>

namespace {

const std::string separator(67, '=');

std::string Decimal(std::uint32_t value) { return std::to_string(value); }

} // namespace

// --- sending -------------------------------------------------------------------------------

void BroadbandSender::LogLine(const std::string& text) const
{
    if (target)
        target->SendRecord(WM_BROADBAND_LOG, 0, text);
}

void BroadbandSender::Event(std::uintptr_t code, std::intptr_t lParam) const
{
    if (target)
        target->Send(WM_BROADBAND_EVENT, code, lParam);
}

void BroadbandSender::EventResult(std::uintptr_t code, std::uint32_t requestId, HRESULT status) const
{
    if (target)
        target->SendRecord(WM_BROADBAND_EVENT, code, BROADBAND_REQUEST_RESULT{requestId, status});
}

template <class T>
void BroadbandSender::Record(unsigned number, std::uintptr_t wParam, const T& record) const
{
    if (target)
        target->SendRecord(number, wParam, record);
}

void BroadbandSender::Plain(unsigned number, std::uintptr_t wParam, std::intptr_t lParam) const
{
    if (target)
        target->Send(number, wParam, lParam);
}

// --- sinks ---------------------------------------------------------------------------------

bool BroadbandSink::Connect(BroadbandService* newSource)
{
    Disconnect();
    if (!newSource) {
        LogLine(std::string(className) + "::Connect() -> QueryInterface -> Failed: " +
                std::to_string(static_cast<HRESULT>(0x80004003)));
        return false;
    }
    std::uint32_t newCookie = 0;
    const HRESULT hr = AdviseOn(*newSource, newCookie);
    if (Failed(hr)) {
        LogLine(std::string(className) + "::Connect() -> pIConnectionPoint->Advise -> Failed: " + std::to_string(hr));
        return false;
    }
    cookie = newCookie;
    source = newSource;
    LogLine(std::string(className) + "::Connect() -> Ok");
    return true;
}

void BroadbandSink::Disconnect()
{
    if (cookie == 0)
        return;
    source->Unadvise(cookie);
    cookie = 0;
    source = nullptr;
    LogLine(std::string(className) + "::Disconnect() -> Ok");
}

template <class Events>
HRESULT BroadbandSinkOf<Events>::AdviseOn(BroadbandService& service, std::uint32_t& newCookie)
{
    return service.Advise(static_cast<Events*>(this), newCookie);
}

void BroadbandSink::EntryLine(const char* method) const
{
    LogLine(std::string(className) + "::" + method + "()");
}

bool BroadbandSink::CompletionLine(const char* method, std::uint32_t requestId, HRESULT status) const
{
    // Any status but 0 is an error, success codes included.
    if (status != 0)
        LogLine(std::string(className) + "::" + method + "() -> Error: " + HresultText(status) + ", Request ID = " +
                Decimal(requestId));
    else
        LogLine(std::string(className) + "::" + method + "() -> Ok, Request ID = " + Decimal(requestId));
    return status == 0;
}

void BroadbandSink::Completion(const char* method, std::uintptr_t code, std::uint32_t requestId, HRESULT status) const
{
    CompletionLine(method, requestId, status);
    EventResult(code, requestId, status);
}

void BroadbandInterfaceManagerEvents::OnInterfaceArrival(BroadbandInterface& iface)
{
    EntryLine("OnInterfaceArrival");
    LogLine("Interface ID: " + iface.InterfaceID());
    Record(WM_BROADBAND_EVENT, EV_INTERFACE_ARRIVAL, iface.InterfaceID());
}

void BroadbandInterfaceManagerEvents::OnInterfaceRemoval(BroadbandInterface& iface)
{
    EntryLine("OnInterfaceRemoval");
    LogLine("Interface ID: " + iface.InterfaceID());
    Record(WM_BROADBAND_EVENT, EV_INTERFACE_REMOVAL, iface.InterfaceID());
}

void BroadbandInterfaceEvents::OnInterfaceCapabilityAvailable(BroadbandInterface&)
{
    EntryLine("OnInterfaceCapabilityAvailable");
    Event(EV_CAPABILITY);
}

void BroadbandInterfaceEvents::OnSubscriberInformationChange(BroadbandInterface&)
{
    EntryLine("OnSubscriberInformationChange");
    Event(EV_SUBSCRIBER_INFORMATION);
}

void BroadbandInterfaceEvents::OnReadyStateChange(BroadbandInterface& iface)
{
    EntryLine("OnReadyStateChange");
    std::int32_t state = 0;
    if (!Failed(iface.GetReadyState(state)))
        Event(EV_READY_STATE, state);
}

void BroadbandInterfaceEvents::OnEmergencyModeChange(BroadbandInterface&)
{
    EntryLine("OnEmergencyModeChange");
    Event(EV_EMERGENCY_MODE);
}

void BroadbandInterfaceEvents::OnHomeProviderAvailable(BroadbandInterface&)
{
    EntryLine("OnHomeProviderAvailable");
    Event(EV_HOME_PROVIDER);
}

void BroadbandInterfaceEvents::OnPreferredProvidersChange(BroadbandInterface&)
{
    EntryLine("OnPreferredProvidersChange");
    Event(EV_PREFERRED_PROVIDERS);
}

void BroadbandInterfaceEvents::OnSetPreferredProvidersComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnSetPreferredProvidersComplete", EV_SET_PREFERRED_PROVIDERS_COMPLETE, requestId, status);
}

void BroadbandInterfaceEvents::OnScanNetworkComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnScanNetworkComplete", EV_SCAN_NETWORK_COMPLETE, requestId, status);
}

void BroadbandSmsEvents::OnSmsConfigurationChange(BroadbandInterface& iface)
{
    EntryLine("OnSmsConfigurationChange");
    BroadbandSmsConfiguration config;
    if (!Failed(iface.GetSmsConfiguration(config))) {
        if (config.serviceCenterAddress)
            LogLine("SMSC: " + *config.serviceCenterAddress);
        LogLine("Storage capacity: " + Decimal(config.maxMessageIndex));
    }
    Event(EV_SMS_CONFIGURATION);
}

void BroadbandSmsEvents::OnSetSmsConfigurationComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnSetSmsConfigurationComplete", EV_SET_SMS_CONFIGURATION_COMPLETE, requestId, status);
}

void BroadbandSmsEvents::OnSmsSendComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnSmsSendComplete", EV_SMS_SEND_COMPLETE, requestId, status);
}

void BroadbandSmsEvents::OnSmsReadComplete(BroadbandInterface&, const std::vector<SmsPduMessage>* messages,
                                           bool moreMessages, std::uint32_t requestId, HRESULT status)
{
    if (status != 0) {
        CompletionLine("OnSmsReadComplete", requestId, status);
        return;
    }
    LogLine("BroadbandSmsEvents::OnSmsReadComplete() -> Ok, Request ID = " + Decimal(requestId) +
            ", More messages = " + std::to_string(moreMessages ? -1 : 0));
    Event(EV_SMS_BATCH);
    if (!messages)
        return;
    LogLine("SmsMessages -> Messages found: " + std::to_string(messages->size()));
    Batch("SmsMessages", messages, false);
}

void BroadbandSmsEvents::OnSmsNewClass0Message(BroadbandInterface&, const std::vector<SmsPduMessage>* messages)
{
    EntryLine("OnSmsNewClass0Message");
    const std::size_t count = messages ? messages->size() : 0;
    LogLine("SmsClass0Messages -> Messages found: " + std::to_string(count));
    Event(EV_SMS_BATCH);
    if (messages)
        Batch("SmsClass0Messages", messages, true);
}

void BroadbandSmsEvents::Batch(const char* prefix, const std::vector<SmsPduMessage>* messages, bool class0) const
{
    const std::string p(prefix);
    for (std::size_t i = 0; i < messages->size(); ++i) {
        const SmsPduMessage& m = (*messages)[i];
        LogLine(p + " -> Processing -> " + std::to_string(i + 1));
        LogLine(p + " -> Index = " + Decimal(m.index));
        LogLine(p + " -> Status = " + MessageStatusSymbol(m.status));
        LogLine(p + " -> PDU = " + m.pdu);
        if (target) {
            const QDateTime now = QDateTime::currentDateTime();
            BROADBAND_SMS_DATA data;
            data.Index = m.index;
            data.Status = static_cast<std::uint32_t>(m.status);
            data.Class0 = class0 ? 1 : 0;
            data.Pdu = m.pdu;
            data.Date = now.toString(QStringLiteral("dd.MM.yyyy")).toStdString();
            data.Time = now.toString(QStringLiteral("HH:mm:ss")).toStdString();
            Record(WM_BROADBAND_SMS, m.index, data);
        }
    }
}

void BroadbandSmsEvents::OnSmsDeleteComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnSmsDeleteComplete", EV_SMS_DELETE_COMPLETE, requestId, status);
}

void BroadbandSmsEvents::OnSmsStatusChange(BroadbandInterface&)
{
    EntryLine("OnSmsStatusChange");
    Event(EV_SMS_STATUS);
}

void BroadbandSignalEvents::OnSignalStateChange(BroadbandInterface& iface)
{
    std::uint32_t strength = 0;
    if (Failed(iface.GetSignalStrength(strength)))
        return;
    if (strength == 99)
        Plain(WM_BROADBAND_SIGNAL, 0, 0);
    else
        Plain(WM_BROADBAND_SIGNAL, 1, static_cast<std::intptr_t>(strength));
}

void BroadbandRadioEvents::SendRadioState(BroadbandInterface& iface) const
{
    std::int32_t state = 0;
    if (Failed(iface.GetSoftwareRadioState(state)))
        return;
    LogLine("Radio state: " + RadioStateSymbol(state));
    Event(EV_RADIO_STATE, state);
}

void BroadbandRadioEvents::OnRadioStateChange(BroadbandInterface& iface)
{
    EntryLine("OnRadioStateChange");
    SendRadioState(iface);
}

void BroadbandRadioEvents::OnSetSoftwareRadioStateComplete(BroadbandInterface& iface, std::uint32_t requestId, HRESULT status)
{
    if (CompletionLine("OnSetSoftwareRadioStateComplete", requestId, status))
        SendRadioState(iface);
}

void BroadbandPinManagerEvents::OnPinListAvailable(BroadbandInterface&)
{
    EntryLine("OnPinListAvailable");
}

void BroadbandPinManagerEvents::OnGetPinStateComplete(BroadbandInterface&, const BroadbandPinInfo& info,
                                                      std::uint32_t requestId, HRESULT status)
{
    if (CompletionLine("OnGetPinStateComplete", requestId, status)) {
        LogLine("PIN type: " + PinTypeSymbol(info.pinType));
        LogLine("PIN state: " + PinStateSymbol(info.pinState));
        LogLine("PIN attempts remaining: " + Decimal(info.attemptsRemaining));
    }
    EventResult(EV_GET_PIN_STATE_COMPLETE, requestId, status);
}

void BroadbandPinEvents::OnEnableComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnEnableComplete", EV_PIN_ENABLE_COMPLETE, requestId, status);
}

void BroadbandPinEvents::OnDisableComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnDisableComplete", EV_PIN_DISABLE_COMPLETE, requestId, status);
}

void BroadbandPinEvents::OnEnterComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnEnterComplete", EV_PIN_ENTER_COMPLETE, requestId, status);
}

void BroadbandPinEvents::OnChangeComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnChangeComplete", EV_PIN_CHANGE_COMPLETE, requestId, status);
}

void BroadbandPinEvents::OnUnblockComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnUnblockComplete", EV_PIN_UNBLOCK_COMPLETE, requestId, status);
}

void BroadbandRegistrationEvents::OnRegisterModeAvailable(BroadbandInterface&)
{
    EntryLine("OnRegisterModeAvailable");
}

BROADBAND_REGISTRATION_DATA BroadbandRegistrationEvents::Read(BroadbandInterface& iface)
{
    BROADBAND_REGISTRATION_DATA data;
    iface.GetProviderID(data.ProviderID);
    iface.GetProviderName(data.ProviderName);
    std::int32_t state = 0;
    if (!Failed(iface.GetRegisterState(state))) {
        data.RegistrationState = RegisterStateSymbol(state);
        data.Registered = state == 3 || state == 4 || state == 5;
        data.Roaming = state == 4;
    }
    iface.GetRoamingText(data.RoamingText);
    std::int32_t mode = 0;
    if (!Failed(iface.GetRegisterMode(mode)))
        data.RegistrationMode = RegisterModeSymbol(mode);
    return data;
}

void BroadbandRegistrationEvents::OnRegisterStateChange(BroadbandInterface& iface)
{
    EntryLine("OnRegisterStateChange");
    if (target)
        Record(WM_BROADBAND_REGISTRATION, 0, Read(iface));
}

void BroadbandRegistrationEvents::OnPacketServiceStateChange(BroadbandInterface& iface)
{
    EntryLine("OnPacketServiceStateChange");
    std::uint32_t flags = 0;
    if (Failed(iface.GetCurrentDataClass(flags)))
        return;
    LogLine("Current data class: " + DataClassSymbol(flags));
    Event(EV_PACKET_SERVICE, static_cast<std::intptr_t>(flags));
}

void BroadbandRegistrationEvents::OnSetRegisterModeComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status)
{
    Completion("OnSetRegisterModeComplete", EV_SET_REGISTER_MODE_COMPLETE, requestId, status);
}

void BroadbandDeviceServicesEvents::OnOpenCommandSessionComplete(std::uint32_t requestId, HRESULT status)
{
    Completion("OnOpenCommandSessionComplete", EV_OPEN_COMMAND_SESSION_COMPLETE, requestId, status);
}

void BroadbandDeviceServicesEvents::OnCloseCommandSessionComplete(std::uint32_t requestId, HRESULT status)
{
    Completion("OnCloseCommandSessionComplete", EV_CLOSE_COMMAND_SESSION_COMPLETE, requestId, status);
}

void BroadbandDeviceServicesEvents::OnSetCommandComplete(std::uint32_t requestId, HRESULT status)
{
    Completion("OnSetCommandComplete", EV_SET_COMMAND_COMPLETE, requestId, status);
}

void BroadbandDeviceServicesEvents::OnEventNotification(std::uint32_t eventId)
{
    LogLine("BroadbandDeviceServicesEvents::OnEventNotification(), Event ID = " + Decimal(eventId));
    Event(EV_EVENT_NOTIFICATION);
}

void BroadbandDeviceServicesEvents::OnInterfaceStateChange(const std::string& interfaceId)
{
    LogLine("BroadbandDeviceServicesEvents::OnInterfaceStateChange(), Interface ID = " + interfaceId);
    Event(EV_DEVICE_SERVICE_INTERFACE_STATE);
}

// --- session -------------------------------------------------------------------------------

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
        if (managerEvents->Connect(manager))
            LogLine("Set Interface Manager events -> Ok");
        if (interfaceEvents->Connect(manager))
            LogLine("Set Interface events -> Ok");
        if (smsEvents->Connect(manager))
            LogLine("Set SMS events -> Ok");
        if (signalEvents->Connect(manager))
            LogLine("Set Signal events -> Ok");
        if (radioEvents->Connect(manager))
            LogLine("Set Radio events -> Ok");
        if (pinManagerEvents->Connect(manager))
            LogLine("Set PIN Manager events -> Ok");
        if (pinEvents->Connect(manager))
            LogLine("Set PIN events -> Ok");
        if (registrationEvents->Connect(manager))
            LogLine("Set Registration events -> Ok");

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
    LogLine("");
    LogLine(heading);
    LogLine(separator);
    LogLine("Interface ID: " + id);
    LogLine(separator);
}

void MobileBroadband::ShowBlocks(BroadbandInterface& iface)
{
    ShowCapabilities(&iface);
    ShowDeviceStatus(&iface);
    ShowSubscriber(&iface);
    ShowSmsConfiguration(&iface);
    // The providers block comes with the device queries.
    ShowRegistration(&iface);
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
    ShowCapabilities(iface.get());
    return true;
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
        LogLine("SmsSendPdu() -> Failed: " + HresultText(hr));
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
        LogLine("SmsRead() -> Failed: " + HresultText(hr));
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
        LogLine("SmsDelete() -> Failed: " + HresultText(hr));
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
        LogLine("GetSmsConfiguration() -> Failed: " + HresultText(hr));
        return false;
    }
    if (!config.serviceCenterAddress)
        return false;
    smsc = *config.serviceCenterAddress;
    LogLine("GetSMSC() -> SMSC: " + smsc);
    return true;
}

void MobileBroadband::ShowCapabilities(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandCaps caps;
    const HRESULT hr = iface->GetInterfaceCapability(caps);
    if (Failed(hr)) {
        LogLine("GetInterfaceCapability() -> Failed: " + HresultText(hr));
        return;
    }
    LogLine("");
    LogLine("Device information:");
    LogLine(separator);
    LogLine("Cellular class: " + CellularClassSymbol(caps.cellularClass));
    LogLine("Voice class: " + VoiceClassSymbol(caps.voiceClass));
    LogLine("Data class: " + DataClassSymbol(caps.dataClass));
    if (!caps.customDataClass.empty())
        LogLine("Custom data class: " + caps.customDataClass);
    LogLine("GSM band class: " + BandClassSymbol(caps.gsmBandClass));
    LogLine("CDMA band class: " + BandClassSymbol(caps.cdmaBandClass));
    if (!caps.customBandClass.empty())
        LogLine("Custom band class: " + caps.customBandClass);
    LogLine("SMS capabilities: " + SmsCapsSymbol(caps.smsCaps));
    LogLine("Control capabilities: " + ControlCapsSymbol(caps.controlCaps));
    if (caps.deviceId)
        LogLine("Device ID: " + *caps.deviceId);
    if (caps.manufacturer)
        LogLine("Manufacturer: " + *caps.manufacturer);
    if (caps.model)
        LogLine("Model: " + *caps.model);
    if (caps.firmware)
        LogLine("Firmware: " + *caps.firmware);
    LogLine(separator);
    if (caps.model)
        modelName = *caps.model;
}

void MobileBroadband::ShowDeviceStatus(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    std::int32_t ready = 0;
    const HRESULT hr = iface->GetReadyState(ready);
    if (Failed(hr)) {
        LogLine("GetReadyState() -> Failed: " + HresultText(hr));
        return;
    }
    LogLine("");
    LogLine("Device status:");
    LogLine(separator);
    LogLine("Current status: " + ReadyStateSymbol(ready));
    std::int32_t radio = 0;
    HRESULT r = iface->GetSoftwareRadioState(radio);
    LogLine(Failed(r) ? "SoftwareRadioState() -> Failed: " + HresultText(r) : "Software Radio State: " + RadioStateSymbol(radio));
    r = iface->GetHardwareRadioState(radio);
    LogLine(Failed(r) ? "HardwareRadioState() -> Failed: " + HresultText(r) : "Hardware Radio State: " + RadioStateSymbol(radio));
    std::uint32_t strength = 0;
    r = iface->GetSignalStrength(strength);
    if (Failed(r))
        LogLine("GetSignalStrength() -> Failed: " + HresultText(r));
    else if (strength == 99)
        LogLine("Signal level: Unknown");
    else
        LogLine("Signal level: " + std::to_string(2 * static_cast<int>(strength) - 113) + " dBm (" + Decimal(strength) + ")");
    LogLine(separator);
}

void MobileBroadband::ShowSubscriber(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandSubscriber info;
    const HRESULT hr = iface->GetSubscriberInformation(info);
    if (Failed(hr)) {
        LogLine("GetSubscriberInformation() -> Failed: " + HresultText(hr));
        return;
    }
    LogLine("");
    LogLine("Subscriber information:");
    LogLine(separator);
    if (info.subscriberId)
        LogLine("SubscriberID: " + *info.subscriberId);
    if (info.simIccId)
        LogLine("SIM ID: " + *info.simIccId);
    for (const auto& number : info.telephoneNumbers)
        LogLine("Telephone number: " + number);
    LogLine(separator);
}

void MobileBroadband::ShowSmsConfiguration(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandSmsConfiguration config;
    const HRESULT hr = iface->GetSmsConfiguration(config);
    if (Failed(hr)) {
        LogLine("GetSmsConfiguration() -> Failed: " + HresultText(hr));
        return;
    }
    LogLine("");
    LogLine("SMS configuration:");
    LogLine(separator);
    if (config.serviceCenterAddress)
        LogLine("SMSC: " + *config.serviceCenterAddress);
    LogLine("Storage capacity: " + Decimal(config.maxMessageIndex));
    LogLine(separator);
}

void MobileBroadband::ShowRegistration(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    LogLine("");
    LogLine("Registration information:");
    LogLine(separator);
    std::int32_t state = 0;
    iface->GetRegisterState(state);  // unreadable is taken as 0
    std::string text;
    if (!Failed(iface->GetProviderID(text)))
        LogLine("Provider ID: " + text);
    if (!Failed(iface->GetProviderName(text))) {
        providerName = (state == 3 || state == 4 || state == 5) ? text : std::string();
        LogLine("Provider name: " + text);
    }
    LogLine("Registration state: " + RegisterStateSymbol(state));
    if (!Failed(iface->GetRoamingText(text)) && !text.empty())
        LogLine("Roaming text: " + text);
    std::int32_t mode = 0;
    if (!Failed(iface->GetRegisterMode(mode)))
        LogLine("Registration mode: " + RegisterModeSymbol(mode));
    std::uint32_t value = 0;
    if (!Failed(iface->GetRegistrationNetworkError(value)) && value != 0)
        LogLine("Registration network error: " + Decimal(value));
    if (!Failed(iface->GetCurrentDataClass(value)))
        LogLine("Current data class: " + DataClassSymbol(value));
    if (!Failed(iface->GetAvailableDataClasses(value)))
        LogLine("Available data classes: " + DataClassSymbol(value));
    LogLine(separator);
}
