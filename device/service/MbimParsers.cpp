#include "device/service/MbimParsers.h"
#include "device/service/MbimHelpers.h"

#include <QString>

#include <cstring>

namespace mbimx {

namespace {

// libmbim stores the device's 32 bits in enumeration variables as they came; a value outside the
// enumeration's range must not be read as the enumeration (undefined), so it is read as a number.
template <typename E> guint32 Raw(const E& value)
{
    static_assert(sizeof(E) == sizeof(guint32));
    guint32 number = 0;
    std::memcpy(&number, &value, sizeof number);
    return number;
}

std::int32_t ReadyStateFromMbim(guint32 state)
{
    // The device's "no eSIM profile" has its own value past "device blocked".
    if (state == MBIM_SUBSCRIBER_READY_STATE_NO_ESIM_PROFILE)
        return 8;
    return static_cast<std::int32_t>(state);
}

std::int32_t CellularClassFromMbim(guint32 flags)
{
    if (flags & MBIM_CELLULAR_CLASS_GSM)
        return 1;
    if (flags & MBIM_CELLULAR_CLASS_CDMA)
        return 2;
    return 0;
}

std::uint32_t ControlCapsFromMbim(guint32 caps)
{
    std::uint32_t flags = caps & 0x0F; // manual registration, radio switch, mobile and simple IP
    if (caps & MBIM_CTRL_CAPS_MULTI_CARRIER)
        flags |= 0x20;
    return flags;
}

std::vector<SmsPduMessage> PduMessages(MbimSmsPduReadRecordArray* records, guint32 count)
{
    std::vector<SmsPduMessage> messages;
    if (!records)
        return messages;
    for (guint32 i = 0; i < count && records[i]; ++i) {
        const MbimSmsPduReadRecord* record = records[i];
        if (record->pdu_data_size > 0 && !record->pdu_data) {
            qCWarning(lcBroadband) << "SMS record" << i << "without PDU data skipped";
            continue;
        }
        messages.push_back({record->message_index, static_cast<std::int32_t>(record->message_status),
                            Hex(record->pdu_data, record->pdu_data_size)});
    }
    return messages;
}

BroadbandProvider ProviderFromMbim(const MbimProvider& p)
{
    BroadbandProvider provider;
    provider.providerId = Optional(p.provider_id);
    // MBIM's state bits are the broadband API's, preferred-multicarrier (0x20) included.
    provider.providerState = p.provider_state & 0x3F;
    provider.providerName = Optional(p.provider_name);
    return provider;
}

std::vector<BroadbandProvider> ProvidersFromMbim(MbimProviderArray* array, guint32 count)
{
    std::vector<BroadbandProvider> providers;
    for (guint32 i = 0; array && i < count && array[i]; ++i)
        providers.push_back(ProviderFromMbim(*array[i]));
    return providers;
}

const guint8* RawInformation(MbimMessage* message, Form form, guint32& length)
{
    length = 0;
    return form == Form::Notification ? mbim_message_indicate_status_get_raw_information_buffer(message, &length)
                                      : mbim_message_command_done_get_raw_information_buffer(message, &length);
}

guint32 WordAt(const guint8* info, guint32 at)
{
    return info[at] | info[at + 1] << 8 | info[at + 2] << 16 | static_cast<guint32>(info[at + 3]) << 24;
}

// libmbim allocates an array by the count the device sends before it reads the elements: a count
// the information buffer cannot hold would ask for gigabytes, so it is refused first. The table at
// tableAt holds an offset and a length per element.
bool CountFits(MbimMessage* message, Form form, guint32 countAt, guint32 tableAt, const char* what)
{
    guint32 length = 0;
    const guint8* info = RawInformation(message, form, length);
    if (!info || length < countAt + 4)
        return true; // no count: libmbim's own check reports it
    const guint32 count = WordAt(info, countAt);
    if (count == 0 || (length >= tableAt && count <= (length - tableAt) / 8))
        return true;
    qCWarning(lcBroadband) << "Malformed" << what << "answer: count" << count << "in" << length << "bytes";
    return false;
}

// The ready status's telephone numbers, read here: libmbim 1.28 frees a half-read list of
// uninitialised pointers when one number is broken. Nothing when a number lies outside the buffer
// or is not UTF-16, as libmbim would refuse it.
std::optional<std::vector<std::string>> TelephoneNumbers(MbimMessage* message, Form form)
{
    constexpr guint32 countAt = 24, tableAt = 28;
    guint32 length = 0;
    const guint8* info = RawInformation(message, form, length);
    if (!info || length < tableAt)
        return std::nullopt;
    const guint32 count = WordAt(info, countAt);
    if (count > (length - tableAt) / 8)
        return std::nullopt;
    std::vector<std::string> numbers;
    for (guint32 i = 0; i < count; ++i) {
        const guint32 offset = WordAt(info, tableAt + 8 * i), size = WordAt(info, tableAt + 8 * i + 4);
        if (offset > length || size > length - offset)
            return std::nullopt;
        std::u16string units;
        for (guint32 at = offset; at + 1 < offset + size; at += 2)
            units.push_back(static_cast<char16_t>(info[at] | info[at + 1] << 8));
        const QString text = QString::fromStdU16String(units);
        if (!text.isValidUtf16())
            return std::nullopt;
        if (!text.isEmpty())
            numbers.push_back(text.toStdString());
    }
    return numbers;
}

} // namespace

std::optional<BroadbandCaps> ParseCaps(MbimMessage* message)
{
    MbimCellularClass cellular{};
    MbimVoiceClass voice{};
    MbimDataClass data{};
    MbimSmsCaps sms{};
    MbimCtrlCaps ctrl{};
    gchar *custom = nullptr, *deviceId = nullptr, *firmware = nullptr, *hardware = nullptr;
    GError* error = nullptr;
    if (!mbim_message_device_caps_response_parse(message, nullptr, &cellular, &voice, nullptr, &data, &sms, &ctrl,
                                                 nullptr, &custom, &deviceId, &firmware, &hardware, &error)) {
        LogParseError("device capabilities", error);
        return std::nullopt;
    }
    BroadbandCaps caps;
    caps.cellularClass = CellularClassFromMbim(Raw(cellular));
    caps.voiceClass = static_cast<std::int32_t>(Raw(voice));
    caps.dataClass = Raw(data);
    caps.customDataClass = Optional(custom);
    caps.smsCaps = Raw(sms);
    caps.controlCaps = ControlCapsFromMbim(Raw(ctrl));
    caps.deviceId = OptionalString(deviceId);
    caps.firmware = OptionalString(firmware);
    // MBIM has no model field; the hardware description is the closest and is what devices put
    // there. Manufacturer and a better model may come from the USB descriptors.
    caps.model = OptionalString(hardware);
    g_free(custom);
    g_free(deviceId);
    g_free(firmware);
    g_free(hardware);
    return caps;
}

std::optional<ReadyStatus> ParseReadyStatus(MbimMessage* message, Form form)
{
    MbimSubscriberReadyState state{};
    gchar *subscriberId = nullptr, *iccId = nullptr;
    GError* error = nullptr;
    // The numbers are not asked of libmbim, which then leaves them unread.
    const bool ok = form == Form::Notification
                        ? mbim_message_subscriber_ready_status_notification_parse(
                              message, &state, &subscriberId, &iccId, nullptr, nullptr, nullptr, &error)
                        : mbim_message_subscriber_ready_status_response_parse(message, &state, &subscriberId, &iccId,
                                                                              nullptr, nullptr, nullptr, &error);
    if (!ok) {
        LogParseError("subscriber ready status", error);
        return std::nullopt;
    }
    auto numbers = TelephoneNumbers(message, form);
    if (!numbers) {
        qCWarning(lcBroadband) << "Malformed subscriber ready status answer: telephone numbers";
        g_free(subscriberId);
        g_free(iccId);
        return std::nullopt;
    }
    ReadyStatus status;
    status.state = ReadyStateFromMbim(Raw(state));
    status.subscriber.subscriberId = OptionalString(subscriberId);
    status.subscriber.simIccId = OptionalString(iccId);
    status.subscriber.telephoneNumbers = std::move(*numbers);
    g_free(subscriberId);
    g_free(iccId);
    return status;
}

std::optional<RadioStates> ParseRadioState(MbimMessage* message, Form form)
{
    MbimRadioSwitchState hw{}, sw{};
    GError* error = nullptr;
    const bool ok = form == Form::Notification ? mbim_message_radio_state_notification_parse(message, &hw, &sw, &error)
                                               : mbim_message_radio_state_response_parse(message, &hw, &sw, &error);
    if (!ok) {
        LogParseError("radio state", error);
        return std::nullopt;
    }
    return RadioStates{static_cast<std::int32_t>(Raw(hw)), static_cast<std::int32_t>(Raw(sw))};
}

std::optional<SignalLevels> ParseSignalState(MbimMessage* message, Form form)
{
    guint32 rssi = 99, errorRate = 99;
    GError* error = nullptr;
    const bool ok =
        form == Form::Notification
            ? mbim_message_signal_state_notification_parse(message, &rssi, &errorRate, nullptr, nullptr, nullptr,
                                                           &error)
            : mbim_message_signal_state_response_parse(message, &rssi, &errorRate, nullptr, nullptr, nullptr, &error);
    if (!ok) {
        LogParseError("signal state", error);
        return std::nullopt;
    }
    // Anything outside the defined ranges is "unknown", never a strength to convert.
    return SignalLevels{rssi <= 31 ? rssi : 99, errorRate <= 7 ? errorRate : 99};
}

std::optional<Registration> ParseRegisterState(MbimMessage* message, Form form)
{
    MbimNwError nwError{};
    MbimRegisterState state{};
    MbimRegisterMode mode{};
    MbimDataClass available{};
    gchar *id = nullptr, *name = nullptr, *roaming = nullptr;
    GError* error = nullptr;
    const bool ok = form == Form::Notification
                        ? mbim_message_register_state_notification_parse(message, &nwError, &state, &mode, &available,
                                                                         nullptr, &id, &name, &roaming, nullptr, &error)
                        : mbim_message_register_state_response_parse(message, &nwError, &state, &mode, &available,
                                                                     nullptr, &id, &name, &roaming, nullptr, &error);
    if (!ok) {
        LogParseError("registration state", error);
        return std::nullopt;
    }
    Registration r;
    r.state = static_cast<std::int32_t>(Raw(state));
    r.mode = static_cast<std::int32_t>(Raw(mode));
    r.availableDataClasses = Raw(available);
    r.networkError = Raw(nwError);
    r.providerId = Optional(id);
    r.providerName = Optional(name);
    r.roamingText = Optional(roaming);
    g_free(id);
    g_free(name);
    g_free(roaming);
    return r;
}

std::optional<std::uint32_t> ParsePacketService(MbimMessage* message, Form form)
{
    MbimPacketServiceState state{};
    MbimDataClass dataClass{};
    GError* error = nullptr;
    const bool ok = form == Form::Notification
                        ? mbim_message_packet_service_notification_parse(message, nullptr, &state, &dataClass, nullptr,
                                                                         nullptr, &error)
                        : mbim_message_packet_service_response_parse(message, nullptr, &state, &dataClass, nullptr,
                                                                     nullptr, &error);
    if (!ok) {
        LogParseError("packet service", error);
        return std::nullopt;
    }
    return Raw(state) == MBIM_PACKET_SERVICE_STATE_ATTACHED ? Raw(dataClass) : 0u;
}

std::optional<BroadbandSmsConfiguration> ParseSmsConfiguration(MbimMessage* message)
{
    guint32 maxMessages = 0;
    gchar* address = nullptr;
    GError* error = nullptr;
    if (!mbim_message_sms_configuration_response_parse(message, nullptr, nullptr, &maxMessages, nullptr, &address,
                                                       &error)) {
        LogParseError("SMS configuration", error);
        return std::nullopt;
    }
    BroadbandSmsConfiguration config;
    config.maxMessageIndex = maxMessages;
    // An empty address is no address.
    config.serviceCenterAddress = address && *address ? OptionalString(address) : std::nullopt;
    g_free(address);
    return config;
}

std::optional<BroadbandProvider> ParseHomeProvider(MbimMessage* message)
{
    MbimProvider* provider = nullptr;
    GError* error = nullptr;
    if (!mbim_message_home_provider_response_parse(message, &provider, &error) || !provider) {
        LogParseError("home provider", error);
        return std::nullopt;
    }
    BroadbandProvider home = ProviderFromMbim(*provider);
    mbim_provider_free(provider);
    return home;
}

namespace {

// Both provider lists are one count and one array of providers: only the parser differs.
using ProviderListParser = gboolean (*)(const MbimMessage*, guint32*, MbimProviderArray**, GError**);

std::optional<std::vector<BroadbandProvider>> ParseProviderList(MbimMessage* message, ProviderListParser parse,
                                                                const char* what)
{
    guint32 count = 0;
    MbimProviderArray* array = nullptr;
    GError* error = nullptr;
    if (!CountFits(message, Form::Response, 0, 4, what))
        return std::nullopt;
    if (!parse(message, &count, &array, &error)) {
        LogParseError(what, error);
        return std::nullopt;
    }
    auto providers = ProvidersFromMbim(array, count);
    mbim_provider_array_free(array);
    return providers;
}

} // namespace

std::optional<std::vector<BroadbandProvider>> ParsePreferredProviders(MbimMessage* message)
{
    return ParseProviderList(message, mbim_message_preferred_providers_response_parse, "preferred providers");
}

std::optional<std::vector<BroadbandProvider>> ParseVisibleProviders(MbimMessage* message)
{
    return ParseProviderList(message, mbim_message_visible_providers_response_parse, "visible providers");
}

std::optional<std::vector<BroadbandPinDesc>> ParsePinList(MbimMessage* message)
{
    MbimPinDesc* desc[10] = {};
    GError* error = nullptr;
    if (!mbim_message_pin_list_response_parse(message, &desc[0], &desc[1], &desc[2], &desc[3], &desc[4], &desc[5],
                                              &desc[6], &desc[7], &desc[8], &desc[9], &error)) {
        LogParseError("PIN list", error);
        return std::nullopt;
    }
    // The list's order: PIN1, PIN2, device SIM, device first SIM, network, network subset,
    // service provider, corporate, subsidy lock, custom.
    static const std::int32_t types[10] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 1};
    std::vector<BroadbandPinDesc> pins;
    for (int i = 0; i < 10; ++i) {
        if (desc[i] && desc[i]->pin_mode != MBIM_PIN_MODE_NOT_SUPPORTED)
            pins.push_back({types[i], static_cast<std::int32_t>(desc[i]->pin_mode),
                            static_cast<std::int32_t>(desc[i]->pin_format), desc[i]->pin_length_min,
                            desc[i]->pin_length_max});
        if (desc[i])
            mbim_pin_desc_free(desc[i]);
    }
    return pins;
}

std::optional<std::vector<BroadbandDeviceServiceInfo>> ParseDeviceServices(MbimMessage* message)
{
    guint32 count = 0;
    MbimDeviceServiceElementArray* array = nullptr;
    GError* error = nullptr;
    if (!CountFits(message, Form::Response, 0, 8, "device services"))
        return std::nullopt;
    if (!mbim_message_device_services_response_parse(message, &count, nullptr, &array, &error)) {
        LogParseError("device services", error);
        return std::nullopt;
    }
    std::vector<BroadbandDeviceServiceInfo> services;
    for (guint32 i = 0; array && i < count && array[i]; ++i) {
        const MbimDeviceServiceElement& e = *array[i];
        BroadbandDeviceServiceInfo info;
        info.serviceId = ServiceIdText(e.device_service_id);
        // Payload bits: 1 host to device, 2 device to host.
        info.dataWriteSupported = (e.dss_payload & 1) != 0;
        info.dataReadSupported = (e.dss_payload & 2) != 0;
        if (e.cids)
            info.commandIds.assign(e.cids, e.cids + e.cids_count);
        services.push_back(std::move(info));
    }
    mbim_device_service_element_array_free(array);
    return services;
}

std::optional<SmsList> ParseSmsRead(MbimMessage* message, Form form)
{
    MbimSmsFormat format{};
    guint32 count = 0;
    MbimSmsPduReadRecordArray* records = nullptr;
    GError* error = nullptr;
    if (!CountFits(message, form, 4, 8, "SMS read"))
        return std::nullopt;
    const bool ok = form == Form::Notification
                        ? mbim_message_sms_read_notification_parse(message, &format, &count, &records, nullptr, &error)
                        : mbim_message_sms_read_response_parse(message, &format, &count, &records, nullptr, &error);
    if (!ok) {
        LogParseError(form == Form::Notification ? "class-0 message" : "SMS read", error);
        return std::nullopt;
    }
    SmsList list;
    list.format = Raw(format);
    list.pdu = list.format == MBIM_SMS_FORMAT_PDU;
    if (list.pdu) {
        list.messages = PduMessages(records, count);
        list.haveList = records != nullptr || count == 0;
    }
    if (records)
        mbim_sms_pdu_read_record_array_free(records);
    return list;
}

std::optional<std::uint32_t> ParseSmsSend(MbimMessage* message)
{
    guint32 reference = 0;
    GError* error = nullptr;
    if (mbim_message_sms_send_response_parse(message, &reference, &error))
        return reference;
    LogParseError("SMS send", error);
    return std::nullopt;
}

std::optional<UssdReply> ParseUssd(MbimMessage* message)
{
    MbimUssdResponse response{};
    MbimUssdSessionState state{};
    guint32 dcs = 0, size = 0;
    const guint8* bytes = nullptr;
    GError* error = nullptr;
    if (!mbim_message_ussd_response_parse(message, &response, &state, &dcs, &size, &bytes, &error)) {
        LogParseError("USSD", error);
        return std::nullopt;
    }
    UssdReply reply;
    reply.response = Raw(response);
    reply.sessionState = Raw(state);
    reply.dataCodingScheme = dcs;
    if (bytes && size)
        reply.payload.assign(bytes, bytes + size);
    return reply;
}

std::vector<std::uint8_t> InformationBuffer(MbimMessage* message)
{
    std::vector<std::uint8_t> data;
    guint32 length = 0;
    const guint8* buffer = mbim_message_command_done_get_raw_information_buffer(message, &length);
    if (buffer && length)
        data.assign(buffer, buffer + length);
    return data;
}

std::string ServiceIdText(const MbimUuid& uuid)
{
    gchar* printable = mbim_uuid_get_printable(&uuid);
    // Appended piece by piece: GCC 12 warns falsely about "{" + text + "}" in a release build.
    std::string id(1, '{');
    id += QString::fromUtf8(printable).toUpper().toStdString();
    id += '}';
    g_free(printable);
    return id;
}

bool ServiceFromId(const std::string& serviceId, MbimService& service)
{
    if (serviceId.size() != 38 || serviceId.front() != '{' || serviceId.back() != '}')
        return false;
    MbimUuid uuid;
    const std::string inner = QString::fromStdString(serviceId.substr(1, 36)).toLower().toStdString();
    if (!mbim_uuid_from_printable(inner.c_str(), &uuid))
        return false;
    service = mbim_uuid_to_service(&uuid);
    return service != MBIM_SERVICE_INVALID;
}

} // namespace mbimx
