// Phonebook payloads byte for byte, the answer parser against hostile answers, and the USSD
// text coding.

#include "device/service/Phonebook.h"
#include "device/UssdCoding.h"
#include "device/service/UssdService.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Word(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Utf16(Bytes& b, const char* ascii)
{
    for (; *ascii; ++ascii) {
        b.push_back(static_cast<std::uint8_t>(*ascii));
        b.push_back(0);
    }
}

TEST(PhonebookPayload, FixedLayouts)
{
    EXPECT_EQ(PhonebookConfigurationPayload(), (Bytes{0x00}));
    EXPECT_EQ(PhonebookReadPayload(), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PhonebookDeletePayload(5), (Bytes{1, 0, 0, 0, 5, 0, 0, 0}));
    EXPECT_EQ(PhonebookDeletePayload(0x01020304), (Bytes{1, 0, 0, 0, 4, 3, 2, 1}));
}

struct WriteCase
{
    const char* name;
    const char* number;
};

class PhonebookWrite : public testing::TestWithParam<WriteCase>
{ };

TEST_P(PhonebookWrite, IsPackedWithoutPadding)
{
    const auto& c = GetParam();
    const std::uint32_t numberSize = 2 * static_cast<std::uint32_t>(strlen(c.number));
    const std::uint32_t nameSize = 2 * static_cast<std::uint32_t>(strlen(c.name));
    Bytes expected;
    Word(expected, 0);
    Word(expected, 0);
    Word(expected, 24);
    Word(expected, numberSize);
    Word(expected, 24 + numberSize);
    Word(expected, nameSize);
    Utf16(expected, c.number);
    Utf16(expected, c.name);
    EXPECT_EQ(PhonebookWritePayload(QString::fromLatin1(c.name), QString::fromLatin1(c.number)), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PhonebookWrite,
                         testing::Values(WriteCase{"Test", "1234567890"}, // 52 bytes: number at 24 (20), name at 44 (8)
                                         WriteCase{"", "1234567890"},     // 44 bytes, name size 0 at 44
                                         WriteCase{"Al", "123"}));        // name at 30: not rounded up to a word

TEST(PhonebookWritePayloadSize, TestEntryIsFiftyTwoBytes)
{
    const Bytes p = PhonebookWritePayload(QStringLiteral("Test"), QStringLiteral("1234567890"));
    ASSERT_EQ(p.size(), 52u);
    EXPECT_EQ(p[16], 44);
    // Non-Latin names are UTF-16LE code units.
    const Bytes cyr = PhonebookWritePayload(QString::fromUtf8("Мама"), QStringLiteral("1"));
    ASSERT_EQ(cyr.size(), 24u + 2 + 8);
    EXPECT_EQ(cyr[26], 0x1C);
    EXPECT_EQ(cyr[27], 0x04);
}

// An entry as the device lays it out: header, then number and name at their offsets.
Bytes Entry(std::uint32_t index, const char* number, const char* name)
{
    Bytes e;
    const auto numberSize = static_cast<std::uint32_t>(2 * strlen(number));
    const auto nameSize = static_cast<std::uint32_t>(2 * strlen(name));
    Word(e, index);
    Word(e, 20);
    Word(e, numberSize);
    Word(e, 20 + numberSize);
    Word(e, nameSize);
    Utf16(e, number);
    Utf16(e, name);
    return e;
}

Bytes Response(const std::vector<Bytes>& entries)
{
    Bytes r;
    Word(r, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t at = 4 + 8 * static_cast<std::uint32_t>(entries.size());
    for (const auto& e : entries) {
        Word(r, at);
        Word(r, static_cast<std::uint32_t>(e.size()));
        at += static_cast<std::uint32_t>(e.size());
    }
    for (const auto& e : entries)
        r.insert(r.end(), e.begin(), e.end());
    return r;
}

struct ParseCase
{
    const char* what;
    Bytes response;
    std::vector<std::string> names; // of the entries handed over
    const char* logged;             // one line that must be in the log
    bool prefix = false;            // names only begin so: the rest is whatever the garbage says
};

class PhonebookParse : public testing::TestWithParam<ParseCase>
{ };

TEST_P(PhonebookParse, HandsOverWhatFits)
{
    const auto& c = GetParam();
    std::vector<std::string> log, names;
    std::vector<std::int32_t> positions;
    ParsePhonebookRead(
        c.response, [&](const std::string& line) { log.push_back(line); },
        [&](const MBIM_PHONEBOOK_ITEM& item) {
            names.push_back(item.Name.toStdString());
            positions.push_back(item.Position);
        });
    if (c.prefix)
        names.resize(std::min(names.size(), c.names.size()));
    EXPECT_EQ(names, c.names) << c.what;
    EXPECT_NE(std::find(log.begin(), log.end(), c.logged), log.end()) << c.what << ": " << c.logged;
}

Bytes WithWord(Bytes b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    return b;
}

const Bytes two = Response({Entry(3, "+1555", "Alice"), Entry(7, "121", "Bob")});

INSTANTIATE_TEST_SUITE_P(Responses, PhonebookParse,
                         testing::Values(ParseCase{"two entries", two, {"Alice", "Bob"}, "  Number = 121"},
                                         ParseCase{"empty", Bytes{0, 0, 0, 0}, {}, "Data->Count = 0"},
                                         ParseCase{"short", Bytes{1, 0}, {}, "Data -> Too short: 2 bytes"},
                                         ParseCase{"count past the end",
                                                   WithWord(two, 0, 0xFFFFFFFF),
                                                   {"Alice", "Bob"},
                                                   "Data -> Count exceeds the response, entries in it: 11",
                                                   true},
                                         ParseCase{"entry offset past the end",
                                                   WithWord(two, 4, 0xFFFFFFF0),
                                                   {"Bob"},
                                                   "Data->Entry #1 -> Offset 4294967280 outside the response, skipped"},
                                         ParseCase{"name past the end",
                                                   WithWord(two, 20 + 12, 0xFFFFFFFE),
                                                   {"Bob"},
                                                   "Data->Entry #1 -> Text outside the response, skipped"},
                                         ParseCase{"size past the end",
                                                   WithWord(two, 20 + 8, 0x7FFFFFFF),
                                                   {"Bob"},
                                                   "Data->Entry #1 -> Text outside the response, skipped"},
                                         ParseCase{"table cut off",
                                                   Bytes(two.begin(), two.begin() + 12),
                                                   {},
                                                   "Data -> Count exceeds the response, entries in it: 1"}));

TEST(PhonebookParseConfiguration, ChecksItsLength)
{
    std::vector<std::string> log;
    MBIM_PHONEBOOK_CONFIGURATION config;
    Bytes data;
    for (std::uint32_t v : {1u, 50u, 5u, 20u, 14u})
        Word(data, v);
    ASSERT_TRUE(ParsePhonebookConfiguration(data, config, [&](const std::string& l) { log.push_back(l); }));
    EXPECT_EQ(config.TotalEntries, 50u);
    EXPECT_EQ(config.MaxNameLength, 14u);
    EXPECT_EQ(log.front(), "State = Initialized (1)");
    log.clear();
    data.pop_back();
    EXPECT_FALSE(ParsePhonebookConfiguration(data, config, [&](const std::string& l) { log.push_back(l); }));
    EXPECT_EQ(log, (std::vector<std::string>{"Response -> Configuration -> Too short: 19 bytes"}));
}

TEST(UssdCoding, RequestsAreGsmPackedOrUcs2)
{
    std::uint8_t dcs = 0;
    Bytes payload;
    UssdService::Encode(QStringLiteral("*100#"), dcs, payload);
    EXPECT_EQ(dcs, 0x0F);
    EXPECT_EQ(payload, (Bytes{0xAA, 0x18, 0x0C, 0x36, 0x02}));
    // Seven characters leave seven spare bits, filled with a carriage return.
    UssdService::Encode(QStringLiteral("1234567"), dcs, payload);
    ASSERT_EQ(payload.size(), 7u);
    EXPECT_EQ(payload[6] >> 1, 0x0D);
    QString text;
    ASSERT_TRUE(UssdService::Decode(dcs, payload, text));
    EXPECT_EQ(text, QStringLiteral("1234567"));
    UssdService::Encode(QString::fromUtf8("Да"), dcs, payload);
    EXPECT_EQ(dcs, 0x48);
    EXPECT_EQ(payload, (Bytes{0x04, 0x14, 0x04, 0x30}));
}

TEST(UssdCoding, RepliesAreReadByTheirCodingScheme)
{
    QString text;
    ASSERT_TRUE(UssdService::Decode(0x0F, Bytes{0xC8, 0x32, 0x9B, 0xFD, 0x06, 0x5D, 0xDF}, text));
    EXPECT_EQ(text, QStringLiteral("Hello Wo"));
    ASSERT_TRUE(UssdService::Decode(0x0F, Bytes{0xC8, 0x34}, text));
    EXPECT_EQ(text, QStringLiteral("Hi"));
    ASSERT_TRUE(UssdService::Decode(0x48, Bytes{0x00, 0x41, 0x00, 0x42}, text));
    EXPECT_EQ(text, QStringLiteral("AB"));
    ASSERT_TRUE(UssdService::Decode(0x48, Bytes{0x00, 0x41, 0x00}, text));
    EXPECT_EQ(text, QStringLiteral("A"));
    // 8-bit data has no text to read.
    EXPECT_FALSE(UssdService::Decode(0x44, Bytes{0x41}, text));
    EXPECT_FALSE(UssdService::Decode(0xF4, Bytes{0x41}, text));
}

TEST(UssdCoding, TheLanguageInFrontOfTheTextIsSkipped)
{
    // GSM: two characters and a carriage return, packed with the text.
    std::uint8_t dcs = 0;
    Bytes payload;
    UssdService::Encode(QStringLiteral("en\rHi"), dcs, payload);
    QString text;
    ASSERT_TRUE(UssdService::Decode(0x10, payload, text));
    EXPECT_EQ(text, QStringLiteral("Hi"));
    ASSERT_TRUE(UssdService::Decode(0x0F, payload, text));
    EXPECT_EQ(text, QStringLiteral("en\rHi"));
    // UCS2: two packed GSM characters ("en") before the 16-bit text.
    ASSERT_TRUE(UssdService::Decode(0x11, Bytes{0x65, 0x37, 0x04, 0x14, 0x04, 0x30}, text));
    EXPECT_EQ(text, QString::fromUtf8("Да"));
    // Shorter than its language: nothing to read, and no text left behind.
    EXPECT_FALSE(UssdService::Decode(0x11, Bytes{0x65}, text));
    EXPECT_TRUE(text.isEmpty());
}

TEST(UssdCoding, AlphabetsOfTheDataCodingScheme)
{
    const std::pair<std::uint8_t, UssdAlphabet> cases[] = {
        {0x00, UssdAlphabet::Gsm7}, {0x0F, UssdAlphabet::Gsm7},   {0x10, UssdAlphabet::Gsm7},
        {0x11, UssdAlphabet::Ucs2}, {0x44, UssdAlphabet::Octets}, {0x48, UssdAlphabet::Ucs2},
        {0x40, UssdAlphabet::Gsm7}, {0x98, UssdAlphabet::Ucs2},   {0xF4, UssdAlphabet::Octets},
        {0xF0, UssdAlphabet::Gsm7}, {0x80, UssdAlphabet::Octets}, {0xE0, UssdAlphabet::Octets},
    };
    for (const auto& [dcs, alphabet] : cases)
        EXPECT_EQ(UssdAlphabetOf(dcs), alphabet) << int(dcs);
    EXPECT_EQ(UssdPrefixOctets(0x11), 2u);
    EXPECT_EQ(UssdPrefixOctets(0x48), 0u);
    EXPECT_EQ(UssdPrefixSeptets(0x10), 3u);
    EXPECT_EQ(UssdPrefixSeptets(0x0F), 0u);
}

} // namespace
