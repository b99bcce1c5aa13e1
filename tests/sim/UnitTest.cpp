// The pure helpers: bounds-checked reading, the GSM alphabet and packing, SMS-SUBMIT
// reading and the state file.
#include "sim/Gsm.h"
#include "sim/SmsPdu.h"
#include "sim/StateFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

TEST(SimWire, ReaderNeverReadsPastTheEnd)
{
    const sim::Bytes data = {8, 0, 0, 0, 4, 0, 0, 0, 'a', 0, 'b', 0};
    sim::Reader r(data);
    EXPECT_EQ(r.string(0), u"ab");
    EXPECT_FALSE(r.u32(9));
    EXPECT_FALSE(r.u32(size_t(-2)));
    const sim::Bytes beyond = {8, 0, 0, 0, 6, 0, 0, 0, 'a', 0, 'b', 0};
    EXPECT_FALSE(sim::Reader(beyond).string(0));
    const sim::Bytes odd = {8, 0, 0, 0, 3, 0, 0, 0, 'a', 0, 'b', 0};
    EXPECT_FALSE(sim::Reader(odd).string(0));
    const sim::Bytes huge = {0xF8, 0xFF, 0xFF, 0xFF, 0x10, 0, 0, 0};
    EXPECT_FALSE(sim::Reader(huge).ref(0));
}

TEST(SimWire, WriterPadsAndPointsFromItsStart)
{
    sim::Writer w;
    w.u32(7);
    w.string(u"abc");
    w.string(u"");
    auto out = w.finish();
    sim::Reader r(out);
    EXPECT_EQ(out.size(), 20u + 8u); // fixed part 20, "abc" 6 bytes padded to 8
    EXPECT_EQ(r.string(4), u"abc");
    EXPECT_EQ(r.u32(12), 0u); // empty string: offset and size zero
    EXPECT_EQ(r.u32(16), 0u);
}

struct GsmCase
{
    const char* name;
    std::u16string text;
    size_t septets;
};

class SimGsm : public testing::TestWithParam<GsmCase>
{ };

TEST_P(SimGsm, RoundTripThroughPacking)
{
    auto septets = sim::gsm::toSeptets(GetParam().text);
    ASSERT_TRUE(septets);
    EXPECT_EQ(septets->size(), GetParam().septets);
    for (unsigned fill : {0u, 1u, 6u}) {
        auto packed = sim::gsm::pack(*septets, fill);
        EXPECT_EQ(packed.size(), (fill + septets->size() * 7 + 7) / 8);
        EXPECT_EQ(sim::gsm::fromSeptets(sim::gsm::unpack(packed, septets->size(), fill)), GetParam().text);
    }
    EXPECT_EQ(sim::gsm::fromSeptets(sim::gsm::unpackUssd(sim::gsm::packUssd(*septets))), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimGsm,
                         testing::Values(GsmCase{"Plain", u"hellohello", 10},
                                         GsmCase{"SevenSeptetsGetCarriageReturnPad", u"*100#ab", 7},
                                         GsmCase{"Extension", u"{€}", 6}, GsmCase{"Accents", u"Ça été Ünique?", 14},
                                         GsmCase{"Empty", u"", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimGsm, TextOutsideTheAlphabetIsRefused)
{
    EXPECT_FALSE(sim::gsm::toSeptets(u"Привет"));
    EXPECT_EQ(sim::gsm::fromUcs2(sim::gsm::ucs2(u"Привет")), u"Привет");
}

TEST(SimGsm, KnownPacking)
{
    // "hellohello" packs to the well-known E8329BFD4697D9EC37.
    EXPECT_EQ(sim::pdu::hex(sim::gsm::pack(*sim::gsm::toSeptets(u"hellohello"))), "E8329BFD4697D9EC37");
}

TEST(SimPdu, LongDeliverSplitsWithoutCuttingEscapes)
{
    std::u16string text(152, u'a');
    text += u"€€€€€€€€"; // the escape pairs straddle the part boundary
    auto parts =
        sim::pdu::deliver(sim::gsm::parseNumber("+1555"), sim::gsm::parseNumber("+1666"), text, {}, 1700000000);
    ASSERT_EQ(parts.size(), 2u);
    for (const auto& p : parts)
        EXPECT_LE(p.size(), 1 + 3 + 1 + 1 + 4 + 2 + 7 + 1 + 140u);
}

struct SubmitCase
{
    const char* name;
    const char* hex;
    bool ok;
};

class SimSubmit : public testing::TestWithParam<SubmitCase>
{ };

TEST_P(SimSubmit, Parse)
{
    sim::Bytes bytes;
    std::string hex = GetParam().hex;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    std::string why;
    auto s = sim::pdu::parseSubmit(bytes, &why);
    EXPECT_EQ(bool(s), GetParam().ok) << why;
    EXPECT_EQ(why.empty(), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimSubmit,
    testing::Values(SubmitCase{"Good", "0031000B915155100002F10000FF0DD232FC2DA783E0EC72785E06", true},
                    SubmitCase{"WithSmsc", "07915155010099F901000B915155100002F100000AE8329BFD4697D9EC37", true},
                    SubmitCase{"Deliver", "0004000B915155100002F10000FF0DD232FC2DA783E0EC72785E06", false},
                    SubmitCase{"UserDataCut", "0031000B915155100002F10000FF0DD232FC", false},
                    SubmitCase{"AddressCut", "0031000B9151", false},
                    SubmitCase{"SmscTooLong", "0D915155010099F9", false},
                    SubmitCase{"BadHeaderLength", "0071000B915155100002F10004FF03FF0102", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimState, SavedStateLoadsBack)
{
    QTemporaryDir dir;
    std::string path = dir.filePath("state.json").toStdString();
    sim::SimCard card;
    card.pin = "9876";
    card.pinEnabled = true;
    card.pinAttempts = 2;
    card.sms[4] = {sim::SmsSent, {0x00, 0x11, 0x22}};
    card.phonebook[7] = {u"Мила", "+15550100999"};
    std::string error;
    ASSERT_TRUE(sim::saveState(path, card, error)) << error;
    sim::SimCard loaded;
    bool existed = false;
    ASSERT_TRUE(sim::loadState(path, loaded, existed, error)) << error;
    EXPECT_TRUE(existed);
    EXPECT_EQ(loaded.pin, "9876");
    EXPECT_TRUE(loaded.pinEnabled);
    EXPECT_EQ(loaded.pinAttempts, 2u);
    ASSERT_EQ(loaded.sms.count(4), 1u);
    EXPECT_EQ(loaded.sms[4].status, uint32_t(sim::SmsSent));
    EXPECT_EQ(loaded.sms[4].pdu, (sim::Bytes{0x00, 0x11, 0x22}));
    EXPECT_EQ(loaded.phonebook[7].name, u"Мила");
}

class SimBadState : public testing::TestWithParam<std::pair<const char*, const char*>>
{ };

TEST_P(SimBadState, IsRefusedAndLeavesTheSimAlone)
{
    QTemporaryDir dir;
    std::string path = dir.filePath("state.json").toStdString();
    std::ofstream(path) << GetParam().first;
    sim::SimCard card;
    card.phonebook[1] = {u"Kept", "1"};
    bool existed = false;
    std::string error;
    EXPECT_FALSE(sim::loadState(path, card, existed, error));
    EXPECT_NE(error.find(GetParam().second), std::string::npos) << error;
    EXPECT_EQ(card.phonebook.size(), 1u);
}

#define STATE(extra)                                                                                            \
    "{\"version\":1,\"ownNumber\":\"+1555\",\"serviceCentre\":\"+1556\",\"pin\":\"1234\",\"puk\":\"12345678\"," \
    "\"pinAttempts\":3,\"pukAttempts\":10" extra "}"

INSTANTIATE_TEST_SUITE_P(
    Cases, SimBadState,
    testing::Values(std::pair{"not json", "not a state file"}, std::pair{"{\"version\":2}", "unknown version"},
                    std::pair{STATE(",\"pinAttempts\":9"), "attempt"},
                    std::pair{STATE(",\"sms\":[{\"index\":99,\"status\":0,\"pdu\":\"00\"}]"), "bad message index"},
                    std::pair{STATE(",\"sms\":[{\"index\":1,\"status\":7,\"pdu\":\"00\"}]"), "bad message status"},
                    std::pair{STATE(",\"sms\":[{\"index\":1,\"status\":0,\"pdu\":\"0G\"}]"), "bad message PDU"},
                    std::pair{STATE(",\"phonebook\":[{\"index\":1,\"name\":\"A\",\"number\":\"12-3\"}]"),
                              "bad phonebook number"},
                    std::pair{STATE(",\"phonebook\":[{\"index\":1,\"name\":\"A\",\"number\":\"1\"},{\"index\":1,"
                                    "\"name\":\"B\",\"number\":\"2\"}]"),
                              "bad phonebook index"}));
