// Information blocks of the current interface in the log, and the rows of the status view.

#include "device/BroadbandSend.h"
#include "device/service/BroadbandService.h"

using broadband::Decimal;
using broadband::separator;

namespace {

// One information block of the log: "No interface" without an interface; the failing step's line,
// and no block, when the block's first value cannot be read (without a step an unreadable value
// is taken as its default); else the heading, the block's lines and the closing rule.
template <class Value, class Lines>
void LogBlock(const BroadbandSender& out, BroadbandInterface* iface, const char* title, const char* step,
              HRESULT (BroadbandInterface::*get)(Value&) const, Lines lines)
{
    if (!iface) {
        out.LogLine("No interface");
        return;
    }
    Value value{};
    if (const HRESULT hr = (iface->*get)(value); Failed(hr) && step) {
        out.LogFailed(step, hr);
        return;
    }
    out.BlockHeading(title);
    lines(*iface, value);
    out.LogLine(separator);
}

} // namespace

void MobileBroadband::CapabilityBlock(BroadbandInterface* iface)
{
    LogBlock(*this, iface, "Device information:", "GetInterfaceCapability", &BroadbandInterface::GetInterfaceCapability,
             [this](BroadbandInterface&, const BroadbandCaps& caps) {
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
                 if (caps.model)
                     modelName = *caps.model;
             });
}

void MobileBroadband::DeviceStatusBlock(BroadbandInterface* iface)
{
    LogBlock(*this, iface, "Device status:", "GetReadyState", &BroadbandInterface::GetReadyState,
             [this](BroadbandInterface& i, std::int32_t ready) {
                 LogLine("Current status: " + ReadyStateSymbol(ready));
                 std::int32_t radio = 0;
                 HRESULT r = i.GetSoftwareRadioState(radio);
                 LogLine(Failed(r) ? "SoftwareRadioState() -> Failed: " + HresultText(r)
                                   : "Software Radio State: " + RadioStateSymbol(radio));
                 r = i.GetHardwareRadioState(radio);
                 LogLine(Failed(r) ? "HardwareRadioState() -> Failed: " + HresultText(r)
                                   : "Hardware Radio State: " + RadioStateSymbol(radio));
                 std::uint32_t strength = 0;
                 r = i.GetSignalStrength(strength);
                 if (Failed(r))
                     LogFailed("GetSignalStrength", r);
                 else if (strength == 99)
                     LogLine("Signal level: Unknown");
                 else
                     LogLine("Signal level: " + std::to_string(2 * static_cast<int>(strength) - 113) + " dBm (" +
                             Decimal(strength) + ")");
             });
}

void MobileBroadband::SubscriberBlock(BroadbandInterface* iface)
{
    LogBlock(*this, iface, "Subscriber information:", "GetSubscriberInformation",
             &BroadbandInterface::GetSubscriberInformation,
             [this](BroadbandInterface&, const BroadbandSubscriber& info) {
                 if (info.subscriberId)
                     LogLine("SubscriberID: " + *info.subscriberId);
                 if (info.simIccId)
                     LogLine("SIM ID: " + *info.simIccId);
                 for (const auto& number : info.telephoneNumbers)
                     LogLine("Telephone number: " + number);
             });
}

void MobileBroadband::SmsConfigurationBlock(BroadbandInterface* iface)
{
    LogBlock(*this, iface, "SMS configuration:", "GetSmsConfiguration", &BroadbandInterface::GetSmsConfiguration,
             [this](BroadbandInterface&, const BroadbandSmsConfiguration& config) {
                 if (config.serviceCenterAddress)
                     LogLine("SMSC: " + *config.serviceCenterAddress);
                 LogLine("Storage capacity: " + Decimal(config.maxMessageIndex));
             });
}

void MobileBroadband::RegistrationBlock(BroadbandInterface* iface)
{
    LogBlock(*this, iface, "Registration information:", nullptr, &BroadbandInterface::GetRegisterState,
             [this](BroadbandInterface& i, std::int32_t state) {
                 std::string text;
                 if (!Failed(i.GetProviderID(text)))
                     LogLine("Provider ID: " + text);
                 if (!Failed(i.GetProviderName(text))) {
                     SetProviderName(state, text);
                     LogLine("Provider name: " + text);
                 }
                 LogLine("Registration state: " + RegisterStateSymbol(state));
                 if (!Failed(i.GetRoamingText(text)) && !text.empty())
                     LogLine("Roaming text: " + text);
                 std::int32_t mode = 0;
                 if (!Failed(i.GetRegisterMode(mode)))
                     LogLine("Registration mode: " + RegisterModeSymbol(mode));
                 std::uint32_t value = 0;
                 if (!Failed(i.GetRegistrationNetworkError(value)) && value != 0)
                     LogLine("Registration network error: " + Decimal(value));
                 if (!Failed(i.GetCurrentDataClass(value)))
                     LogLine("Current data class: " + DataClassSymbol(value));
                 if (!Failed(i.GetAvailableDataClasses(value)))
                     LogLine("Available data classes: " + DataClassSymbol(value));
             });
}

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
    LogBlock(*this, iface, "Home provider:", "GetHomeProvider", &BroadbandInterface::GetHomeProvider,
             [this](BroadbandInterface&, const BroadbandProvider& home) { ProviderLines(home); });
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

    VisibleProviderRows(*iface, caps.customDataClass);

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

// The "Providers information" group: the age of the visible list and its providers.
void MobileBroadband::VisibleProviderRows(BroadbandInterface& iface, const std::string& customName)
{
    Info(INFO_GROUP, "Providers information");
    std::uint32_t age = 0;
    std::vector<BroadbandProvider> providers;
    const HRESULT hr = iface.GetVisibleProviders(age, providers);
    if (hr == Hr::Pending) {
        Info(INFO_ITEM, "Status", "The information is not yet available. An active network scan is in progress");
    } else if (hr == Hr::InvalidCache) {
        Info(INFO_ITEM, "Status", "Cache of the visible network list is invalid");
    } else if (!Failed(hr)) {
        Info(INFO_ITEM, "Status", "Updated " + Decimal(age) + " seconds ago");
        ProviderRows(providers, customName);
    }
}

void MobileBroadband::ListVisibleProviders()
{
    auto iface = LookupInterface();
    if (!iface)
        return;
    VisibleProviderRows(*iface, std::string());
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
