#include "device/BroadbandService.h"
#include "device/EventWait.h"

#include <libmbim-glib.h>
#include <libudev.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>
#include <QUuid>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

Q_LOGGING_CATEGORY(lcBroadband, "parlowen.device", QtInfoMsg)

namespace {

constexpr guint openTimeoutSeconds = 15;
constexpr guint queryTimeoutSeconds = 10;
// Sending waits for the network, which may take much longer than a local query.
constexpr guint sendTimeoutSeconds = 60;
constexpr int pathPollMs = 500;

BroadbandService* defaultService = nullptr;

std::string Optional(const gchar* text)
{
    return text ? std::string(text) : std::string();
}

std::optional<std::string> OptionalString(const gchar* text)
{
    if (!text)
        return std::nullopt;
    return std::string(text);
}

std::string Hex(const guint8* data, guint32 size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2u);
    for (guint32 i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<guint8>& bytes)
{
    if (text.size() % 2)
        return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.push_back(static_cast<guint8>(hi << 4 | lo));
    }
    return true;
}

// Result of a finished command: transport failures, then the device's status.
HRESULT CommandResult(MbimMessage* response, const GError* transportError)
{
    if (transportError) {
        if (g_error_matches(transportError, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            return Hr::NotReady;
        return Hr::Fail;
    }
    if (!response)
        return Hr::Fail;
    GError* error = nullptr;
    if (mbim_message_response_get_result(response, MBIM_MESSAGE_TYPE_COMMAND_DONE, &error))
        return Hr::Ok;
    HRESULT hr = Hr::Fail;
    if (error->domain == MBIM_STATUS_ERROR)
        hr = HresultFromMbimStatus(static_cast<std::uint32_t>(error->code));
    g_error_free(error);
    return hr;
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

std::uint64_t NodeIdentity(const std::string& path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return (static_cast<std::uint64_t>(st.st_rdev) << 32) ^ st.st_ino ^ static_cast<std::uint64_t>(st.st_ctim.tv_nsec);
}

} // namespace

// --- per-device state ----------------------------------------------------------------------

struct BroadbandInterfacePrivate
{
    enum class Request {
        SmsSend,
        SmsRead,
        SmsDelete,
        SetRadio,
        Scan,
        SetRegister,
        PinEnter,
        SupportedCommands,
        ServiceQuery,
        ServiceSet
    };

    MbimDevice* device = nullptr;
    GCancellable* cancellable = nullptr;
    gulong indicationHandler = 0;
    gulong removedHandler = 0;
    bool removed = false;
    int initialQueries = 0;
    // What the interface ID is made of: the device's identity, and where it is plugged in for
    // telling apart devices that report one device ID.
    std::string identity;
    std::string place;

    HRESULT capsResult = Hr::Pending;
    BroadbandCaps caps;
    HRESULT readyResult = Hr::Pending;
    std::int32_t readyState = 0;
    BroadbandSubscriber subscriber;
    HRESULT radioResult = Hr::Pending;
    std::int32_t softwareRadio = 0;
    std::int32_t hardwareRadio = 0;
    HRESULT signalResult = Hr::Pending;
    std::uint32_t signalStrength = 99;
    std::uint32_t signalError = 99;
    HRESULT registerResult = Hr::Pending;
    std::int32_t registerState = 0;
    std::int32_t registerMode = 0;
    std::string providerId;
    std::string providerName;
    std::string roamingText;
    std::uint32_t availableDataClasses = 0;
    std::uint32_t networkError = 0;
    HRESULT packetResult = Hr::Pending;
    std::uint32_t currentDataClass = 0;
    HRESULT smsConfigResult = Hr::Pending;
    BroadbandSmsConfiguration smsConfig;

    HRESULT homeResult = Hr::Pending;
    BroadbandProvider home;
    HRESULT preferredResult = Hr::Pending;
    std::vector<BroadbandProvider> preferred;
    // The visible list is a cache: filled by the opening query and by scans, dropped with the radio.
    HRESULT visibleResult = Hr::InvalidCache;
    std::vector<BroadbandProvider> visible;
    std::chrono::steady_clock::time_point visibleAt;
    int scans = 0;
    HRESULT pinListResult = Hr::Pending;
    std::vector<BroadbandPinDesc> pins;
    HRESULT servicesResult = Hr::Pending;
    std::vector<BroadbandDeviceServiceInfo> services;

    // Requests the device has not answered yet; answered with a failure on removal.
    std::map<std::uint32_t, Request> pending;
    // The command ID or service ID a pending device-service request is about.
    std::map<std::uint32_t, std::uint32_t> pendingCommand;
    std::map<std::uint32_t, std::string> pendingService;

    using Handler = std::function<void(BroadbandInterface&, MbimMessage*, HRESULT)>;
    struct Call
    {
        std::weak_ptr<BroadbandInterface> iface;
        Handler handler;
    };

    static void CommandDone(GObject* source, GAsyncResult* result, gpointer data);
    static void Indication(MbimDevice* device, MbimMessage* message, gpointer data);
    static void Removed(MbimDevice* device, gpointer data);
    static void DeviceCreated(GObject* source, GAsyncResult* result, gpointer data);
    static void DeviceOpened(GObject* source, GAsyncResult* result, gpointer data);

    void ParseCaps(MbimMessage* message);
    bool ParseReadyState(BroadbandInterface& iface, MbimMessage* message, bool notification);
    bool ParseRadio(MbimMessage* message, bool notification);
    bool ParseSignal(MbimMessage* message, bool notification);
    bool ParseRegister(MbimMessage* message, bool notification);
    bool ParsePacketService(MbimMessage* message, bool notification);
    // refresh: a malformed answer keeps what was known instead of failing the getter.
    void ParseSmsConfiguration(MbimMessage* message, bool refresh);
    // libmbim parses the configuration only as a response, so an indication is followed by a query.
    void RefreshSmsConfiguration(BroadbandInterface& iface);
    void ParseHomeProvider(MbimMessage* message);
    void ParsePreferredProviders(MbimMessage* message);
    bool ParseVisibleProviders(MbimMessage* message);
    void ParsePinList(MbimMessage* message);
    void ParseDeviceServices(MbimMessage* message);
    // Queries whose answers change with the SIM and the radio; sent again when those change.
    void RefreshNetworkQueries(BroadbandInterface& iface, bool announceHome);
    // The visible list goes with the radio and is read again when it comes back.
    void RadioChanged(BroadbandInterface& iface, std::int32_t before, bool announce);
};

namespace {

void Send(BroadbandInterface& iface, BroadbandInterfacePrivate& d, MbimMessage* request, guint timeout,
          BroadbandInterfacePrivate::Handler handler)
{
    auto* call = new BroadbandInterfacePrivate::Call{iface.weak_from_this(), std::move(handler)};
    mbim_device_command(d.device, request, timeout, d.cancellable, BroadbandInterfacePrivate::CommandDone, call);
    mbim_message_unref(request);
}

void LogParseError(const char* what, GError* error)
{
    qCWarning(lcBroadband) << "Malformed" << what << "answer skipped:" << (error ? error->message : "");
    if (error)
        g_error_free(error);
}

} // namespace

void BroadbandInterfacePrivate::CommandDone(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    GError* error = nullptr;
    MbimMessage* response = mbim_device_command_finish(MBIM_DEVICE(source), result, &error);
    if (auto iface = call->iface.lock(); iface && !iface->d->removed) {
        const HRESULT hr = CommandResult(response, error);
        call->handler(*iface, response, hr);
    }
    if (error)
        g_error_free(error);
    if (response)
        mbim_message_unref(response);
}

void BroadbandInterfacePrivate::ParseCaps(MbimMessage* message)
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
        capsResult = Hr::Fail;
        return;
    }
    caps.cellularClass = CellularClassFromMbim(cellular);
    caps.voiceClass = static_cast<std::int32_t>(voice);
    caps.dataClass = data;
    caps.customDataClass = Optional(custom);
    caps.smsCaps = sms;
    caps.controlCaps = ControlCapsFromMbim(ctrl);
    caps.deviceId = OptionalString(deviceId);
    caps.firmware = OptionalString(firmware);
    // MBIM has no model field; the hardware description is the closest and is what devices put
    // there. Manufacturer and a better model may come from the USB descriptors below.
    caps.model = OptionalString(hardware);
    g_free(custom);
    g_free(deviceId);
    g_free(firmware);
    g_free(hardware);
    capsResult = Hr::Ok;
}

bool BroadbandInterfacePrivate::ParseReadyState(BroadbandInterface&, MbimMessage* message, bool notification)
{
    MbimSubscriberReadyState state{};
    gchar *subscriberId = nullptr, *iccId = nullptr;
    guint32 count = 0;
    gchar** numbers = nullptr;
    GError* error = nullptr;
    const bool ok = notification ? mbim_message_subscriber_ready_status_notification_parse(
                                       message, &state, &subscriberId, &iccId, nullptr, &count, &numbers, &error)
                                 : mbim_message_subscriber_ready_status_response_parse(
                                       message, &state, &subscriberId, &iccId, nullptr, &count, &numbers, &error);
    if (!ok) {
        LogParseError("subscriber ready status", error);
        if (!notification)
            readyResult = Hr::Fail;
        return false;
    }
    readyResult = Hr::Ok;
    readyState = ReadyStateFromMbim(state);
    subscriber.subscriberId = OptionalString(subscriberId);
    subscriber.simIccId = OptionalString(iccId);
    subscriber.telephoneNumbers.clear();
    for (guint32 i = 0; numbers && i < count && numbers[i]; ++i)
        subscriber.telephoneNumbers.emplace_back(numbers[i]);
    g_free(subscriberId);
    g_free(iccId);
    g_strfreev(numbers);
    return true;
}

bool BroadbandInterfacePrivate::ParseRadio(MbimMessage* message, bool notification)
{
    MbimRadioSwitchState hw{}, sw{};
    GError* error = nullptr;
    const bool ok = notification ? mbim_message_radio_state_notification_parse(message, &hw, &sw, &error)
                                 : mbim_message_radio_state_response_parse(message, &hw, &sw, &error);
    if (!ok) {
        LogParseError("radio state", error);
        if (!notification)
            radioResult = Hr::Fail;
        return false;
    }
    radioResult = Hr::Ok;
    hardwareRadio = static_cast<std::int32_t>(hw);
    softwareRadio = static_cast<std::int32_t>(sw);
    return true;
}

bool BroadbandInterfacePrivate::ParseSignal(MbimMessage* message, bool notification)
{
    guint32 rssi = 99, errorRate = 99;
    GError* error = nullptr;
    const bool ok = notification ? mbim_message_signal_state_notification_parse(message, &rssi, &errorRate, nullptr,
                                                                                nullptr, nullptr, &error)
                                 : mbim_message_signal_state_response_parse(message, &rssi, &errorRate, nullptr,
                                                                            nullptr, nullptr, &error);
    if (!ok) {
        LogParseError("signal state", error);
        if (!notification)
            signalResult = Hr::Fail;
        return false;
    }
    signalResult = Hr::Ok;
    // Anything outside the defined ranges is "unknown", never a strength to convert.
    signalStrength = rssi <= 31 ? rssi : 99;
    signalError = errorRate <= 7 ? errorRate : 99;
    return true;
}

bool BroadbandInterfacePrivate::ParseRegister(MbimMessage* message, bool notification)
{
    MbimNwError nwError{};
    MbimRegisterState state{};
    MbimRegisterMode mode{};
    MbimDataClass available{};
    gchar *id = nullptr, *name = nullptr, *roaming = nullptr;
    GError* error = nullptr;
    const bool ok = notification
                        ? mbim_message_register_state_notification_parse(message, &nwError, &state, &mode, &available,
                                                                         nullptr, &id, &name, &roaming, nullptr, &error)
                        : mbim_message_register_state_response_parse(message, &nwError, &state, &mode, &available,
                                                                     nullptr, &id, &name, &roaming, nullptr, &error);
    if (!ok) {
        LogParseError("registration state", error);
        if (!notification)
            registerResult = Hr::Fail;
        return false;
    }
    registerResult = Hr::Ok;
    registerState = static_cast<std::int32_t>(state);
    registerMode = static_cast<std::int32_t>(mode);
    availableDataClasses = available;
    networkError = nwError;
    providerId = Optional(id);
    providerName = Optional(name);
    roamingText = Optional(roaming);
    g_free(id);
    g_free(name);
    g_free(roaming);
    return true;
}

bool BroadbandInterfacePrivate::ParsePacketService(MbimMessage* message, bool notification)
{
    MbimPacketServiceState state{};
    MbimDataClass dataClass{};
    GError* error = nullptr;
    const bool ok = notification ? mbim_message_packet_service_notification_parse(message, nullptr, &state, &dataClass,
                                                                                  nullptr, nullptr, &error)
                                 : mbim_message_packet_service_response_parse(message, nullptr, &state, &dataClass,
                                                                              nullptr, nullptr, &error);
    if (!ok) {
        LogParseError("packet service", error);
        if (!notification)
            packetResult = Hr::Fail;
        return false;
    }
    packetResult = Hr::Ok;
    currentDataClass = state == MBIM_PACKET_SERVICE_STATE_ATTACHED ? dataClass : 0;
    return true;
}

void BroadbandInterfacePrivate::ParseSmsConfiguration(MbimMessage* message, bool refresh)
{
    guint32 maxMessages = 0;
    gchar* address = nullptr;
    GError* error = nullptr;
    if (!mbim_message_sms_configuration_response_parse(message, nullptr, nullptr, &maxMessages, nullptr, &address,
                                                       &error)) {
        LogParseError("SMS configuration", error);
        if (!refresh)
            smsConfigResult = Hr::Fail;
        return;
    }
    smsConfigResult = Hr::Ok;
    smsConfig.maxMessageIndex = maxMessages;
    // An empty address is no address.
    smsConfig.serviceCenterAddress = address && *address ? OptionalString(address) : std::nullopt;
    g_free(address);
}

void BroadbandInterfacePrivate::RefreshSmsConfiguration(BroadbandInterface& iface)
{
    Send(iface, *this, mbim_message_sms_configuration_query_new(nullptr), queryTimeoutSeconds,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 qCWarning(lcBroadband) << "SMS configuration not read after its change:" << HresultText(hr).c_str();
             else
                 i.d->ParseSmsConfiguration(m, true);
             if (i.IsReady())
                 i.Service().Raise(&IBroadbandSmsEvents::OnSmsConfigurationChange, i);
         });
}

namespace {

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

std::string ServiceIdText(const MbimUuid& uuid)
{
    gchar* printable = mbim_uuid_get_printable(&uuid);
    std::string id = "{" + QString::fromUtf8(printable).toUpper().toStdString() + "}";
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

} // namespace

void BroadbandInterfacePrivate::ParseHomeProvider(MbimMessage* message)
{
    MbimProvider* provider = nullptr;
    GError* error = nullptr;
    if (!mbim_message_home_provider_response_parse(message, &provider, &error) || !provider) {
        LogParseError("home provider", error);
        homeResult = Hr::Fail;
        return;
    }
    home = ProviderFromMbim(*provider);
    mbim_provider_free(provider);
    homeResult = Hr::Ok;
}

void BroadbandInterfacePrivate::ParsePreferredProviders(MbimMessage* message)
{
    guint32 count = 0;
    MbimProviderArray* array = nullptr;
    GError* error = nullptr;
    if (!mbim_message_preferred_providers_response_parse(message, &count, &array, &error)) {
        LogParseError("preferred providers", error);
        preferredResult = Hr::Fail;
        return;
    }
    preferred = ProvidersFromMbim(array, count);
    mbim_provider_array_free(array);
    preferredResult = Hr::Ok;
}

bool BroadbandInterfacePrivate::ParseVisibleProviders(MbimMessage* message)
{
    guint32 count = 0;
    MbimProviderArray* array = nullptr;
    GError* error = nullptr;
    if (!mbim_message_visible_providers_response_parse(message, &count, &array, &error)) {
        LogParseError("visible providers", error);
        return false;
    }
    visible = ProvidersFromMbim(array, count);
    mbim_provider_array_free(array);
    visibleAt = std::chrono::steady_clock::now();
    visibleResult = Hr::Ok;
    return true;
}

void BroadbandInterfacePrivate::ParsePinList(MbimMessage* message)
{
    MbimPinDesc* desc[10] = {};
    GError* error = nullptr;
    if (!mbim_message_pin_list_response_parse(message, &desc[0], &desc[1], &desc[2], &desc[3], &desc[4], &desc[5],
                                              &desc[6], &desc[7], &desc[8], &desc[9], &error)) {
        LogParseError("PIN list", error);
        pinListResult = Hr::Fail;
        return;
    }
    // The list's order: PIN1, PIN2, device SIM, device first SIM, network, network subset,
    // service provider, corporate, subsidy lock, custom.
    static const std::int32_t types[10] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 1};
    pins.clear();
    for (int i = 0; i < 10; ++i) {
        if (desc[i] && desc[i]->pin_mode != MBIM_PIN_MODE_NOT_SUPPORTED)
            pins.push_back({types[i], static_cast<std::int32_t>(desc[i]->pin_mode),
                            static_cast<std::int32_t>(desc[i]->pin_format), desc[i]->pin_length_min,
                            desc[i]->pin_length_max});
        if (desc[i])
            mbim_pin_desc_free(desc[i]);
    }
    pinListResult = Hr::Ok;
}

void BroadbandInterfacePrivate::ParseDeviceServices(MbimMessage* message)
{
    guint32 count = 0;
    MbimDeviceServiceElementArray* array = nullptr;
    GError* error = nullptr;
    if (!mbim_message_device_services_response_parse(message, &count, nullptr, &array, &error)) {
        LogParseError("device services", error);
        servicesResult = Hr::Fail;
        return;
    }
    services.clear();
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
    servicesResult = Hr::Ok;
}

void BroadbandInterfacePrivate::RadioChanged(BroadbandInterface& iface, std::int32_t before, bool announce)
{
    if (softwareRadio == 0 && scans == 0) {
        visibleResult = Hr::InvalidCache;
        visible.clear();
    } else if (before == 0 && softwareRadio == 1 && !removed) {
        RefreshNetworkQueries(iface, announce);
    }
}

void BroadbandInterfacePrivate::RefreshNetworkQueries(BroadbandInterface& iface, bool announce)
{
    Send(iface, *this, mbim_message_home_provider_query_new(nullptr), queryTimeoutSeconds,
         [announce](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->homeResult = hr;
             else
                 i.d->ParseHomeProvider(m);
             if (announce && !Failed(i.d->homeResult) && i.IsReady())
                 i.Service().Raise(&IBroadbandInterfaceEvents::OnHomeProviderAvailable, i);
         });
    Send(iface, *this, mbim_message_preferred_providers_query_new(nullptr), queryTimeoutSeconds,
         [announce](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->preferredResult = hr;
             else
                 i.d->ParsePreferredProviders(m);
             if (announce && !Failed(i.d->preferredResult) && i.IsReady())
                 i.Service().Raise(&IBroadbandInterfaceEvents::OnPreferredProvidersChange, i);
         });
    Send(iface, *this, mbim_message_pin_list_query_new(nullptr), queryTimeoutSeconds,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->pinListResult = hr;
             else
                 i.d->ParsePinList(m);
         });
    // What the device already knows, without a scan.
    Send(iface, *this, mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_RESTRICTED_SCAN, nullptr),
         queryTimeoutSeconds, [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (i.d->scans == 0 && !Failed(hr))
                 i.d->ParseVisibleProviders(m);
         });
}

void BroadbandInterfacePrivate::Indication(MbimDevice*, MbimMessage* message, gpointer data)
{
    auto& iface = *static_cast<BroadbandInterface*>(data);
    auto& d = *iface.d;
    if (d.removed)
        return;
    auto keep = iface.shared_from_this(); // a sink may drop the service's reference meanwhile
    BroadbandService& service = iface.service;
    const MbimService mbimService = mbim_message_indicate_status_get_service(message);
    const guint32 cid = mbim_message_indicate_status_get_cid(message);
    // Indications before the interface has arrived only update what it will report.
    const bool announce = iface.ready;

    if (mbimService == MBIM_SERVICE_BASIC_CONNECT) {
        switch (cid) {
        case MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS: {
            const std::int32_t before = d.readyState;
            if (d.ParseReadyState(iface, message, true) && announce) {
                service.Raise(&IBroadbandInterfaceEvents::OnReadyStateChange, iface);
                service.Raise(&IBroadbandInterfaceEvents::OnSubscriberInformationChange, iface);
            }
            // An unlocked or changed SIM answers the provider queries differently.
            if (d.readyState != before && !d.removed)
                d.RefreshNetworkQueries(iface, announce);
            break;
        }
        case MBIM_CID_BASIC_CONNECT_RADIO_STATE: {
            const std::int32_t before = d.softwareRadio;
            // A malformed indication changes nothing, so nothing is announced.
            if (!d.ParseRadio(message, true))
                break;
            d.RadioChanged(iface, before, announce);
            if (announce)
                service.Raise(&IBroadbandRadioEvents::OnRadioStateChange, iface);
            break;
        }
        case MBIM_CID_BASIC_CONNECT_SIGNAL_STATE:
            if (d.ParseSignal(message, true) && announce)
                service.Raise(&IBroadbandSignalEvents::OnSignalStateChange, iface);
            break;
        case MBIM_CID_BASIC_CONNECT_REGISTER_STATE:
            if (d.ParseRegister(message, true) && announce)
                service.Raise(&IBroadbandRegistrationEvents::OnRegisterStateChange, iface);
            break;
        case MBIM_CID_BASIC_CONNECT_PACKET_SERVICE:
            if (d.ParsePacketService(message, true) && announce)
                service.Raise(&IBroadbandRegistrationEvents::OnPacketServiceStateChange, iface);
            break;
        default: break;
        }
    } else if (mbimService == MBIM_SERVICE_SMS) {
        switch (cid) {
        case MBIM_CID_SMS_CONFIGURATION: d.RefreshSmsConfiguration(iface); break;
        case MBIM_CID_SMS_READ: {
            // Unsolicited reads carry class-0 messages that the device did not store.
            MbimSmsFormat format{};
            guint32 count = 0;
            MbimSmsPduReadRecordArray* records = nullptr;
            GError* error = nullptr;
            if (!mbim_message_sms_read_notification_parse(message, &format, &count, &records, nullptr, &error)) {
                LogParseError("class-0 message", error);
                break;
            }
            if (format == MBIM_SMS_FORMAT_PDU && announce) {
                const auto messages = PduMessages(records, count);
                service.Raise(&IBroadbandSmsEvents::OnSmsNewClass0Message, iface, &messages);
            }
            mbim_sms_pdu_read_record_array_free(records);
            break;
        }
        case MBIM_CID_SMS_MESSAGE_STORE_STATUS:
            if (announce)
                service.Raise(&IBroadbandSmsEvents::OnSmsStatusChange, iface);
            break;
        default: break;
        }
    }
}

void BroadbandInterfacePrivate::Removed(MbimDevice*, gpointer data)
{
    auto& iface = *static_cast<BroadbandInterface*>(data);
    iface.service.InterfaceRemoved(iface);
}

void BroadbandInterfacePrivate::DeviceCreated(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::weak_ptr<BroadbandInterface>> weak(static_cast<std::weak_ptr<BroadbandInterface>*>(data));
    GError* error = nullptr;
    MbimDevice* device = mbim_device_new_finish(result, &error);
    auto iface = weak->lock();
    if (!iface || iface->d->removed) {
        if (device)
            g_object_unref(device);
        if (error)
            g_error_free(error);
        return;
    }
    if (!device) {
        qCWarning(lcBroadband) << "Cannot use" << iface->path.c_str() << ":" << error->message;
        g_error_free(error);
        iface->service.InterfaceFailed(*iface);
        return;
    }
    auto& d = *iface->d;
    d.device = device;
    d.indicationHandler =
        g_signal_connect(device, MBIM_DEVICE_SIGNAL_INDICATE_STATUS, G_CALLBACK(Indication), iface.get());
    d.removedHandler = g_signal_connect(device, MBIM_DEVICE_SIGNAL_REMOVED, G_CALLBACK(Removed), iface.get());
    const auto flags = iface->service.options.useProxyWhenRunning && BroadbandService::ProxyRunning()
                           ? MBIM_DEVICE_OPEN_FLAGS_PROXY
                           : MBIM_DEVICE_OPEN_FLAGS_NONE;
    mbim_device_open_full(device, flags, openTimeoutSeconds, d.cancellable, DeviceOpened,
                          new std::weak_ptr<BroadbandInterface>(iface));
}

void BroadbandInterfacePrivate::DeviceOpened(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::weak_ptr<BroadbandInterface>> weak(static_cast<std::weak_ptr<BroadbandInterface>*>(data));
    GError* error = nullptr;
    const bool opened = mbim_device_open_full_finish(MBIM_DEVICE(source), result, &error);
    auto iface = weak->lock();
    if (!iface || iface->d->removed) {
        if (error)
            g_error_free(error);
        return;
    }
    if (!opened) {
        qCWarning(lcBroadband) << "Cannot open" << iface->path.c_str() << ":" << error->message;
        g_error_free(error);
        iface->service.InterfaceFailed(*iface);
        return;
    }
    auto& d = *iface->d;
    // The queries whose answers the getters serve; the interface arrives when all have answered.
    struct Query
    {
        MbimMessage* (*make)(GError**);
        void (*parse)(BroadbandInterface&, MbimMessage*, HRESULT);
    };
    static const Query queries[] = {
        {mbim_message_device_caps_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->capsResult = hr;
             else
                 i.d->ParseCaps(m);
         }},
        {mbim_message_subscriber_ready_status_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->readyResult = hr;
             else
                 i.d->ParseReadyState(i, m, false);
         }},
        {mbim_message_radio_state_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->radioResult = hr;
             else
                 i.d->ParseRadio(m, false);
         }},
        {mbim_message_signal_state_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->signalResult = hr;
             else
                 i.d->ParseSignal(m, false);
         }},
        {mbim_message_register_state_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->registerResult = hr;
             else
                 i.d->ParseRegister(m, false);
         }},
        {mbim_message_packet_service_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->packetResult = hr;
             else
                 i.d->ParsePacketService(m, false);
         }},
        {mbim_message_sms_configuration_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->smsConfigResult = hr;
             else
                 i.d->ParseSmsConfiguration(m, false);
         }},
        {mbim_message_home_provider_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->homeResult = hr;
             else
                 i.d->ParseHomeProvider(m);
         }},
        {mbim_message_preferred_providers_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->preferredResult = hr;
             else
                 i.d->ParsePreferredProviders(m);
         }},
        {mbim_message_pin_list_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->pinListResult = hr;
             else
                 i.d->ParsePinList(m);
         }},
        {[](GError** e) {
             return mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_RESTRICTED_SCAN, e);
         },
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             // No list yet is an invalid cache, whatever the device's reason.
             if (!Failed(hr))
                 i.d->ParseVisibleProviders(m);
         }},
        {mbim_message_device_services_query_new,
         [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
             if (Failed(hr))
                 i.d->servicesResult = hr;
             else
                 i.d->ParseDeviceServices(m);
         }},
    };
    d.initialQueries = static_cast<int>(std::size(queries));
    for (const auto& query : queries) {
        Send(*iface, d, query.make(nullptr), queryTimeoutSeconds,
             [parse = query.parse](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                 parse(i, m, hr);
                 if (--i.d->initialQueries == 0)
                     i.service.InterfaceOpened(i);
             });
    }
}

// --- BroadbandInterface --------------------------------------------------------------------

BroadbandInterface::BroadbandInterface(BroadbandService& service, std::string path)
    : service(service), path(std::move(path)), d(std::make_unique<BroadbandInterfacePrivate>())
{
    d->cancellable = g_cancellable_new();
}

BroadbandInterface::~BroadbandInterface()
{
    Close();
    g_object_unref(d->cancellable);
}

void BroadbandInterface::Open(bool)
{
    GFile* file = g_file_new_for_path(path.c_str());
    mbim_device_new(file, d->cancellable, BroadbandInterfacePrivate::DeviceCreated,
                    new std::weak_ptr<BroadbandInterface>(weak_from_this()));
    g_object_unref(file);
}

void BroadbandInterface::Close()
{
    d->removed = true;
    ready = false;
    g_cancellable_cancel(d->cancellable);
    if (d->device) {
        g_signal_handler_disconnect(d->device, d->indicationHandler);
        g_signal_handler_disconnect(d->device, d->removedHandler);
        // Through the proxy a close would not reach the device anyway; the force close only
        // releases our end.
        mbim_device_close_force(d->device, nullptr);
        g_object_unref(d->device);
        d->device = nullptr;
    }
}

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

namespace {

void Complete(BroadbandInterface& iface, BroadbandInterfacePrivate& d, std::uint32_t requestId,
              BroadbandInterfacePrivate::Request kind, HRESULT hr, const std::vector<SmsPduMessage>* messages,
              const std::vector<std::uint8_t>* data = nullptr);

} // namespace

HRESULT BroadbandInterface::SmsSendPdu(const std::string& pduHex, std::uint8_t size, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    std::vector<guint8> bytes;
    // The PDU must hold its service-centre part (length octet and address) followed by exactly
    // the TPDU octets the caller counted.
    if (!ParseHex(pduHex, bytes) || bytes.empty() || size == 0 ||
        bytes.size() != 1u + bytes[0] + static_cast<std::size_t>(size))
        return Hr::InvalidArg;
    MbimSmsPduSendRecord record{static_cast<guint32>(bytes.size()), bytes.data()};
    GError* error = nullptr;
    MbimMessage* request = mbim_message_sms_send_set_new(MBIM_SMS_FORMAT_PDU, &record, nullptr, &error);
    if (!request) {
        g_error_free(error);
        return Hr::InvalidArg;
    }
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SmsSend;
    Send(*this, *d, request, sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        if (!Failed(hr)) {
            GError* error = nullptr;
            if (!mbim_message_sms_send_response_parse(m, nullptr, &error)) {
                LogParseError("SMS send", error);
                hr = Hr::Fail;
            }
        }
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsSend, hr, nullptr);
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
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SmsRead;
    Send(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        std::vector<SmsPduMessage> messages;
        bool haveList = false;
        if (!Failed(hr)) {
            MbimSmsFormat format{};
            guint32 count = 0;
            MbimSmsPduReadRecordArray* records = nullptr;
            GError* error = nullptr;
            if (!mbim_message_sms_read_response_parse(m, &format, &count, &records, nullptr, &error)) {
                LogParseError("SMS read", error);
                hr = Hr::Fail;
            } else if (format != MBIM_SMS_FORMAT_PDU) {
                qCWarning(lcBroadband) << "SMS read answered in format" << format << "instead of PDU";
                hr = Hr::Fail;
            } else {
                messages = PduMessages(records, count);
                haveList = records != nullptr || count == 0;
            }
            if (records)
                mbim_sms_pdu_read_record_array_free(records);
        }
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsRead, hr, haveList ? &messages : nullptr);
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
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SmsDelete;
    Send(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage*, HRESULT hr) {
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::SmsDelete, hr, nullptr);
    });
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

HRESULT BroadbandInterface::SetSoftwareRadioState(std::int32_t state, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (state != 0 && state != 1)
        return Hr::InvalidArg;
    MbimMessage* request =
        mbim_message_radio_state_set_new(state ? MBIM_RADIO_SWITCH_STATE_ON : MBIM_RADIO_SWITCH_STATE_OFF, nullptr);
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SetRadio;
    Send(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        if (!Failed(hr)) {
            const std::int32_t before = i.d->softwareRadio;
            i.d->ParseRadio(m, false);
            i.d->RadioChanged(i, before, true);
        }
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::SetRadio, hr, nullptr);
    });
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
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SetRegister;
    // Registration waits for the network.
    Send(*this, *d, request, sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        // A refused registration reports its state through the indication that follows.
        if (!Failed(hr))
            i.d->ParseRegister(m, false);
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::SetRegister, hr, nullptr);
    });
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

HRESULT BroadbandInterface::ScanNetwork(std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    if (d->softwareRadio == 0)
        return Hr::RadioPowerOff;
    MbimMessage* request = mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_FULL_SCAN, nullptr);
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::Scan;
    ++d->scans;
    // A full scan takes minutes on some networks.
    Send(*this, *d, request, 3 * sendTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        --i.d->scans;
        if (!Failed(hr) && !i.d->ParseVisibleProviders(m))
            hr = Hr::Fail;
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::Scan, hr, nullptr);
    });
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
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::PinEnter;
    Send(*this, *d, request, queryTimeoutSeconds, [id](BroadbandInterface& i, MbimMessage*, HRESULT hr) {
        Complete(i, *i.d, id, BroadbandInterfacePrivate::Request::PinEnter, hr, nullptr);
    });
    return Hr::Ok;
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

HRESULT BroadbandInterface::QuerySupportedCommands(const std::string& serviceId, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    BroadbandDeviceServiceInfo info;
    if (const HRESULT hr = GetDeviceService(serviceId, info); Failed(hr))
        return hr;
    // The device listed its commands with its services; the answer comes as an event all the same.
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    d->pending[id] = BroadbandInterfacePrivate::Request::SupportedCommands;
    d->pendingService[id] = serviceId;
    QTimer::singleShot(0, [weak = weak_from_this(), id] {
        if (auto i = weak.lock(); i && !i->d->removed)
            Complete(*i, *i->d, id, BroadbandInterfacePrivate::Request::SupportedCommands, Hr::Ok, nullptr);
    });
    return Hr::Ok;
}

HRESULT BroadbandInterface::DeviceServiceCommand(const std::string& serviceId, std::uint32_t commandId, bool set,
                                                 const std::vector<std::uint8_t>& payload, std::uint32_t& requestId)
{
    if (!d->device || d->removed)
        return Hr::NotReady;
    MbimService mbimService = MBIM_SERVICE_INVALID;
    if (!ServiceFromId(serviceId, mbimService))
        return Hr::NotSupported;
    MbimMessage* request = mbim_message_command_new(
        0, mbimService, commandId, set ? MBIM_MESSAGE_COMMAND_TYPE_SET : MBIM_MESSAGE_COMMAND_TYPE_QUERY);
    if (!payload.empty())
        mbim_message_command_append(request, payload.data(), static_cast<guint32>(payload.size()));
    requestId = service.NextRequestId();
    const std::uint32_t id = requestId;
    const auto kind =
        set ? BroadbandInterfacePrivate::Request::ServiceSet : BroadbandInterfacePrivate::Request::ServiceQuery;
    d->pending[id] = kind;
    d->pendingCommand[id] = commandId;
    Send(*this, *d, request, queryTimeoutSeconds, [id, kind](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
        std::vector<std::uint8_t> data;
        if (!Failed(hr)) {
            guint32 length = 0;
            const guint8* buffer = mbim_message_command_done_get_raw_information_buffer(m, &length);
            if (buffer && length)
                data.assign(buffer, buffer + length);
        }
        Complete(i, *i.d, id, kind, hr, nullptr, &data);
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
    Send(*this, *d, request, timeoutSeconds, [done = std::move(done)](BroadbandInterface&, MbimMessage* m, HRESULT hr) {
        UssdAnswer answer;
        answer.status = hr;
        if (!Failed(hr)) {
            MbimUssdResponse response{};
            MbimUssdSessionState state{};
            guint32 dcs = 0, size = 0;
            const guint8* bytes = nullptr;
            GError* parseError = nullptr;
            if (mbim_message_ussd_response_parse(m, &response, &state, &dcs, &size, &bytes, &parseError)) {
                answer.response = response;
                answer.sessionState = state;
                answer.dataCodingScheme = dcs;
                if (bytes && size)
                    answer.payload.assign(bytes, bytes + size);
            } else {
                LogParseError("USSD", parseError);
                answer.status = Hr::Fail;
            }
        }
        done(answer);
    });
    return Hr::Ok;
}

namespace {

void Complete(BroadbandInterface& iface, BroadbandInterfacePrivate& d, std::uint32_t requestId,
              BroadbandInterfacePrivate::Request kind, HRESULT hr, const std::vector<SmsPduMessage>* messages,
              const std::vector<std::uint8_t>* data)
{
    // Removal answers every pending request once; a late answer finds nothing to complete.
    if (d.pending.erase(requestId) == 0)
        return;
    BroadbandService& service = iface.Service();
    using R = BroadbandInterfacePrivate::Request;
    switch (kind) {
    case R::SmsSend: service.Raise(&IBroadbandSmsEvents::OnSmsSendComplete, iface, requestId, hr); break;
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
    case R::PinEnter: service.Raise(&IBroadbandPinEvents::OnEnterComplete, iface, requestId, hr); break;
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

} // namespace

// --- BroadbandService ----------------------------------------------------------------------

struct BroadbandService::Watch
{
    QObject context;
    udev* udevContext = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer poll;
    std::vector<std::string> givenPaths;
    std::vector<std::string> initialPaths;

    ~Watch()
    {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (udevContext)
            udev_unref(udevContext);
    }
};

BroadbandService::BroadbandService(Options options) : options(std::move(options)), watch(std::make_unique<Watch>())
{
    watch->givenPaths = this->options.paths;
}

BroadbandService::~BroadbandService()
{
    if (defaultService == this)
        defaultService = nullptr;
    // Detach every sink: those that outlive the service must not reach back into it.
    advised.clear();
    lifetime.reset();
    // Interfaces go first: their handlers still refer to the service while they close.
    devices.clear();
    arrivalOrder.clear();
    watch.reset();
}

BroadbandService* BroadbandService::Default()
{
    return defaultService;
}

void BroadbandService::SetDefault(BroadbandService* service)
{
    defaultService = service;
}

bool BroadbandService::ProxyRunning()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    static const char name[] = MBIM_PROXY_SOCKET_PATH;
    // Abstract socket: a leading NUL, then the name without terminator.
    std::memcpy(address.sun_path + 1, name, sizeof(name) - 1);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + sizeof(name) - 1);
    const bool running = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    ::close(fd);
    return running;
}

std::vector<std::string> BroadbandService::ScanSysfs(const std::string& sysClassDir)
{
    namespace fs = std::filesystem;
    std::vector<std::string> nodes;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysClassDir, ec)) {
        std::error_code linkError;
        const fs::path driver = fs::read_symlink(entry.path() / "device" / "driver", linkError);
        if (!linkError && driver.filename() == "cdc_mbim")
            nodes.push_back("/dev/" + entry.path().filename().string());
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

void BroadbandService::Start()
{
    if (started)
        return;
    started = true;
    std::vector<std::string> paths;
    if (options.scanSysfs)
        paths = ScanSysfs();
    for (const auto& path : watch->givenPaths)
        if (std::find(paths.begin(), paths.end(), path) == paths.end())
            paths.push_back(path);
    for (const auto& path : paths)
        Open(path, true);

    if (options.watchUdev) {
        watch->udevContext = udev_new();
        if (watch->udevContext)
            watch->monitor = udev_monitor_new_from_netlink(watch->udevContext, "udev");
        if (watch->monitor &&
            udev_monitor_filter_add_match_subsystem_devtype(watch->monitor, "usbmisc", nullptr) >= 0 &&
            udev_monitor_enable_receiving(watch->monitor) >= 0) {
            watch->notifier =
                std::make_unique<QSocketNotifier>(udev_monitor_get_fd(watch->monitor), QSocketNotifier::Read);
            QObject::connect(watch->notifier.get(), &QSocketNotifier::activated, &watch->context, [this] {
                udev_device* device = udev_monitor_receive_device(watch->monitor);
                if (!device)
                    return;
                const char* action = udev_device_get_action(device);
                const char* node = udev_device_get_devnode(device);
                udev_device* parent = udev_device_get_parent(device);
                const char* driver = parent ? udev_device_get_driver(parent) : nullptr;
                if (action && node) {
                    if (std::strcmp(action, "add") == 0 && driver && std::strcmp(driver, "cdc_mbim") == 0)
                        Open(node, false);
                    else if (std::strcmp(action, "remove") == 0)
                        if (auto it = devices.find(node); it != devices.end())
                            InterfaceRemoved(*it->second);
                }
                udev_device_unref(device);
            });
        } else {
            qCInfo(lcBroadband) << "No udev monitor; device arrival is followed for given paths only";
        }
    }

    watch->poll.setInterval(pathPollMs);
    QObject::connect(&watch->poll, &QTimer::timeout, &watch->context, [this] { PollPaths(); });
    watch->poll.start();
}

bool BroadbandService::WaitUntilSettled(int timeoutMs)
{
    return ProcessEventsUntil([this] { return IsSettled(); }, timeoutMs);
}

void BroadbandService::AddDevicePath(const std::string& path)
{
    if (std::find(watch->givenPaths.begin(), watch->givenPaths.end(), path) == watch->givenPaths.end())
        watch->givenPaths.push_back(path);
    triedNodes.erase(path);
    if (started)
        Open(path, false);
}

void BroadbandService::RemoveDevicePath(const std::string& path)
{
    std::erase(watch->givenPaths, path);
    triedNodes.erase(path);
    if (auto it = devices.find(path); it != devices.end())
        InterfaceRemoved(*it->second);
}

void BroadbandService::PollPaths()
{
    // Given paths have no udev events (a pseudo-terminal has none): a node that appears again
    // under its path is opened as a new arrival.
    for (const auto& path : watch->givenPaths) {
        if (devices.count(path))
            continue;
        const std::uint64_t node = NodeIdentity(path);
        if (node == 0)
            continue;
        if (auto it = triedNodes.find(path); it != triedNodes.end() && it->second == node)
            continue;
        Open(path, false);
    }
}

void BroadbandService::Open(const std::string& path, bool initial)
{
    if (devices.count(path))
        return;
    triedNodes[path] = NodeIdentity(path);
    auto iface = std::make_shared<BroadbandInterface>(*this, path);
    devices[path] = iface;
    if (initial) {
        ++pendingInitialOpens;
        watch->initialPaths.push_back(path);
    }
    iface->Open(options.useProxyWhenRunning);
}

namespace {

// Namespace of the name-based interface IDs.
const QUuid interfaceNamespace("{6f1d2b9e-4c57-4a3e-9a43-2b8f0e6c5d71}");

std::string ReadSysfsText(const std::filesystem::path& file)
{
    FILE* f = std::fopen(file.c_str(), "re");
    if (!f)
        return {};
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof(buffer) - 1, f);
    std::fclose(f);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string InterfaceIdOf(const std::string& name)
{
    return QUuid::createUuidV5(interfaceNamespace, QString::fromStdString(name))
        .toString(QUuid::WithBraces)
        .toUpper()
        .toStdString();
}

} // namespace

std::string BroadbandService::UniqueId(BroadbandInterface& iface)
{
    const std::string& identity = iface.d->identity;
    // Devices reporting one device ID (cloned IDs) each take an ID made with their place, whatever
    // order they open in; a device alone keeps the plain one.
    std::vector<BroadbandInterface*> twins;
    for (const auto& [path, other] : devices)
        if (other.get() != &iface && other->ready && !other->d->removed && other->d->identity == identity)
            twins.push_back(other.get());
    if (twins.empty())
        return InterfaceIdOf(identity);
    const std::string plain = InterfaceIdOf(identity);
    for (BroadbandInterface* twin : twins) {
        if (twin->id != plain)
            continue;
        // It arrived alone under the plain ID: it leaves under that one and comes back under its own.
        auto keep = twin->shared_from_this();
        Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceRemoval, *twin);
        if (twin->d->removed)
            continue;
        twin->id = InterfaceIdOf(identity + "@" + twin->d->place);
        qCDebug(lcBroadband) << "Device" << twin->path.c_str() << "is now interface" << twin->id.c_str();
        Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceArrival, *twin);
    }
    return InterfaceIdOf(identity + "@" + iface.d->place);
}

void BroadbandService::InterfaceOpened(BroadbandInterface& iface)
{
    if (iface.d->removed || iface.ready)
        return;
    namespace fs = std::filesystem;
    // The identity survives reconnects: the device ID when the device gives one, else the USB
    // port for a USB node, else the path.
    std::string identity;
    auto& caps = iface.d->caps;
    if (caps.deviceId && !caps.deviceId->empty())
        identity = "device:" + *caps.deviceId;
    const fs::path sysNode = fs::path("/sys/class/usbmisc") / fs::path(iface.path).filename();
    std::error_code ec;
    const fs::path usbInterface = fs::canonical(sysNode / "device", ec);
    std::string place = "path:" + iface.path;
    if (!ec && iface.path.rfind("/dev/", 0) == 0) {
        place = "usb:" + usbInterface.filename().string();
        const std::string manufacturer = ReadSysfsText(usbInterface.parent_path() / "manufacturer");
        const std::string product = ReadSysfsText(usbInterface.parent_path() / "product");
        if (!manufacturer.empty())
            caps.manufacturer = manufacturer;
        if (!product.empty() && (!caps.model || caps.model->empty()))
            caps.model = product;
    }
    if (identity.empty())
        identity = place;
    iface.d->identity = identity;
    iface.d->place = place;
    iface.id = UniqueId(iface);
    if (iface.d->removed)
        return;
    iface.ready = true;
    arrivalOrder.push_back(iface.path);
    qCDebug(lcBroadband) << "Device" << iface.path.c_str() << "is interface" << iface.id.c_str();
    if (auto it = std::find(watch->initialPaths.begin(), watch->initialPaths.end(), iface.path);
        it != watch->initialPaths.end()) {
        watch->initialPaths.erase(it);
        --pendingInitialOpens;
    }
    auto keep = iface.shared_from_this();
    Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceArrival, iface);
}

void BroadbandService::InterfaceFailed(BroadbandInterface& iface)
{
    if (auto it = std::find(watch->initialPaths.begin(), watch->initialPaths.end(), iface.path);
        it != watch->initialPaths.end()) {
        watch->initialPaths.erase(it);
        --pendingInitialOpens;
    }
    auto keep = iface.shared_from_this();
    iface.d->removed = true;
    devices.erase(iface.path);
    // Closing inside a libmbim callback would free the device under its own feet.
    QTimer::singleShot(0, &watch->context, [keep] { keep->Close(); });
}

void BroadbandService::InterfaceRemoved(BroadbandInterface& iface)
{
    // udev, the device's removal signal and a removed path may all report one removal.
    if (iface.d->removed)
        return;
    auto keep = iface.shared_from_this();
    const bool wasReady = iface.ready;
    if (!wasReady) {
        InterfaceFailed(iface);
        return;
    }
    triedNodes[iface.path] = NodeIdentity(iface.path);
    std::erase(arrivalOrder, iface.path);
    devices.erase(iface.path);
    Raise(&IBroadbandInterfaceManagerEvents::OnInterfaceRemoval, iface);
    // Pending requests would otherwise only end at their timeout: answer them now.
    const auto pending = iface.d->pending;
    for (const auto& [requestId, kind] : pending)
        Complete(iface, *iface.d, requestId, kind, Hr::NotReady, nullptr);
    iface.ready = false;
    iface.d->removed = true;
    g_cancellable_cancel(iface.d->cancellable);
    QTimer::singleShot(0, &watch->context, [keep] { keep->Close(); });
}

HRESULT BroadbandService::GetInterfaces(std::vector<std::shared_ptr<BroadbandInterface>>& interfaces) const
{
    if (!started)
        return Hr::ServiceNotStarted;
    interfaces.clear();
    for (const auto& path : arrivalOrder)
        if (auto it = devices.find(path); it != devices.end() && it->second->ready)
            interfaces.push_back(it->second);
    return Hr::Ok;
}

HRESULT BroadbandService::GetInterface(const std::string& interfaceId, std::shared_ptr<BroadbandInterface>& iface) const
{
    if (!started)
        return Hr::ServiceNotStarted;
    for (const auto& [path, candidate] : devices)
        if (candidate->ready && candidate->id == interfaceId) {
            iface = candidate;
            return Hr::Ok;
        }
    return Hr::DeviceNotFound;
}

HRESULT BroadbandService::AdviseKind(BroadbandEventKind kind, void* sink, std::uint32_t& cookie)
{
    if (!sink)
        return Hr::InvalidArg;
    cookie = ++lastCookie;
    advised.push_back({cookie, kind, sink});
    return Hr::Ok;
}

HRESULT BroadbandService::Unadvise(std::uint32_t cookie)
{
    const auto removed = std::erase_if(advised, [cookie](const Advised& a) { return a.cookie == cookie; });
    return removed ? Hr::Ok : Hr::InvalidArg;
}

std::vector<std::uint32_t> BroadbandService::CookiesOf(BroadbandEventKind kind) const
{
    std::vector<std::uint32_t> cookies;
    for (const auto& a : advised)
        if (a.kind == kind)
            cookies.push_back(a.cookie);
    return cookies;
}

void* BroadbandService::SinkOf(std::uint32_t cookie) const
{
    // Looked up at each call: a sink may be unadvised by an earlier sink's handler.
    for (const auto& a : advised)
        if (a.cookie == cookie)
            return a.sink;
    return nullptr;
}
