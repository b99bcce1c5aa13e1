#include "device/service/BroadbandInterfacePrivate.h"

using mbimx::Form;

void SendCommand(BroadbandInterface& iface, BroadbandInterfacePrivate& d, MbimMessage* request, guint timeout,
                 BroadbandInterfacePrivate::Handler handler)
{
    auto* call = new BroadbandInterfacePrivate::Call{iface.weak_from_this(), std::move(handler)};
    mbim_device_command(d.device, request, timeout, d.cancellable, BroadbandInterfacePrivate::CommandDone, call);
    mbim_message_unref(request);
}

void BroadbandInterfacePrivate::CommandDone(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    GError* error = nullptr;
    MbimMessage* response = mbim_device_command_finish(MBIM_DEVICE(source), result, &error);
    if (auto iface = call->iface.lock(); iface && !iface->d->removed) {
        const HRESULT hr = mbimx::CommandResult(response, error);
        call->handler(*iface, response, hr);
    }
    if (error)
        g_error_free(error);
    if (response)
        mbim_message_unref(response);
}

void BroadbandInterfacePrivate::ApplyCaps(MbimMessage* message)
{
    auto parsed = mbimx::ParseCaps(message);
    if (!parsed) {
        capsResult = Hr::Fail;
        return;
    }
    caps = std::move(*parsed);
    capsResult = Hr::Ok;
}

bool BroadbandInterfacePrivate::ApplyReadyState(MbimMessage* message, Form form)
{
    auto parsed = mbimx::ParseReadyStatus(message, form);
    if (!parsed) {
        if (form == Form::Response)
            readyResult = Hr::Fail;
        return false;
    }
    readyResult = Hr::Ok;
    readyState = parsed->state;
    subscriber = std::move(parsed->subscriber);
    return true;
}

bool BroadbandInterfacePrivate::ApplyRadio(MbimMessage* message, Form form)
{
    const auto parsed = mbimx::ParseRadioState(message, form);
    if (!parsed) {
        if (form == Form::Response)
            radioResult = Hr::Fail;
        return false;
    }
    radioResult = Hr::Ok;
    hardwareRadio = parsed->hardware;
    softwareRadio = parsed->software;
    return true;
}

bool BroadbandInterfacePrivate::ApplySignal(MbimMessage* message, Form form)
{
    const auto parsed = mbimx::ParseSignalState(message, form);
    if (!parsed) {
        if (form == Form::Response)
            signalResult = Hr::Fail;
        return false;
    }
    signalResult = Hr::Ok;
    signalStrength = parsed->strength;
    signalError = parsed->error;
    return true;
}

bool BroadbandInterfacePrivate::ApplyRegister(MbimMessage* message, Form form)
{
    auto parsed = mbimx::ParseRegisterState(message, form);
    if (!parsed) {
        if (form == Form::Response)
            registerResult = Hr::Fail;
        return false;
    }
    registerResult = Hr::Ok;
    registerState = parsed->state;
    registerMode = parsed->mode;
    availableDataClasses = parsed->availableDataClasses;
    networkError = parsed->networkError;
    providerId = std::move(parsed->providerId);
    providerName = std::move(parsed->providerName);
    roamingText = std::move(parsed->roamingText);
    return true;
}

bool BroadbandInterfacePrivate::ApplyPacketService(MbimMessage* message, Form form)
{
    const auto parsed = mbimx::ParsePacketService(message, form);
    if (!parsed) {
        if (form == Form::Response)
            packetResult = Hr::Fail;
        return false;
    }
    packetResult = Hr::Ok;
    currentDataClass = *parsed;
    return true;
}

void BroadbandInterfacePrivate::ApplySmsConfiguration(MbimMessage* message, bool refresh)
{
    auto parsed = mbimx::ParseSmsConfiguration(message);
    if (!parsed) {
        if (!refresh)
            smsConfigResult = Hr::Fail;
        return;
    }
    smsConfigResult = Hr::Ok;
    smsConfig = std::move(*parsed);
}

void BroadbandInterfacePrivate::ApplyHomeProvider(MbimMessage* message)
{
    auto parsed = mbimx::ParseHomeProvider(message);
    if (!parsed) {
        homeResult = Hr::Fail;
        return;
    }
    home = std::move(*parsed);
    homeResult = Hr::Ok;
}

void BroadbandInterfacePrivate::ApplyPreferredProviders(MbimMessage* message)
{
    auto parsed = mbimx::ParsePreferredProviders(message);
    if (!parsed) {
        preferredResult = Hr::Fail;
        return;
    }
    preferred = std::move(*parsed);
    preferredResult = Hr::Ok;
}

bool BroadbandInterfacePrivate::ApplyVisibleProviders(MbimMessage* message)
{
    auto parsed = mbimx::ParseVisibleProviders(message);
    if (!parsed)
        return false;
    visible = std::move(*parsed);
    visibleAt = std::chrono::steady_clock::now();
    visibleResult = Hr::Ok;
    return true;
}

void BroadbandInterfacePrivate::ApplyPinList(MbimMessage* message)
{
    auto parsed = mbimx::ParsePinList(message);
    if (!parsed) {
        pinListResult = Hr::Fail;
        return;
    }
    pins = std::move(*parsed);
    pinListResult = Hr::Ok;
}

void BroadbandInterfacePrivate::ApplyDeviceServices(MbimMessage* message)
{
    auto parsed = mbimx::ParseDeviceServices(message);
    if (!parsed) {
        servicesResult = Hr::Fail;
        return;
    }
    services = std::move(*parsed);
    servicesResult = Hr::Ok;
}
