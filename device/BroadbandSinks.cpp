// The nine event sinks: each turns the events of its interface into log lines and messages.

#include "device/BroadbandSend.h"
#include "device/service/BroadbandService.h"
#include "device/service/Phonebook.h"

#include <QDateTime>

using broadband::Decimal;
using broadband::separator;

template <class Events> HRESULT BroadbandSinkOf<Events>::AdviseOn(BroadbandService& service, std::uint32_t& newCookie)
{
    return service.Advise(static_cast<Events*>(this), newCookie);
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

void BroadbandSmsEvents::OnSmsSendComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status,
                                           std::uint32_t messageReference)
{
    CompletionLine("OnSmsSendComplete", requestId, status);
    EventResult(EV_SMS_SEND_COMPLETE, requestId, status, messageReference);
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

void BroadbandPinEvents::OnEnterComplete(BroadbandInterface&, std::uint32_t requestId, HRESULT status,
                                         std::int32_t attemptsRemaining)
{
    CompletionLine("OnEnterComplete", requestId, status);
    if (attemptsRemaining >= 0)
        LogLine("PIN attempts remaining: " + Decimal(static_cast<std::uint32_t>(attemptsRemaining)));
    EventResult(EV_PIN_ENTER_COMPLETE, requestId, status, 0, attemptsRemaining);
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
