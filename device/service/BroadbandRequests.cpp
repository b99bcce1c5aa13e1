// Requests of one device and their completion events.

#include "device/service/BroadbandInterfacePrivate.h"

#include <QTimer>

using mbimx::Form;
using mbimx::queryTimeoutSeconds;
using mbimx::sendTimeoutSeconds;

namespace {

// A request's ID, given to the caller and kept as pending of its kind until its answer, its
// timeout or the device's removal completes it.
std::uint32_t Register(BroadbandService& service, BroadbandInterfacePrivate& d, BroadbandInterfacePrivate::Request kind,
                       std::uint32_t& requestId)
{
    requestId = service.NextRequestId();
    d.pending[requestId] = kind;
    return requestId;
}

} // namespace

HRESULT BroadbandInterface::SmsSendPdu(const std::string& pduHex, std::uint8_t size, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    std::vector<guint8> bytes;
    // The PDU must hold its service-centre part (length octet and address) followed by exactly
    // the TPDU octets the caller counted.
    if (!mbimx::ParseHex(pduHex, bytes) || bytes.empty() || size == 0 ||
        bytes.size() != 1u + bytes[0] + static_cast<std::size_t>(size))
        return Hr::InvalidArg;
    MbimSmsPduSendRecord record{static_cast<guint32>(bytes.size()), bytes.data()};
    GError* error = nullptr;
    MbimMessage* request = mbim_message_sms_send_set_new(MBIM_SMS_FORMAT_PDU, &record, nullptr, &error);
    if (!request) {
        g_error_free(error);
        return Hr::InvalidArg;
    }
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SmsSend, requestId);
    SendCommand(*this, *d, request, sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        std::optional<std::uint32_t> reference;
        if (!Failed(hr) && !(reference = mbimx::ParseSmsSend(m)))
            hr = Hr::Fail;
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsSend, hr, nullptr, nullptr,
                        Failed(hr) ? 0 : *reference);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::SmsRead(std::uint32_t flag, std::uint32_t index, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (flag > 1)
        return Hr::InvalidArg;
    MbimMessage* request = mbim_message_sms_read_query_new(
        MBIM_SMS_FORMAT_PDU, flag == 0 ? MBIM_SMS_FLAG_ALL : MBIM_SMS_FLAG_INDEX, index, nullptr);
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SmsRead, requestId);
    SendCommand(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        std::optional<mbimx::SmsList> list;
        if (!Failed(hr)) {
            list = mbimx::ParseSmsRead(m, Form::Response);
            if (!list) {
                hr = Hr::Fail;
            } else if (!list->pdu) {
                qCWarning(lcBroadband) << "SMS read answered in format" << list->format << "instead of PDU";
                hr = Hr::Fail;
            }
        }
        const bool haveList = !Failed(hr) && list->haveList;
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsRead, hr,
                        haveList ? &list->messages : nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::SmsDelete(std::uint32_t flag, std::uint32_t index, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (flag > 1)
        return Hr::InvalidArg;
    MbimMessage* request =
        mbim_message_sms_delete_set_new(flag == 0 ? MBIM_SMS_FLAG_ALL : MBIM_SMS_FLAG_INDEX, index, nullptr);
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SmsDelete, requestId);
    SendCommand(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage*, HRESULT hr) {
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsDelete, hr, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::SetSoftwareRadioState(std::int32_t state, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (state != 0 && state != 1)
        return Hr::InvalidArg;
    MbimMessage* request =
        mbim_message_radio_state_set_new(state ? MBIM_RADIO_SWITCH_STATE_ON : MBIM_RADIO_SWITCH_STATE_OFF, nullptr);
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SetRadio, requestId);
    SendCommand(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        if (!Failed(hr)) {
            const std::int32_t before = i.d->softwareRadio;
            i.d->ApplyRadio(m, Form::Response);
            i.d->RadioChanged(i, before, true);
        }
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::SetRadio, hr, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::SetRegisterMode(const std::string& providerId, std::uint32_t dataClass,
                                            std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    GError* error = nullptr;
    MbimMessage* request = mbim_message_register_state_set_new(providerId.empty() ? nullptr : providerId.c_str(),
                                                               providerId.empty() ? MBIM_REGISTER_ACTION_AUTOMATIC
                                                                                  : MBIM_REGISTER_ACTION_MANUAL,
                                                               static_cast<MbimDataClass>(dataClass), &error);
    if (!request) {
        g_error_free(error);
        return Hr::InvalidArg;
    }
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SetRegister, requestId);
    // Registration waits for the network.
    SendCommand(*this, *d, request, sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        // A refused registration reports its state through the indication that follows.
        if (!Failed(hr))
            i.d->ApplyRegister(m, Form::Response);
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::SetRegister, hr, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::ScanNetwork(std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (d->softwareRadio == 0)
        return Hr::RadioPowerOff;
    MbimMessage* request = mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_FULL_SCAN, nullptr);
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::Scan, requestId);
    ++d->scans;
    // A full scan takes minutes on some networks.
    SendCommand(*this, *d, request, 3 * sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        --i.d->scans;
        if (!Failed(hr) && !i.d->ApplyVisibleProviders(m))
            hr = Hr::Fail;
        CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::Scan, hr, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::EnterPin(std::int32_t pinType, const std::string& pin, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    GError* error = nullptr;
    MbimMessage* request =
        mbim_message_pin_set_new(static_cast<MbimPinType>(pinType), MBIM_PIN_OPERATION_ENTER, pin.c_str(), "", &error);
    if (!request) {
        g_error_free(error);
        return Hr::InvalidArg;
    }
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::PinEnter, requestId);
    const auto entered = static_cast<MbimPinType>(pinType);
    SendCommand(*this, *d, request, queryTimeoutSeconds,
                [id, entered](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    // A refused PIN's answer still tells how many attempts are left; when it asks for a PUK
                    // instead, the PIN has none left.
                    MbimPinType type = MBIM_PIN_TYPE_UNKNOWN;
                    MbimPinState state = MBIM_PIN_STATE_UNLOCKED;
                    guint32 remaining = 0;
                    i.d->pinAttempts = -1;
                    if (m && mbim_message_pin_response_parse(m, &type, &state, &remaining, nullptr)) {
                        if (type == entered && remaining <= 0xFFFF)
                            i.d->pinAttempts = static_cast<std::int32_t>(remaining);
                        else if (type == MBIM_PIN_TYPE_PUK1 || type == MBIM_PIN_TYPE_PUK2)
                            i.d->pinAttempts = 0;
                    }
                    CompleteRequest(i, *i.d, id, BroadbandInterfacePrivate::Request::PinEnter, hr, nullptr);
                });
    return Hr::Ok;
}

HRESULT BroadbandInterface::QuerySupportedCommands(const std::string& serviceId, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    BroadbandDeviceServiceInfo info;
    if (const HRESULT hr = GetDeviceService(serviceId, info); Failed(hr))
        return hr;
    // The device listed its commands with its services; the answer comes as an event all the same.
    const std::uint32_t id = Register(service, *d, BroadbandInterfacePrivate::Request::SupportedCommands, requestId);
    d->pendingService[id] = serviceId;
    QTimer::singleShot(0, [weak = weak_from_this(), id] {
        if (auto i = weak.lock(); i && !i->d->removed)
            CompleteRequest(*i, *i->d, id, BroadbandInterfacePrivate::Request::SupportedCommands, Hr::Ok, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::DeviceServiceCommand(const std::string& serviceId, std::uint32_t commandId, bool set,
                                                 const std::vector<std::uint8_t>& payload, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    MbimService mbimService = MBIM_SERVICE_INVALID;
    if (!mbimx::ServiceFromId(serviceId, mbimService))
        return Hr::NotSupported;
    MbimMessage* request = mbim_message_command_new(
        0, mbimService, commandId, set ? MBIM_MESSAGE_COMMAND_TYPE_SET : MBIM_MESSAGE_COMMAND_TYPE_QUERY);
    if (!payload.empty())
        mbim_message_command_append(request, payload.data(), static_cast<guint32>(payload.size()));
    const auto kind =
        set ? BroadbandInterfacePrivate::Request::ServiceSet : BroadbandInterfacePrivate::Request::ServiceQuery;
    const std::uint32_t id = Register(service, *d, kind, requestId);
    d->pendingCommand[id] = commandId;
    SendCommand(*this, *d, request, queryTimeoutSeconds, [id, kind](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        std::vector<std::uint8_t> data;
        if (!Failed(hr))
            data = mbimx::InformationBuffer(m);
        CompleteRequest(i, *i.d, id, kind, hr, nullptr, &data);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::Ussd(std::uint32_t action, std::uint32_t dataCodingScheme,
                                 const std::vector<std::uint8_t>& payload, std::uint32_t timeoutSeconds,
                                 std::function<void(const UssdAnswer&)> done)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    GError* error = nullptr;
    MbimMessage* request = mbim_message_ussd_set_new(static_cast<MbimUssdAction>(action), dataCodingScheme,
                                                     static_cast<guint32>(payload.size()), payload.data(), &error);
    if (!request) {
        g_error_free(error);
        return Hr::InvalidArg;
    }
    // Kept here rather than in the command's handler, which a removal drops unanswered.
    const std::uint32_t id = service.NextRequestId();
    d->pendingUssd[id] = std::move(done);
    SendCommand(*this, *d, request, timeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        const auto it = i.d->pendingUssd.find(id);
        if (it == i.d->pendingUssd.end())
            return;
        const auto done = std::move(it->second);
        i.d->pendingUssd.erase(it);
        UssdAnswer answer;
        answer.status = hr;
        if (!Failed(hr)) {
            if (auto reply = mbimx::ParseUssd(m)) {
                answer.response = reply->response;
                answer.sessionState = reply->sessionState;
                answer.dataCodingScheme = reply->dataCodingScheme;
                answer.payload = std::move(reply->payload);
            } else {
                answer.status = Hr::Fail;
            }
        }
        done(answer);
    });
    return Hr::Ok;
}

void CompleteRequest(BroadbandInterface& iface, BroadbandInterfacePrivate& d, std::uint32_t requestId,
                     BroadbandInterfacePrivate::Request kind, HRESULT hr, const std::vector<SmsPduMessage>* messages,
                     const std::vector<std::uint8_t>* data, std::uint32_t messageReference)
{
    // Removal answers every pending request once; a late answer finds nothing to complete.
    if (d.pending.erase(requestId) == 0)
        return;
    BroadbandService& service = iface.Service();
    using R = BroadbandInterfacePrivate::Request;
    switch (kind) {
    case R::SmsSend:
        service.Raise(&IBroadbandSmsEvents::OnSmsSendComplete, iface, requestId, hr, messageReference);
        break;
    case R::SmsRead:
        service.Raise(&IBroadbandSmsEvents::OnSmsReadComplete, iface, messages, false, requestId, hr);
        break;
    case R::SmsDelete: service.Raise(&IBroadbandSmsEvents::OnSmsDeleteComplete, iface, requestId, hr); break;
    case R::SetRadio:
        service.Raise(&IBroadbandRadioEvents::OnSetSoftwareRadioStateComplete, iface, requestId, hr);
        break;
    case R::Scan: service.Raise(&IBroadbandInterfaceEvents::OnScanNetworkComplete, iface, requestId, hr); break;
    case R::SetRegister:
        service.Raise(&IBroadbandRegistrationEvents::OnSetRegisterModeComplete, iface, requestId, hr);
        break;
    case R::PinEnter:
        service.Raise(&IBroadbandPinEvents::OnEnterComplete, iface, requestId, hr, d.pinAttempts);
        d.pinAttempts = -1;
        break;
    case R::SupportedCommands: {
        const std::string serviceId = d.pendingService[requestId];
        d.pendingService.erase(requestId);
        std::vector<std::uint32_t> commandIds;
        for (const auto& info : d.services)
            if (info.serviceId == serviceId)
                commandIds = info.commandIds;
        service.Raise(&IBroadbandDeviceServicesEvents::OnQuerySupportedCommandsComplete, serviceId, commandIds,
                      requestId, hr);
        break;
    }
    case R::ServiceQuery: {
        const std::uint32_t command = d.pendingCommand[requestId];
        d.pendingCommand.erase(requestId);
        static const std::vector<std::uint8_t> none;
        service.Raise(&IBroadbandDeviceServicesEvents::OnQueryCommandComplete, command, data ? *data : none, requestId,
                      hr);
        break;
    }
    case R::ServiceSet:
        d.pendingCommand.erase(requestId);
        service.Raise(&IBroadbandDeviceServicesEvents::OnSetCommandComplete, requestId, hr);
        break;
    }
}
