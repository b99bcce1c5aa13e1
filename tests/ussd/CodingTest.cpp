// The engine's payload decoders, its hexadecimal dump and the texts of its log lines.

#include "ussd/Coding.h"
#include "device/Status.h"

#include <gtest/gtest.h>

using namespace ussd;

namespace {

struct DecodeCase
{
    const char* name;
    QString (*decode)(const std::uint8_t*, std::size_t);
    Bytes payload;
    std::u16string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class DecodeTest : public testing::TestWithParam<DecodeCase>
{ };

TEST_P(DecodeTest, Payload)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(c.decode(c.payload.data(), c.payload.size()), QString::fromStdU16String(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Ussd, DecodeTest,
    testing::Values(
        DecodeCase{"ucs2 big-endian", DecodeUcs2Swapped, {0x00, 0x41, 0x00, 0x42}, u"AB"},
        DecodeCase{"ucs2 read little-endian", DecodeUcs2, {0x00, 0x41, 0x00, 0x42}, u"\u4100\u4200"},
        DecodeCase{"ucs2 ends at a zero unit", DecodeUcs2Swapped, {0x00, 0x41, 0x00, 0x00, 0x00, 0x42}, u"A"},
        DecodeCase{"ucs2 odd count completed", DecodeUcs2Swapped, {0x04, 0x12, 0x41}, u"\u0412\u4100"},
        DecodeCase{"ucs2 little-endian odd count", DecodeUcs2, {0x12, 0x04, 0x41}, u"\u0412A"},
        DecodeCase{"ucs2 empty", DecodeUcs2, {}, u""},
        DecodeCase{"gsm 7 bytes give 8 septets", DecodeGsm7, {0xC8, 0x32, 0x9B, 0xFD, 0x06, 0x5D, 0xDF}, u"Hello Wo"},
        DecodeCase{"gsm leftover bits dropped", DecodeGsm7, {0xC8, 0x34}, u"Hi"},
        DecodeCase{"gsm no table applied", DecodeGsm7, {0x00, 0x00}, std::u16string(2, u'\0')},
        DecodeCase{"gsm empty", DecodeGsm7, {}, u""},
        DecodeCase{"octets", DecodeOctets, {0x41, 0xE9, 0xFF}, u"A\u00E9\u00FF"}));

TEST(CodingTest, GsmGivesOneCharacterMorePerSevenOctets)
{
    for (std::size_t n : {0u, 1u, 6u, 7u, 8u, 14u, 160u}) {
        const Bytes payload(n, 0xFF);
        EXPECT_EQ(DecodeGsm7(payload.data(), payload.size()).size(), static_cast<qsizetype>(n + n / 7)) << n;
    }
}

TEST(CodingTest, HexDumpEndsInABlank)
{
    EXPECT_EQ(HexDump({0x01, 0xAB, 0xFF}), QStringLiteral("01 AB FF "));
    EXPECT_EQ(HexDump({}), QString());
}

TEST(CodingTest, ErrorTexts)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x00000000, "Ok"},
        {0x80070005, "Access denied"},
        {0x80040154, "Class not registered"},
        {0xC004000A, "The operation failed because the device does not support the operation"},
        {0x80070001, "Unknown error"},
        {0x12345678, "Unknown error"},
        // Codes of the device layer outside the table keep the device's texts.
        {0x80070015, "The device is not ready"},
        {0x80548208, "Device radio is off"},
        {0x80070426, "The service has not been started"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(ErrorText(static_cast<HRESULT>(code)), QString::fromLatin1(text)) << std::hex << code;
    EXPECT_EQ(ErrorWithCode(static_cast<HRESULT>(0x80040154)), QStringLiteral("Class not registered (0x80040154)"));
    EXPECT_EQ(ErrorWithCode(Hr::False), QStringLiteral("False (0x1)"));
}

TEST(CodingTest, ResultCodeTexts)
{
    const char* const texts[] = {"Unknown",
                                 "No Action Required",
                                 "Action Required",
                                 "Terminated",
                                 "Other Local Client",
                                 "Operation Not Supported",
                                 "Network Timeout",
                                 "Unknown"};
    for (int code = -1; code <= 6; ++code)
        EXPECT_EQ(ResultCodeText(code), QString::fromLatin1(texts[code + 1])) << code;
}

} // namespace
