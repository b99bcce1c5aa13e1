// The getters: what the device last reported, or why that is not known.

#include "device/service/BroadbandInterfacePrivate.h"

HRESULT BroadbandInterface::GetInterfaceCapability(BroadbandCaps& caps) const
{
    if (Failed(d->capsResult))
        return d->capsResult;
    caps = d->caps;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetReadyState(std::int32_t& state) const
{
    if (Failed(d->readyResult))
        return d->readyResult;
    state = d->readyState;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetSubscriberInformation(BroadbandSubscriber& info) const
{
    if (Failed(d->readyResult))
        return d->readyResult;
    info = d->subscriber;
    return Hr::Ok;
}

HRESULT BroadbandInterface::InEmergencyMode(bool& emergency) const
{
    // MBIM has no emergency-mode report; a device that reached us is not in emergency mode.
    emergency = false;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetSmsConfiguration(BroadbandSmsConfiguration& config) const
{
    if (Failed(d->smsConfigResult))
        return d->smsConfigResult;
    config = d->smsConfig;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetSignalStrength(std::uint32_t& strength) const
{
    if (Failed(d->signalResult))
        return d->signalResult;
    strength = d->signalStrength;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetSignalError(std::uint32_t& error) const
{
    if (Failed(d->signalResult))
        return d->signalResult;
    error = d->signalError;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetSoftwareRadioState(std::int32_t& state) const
{
    if (Failed(d->radioResult))
        return d->radioResult;
    state = d->softwareRadio;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetHardwareRadioState(std::int32_t& state) const
{
    if (Failed(d->radioResult))
        return d->radioResult;
    state = d->hardwareRadio;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetRegisterState(std::int32_t& state) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    state = d->registerState;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetRegisterMode(std::int32_t& mode) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    mode = d->registerMode;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetProviderID(std::string& id) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    id = d->providerId;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetProviderName(std::string& name) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    name = d->providerName;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetRoamingText(std::string& text) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    text = d->roamingText;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetAvailableDataClasses(std::uint32_t& flags) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    flags = d->availableDataClasses;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetCurrentDataClass(std::uint32_t& flags) const
{
    if (Failed(d->packetResult))
        return d->packetResult;
    flags = d->currentDataClass;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetRegistrationNetworkError(std::uint32_t& error) const
{
    if (Failed(d->registerResult))
        return d->registerResult;
    error = d->networkError;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetHomeProvider(BroadbandProvider& provider) const
{
    if (Failed(d->homeResult))
        return d->homeResult;
    provider = d->home;
    if (d->home.providerId == d->providerId && d->registerState >= 3 && d->registerState <= 5)
        provider.dataClass = d->availableDataClasses;
    return Hr::Ok;
}

namespace {

// MBIM lists no data classes per provider: the registered one offers what the registration
// reports, the others none that is known.
void FillDataClasses(std::vector<BroadbandProvider>& providers, const BroadbandInterfacePrivate& d)
{
    const bool registered = d.registerState >= 3 && d.registerState <= 5;
    for (auto& p : providers)
        p.dataClass = registered && p.providerId == d.providerId ? d.availableDataClasses : 0;
}

} // namespace

HRESULT BroadbandInterface::GetPreferredProviders(std::vector<BroadbandProvider>& providers) const
{
    if (Failed(d->preferredResult))
        return d->preferredResult;
    providers = d->preferred;
    FillDataClasses(providers, *d);
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetVisibleProviders(std::uint32_t& ageSeconds,
                                                std::vector<BroadbandProvider>& providers) const
{
    if (d->scans > 0)
        return Hr::Pending;
    if (Failed(d->visibleResult))
        return d->visibleResult;
    const auto age = std::chrono::steady_clock::now() - d->visibleAt;
    ageSeconds = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::seconds>(age).count());
    providers = d->visible;
    FillDataClasses(providers, *d);
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetPinList(std::vector<BroadbandPinDesc>& pins) const
{
    if (Failed(d->pinListResult))
        return d->pinListResult;
    pins = d->pins;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetPin(std::int32_t pinType, BroadbandPinDesc& pin) const
{
    if (Failed(d->pinListResult))
        return d->pinListResult;
    for (const auto& p : d->pins)
        if (p.pinType == pinType) {
            pin = p;
            return Hr::Ok;
        }
    return Hr::NotSupported;
}

HRESULT BroadbandInterface::EnumerateDeviceServices(std::vector<BroadbandDeviceServiceInfo>& services) const
{
    if (Failed(d->servicesResult))
        return d->servicesResult;
    services = d->services;
    return Hr::Ok;
}

HRESULT BroadbandInterface::GetDeviceService(const std::string& serviceId, BroadbandDeviceServiceInfo& info) const
{
    if (Failed(d->servicesResult))
        return d->servicesResult;
    for (const auto& s : d->services)
        if (s.serviceId == serviceId) {
            info = s;
            return Hr::Ok;
        }
    return Hr::NotSupported;
}
