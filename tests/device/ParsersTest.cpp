// The parsers of device answers, fed messages framed as the simulated modem frames them.

#include "device/service/MbimParsers.h"

#include "sim/Mbim.h"
#include "sim/Wire.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace mbimx;
using sim::Bytes;
using sim::Writer;
namespace wire = sim::mbim;

namespace {

using Message = std::unique_ptr<MbimMessage, decltype(&mbim_message_unref)>;

Message Wrap(const Bytes& bytes)
{
    return Message(mbim_message_new(bytes.data(), static_cast<guint32>(bytes.size())), &mbim_message_unref);
}

Message Done(const wire::Uuid& service, std::uint32_t cid, const Bytes& info)
{
    return Wrap(wire::commandDone(7, service, cid, 0, info, 64 * 1024).front());
}

Message Indication(const wire::Uuid& service, std::uint32_t cid, const Bytes& info)
{
    return Wrap(wire::indicateStatus(0, service, cid, info, 64 * 1024).front());
}

Bytes Words(std::initializer_list<std::uint32_t> words)
{
    Writer w;
    for (auto v : words)
        w.u32(v);
    return w.finish();
}

Bytes RegisterInfo(std::uint32_t state, const std::u16string& id, const std::u16string& name,
                   const std::u16string& roaming)
{
    Writer w;
    w.u32(0);          // network error
    w.u32(state);      // register state
    w.u32(1);          // automatic
    w.u32(0x20 | 0x1); // LTE, GPRS
    w.u32(1);          // GSM
    w.string(id);
    w.string(name);
    w.string(roaming);
    w.u32(2);
    return w.finish();
}

Bytes ProviderInfo(const std::u16string& id, std::uint32_t state, const std::u16string& name)
{
    Writer w;
    w.string(id);
    w.u32(state);
    w.string(name);
    w.u32(1);
    w.u32(20);
    w.u32(0);
    return w.finish();
}

Bytes SmsConfigurationInfo(const std::u16string& address)
{
    Writer w;
    w.u32(1);  // initialized
    w.u32(0);  // PDU
    w.u32(50); // capacity
    w.u32(0);
    w.string(address);
    return w.finish();
}

Bytes PinListInfo()
{
    Writer w;
    const std::uint32_t rows[10][4] = {{1, 1, 4, 8}, {2, 1, 4, 8}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
                                       {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 6, 16}};
    for (const auto& row : rows)
        for (auto v : row)
            w.u32(v);
    return w.finish();
}

constexpr std::uint32_t RadioCid = 3, PinListCid = 5, HomeCid = 6, RegisterCid = 9, PacketCid = 10, SignalCid = 11,
                        SmsConfigCid = 1;

TEST(MbimParsers, SignalOutsideItsRangesIsUnknown)
{
    struct Case
    {
        std::uint32_t rssi, errorRate, strength, error;
    };
    for (const Case& c : {Case{20, 3, 20, 3}, Case{0, 0, 0, 0}, Case{31, 7, 31, 7}, Case{32, 8, 99, 99},
                          Case{99, 99, 99, 99}, Case{0xFFFFFFFF, 40, 99, 99}}) {
        SCOPED_TRACE(testing::Message() << c.rssi << "/" << c.errorRate);
        const auto info = Words({c.rssi, c.errorRate, 0, 0, 0});
        const auto parsed = ParseSignalState(Done(wire::BasicConnect, SignalCid, info).get(), Form::Response);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->strength, c.strength);
        EXPECT_EQ(parsed->error, c.error);
        const auto indicated =
            ParseSignalState(Indication(wire::BasicConnect, SignalCid, info).get(), Form::Notification);
        ASSERT_TRUE(indicated);
        EXPECT_EQ(indicated->strength, c.strength);
    }
}

TEST(MbimParsers, RegistrationKeepsItsTexts)
{
    const auto parsed = ParseRegisterState(
        Done(wire::BasicConnect, RegisterCid, RegisterInfo(4, u"00101", u"Simnet", u"Roaming")).get(), Form::Response);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->state, 4);
    EXPECT_EQ(parsed->mode, 1);
    EXPECT_EQ(parsed->availableDataClasses, 0x21u);
    EXPECT_EQ(parsed->providerId, "00101");
    EXPECT_EQ(parsed->providerName, "Simnet");
    EXPECT_EQ(parsed->roamingText, "Roaming");
}

TEST(MbimParsers, PacketServiceCountsOnlyWhileAttached)
{
    for (const auto& [state, expected] :
         std::vector<std::pair<std::uint32_t, std::uint32_t>>{{2, 0x20}, {1, 0}, {4, 0}}) {
        Writer w;
        w.u32(0);
        w.u32(state);
        w.u32(0x20);
        w.u64(0);
        w.u64(0);
        const auto parsed = ParsePacketService(Done(wire::BasicConnect, PacketCid, w.finish()).get(), Form::Response);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(*parsed, expected) << "state " << state;
    }
}

TEST(MbimParsers, AnEmptyServiceCentreIsNone)
{
    auto parsed = ParseSmsConfiguration(Done(wire::Sms, SmsConfigCid, SmsConfigurationInfo(u"+15550109999")).get());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->serviceCenterAddress, "+15550109999");
    EXPECT_EQ(parsed->maxMessageIndex, 50u);
    parsed = ParseSmsConfiguration(Done(wire::Sms, SmsConfigCid, SmsConfigurationInfo(u"")).get());
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->serviceCenterAddress);
}

TEST(MbimParsers, ProviderStateKeepsTheBroadbandBits)
{
    const auto home =
        ParseHomeProvider(Done(wire::BasicConnect, HomeCid, ProviderInfo(u"00101", 0xFF, u"Simnet")).get());
    ASSERT_TRUE(home);
    EXPECT_EQ(home->providerId, "00101");
    EXPECT_EQ(home->providerName, "Simnet");
    EXPECT_EQ(home->providerState, 0x3Fu);
}

TEST(MbimParsers, PinListSkipsUnsupportedAndNamesTheTypes)
{
    const auto pins = ParsePinList(Done(wire::BasicConnect, PinListCid, PinListInfo()).get());
    ASSERT_TRUE(pins);
    ASSERT_EQ(pins->size(), 3u);
    EXPECT_EQ((*pins)[0].pinType, 2); // PIN1
    EXPECT_EQ((*pins)[1].pinType, 3); // PIN2
    EXPECT_EQ((*pins)[2].pinType, 1); // custom, last in the list
    EXPECT_EQ((*pins)[2].pinFormat, 2);
    EXPECT_EQ((*pins)[2].maxLength, 16u);
}

// Every parser gives nothing, and never reads past the message, for an answer cut short of the
// fields it reads (needed bytes) or of the wrong kind.
struct DamageCase
{
    const char* name;
    wire::Uuid service;
    std::uint32_t cid;
    Bytes info;
    std::size_t needed;
    std::function<bool(MbimMessage*, Form)> parse;
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class DamagedAnswers : public testing::TestWithParam<DamageCase>
{ };

TEST_P(DamagedAnswers, FailCleanly)
{
    const DamageCase& c = GetParam();
    ASSERT_LE(c.needed, c.info.size());
    ASSERT_TRUE(c.parse(Done(c.service, c.cid, c.info).get(), Form::Response)) << "the whole answer parses";
    for (std::size_t size : {std::size_t{0}, std::size_t{4}, c.needed / 2, c.needed - 1}) {
        const Bytes cut(c.info.begin(), c.info.begin() + static_cast<long>(size));
        EXPECT_FALSE(c.parse(Done(c.service, c.cid, cut).get(), Form::Response)) << "cut to " << size;
    }
    // An indication is not an answer, and the other way round.
    EXPECT_FALSE(c.parse(Indication(c.service, c.cid, c.info).get(), Form::Response));
}

template <class Parser> std::function<bool(MbimMessage*, Form)> WithForm(Parser parser)
{
    return [parser](MbimMessage* m, Form f) { return parser(m, f).has_value(); };
}

template <class Parser> std::function<bool(MbimMessage*, Form)> ResponseOnly(Parser parser)
{
    return [parser](MbimMessage* m, Form) { return parser(m).has_value(); };
}

INSTANTIATE_TEST_SUITE_P(
    Parsers, DamagedAnswers,
    testing::Values(
        DamageCase{"radio", wire::BasicConnect, RadioCid, Words({1, 1}), 8, WithForm(ParseRadioState)},
        DamageCase{"signal", wire::BasicConnect, SignalCid, Words({20, 3, 0, 0, 0}), 8, WithForm(ParseSignalState)},
        DamageCase{"register", wire::BasicConnect, RegisterCid, RegisterInfo(3, u"0010", u"Simn", u"Home"), 72,
                   WithForm(ParseRegisterState)},
        DamageCase{"sms configuration", wire::Sms, SmsConfigCid, SmsConfigurationInfo(u"+15555"), 36,
                   ResponseOnly(ParseSmsConfiguration)},
        DamageCase{"home provider", wire::BasicConnect, HomeCid, ProviderInfo(u"0010", 1, u"Simn"), 48,
                   ResponseOnly(ParseHomeProvider)},
        DamageCase{"pin list", wire::BasicConnect, PinListCid, PinListInfo(), 160, ResponseOnly(ParsePinList)}),
    [](const testing::TestParamInfo<DamageCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(MbimParsers, ServiceIdsGoBothWays)
{
    MbimService service = MBIM_SERVICE_INVALID;
    ASSERT_TRUE(ServiceFromId("{4BF38476-1E6A-41DB-B1D8-BED289C25BDB}", service));
    EXPECT_EQ(service, MBIM_SERVICE_PHONEBOOK);
    EXPECT_EQ(ServiceIdText(*mbim_uuid_from_service(service)), "{4BF38476-1E6A-41DB-B1D8-BED289C25BDB}");
    for (const char* bad : {"", "4BF38476-1E6A-41DB-B1D8-BED289C25BDB", "{4BF38476-1E6A-41DB-B1D8-BED289C25BDX}",
                            "{00000000-0000-0000-0000-000000000000}"})
        EXPECT_FALSE(ServiceFromId(bad, service)) << bad;
}

} // namespace

namespace {

Bytes ReadyInfo(const std::vector<std::u16string>& numbers)
{
    Writer w;
    w.u32(1); // initialized
    w.string(u"001010123456789");
    w.string(u"8901001234567890123");
    w.u32(0);
    w.u32(static_cast<std::uint32_t>(numbers.size()));
    for (const auto& n : numbers)
        w.string(n);
    return w.finish();
}

constexpr std::uint32_t ReadyCid = 2, VisibleCid = 8, ServicesCid = 16, SmsReadCid = 2, UssdCid = 1;

TEST(MbimParsers, TelephoneNumbersAreReadOnlyFromInsideTheAnswer)
{
    struct Case
    {
        const char* name;
        Bytes info;
        std::optional<std::vector<std::string>> numbers; // nothing: the answer is refused
    };
    Bytes outside = ReadyInfo({u"+15550100", u"+15550101"});
    std::copy_n(Words({0xFFF0}).begin(), 4, outside.begin() + 36); // second number's offset
    Bytes countTooLarge = ReadyInfo({u"+15550100"});
    std::copy_n(Words({0x10000000}).begin(), 4, countTooLarge.begin() + 24);
    const Case cases[] = {
        {"two numbers", ReadyInfo({u"+15550100", u"+15550101"}), std::vector<std::string>{"+15550100", "+15550101"}},
        {"none", ReadyInfo({}), std::vector<std::string>{}},
        {"empty number skipped", ReadyInfo({u"", u"+1555"}), std::vector<std::string>{"+1555"}},
        {"number outside the answer", outside, std::nullopt},
        {"lone surrogate", ReadyInfo({std::u16string(1, char16_t(0xD800))}), std::nullopt},
        {"count beyond the answer", countTooLarge, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Form form : {Form::Response, Form::Notification}) {
            const auto message = form == Form::Response ? Done(wire::BasicConnect, ReadyCid, c.info)
                                                        : Indication(wire::BasicConnect, ReadyCid, c.info);
            const auto parsed = ParseReadyStatus(message.get(), form);
            ASSERT_EQ(parsed.has_value(), c.numbers.has_value());
            if (parsed) {
                EXPECT_EQ(parsed->subscriber.telephoneNumbers, *c.numbers);
                EXPECT_EQ(parsed->subscriber.subscriberId, "001010123456789");
                EXPECT_EQ(parsed->state, 1);
            }
        }
    }
}

// A count the answer cannot hold is refused before any list is allocated for it.
TEST(MbimParsers, ListCountsBeyondTheAnswerAreRefused)
{
    struct Case
    {
        const char* name;
        wire::Uuid service;
        std::uint32_t cid;
        Bytes info;
        bool parses;
    };
    const Case cases[] = {
        {"visible providers, none", wire::BasicConnect, VisibleCid, Words({0}), true},
        {"visible providers, huge count", wire::BasicConnect, VisibleCid, Words({0x7FFFFFFF}), false},
        {"visible providers, one too many", wire::BasicConnect, VisibleCid, Words({2, 0, 0}), false},
        {"device services, huge count", wire::BasicConnect, ServicesCid, Words({0x20000000, 0}), false},
        {"device services, count without table", wire::BasicConnect, ServicesCid, Words({5}), false},
        {"sms read, none", wire::Sms, SmsReadCid, Words({0, 0}), true},
        {"sms read, huge count", wire::Sms, SmsReadCid, Words({0, 0x10000000}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto message = Done(c.service, c.cid, c.info);
        bool parsed = false;
        if (c.cid == VisibleCid && c.service == wire::BasicConnect)
            parsed = ParseVisibleProviders(message.get()).has_value();
        else if (c.cid == ServicesCid)
            parsed = ParseDeviceServices(message.get()).has_value();
        else
            parsed = ParseSmsRead(message.get(), Form::Response).has_value();
        EXPECT_EQ(parsed, c.parses);
    }
}

// Enumerations from the device may hold any value; they come through as the numbers they are.
TEST(MbimParsers, ValuesOutsideTheEnumerationsComeThroughAsNumbers)
{
    Writer w;
    w.u32(0x800000); // response
    w.u32(0x7FFF);   // session state
    w.u32(15);
    const std::vector<std::uint8_t> payload = {0xAA, 0x18};
    w.ref(payload);
    const auto ussd = ParseUssd(Done(wire::Ussd, UssdCid, w.finish()).get());
    ASSERT_TRUE(ussd);
    EXPECT_EQ(ussd->response, 0x800000u);
    EXPECT_EQ(ussd->sessionState, 0x7FFFu);
    EXPECT_EQ(ussd->payload, payload);

    const auto radio =
        ParseRadioState(Done(wire::BasicConnect, RadioCid, Words({7, 0xFFFFFFFF})).get(), Form::Response);
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->hardware, 7);
    EXPECT_EQ(radio->software, -1);
}

} // namespace
