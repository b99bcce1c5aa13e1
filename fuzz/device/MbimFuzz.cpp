// Device answers and indications into the parsers of the device layer. The first byte picks the
// command the rest is the information buffer of, framed as libmbim receives it from the device,
// so that the parsers meet every length and offset a device may send. A first byte from 0xF0 up
// hands the rest to libmbim as a whole message, headers and all, as a broken device could.
#include "device/service/MbimParsers.h"
#include "device/service/UssdService.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace mbimx;

namespace {

enum class Kind { Done, Indication };

struct Command
{
    MbimService service;
    guint32 cid;
    Kind kind;
};

const Command kCommands[] = {
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_DEVICE_CAPS, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS, Kind::Indication},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_RADIO_STATE, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_RADIO_STATE, Kind::Indication},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_PIN_LIST, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_HOME_PROVIDER, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_PREFERRED_PROVIDERS, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_VISIBLE_PROVIDERS, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_REGISTER_STATE, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_REGISTER_STATE, Kind::Indication},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_PACKET_SERVICE, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_PACKET_SERVICE, Kind::Indication},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SIGNAL_STATE, Kind::Done},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SIGNAL_STATE, Kind::Indication},
    {MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_DEVICE_SERVICES, Kind::Done},
    {MBIM_SERVICE_SMS, MBIM_CID_SMS_CONFIGURATION, Kind::Done},
    {MBIM_SERVICE_SMS, MBIM_CID_SMS_READ, Kind::Done},
    {MBIM_SERVICE_SMS, MBIM_CID_SMS_READ, Kind::Indication},
    {MBIM_SERVICE_SMS, MBIM_CID_SMS_SEND, Kind::Done},
    {MBIM_SERVICE_USSD, MBIM_CID_USSD, Kind::Done},
};
constexpr size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];

void Put(std::vector<guint8>& out, guint32 value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<guint8>(value >> (8 * i)));
}

// One whole message (no fragments) carrying info as its information buffer.
std::vector<guint8> Frame(const Command& c, const guint8* info, guint32 size)
{
    const bool done = c.kind == Kind::Done;
    std::vector<guint8> m;
    Put(m, done ? MBIM_MESSAGE_TYPE_COMMAND_DONE : MBIM_MESSAGE_TYPE_INDICATE_STATUS);
    Put(m, (done ? 48 : 44) + size);
    Put(m, 7); // transaction
    Put(m, 1); // fragments in all
    Put(m, 0); // this fragment
    const MbimUuid* uuid = mbim_uuid_from_service(c.service);
    m.insert(m.end(), reinterpret_cast<const guint8*>(uuid), reinterpret_cast<const guint8*>(uuid) + 16);
    Put(m, c.cid);
    if (done)
        Put(m, MBIM_STATUS_ERROR_NONE);
    Put(m, size);
    m.insert(m.end(), info, info + size);
    return m;
}

void Parse(MbimMessage* m, const Command& c)
{
    const Form form = c.kind == Kind::Done ? Form::Response : Form::Notification;
    if (c.service == MBIM_SERVICE_SMS) {
        if (c.cid == MBIM_CID_SMS_CONFIGURATION)
            ParseSmsConfiguration(m);
        else if (c.cid == MBIM_CID_SMS_SEND)
            ParseSmsSend(m);
        else if (auto list = ParseSmsRead(m, form); list && !list->pdu && !list->messages.empty())
            std::abort(); // only PDU lists carry messages
        return;
    }
    if (c.service == MBIM_SERVICE_USSD) {
        if (auto reply = ParseUssd(m)) {
            QString text;
            UssdService::Decode(static_cast<std::uint8_t>(reply->dataCodingScheme), reply->payload, text);
        }
        return;
    }
    switch (c.cid) {
    case MBIM_CID_BASIC_CONNECT_DEVICE_CAPS: ParseCaps(m); break;
    case MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS: ParseReadyStatus(m, form); break;
    case MBIM_CID_BASIC_CONNECT_RADIO_STATE: ParseRadioState(m, form); break;
    case MBIM_CID_BASIC_CONNECT_PIN_LIST:
        if (auto pins = ParsePinList(m); pins && pins->size() > 10)
            std::abort();
        break;
    case MBIM_CID_BASIC_CONNECT_HOME_PROVIDER: ParseHomeProvider(m); break;
    case MBIM_CID_BASIC_CONNECT_PREFERRED_PROVIDERS: ParsePreferredProviders(m); break;
    case MBIM_CID_BASIC_CONNECT_VISIBLE_PROVIDERS: ParseVisibleProviders(m); break;
    case MBIM_CID_BASIC_CONNECT_REGISTER_STATE: ParseRegisterState(m, form); break;
    case MBIM_CID_BASIC_CONNECT_PACKET_SERVICE: ParsePacketService(m, form); break;
    case MBIM_CID_BASIC_CONNECT_SIGNAL_STATE:
        if (auto levels = ParseSignalState(m, form);
            levels && ((levels->strength > 31 && levels->strength != 99) || (levels->error > 7 && levels->error != 99)))
            std::abort(); // out of range is unknown, never a level
        break;
    case MBIM_CID_BASIC_CONNECT_DEVICE_SERVICES:
        if (auto services = ParseDeviceServices(m))
            for (const auto& s : *services) {
                MbimService service{};
                ServiceFromId(s.serviceId, service);
            }
        break;
    default: break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The parsers log every malformed answer; millions of lines would only slow the run.
    static const QtMessageHandler quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    if (size == 0 || size > 64 * 1024)
        return 0;
    const guint8 selector = data[0];
    const guint8* rest = data + 1;
    const auto restSize = static_cast<guint32>(size - 1);
    if (selector >= 0xF0) {
        // libmbim checks the headers of what it reads from the device before anyone parses it.
        if (restSize < 12)
            return 0;
        MbimMessage* m = mbim_message_new(rest, restSize);
        GError* error = nullptr;
        if (mbim_message_validate(m, &error)) {
            // Each parser sees only what libmbim matched to its command, as in the device layer.
            const MbimMessageType type = mbim_message_get_message_type(m);
            const bool done = type == MBIM_MESSAGE_TYPE_COMMAND_DONE;
            if (done || type == MBIM_MESSAGE_TYPE_INDICATE_STATUS) {
                const MbimService service =
                    done ? mbim_message_command_done_get_service(m) : mbim_message_indicate_status_get_service(m);
                const guint32 cid =
                    done ? mbim_message_command_done_get_cid(m) : mbim_message_indicate_status_get_cid(m);
                if (done)
                    InformationBuffer(m);
                for (const Command& c : kCommands)
                    if (c.service == service && c.cid == cid && (c.kind == Kind::Done) == done)
                        Parse(m, c);
            }
        }
        g_clear_error(&error);
        mbim_message_unref(m);
        return 0;
    }
    const Command& c = kCommands[selector % kCommandCount];
    const std::vector<guint8> bytes = Frame(c, rest, restSize);
    MbimMessage* m = mbim_message_new(bytes.data(), static_cast<guint32>(bytes.size()));
    if (c.kind == Kind::Done) {
        const std::vector<std::uint8_t> info = InformationBuffer(m);
        if (info.size() != restSize || (restSize && std::memcmp(info.data(), rest, restSize) != 0))
            std::abort(); // the buffer comes back as it was framed
    }
    Parse(m, c);
    mbim_message_unref(m);
    return 0;
}
