#include "device/Broadband.h"

#include "app/MessageTarget.h"
#include "device/BroadbandService.h"
#include "device/Phonebook.h"

#include <QTimer>

#include <QDateTime>

namespace {

const std::string separator(67, '=');

std::string Decimal(std::uint32_t value)
{
    return std::to_string(value);
}

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

template <class T> void BroadbandSender::Record(unsigned number, std::uintptr_t wParam, const T& record) const
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
        LogLine(std::string(className) +
                "::Connect() -> QueryInterface -> Failed: " + std::to_string(static_cast<HRESULT>(0x80004003)));
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
    sourceLifetime = newSource->Lifetime();
    LogLine(std::string(className) + "::Connect() -> Ok");
    return true;
}

void BroadbandSink::Disconnect()
{
    if (cookie == 0)
        return;
    // A destroyed source took the advice with it.
    if (!sourceLifetime.expired())
        source->Unadvise(cookie);
    cookie = 0;
    source = nullptr;
    sourceLifetime.reset();
    LogLine(std::string(className) + "::Disconnect() -> Ok");
}

template <class Events> HRESULT BroadbandSinkOf<Events>::AdviseOn(BroadbandService& service, std::uint32_t& newCookie)
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
        LogLine(std::string(className) + "::" + method + "() -> Error: " + HresultText(status) +
                ", Request ID = " + Decimal(requestId));
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

void BroadbandInterfaceEvents::OnSetPreferredProvidersComplete(BroadbandInterface&, std::uint32_t requestId,
                                                               HRESULT status)
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

void BroadbandRadioEvents::OnSetSoftwareRadioStateComplete(BroadbandInterface& iface, std::uint32_t requestId,
                                                           HRESULT status)
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

void BroadbandRegistrationEvents::OnSetRegisterModeComplete(BroadbandInterface&, std::uint32_t requestId,
                                                            HRESULT status)
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

void BroadbandSender::LogFailed(const char* step, HRESULT hr) const
{
    LogLine(std::string(step) + "() -> Failed: " + HresultText(hr));
}

void BroadbandSender::BlockHeading(const char* title) const
{
    LogLine("");
    LogLine(title);
    LogLine(separator);
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

void MobileBroadband::CapabilityBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandCaps caps;
    const HRESULT hr = iface->GetInterfaceCapability(caps);
    if (Failed(hr)) {
        LogFailed("GetInterfaceCapability", hr);
        return;
    }
    BlockHeading("Device information:");
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

void MobileBroadband::DeviceStatusBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    std::int32_t ready = 0;
    const HRESULT hr = iface->GetReadyState(ready);
    if (Failed(hr)) {
        LogFailed("GetReadyState", hr);
        return;
    }
    BlockHeading("Device status:");
    LogLine("Current status: " + ReadyStateSymbol(ready));
    std::int32_t radio = 0;
    HRESULT r = iface->GetSoftwareRadioState(radio);
    LogLine(Failed(r) ? "SoftwareRadioState() -> Failed: " + HresultText(r)
                      : "Software Radio State: " + RadioStateSymbol(radio));
    r = iface->GetHardwareRadioState(radio);
    LogLine(Failed(r) ? "HardwareRadioState() -> Failed: " + HresultText(r)
                      : "Hardware Radio State: " + RadioStateSymbol(radio));
    std::uint32_t strength = 0;
    r = iface->GetSignalStrength(strength);
    if (Failed(r))
        LogFailed("GetSignalStrength", r);
    else if (strength == 99)
        LogLine("Signal level: Unknown");
    else
        LogLine("Signal level: " + std::to_string(2 * static_cast<int>(strength) - 113) + " dBm (" + Decimal(strength) +
                ")");
    LogLine(separator);
}

void MobileBroadband::SubscriberBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandSubscriber info;
    const HRESULT hr = iface->GetSubscriberInformation(info);
    if (Failed(hr)) {
        LogFailed("GetSubscriberInformation", hr);
        return;
    }
    BlockHeading("Subscriber information:");
    if (info.subscriberId)
        LogLine("SubscriberID: " + *info.subscriberId);
    if (info.simIccId)
        LogLine("SIM ID: " + *info.simIccId);
    for (const auto& number : info.telephoneNumbers)
        LogLine("Telephone number: " + number);
    LogLine(separator);
}

void MobileBroadband::SmsConfigurationBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BroadbandSmsConfiguration config;
    const HRESULT hr = iface->GetSmsConfiguration(config);
    if (Failed(hr)) {
        LogFailed("GetSmsConfiguration", hr);
        return;
    }
    BlockHeading("SMS configuration:");
    if (config.serviceCenterAddress)
        LogLine("SMSC: " + *config.serviceCenterAddress);
    LogLine("Storage capacity: " + Decimal(config.maxMessageIndex));
    LogLine(separator);
}

void MobileBroadband::RegistrationBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    BlockHeading("Registration information:");
    std::int32_t state = 0;
    iface->GetRegisterState(state); // unreadable is taken as 0
    std::string text;
    if (!Failed(iface->GetProviderID(text)))
        LogLine("Provider ID: " + text);
    if (!Failed(iface->GetProviderName(text))) {
        SetProviderName(state, text);
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

// --- device services sink: supported commands and phonebook answers -------------------------

void BroadbandDeviceServicesEvents::OnQuerySupportedCommandsComplete(const std::string& serviceId,
                                                                     const std::vector<std::uint32_t>& commandIds,
                                                                     std::uint32_t requestId, HRESULT status)
{
    if (CompletionLine("OnQuerySupportedCommandsComplete", requestId, status)) {
        if (serviceId.empty()) {
            LogLine("GetDeviceServiceID -> Failed");
        } else {
            LogLine("Service ID: " + serviceId);
            LogLine("Service Name: " + DeviceServiceName(serviceId));
        }
        for (std::uint32_t id : commandIds)
            LogLine("Command ID: " + std::to_string(static_cast<std::int32_t>(id)));
    }
    EventResult(EV_QUERY_SUPPORTED_COMMANDS_COMPLETE, requestId, status);
}

void BroadbandDeviceServicesEvents::OnQueryCommandComplete(std::uint32_t responseId,
                                                           const std::vector<std::uint8_t>& data,
                                                           std::uint32_t requestId, HRESULT status)
{
    if (status != 0) {
        LogLine("BroadbandDeviceServicesEvents::OnQueryCommandComplete() -> Error: " + HresultText(status) +
                ", Request ID = " + Decimal(requestId) + ", Response ID = " + Decimal(responseId));
        EventResult(EV_QUERY_COMMAND_COMPLETE, requestId, status);
        return;
    }
    LogLine("BroadbandDeviceServicesEvents::OnQueryCommandComplete() -> Ok, Request ID = " + Decimal(requestId) +
            ", Response ID = " + Decimal(responseId));
    const auto log = [this](const std::string& line) { LogLine(line); };
    switch (responseId) {
    case PHONEBOOK_COMMAND_CONFIGURATION: {
        LogLine("Response -> Configuration");
        MBIM_PHONEBOOK_CONFIGURATION config;
        if (ParsePhonebookConfiguration(data, config, log))
            Record(WM_BROADBAND_PHONEBOOK, PHONEBOOK_CONFIGURATION, config);
        break;
    }
    case PHONEBOOK_COMMAND_READ:
        LogLine("Response -> Data -> Read");
        ParsePhonebookRead(data, log, [this](const MBIM_PHONEBOOK_ITEM& item) {
            Record(WM_BROADBAND_PHONEBOOK, PHONEBOOK_ITEM, item);
        });
        break;
    case PHONEBOOK_COMMAND_DELETE: LogLine("Response -> Data -> Delete"); break;
    case PHONEBOOK_COMMAND_WRITE: LogLine("Response -> Data -> Write"); break;
    default:
        LogLine("BroadbandDeviceServicesEvents::OnQueryCommandComplete() -> Unsupported command ID: " +
                Decimal(responseId));
        break;
    }
    EventResult(EV_QUERY_COMMAND_COMPLETE, requestId, status);
}

// --- information blocks and status rows ---------------------------------------------------

namespace {

bool IsRegisteredState(std::int32_t state)
{
    return state == 3 || state == 4 || state == 5;
}

std::string Dbm(std::uint32_t strength)
{
    return std::to_string(2 * static_cast<int>(strength) - 113);
}

} // namespace

void MobileBroadband::SetProviderName(std::int32_t state, const std::string& name)
{
    providerName = IsRegisteredState(state) ? name : std::string();
}

void MobileBroadband::Info(std::uintptr_t kind, const std::string& name, const std::string& value) const
{
    Record(WM_BROADBAND_INFO, kind, BROADBAND_INFO_DATA{name, value});
}

void MobileBroadband::ProviderLines(const BroadbandProvider& provider)
{
    LogLine("Provider ID: " + provider.providerId);
    LogLine("Provider Name: " + provider.providerName);
    LogLine("Provider State: " + ProviderStateSymbol(provider.providerState));
    LogLine("Provider Data Class: " + DataClassSymbol(provider.dataClass));
}

void MobileBroadband::ProvidersBlock(BroadbandInterface* iface)
{
    if (!iface) {
        LogLine("No interface");
        return;
    }
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    const HRESULT hr = iface->GetVisibleProviders(age, providers);
    BlockHeading("Providers information:");
    if (Failed(hr)) {
        if (hr == Hr::Pending)
            LogLine("The information is not yet available. An active network scan is in progress...");
        else if (hr == Hr::InvalidCache)
            LogLine("Cache of the visible network list is invalid");
        else
            LogFailed("GetVisibleProviders", hr);
        LogLine(separator);
    } else {
        LogLine("Providers found: " + Decimal(static_cast<std::uint32_t>(providers.size())));
        LogLine("Last update: " + Decimal(age) + " seconds");
        LogLine(separator);
        for (const auto& p : providers)
            ProviderLines(p);
        LogLine(separator);
    }
    BroadbandProvider home;
    const HRESULT homeHr = iface->GetHomeProvider(home);
    if (Failed(homeHr)) {
        LogFailed("GetHomeProvider", homeHr);
        return;
    }
    BlockHeading("Home provider:");
    ProviderLines(home);
    LogLine(separator);
}

void MobileBroadband::ShowDeviceInfo()
{
    if (auto iface = LookupInterface())
        ShowBlocks(*iface);
}

void MobileBroadband::ShowCapabilities()
{
    if (auto iface = LookupInterface())
        CapabilityBlock(iface.get());
}

void MobileBroadband::ShowProviders()
{
    if (auto iface = LookupInterface())
        ProvidersBlock(iface.get());
}

void MobileBroadband::ShowRegistration()
{
    if (auto iface = LookupInterface())
        RegistrationBlock(iface.get());
}

void MobileBroadband::ProviderRows(const std::vector<BroadbandProvider>& providers, const std::string& customName)
{
    Info(INFO_ITEM, "Providers found", Decimal(static_cast<std::uint32_t>(providers.size())));
    for (const auto& p : providers) {
        Info(INFO_GROUP, "Provider");
        Info(INFO_ITEM, "ID", p.providerId);
        Info(INFO_ITEM, "Name", p.providerName);
        Info(INFO_ITEM, "State", ProviderStateName(p.providerState));
        Info(INFO_ITEM, "Data class", DataClassName(p.dataClass, customName));
    }
}

void MobileBroadband::ListDeviceStatus()
{
    if (!manager) {
        Info(INFO_GROUP, "Device");
        Info(INFO_ITEM, "Status", "Compatible device not found");
        return;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(currentInterfaceId, iface))) {
        Info(INFO_GROUP, "Device");
        Info(INFO_ITEM, "Status", "Interface not found");
        return;
    }
    Info(INFO_GROUP, "Interface");
    // The GUID inside the braces; an ID of another form still loses its first character.
    const std::string& id = iface->InterfaceID();
    Info(INFO_ITEM, "Interface ID", id.size() > 1 ? id.substr(1, 36) : std::string());

    BroadbandCaps caps;
    if (!Failed(iface->GetInterfaceCapability(caps))) {
        Info(INFO_GROUP, "Device information");
        Info(INFO_ITEM, "Cellular class", CellularClassName(caps.cellularClass));
        Info(INFO_ITEM, "Voice class", VoiceClassName(caps.voiceClass));
        Info(INFO_ITEM, "Data class", DataClassName(caps.dataClass, caps.customDataClass));
        if (!caps.customDataClass.empty())
            Info(INFO_ITEM, "Custom data class", caps.customDataClass);
        if (caps.gsmBandClass != 0)
            Info(INFO_ITEM, "GSM band class", BandClassName(caps.gsmBandClass, caps.customBandClass));
        if (caps.cdmaBandClass != 0)
            Info(INFO_ITEM, "CDMA band class", BandClassName(caps.cdmaBandClass, caps.customBandClass));
        Info(INFO_ITEM, "SMS capabilities", SmsCapsName(caps.smsCaps));
        Info(INFO_ITEM, "Control capabilities", ControlCapsName(caps.controlCaps));
        if (caps.deviceId)
            Info(INFO_ITEM, "Device ID", *caps.deviceId);
        if (caps.manufacturer)
            Info(INFO_ITEM, "Manufacturer", *caps.manufacturer);
        if (caps.model)
            Info(INFO_ITEM, "Model", *caps.model);
        if (caps.firmware)
            Info(INFO_ITEM, "Firmware", *caps.firmware);
    }

    std::int32_t ready = 0;
    if (!Failed(iface->GetReadyState(ready))) {
        Info(INFO_GROUP, "Device status");
        Info(INFO_ITEM, "Status", ReadyStateName(ready));
        std::int32_t radio = 0;
        if (!Failed(iface->GetSoftwareRadioState(radio)))
            Info(INFO_ITEM, "Software radio state", RadioStateName(radio));
        if (!Failed(iface->GetHardwareRadioState(radio)))
            Info(INFO_ITEM, "Hardware radio state", RadioStateName(radio));
        std::uint32_t strength = 0, error = 0;
        if (!Failed(iface->GetSignalStrength(strength)))
            Info(INFO_ITEM, "Signal level", strength == 99 ? std::string("Unknown") : Dbm(strength) + " dBm");
        if (!Failed(iface->GetSignalError(error)))
            Info(INFO_ITEM, "Error rate", SignalErrorName(static_cast<std::int32_t>(error)));
        bool emergency = false;
        if (!Failed(iface->InEmergencyMode(emergency)))
            Info(INFO_ITEM, "Emergency", emergency ? "Yes" : "No");
    }

    BroadbandSubscriber subscriber;
    if (!Failed(iface->GetSubscriberInformation(subscriber))) {
        Info(INFO_GROUP, "Subscriber information");
        if (subscriber.subscriberId)
            Info(INFO_ITEM, "Subscriber ID", *subscriber.subscriberId);
        if (subscriber.simIccId)
            Info(INFO_ITEM, "SIM ID", *subscriber.simIccId);
        const auto& numbers = subscriber.telephoneNumbers;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            Info(INFO_ITEM, numbers.size() < 2 ? std::string("Number") : "Number #" + std::to_string(i + 1),
                 numbers[i]);
    }

    BroadbandSmsConfiguration sms;
    if (!Failed(iface->GetSmsConfiguration(sms))) {
        Info(INFO_GROUP, "SMS configuration");
        if (sms.serviceCenterAddress)
            Info(INFO_ITEM, "SMSC", *sms.serviceCenterAddress);
        Info(INFO_ITEM, "Storage capacity", Decimal(sms.maxMessageIndex));
    }

    BroadbandProvider home;
    if (!Failed(iface->GetHomeProvider(home))) {
        Info(INFO_GROUP, "Home provider");
        Info(INFO_ITEM, "ID", home.providerId);
        Info(INFO_ITEM, "Name", home.providerName);
        Info(INFO_ITEM, "State", ProviderStateName(home.providerState));
        Info(INFO_ITEM, "Data class", DataClassName(home.dataClass, caps.customDataClass));
    }

    std::int32_t state = 0;
    if (!Failed(iface->GetRegisterState(state))) {
        Info(INFO_GROUP, "Active provider");
        std::string text;
        if (!Failed(iface->GetProviderID(text)))
            Info(INFO_ITEM, "ID", text);
        if (!Failed(iface->GetProviderName(text))) {
            SetProviderName(state, text);
            Info(INFO_ITEM, "Name", text);
        }
        Info(INFO_ITEM, "Registration state", RegisterStateName(state));
        if (!Failed(iface->GetRoamingText(text)) && !text.empty())
            Info(INFO_ITEM, "Roaming text", text);
        std::int32_t mode = 0;
        if (!Failed(iface->GetRegisterMode(mode)))
            Info(INFO_ITEM, "Registration mode", RegisterModeName(mode));
        std::uint32_t value = 0;
        if (!Failed(iface->GetRegistrationNetworkError(value)) && value != 0)
            Info(INFO_ITEM, "Registration error code", Decimal(value));
        if (!Failed(iface->GetCurrentDataClass(value)))
            Info(INFO_ITEM, "Current data class", DataClassName(value, caps.customDataClass));
        if (!Failed(iface->GetAvailableDataClasses(value)))
            Info(INFO_ITEM, "Available data classes", DataClassName(value, caps.customDataClass));
    }

    Info(INFO_GROUP, "Providers information");
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    const HRESULT hr = iface->GetVisibleProviders(age, providers);
    if (hr == Hr::Pending) {
        Info(INFO_ITEM, "Status", "The information is not yet available. An active network scan is in progress");
    } else if (hr == Hr::InvalidCache) {
        Info(INFO_ITEM, "Status", "Cache of the visible network list is invalid");
    } else if (!Failed(hr)) {
        Info(INFO_ITEM, "Status", "Updated " + Decimal(age) + " seconds ago");
        ProviderRows(providers, caps.customDataClass);
    }

    std::vector<BroadbandPinDesc> pins;
    if (!Failed(iface->GetPinList(pins)) && !pins.empty()) {
        Info(INFO_GROUP, "PIN information");
        Info(INFO_ITEM, "PIN's found", Decimal(static_cast<std::uint32_t>(pins.size())));
        for (const auto& pin : pins) {
            Info(INFO_GROUP, "PIN");
            Info(INFO_ITEM, "Type", PinTypeName(pin.pinType));
            Info(INFO_ITEM, "Mode", PinModeName(pin.pinMode));
            Info(INFO_ITEM, "Format", PinFormatName(pin.pinFormat));
            Info(INFO_ITEM, "Max length", Decimal(pin.maxLength));
            Info(INFO_ITEM, "Min length", Decimal(pin.minLength));
        }
    }
}

void MobileBroadband::ListVisibleProviders()
{
    auto iface = LookupInterface();
    if (!iface)
        return;
    Info(INFO_GROUP, "Providers information");
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    const HRESULT hr = iface->GetVisibleProviders(age, providers);
    if (hr == Hr::Pending) {
        Info(INFO_ITEM, "Status", "The information is not yet available. An active network scan is in progress");
    } else if (hr == Hr::InvalidCache) {
        Info(INFO_ITEM, "Status", "Cache of the visible network list is invalid");
    } else if (!Failed(hr)) {
        Info(INFO_ITEM, "Status", "Updated " + Decimal(age) + " seconds ago");
        ProviderRows(providers, std::string());
    }
}

void MobileBroadband::ListPreferredProviders()
{
    if (!manager) {
        LogLine("Not connected");
        return;
    }
    std::shared_ptr<BroadbandInterface> iface;
    if (Failed(manager->GetInterface(currentInterfaceId, iface))) {
        Info(INFO_ERROR, "Network", "Operation could not be completed:\n\rCompatible device not found.");
        LogLine("InterfaceManager -> GetInterface() -> Failed");
        return;
    }
    Info(INFO_GROUP, "Preferred providers");
    std::vector<BroadbandProvider> providers;
    const HRESULT hr = iface->GetPreferredProviders(providers);
    if (Failed(hr)) {
        Info(INFO_ITEM, "Status", HresultText(hr));
        return;
    }
    ProviderRows(providers, std::string());
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

// --- device services -----------------------------------------------------------------------

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
    BroadbandService* source = deviceServicesManager;
    QTimer::singleShot(0, [weak = std::weak_ptr<int>(alive), source, open, requestId] {
        if (weak.expired() || !source)
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
