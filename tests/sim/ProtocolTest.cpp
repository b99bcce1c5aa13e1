// Framing, errors and the Basic Connect service, checked with libmbim's parsers.
#include "Host.h"

using simtest::Host;
using simtest::Message;

namespace {

sim::Bytes commandBytes(uint32_t tid, const sim::mbim::Uuid& service, uint32_t cid, uint32_t type,
                        const sim::Bytes& info, uint32_t total = 1, uint32_t current = 0, int64_t declared = -1)
{
    sim::Bytes b;
    sim::putU32(b, 3);
    sim::putU32(b, uint32_t(48 + info.size()));
    sim::putU32(b, tid);
    sim::putU32(b, total);
    sim::putU32(b, current);
    b.insert(b.end(), service.begin(), service.end());
    sim::putU32(b, cid);
    sim::putU32(b, type);
    sim::putU32(b, declared < 0 ? uint32_t(info.size()) : uint32_t(declared));
    b.insert(b.end(), info.begin(), info.end());
    return b;
}

uint32_t errorOf(const Message& m)
{
    EXPECT_EQ(mbim_message_get_message_type(m.get()), MBIM_MESSAGE_TYPE_FUNCTION_ERROR);
    return mbim_message_error_get_error_status_code(m.get());
}

} // namespace

TEST(SimFraming, CommandBeforeOpenIsRefused)
{
    Host host;
    auto out = host.send(mbim_message_device_caps_query_new(nullptr));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(errorOf(out[0]), MBIM_PROTOCOL_ERROR_NOT_OPENED);
    EXPECT_EQ(mbim_message_get_transaction_id(out[0].get()), host.tid);
}

struct MalformedCase
{
    const char* name;
    sim::Bytes bytes;
    uint32_t error;
};

class SimMalformed : public testing::TestWithParam<MalformedCase>
{ };

TEST_P(SimMalformed, AnsweredWithErrorAndServingGoesOn)
{
    Host host;
    host.open();
    auto out = host.raw(GetParam().bytes);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(errorOf(out.back()), GetParam().error);
    // The modem still answers a proper request afterwards.
    auto done = host.command(mbim_message_radio_state_query_new(nullptr));
    EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_NONE);
}

static sim::Bytes withLength(sim::Bytes b, uint32_t length)
{
    for (int i = 0; i < 4; ++i)
        b[4 + i] = uint8_t(length >> (8 * i));
    return b;
}

static sim::Bytes cut(const sim::Bytes& b, size_t n)
{
    return withLength(sim::Bytes(b.begin(), b.begin() + n), uint32_t(n));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimMalformed,
    testing::Values(MalformedCase{"InformationLongerThanMessage",
                                  commandBytes(7, sim::mbim::BasicConnect, 1, 0, {1, 2, 3, 4}, 1, 0, 40),
                                  MBIM_PROTOCOL_ERROR_LENGTH_MISMATCH},
                    MalformedCase{"CommandHeaderCut", cut(commandBytes(7, sim::mbim::BasicConnect, 1, 0, {}), 24),
                                  MBIM_PROTOCOL_ERROR_LENGTH_MISMATCH},
                    MalformedCase{"LengthBelowHeader", withLength(sim::Bytes(12, 0), 4),
                                  MBIM_PROTOCOL_ERROR_LENGTH_MISMATCH},
                    MalformedCase{"UnknownMessageType", withLength(sim::Bytes{9, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}, 12),
                                  MBIM_PROTOCOL_ERROR_UNKNOWN},
                    MalformedCase{"FragmentWithoutStart", commandBytes(8, sim::mbim::BasicConnect, 1, 0, {}, 2, 1),
                                  MBIM_PROTOCOL_ERROR_FRAGMENT_OUT_OF_SEQUENCE},
                    MalformedCase{"FragmentNumberBeyondTotal", commandBytes(8, sim::mbim::BasicConnect, 1, 0, {}, 2, 2),
                                  MBIM_PROTOCOL_ERROR_LENGTH_MISMATCH}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFraming, UnknownServiceAndCidGetNoDeviceSupport)
{
    Host host;
    host.open();
    const sim::mbim::Uuid unknown = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (auto [service, cid] : {std::pair{unknown, 1u}, std::pair{sim::mbim::BasicConnect, 12u},
                                std::pair{sim::mbim::Sms, 9u}, std::pair{sim::mbim::Phonebook, 7u}}) {
        auto out = host.raw(commandBytes(++host.tid, service, cid, 0, {}));
        auto done = host.pick(out);
        EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_NO_DEVICE_SUPPORT)
            << sim::mbim::serviceName(service) << " " << cid;
    }
}

TEST(SimFraming, FragmentedRequestIsJoined)
{
    Host host;
    host.open();
    // A phonebook write whose information buffer arrives in three fragments.
    Message request(mbim_message_phonebook_write_set_new(MBIM_PHONEBOOK_WRITE_FLAG_SAVE_INDEX, 9, "+15550100999",
                                                         "Fragmented", nullptr));
    guint32 length = 0;
    const guint8* raw = mbim_message_get_raw(request.get(), &length, nullptr);
    sim::Bytes info(raw + 48, raw + length);
    sim::Bytes first = commandBytes(++host.tid, sim::mbim::Phonebook, 4, 1, sim::Bytes(info.begin(), info.begin() + 10),
                                    3, 0, int64_t(info.size()));
    auto fragment = [&](uint32_t n, size_t from, size_t to) {
        sim::Bytes b;
        sim::putU32(b, 3);
        sim::putU32(b, uint32_t(20 + to - from));
        sim::putU32(b, host.tid);
        sim::putU32(b, 3);
        sim::putU32(b, n);
        b.insert(b.end(), info.begin() + from, info.begin() + to);
        return b;
    };
    EXPECT_TRUE(host.raw(first).empty());
    EXPECT_TRUE(host.raw(fragment(1, 10, 30)).empty());
    auto out = host.raw(fragment(2, 30, info.size()));
    auto done = host.pick(out);
    EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_NONE);
    ASSERT_TRUE(host.core.sim().phonebook.count(9));
    EXPECT_EQ(host.core.sim().phonebook.at(9).number, "+15550100999");
}

TEST(SimFraming, MissingFragmentTimesOut)
{
    Host host;
    host.open();
    host.raw(commandBytes(++host.tid, sim::mbim::BasicConnect, 1, 0, {0, 0, 0, 0}, 2, 0, 8));
    EXPECT_TRUE(host.advance(1000).empty());
    auto out = host.advance(500);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(errorOf(out[0]), MBIM_PROTOCOL_ERROR_TIMEOUT_FRAGMENT);
}

TEST(SimFraming, LargeReplyIsFragmentedToHostLimit)
{
    Host host;
    host.open(64);
    auto done = host.command(mbim_message_device_caps_query_new(nullptr));
    ASSERT_GT(host.lastFragments.size(), 2u);
    for (size_t size : host.lastFragments)
        EXPECT_LE(size, 64u);
    gchar* firmware = nullptr;
    ASSERT_TRUE(mbim_message_device_caps_response_parse(done.get(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                        nullptr, nullptr, nullptr, nullptr, nullptr, &firmware, nullptr,
                                                        nullptr));
    EXPECT_STREQ(firmware, "PLW-SIM 1.0.0");
    g_free(firmware);
}

TEST(SimFraming, CloseEndsTheSession)
{
    Host host;
    host.open();
    auto out = host.send(mbim_message_close_new(0));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(mbim_message_get_message_type(out[0].get()), MBIM_MESSAGE_TYPE_CLOSE_DONE);
    // No indications once closed.
    host.core.setSignal(5, 0);
    EXPECT_TRUE(host.drain().empty());
}

TEST(SimBasicConnect, RadioOffDeregistersAndIndicates)
{
    Host host;
    host.open();
    auto done = host.command(mbim_message_radio_state_set_new(MBIM_RADIO_SWITCH_STATE_OFF, nullptr));
    MbimRadioSwitchState hw, sw;
    ASSERT_TRUE(mbim_message_radio_state_response_parse(done.get(), &hw, &sw, nullptr));
    EXPECT_EQ(sw, MBIM_RADIO_SWITCH_STATE_OFF);
    EXPECT_EQ(host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_RADIO_STATE).size(), 1u);
    auto reg = host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_REGISTER_STATE);
    ASSERT_EQ(reg.size(), 1u);
    MbimRegisterState state;
    ASSERT_TRUE(mbim_message_register_state_notification_parse(reg[0].get(), nullptr, &state, nullptr, nullptr, nullptr,
                                                               nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(state, MBIM_REGISTER_STATE_DEREGISTERED);
    EXPECT_EQ(Host::status(host.command(
                  mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_FULL_SCAN, nullptr))),
              MBIM_STATUS_ERROR_RADIO_POWER_OFF);
    host.command(mbim_message_radio_state_set_new(MBIM_RADIO_SWITCH_STATE_ON, nullptr));
    done = host.command(mbim_message_register_state_query_new(nullptr));
    ASSERT_TRUE(mbim_message_register_state_response_parse(done.get(), nullptr, &state, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(state, MBIM_REGISTER_STATE_HOME);
}

TEST(SimBasicConnect, PinAttemptsThenPuk)
{
    sim::ModemConfig config = Host::testConfig();
    config.simLocked = true;
    Host host(config);
    host.open();
    EXPECT_EQ(
        Host::status(host.command(mbim_message_sms_read_query_new(MBIM_SMS_FORMAT_PDU, MBIM_SMS_FLAG_ALL, 0, nullptr))),
        MBIM_STATUS_ERROR_NOT_INITIALIZED);
    for (uint32_t left : {2u, 1u}) {
        auto done =
            host.command(mbim_message_pin_set_new(MBIM_PIN_TYPE_PIN1, MBIM_PIN_OPERATION_ENTER, "0000", "", nullptr));
        EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_FAILURE);
        done = host.command(mbim_message_pin_query_new(nullptr));
        MbimPinType type;
        MbimPinState state;
        guint32 attempts;
        ASSERT_TRUE(mbim_message_pin_response_parse(done.get(), &type, &state, &attempts, nullptr));
        EXPECT_EQ(type, MBIM_PIN_TYPE_PIN1);
        EXPECT_EQ(state, MBIM_PIN_STATE_LOCKED);
        EXPECT_EQ(attempts, left);
    }
    host.command(mbim_message_pin_set_new(MBIM_PIN_TYPE_PIN1, MBIM_PIN_OPERATION_ENTER, "0000", "", nullptr));
    auto done = host.command(mbim_message_pin_query_new(nullptr));
    MbimPinType type;
    guint32 attempts;
    ASSERT_TRUE(mbim_message_pin_response_parse(done.get(), &type, nullptr, &attempts, nullptr));
    EXPECT_EQ(type, MBIM_PIN_TYPE_PUK1);
    EXPECT_EQ(attempts, 10u);
    // Even the right PIN no longer helps.
    EXPECT_EQ(Host::status(host.command(
                  mbim_message_pin_set_new(MBIM_PIN_TYPE_PIN1, MBIM_PIN_OPERATION_ENTER, "1234", "", nullptr))),
              MBIM_STATUS_ERROR_FAILURE);
    EXPECT_EQ(Host::status(host.command(
                  mbim_message_pin_set_new(MBIM_PIN_TYPE_PUK1, MBIM_PIN_OPERATION_ENTER, "12345678", "4321", nullptr))),
              MBIM_STATUS_ERROR_NONE);
    EXPECT_EQ(host.core.sim().pin, "4321");
    auto ready = host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS);
    ASSERT_EQ(ready.size(), 1u);
    MbimSubscriberReadyState readyState;
    gchar** numbers = nullptr;
    ASSERT_TRUE(mbim_message_subscriber_ready_status_notification_parse(ready[0].get(), &readyState, nullptr, nullptr,
                                                                        nullptr, nullptr, &numbers, nullptr));
    EXPECT_EQ(readyState, MBIM_SUBSCRIBER_READY_STATE_INITIALIZED);
    ASSERT_TRUE(numbers && numbers[0]);
    EXPECT_STREQ(numbers[0], "+15550100123");
    g_strfreev(numbers);
    EXPECT_EQ(host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_REGISTER_STATE).size(), 1u);
}

struct RegisterCase
{
    const char* name;
    MbimRegisterAction action;
    const char* provider;
    MbimDataClass dataClass;
    MbimStatusError status;
    MbimRegisterState state; // checked on success and on denial
};

class SimRegister : public testing::TestWithParam<RegisterCase>
{ };

TEST_P(SimRegister, Outcome)
{
    const auto& c = GetParam();
    Host host;
    host.open();
    auto done = host.command(mbim_message_register_state_set_new(c.provider, c.action, c.dataClass, nullptr));
    EXPECT_EQ(Host::status(done), c.status);
    if (c.status == MBIM_STATUS_ERROR_NONE || c.state == MBIM_REGISTER_STATE_DENIED) {
        done = host.command(mbim_message_register_state_query_new(nullptr));
        MbimRegisterState state;
        MbimRegisterMode mode;
        gchar* id = nullptr;
        ASSERT_TRUE(mbim_message_register_state_response_parse(done.get(), nullptr, &state, &mode, nullptr, nullptr,
                                                               &id, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(state, c.state);
        EXPECT_EQ(mode, c.action == MBIM_REGISTER_ACTION_AUTOMATIC ? MBIM_REGISTER_MODE_AUTOMATIC
                                                                   : MBIM_REGISTER_MODE_MANUAL);
        if (c.state != MBIM_REGISTER_STATE_DENIED) {
            EXPECT_STREQ(id, c.action == MBIM_REGISTER_ACTION_AUTOMATIC ? "00101" : c.provider);
        }
        g_free(id);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimRegister,
    testing::Values(RegisterCase{"Automatic", MBIM_REGISTER_ACTION_AUTOMATIC, "", MbimDataClass(0),
                                 MBIM_STATUS_ERROR_NONE, MBIM_REGISTER_STATE_HOME},
                    RegisterCase{"ManualHome", MBIM_REGISTER_ACTION_MANUAL, "00101", MBIM_DATA_CLASS_LTE,
                                 MBIM_STATUS_ERROR_NONE, MBIM_REGISTER_STATE_HOME},
                    RegisterCase{"ManualRoaming", MBIM_REGISTER_ACTION_MANUAL, "00102", MbimDataClass(0),
                                 MBIM_STATUS_ERROR_NONE, MBIM_REGISTER_STATE_ROAMING},
                    RegisterCase{"Forbidden", MBIM_REGISTER_ACTION_MANUAL, "00103", MbimDataClass(0),
                                 MBIM_STATUS_ERROR_FAILURE, MBIM_REGISTER_STATE_DENIED},
                    RegisterCase{"NotVisible", MBIM_REGISTER_ACTION_MANUAL, "99999", MbimDataClass(0),
                                 MBIM_STATUS_ERROR_PROVIDER_NOT_VISIBLE, MBIM_REGISTER_STATE_UNKNOWN},
                    RegisterCase{"DataClassMissing", MBIM_REGISTER_ACTION_MANUAL, "00102", MBIM_DATA_CLASS_LTE,
                                 MBIM_STATUS_ERROR_DATA_CLASS_NOT_AVAILABLE, MBIM_REGISTER_STATE_UNKNOWN}),
    [](const auto& info) { return std::string(info.param.name); });

// The operator's registration control: without a provider ID, home registers on the SIM's home
// network and roaming on the roaming partner, whatever the modem was registered on before.
TEST(SimBasicConnect, ControlledRegistrationPicksItsProvider)
{
    struct Step
    {
        uint32_t state;
        const char* provider;
        MbimRegisterState expectedState;
        const char* expectedId;
    };
    // The modem starts registered at home.
    const Step steps[] = {
        {sim::RegRoaming, "", MBIM_REGISTER_STATE_ROAMING, "00102"},
        {sim::RegHome, "", MBIM_REGISTER_STATE_HOME, "00101"},
        {sim::RegRoaming, "", MBIM_REGISTER_STATE_ROAMING, "00102"},
        {sim::RegPartner, "", MBIM_REGISTER_STATE_PARTNER, "00102"},
        {sim::RegHome, "", MBIM_REGISTER_STATE_HOME, "00101"},
        {sim::RegRoaming, "00103", MBIM_REGISTER_STATE_ROAMING, "00103"},
        {sim::RegHome, "", MBIM_REGISTER_STATE_HOME, "00101"},
        {sim::RegHome, "00102", MBIM_REGISTER_STATE_HOME, "00102"},
        {sim::RegDenied, "", MBIM_REGISTER_STATE_DENIED, ""},
        {sim::RegRoaming, "", MBIM_REGISTER_STATE_ROAMING, "00102"},
    };
    Host host;
    host.open();
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n);
        host.core.setRegistration(step.state, step.provider);
        auto done = host.command(mbim_message_register_state_query_new(nullptr));
        MbimRegisterState state;
        gchar* id = nullptr;
        ASSERT_TRUE(mbim_message_register_state_response_parse(done.get(), nullptr, &state, nullptr, nullptr, nullptr,
                                                               &id, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(state, step.expectedState);
        EXPECT_STREQ(id ? id : "", step.expectedId);
        g_free(id);
    }
}

TEST(SimBasicConnect, VisibleProvidersScanTakesItsTime)
{
    Host host;
    host.open();
    auto done =
        host.command(mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_FULL_SCAN, nullptr));
    EXPECT_FALSE(done);
    EXPECT_TRUE(host.advance(2900).empty());
    auto out = host.advance(100);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(mbim_message_get_transaction_id(out[0].get()), host.tid);
    guint32 count = 0;
    MbimProvider** providers = nullptr;
    ASSERT_TRUE(mbim_message_visible_providers_response_parse(out[0].get(), &count, &providers, nullptr));
    ASSERT_EQ(count, 3u);
    EXPECT_STREQ(providers[0]->provider_id, "00101");
    EXPECT_EQ(providers[0]->provider_state & MBIM_PROVIDER_STATE_REGISTERED, MBIM_PROVIDER_STATE_REGISTERED);
    EXPECT_EQ(providers[2]->provider_state & MBIM_PROVIDER_STATE_FORBIDDEN, MBIM_PROVIDER_STATE_FORBIDDEN);
    mbim_provider_array_free(providers);
}

TEST(SimBasicConnect, ScanAnswerIsDroppedWhenHostReopens)
{
    Host host;
    host.open();
    host.command(mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_FULL_SCAN, nullptr));
    host.open();
    EXPECT_TRUE(host.advance(5000).empty());
}

TEST(SimBasicConnect, SignalAndDataClassIndications)
{
    Host host;
    host.open();
    host.core.setSignal(7, 3);
    host.advance(0);
    auto signal = host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SIGNAL_STATE);
    ASSERT_EQ(signal.size(), 1u);
    guint32 rssi, errorRate;
    ASSERT_TRUE(mbim_message_signal_state_notification_parse(signal[0].get(), &rssi, &errorRate, nullptr, nullptr,
                                                             nullptr, nullptr));
    EXPECT_EQ(rssi, 7u);
    EXPECT_EQ(errorRate, 3u);
    host.core.setDataClass(sim::DataUmts);
    host.advance(0);
    auto packet = host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_PACKET_SERVICE);
    ASSERT_EQ(packet.size(), 1u);
    MbimDataClass dataClass;
    MbimPacketServiceState state;
    ASSERT_TRUE(mbim_message_packet_service_notification_parse(packet[0].get(), nullptr, &state, &dataClass, nullptr,
                                                               nullptr, nullptr));
    EXPECT_EQ(state, MBIM_PACKET_SERVICE_STATE_ATTACHED);
    EXPECT_EQ(dataClass, MBIM_DATA_CLASS_UMTS);
}

TEST(SimBasicConnect, SubscribeListFiltersIndications)
{
    Host host;
    host.open();
    MbimEventEntry entry;
    memcpy(&entry.device_service_id, mbim_uuid_from_service(MBIM_SERVICE_SMS), sizeof entry.device_service_id);
    guint32 cids[] = {MBIM_CID_SMS_MESSAGE_STORE_STATUS};
    entry.cids_count = 1;
    entry.cids = cids;
    MbimEventEntry* list[] = {&entry, nullptr};
    auto done = host.command(
        mbim_message_device_service_subscribe_list_set_new(1, (const MbimEventEntry* const*)list, nullptr));
    EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_NONE);
    host.core.setSignal(3, 0);
    sim::DeliverRequest sms{"+15550100300", u"Hello", false, false, {}};
    host.core.deliverSms(sms);
    host.advance(0);
    EXPECT_TRUE(host.take(MBIM_SERVICE_BASIC_CONNECT, MBIM_CID_BASIC_CONNECT_SIGNAL_STATE).empty());
    EXPECT_EQ(host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS).size(), 1u);
}

TEST(SimFraming, ShorterDelayDoesNotLetALaterReplyOvertakeAnEarlierOne)
{
    // An early reply describes older state: coming after a later one it would undo what the host
    // has since learnt (a message read again after its deletion was confirmed).
    Host host;
    host.open();
    host.core.setReplyDelay(800);
    EXPECT_TRUE(host.send(mbim_message_device_caps_query_new(nullptr)).empty());
    const uint32_t first = host.tid;
    host.core.setReplyDelay(0);
    EXPECT_TRUE(host.send(mbim_message_device_caps_query_new(nullptr)).empty()) << "waits for the earlier reply";
    const uint32_t second = host.tid;
    EXPECT_TRUE(host.advance(700).empty());
    auto out = host.advance(100);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(mbim_message_get_transaction_id(out[0].get()), first);
    EXPECT_EQ(mbim_message_get_transaction_id(out[1].get()), second);
    host.core.advance(host.core.now() + 10);
    EXPECT_EQ(host.send(mbim_message_device_caps_query_new(nullptr)).size(), 1u) << "no delay once all went out";
}
