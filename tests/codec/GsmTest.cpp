#include "codec/Gsm.h"
#include "codec/Hex.h"
#include "codec/Septets.h"
#include "codec/Udh.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct HexCase
{
    const char* text;
    int expected;
};

TEST(Hex, OctetCodes)
{
    const HexCase cases[] = {
        {"a0", 0xA0}, {"A0", 0xA0}, {"fF", 0xFF}, {"00", 0},  {"", -1},
        {"A", -2},    {"G", -3},    {"G0", -3},   {"AG", -4}, {"0 ", -4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexOctet(c.text, 0), c.expected) << c.text;
    EXPECT_EQ(HexOctet("12AB", 2), 0xAB);
    EXPECT_EQ(HexOctet("12AB", 4), -1);
    EXPECT_EQ(HexOctet("12AB", 99), -1);
}

TEST(Hex, SwapAndFormat)
{
    std::string odd = "12345";
    SwapSemiOctets(odd);
    EXPECT_EQ(odd, "21435");
    std::vector<uint8_t> many(200, 0xAB);
    EXPECT_EQ(OctetsToHex(many.data(), many.size()).size(), 280u) << "capped at 140 octets";
    const uint8_t two[] = {0x0f, 0xa0};
    EXPECT_EQ(OctetsToHex(two, 2), "0FA0");
}

struct GsmDecodeCase
{
    std::vector<uint8_t> codes;
    std::u16string text;
};

TEST(Gsm, DecodeTable)
{
    const GsmDecodeCase cases[] = {
        {{0x1B, 0x65}, u"\u20AC"},
        {{0x1B, 0x41}, u""},        // unknown escape pair is dropped whole
        {{0x41, 0x1B}, u"A\u00A0"}, // a lone final escape is a no-break space
        {{0x1B, 0x1B}, u"\u00A0"},  // the double escape
        {{0x09}, u"\u00E7"},        // small c with cedilla
        {{0x80, 0x41, 0xFF}, u"A"}, // bit 7 set: skipped
        {{0x00, 0x01, 0x02, 0x11, 0x24, 0x40, 0x60}, u"@\u00A3$_\u00A4\u00A1\u00BF"},
        {{0x10, 0x1A, 0x1C, 0x1F, 0x7F}, u"\u0394\u039E\u00C6\u00C9\u00E0"},
        {{0x1B, 0x14, 0x1B, 0x28, 0x1B, 0x29, 0x1B, 0x2F, 0x1B, 0x3C, 0x1B, 0x3D, 0x1B, 0x3E, 0x1B, 0x40, 0x1B, 0x0A},
         u"^{}\\[~]|\f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GsmToText(c.codes.data(), c.codes.size()), c.text);
}

TEST(Gsm, EveryEncodableCharacterRoundTrips)
{
    // Every character the encoder accepts must decode back to itself.
    for (char32_t c = 0; c < 0x2200; ++c) {
        const std::u16string one(1, static_cast<char16_t>(c));
        if (GsmSeptets(one[0]) == 0)
            continue;
        uint8_t codes[GsmBufferSize];
        const size_t n = TextToGsm(one, codes);
        ASSERT_EQ(n, static_cast<size_t>(GsmSeptets(one[0]))) << std::hex << static_cast<unsigned>(c);
        EXPECT_EQ(GsmToText(codes, n), one) << std::hex << static_cast<unsigned>(c);
    }
}

struct AlphabetCase
{
    std::u16string text;
    int alphabet;
};

TEST(Gsm, ChooseAlphabetSendsUnencodableTextsAsUcs2)
{
    const AlphabetCase cases[] = {
        {u"hello", AlphabetGsm},        {u"\u00E7a va", AlphabetGsm}, // ç is 0x09
        {u"\u00C7a va", AlphabetUcs2},                                // Ç has no code: not sent as a space
        {u"5 \u00A2", AlphabetUcs2},                                  // ¢
        {u"\u00FF", AlphabetUcs2},                                    // ÿ and Ā were dropped by the old rule
        {u"\u0100", AlphabetUcs2},      {u"\u20AC 5", AlphabetGsm},   // euro is in the extension table
        {u"\u0394\u03A9", AlphabetGsm},                               // Greek capitals of the default alphabet
        {u"\u03B1", AlphabetUcs2},                                    // small alpha is not
        {u"tab\there", AlphabetUcs2},   {u"`grave`", AlphabetUcs2},   {u"\u041F\u0440\u0438", AlphabetUcs2},
        {u"\U0001F600", AlphabetUcs2},  {u"", AlphabetGsm},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseAlphabet(c.text), c.alphabet);
}

TEST(Gsm, ForcedGsmEncoding)
{
    uint8_t codes[GsmBufferSize];
    // Latin-1 without a code goes as 0xA0 (packed as a space); above Latin-1 it is dropped.
    size_t n = TextToGsm(u"\u00C7\u00FF\u0100x", codes);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(codes[0], GsmNoCode);
    EXPECT_EQ(codes[1], 'x');
    n = TextToGsm(u"\u00E7", codes);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(codes[0], 0x09);
    // The buffer limit: 559 codes, an escape pair may bring it to 560.
    EXPECT_EQ(TextToGsm(std::u16string(600, u'a'), codes), 559u);
    EXPECT_EQ(TextToGsm(std::u16string(558, u'a') + u"[[", codes), 560u);
}

TEST(Gsm, Ucs2)
{
    const uint8_t octets[] = {0x04, 0x1F, 0x00, 0x41, 0x00, 0x00, 0x00, 0x42};
    EXPECT_EQ(Ucs2ToText(octets, 8), u"\u041FA") << "stops at a zero code unit";
    EXPECT_EQ(Ucs2ToText(octets, 3), u"\u041F") << "odd last octet ignored";
    uint8_t out[GsmBufferSize];
    ASSERT_EQ(TextToUcs2(u"\U0001F600", out), 4u);
    EXPECT_EQ(OctetsToHex(out, 4), "D83DDE00");
    EXPECT_LE(TextToUcs2(std::u16string(400, u'x'), out), GsmMaxCodes);
}

struct PackCase
{
    std::vector<uint8_t> codes;
    const char* header;
    const char* hex;
    int udl;
};

TEST(Septets, Pack)
{
    const std::vector<uint8_t> hello = {'h', 'e', 'l', 'l', 'o'};
    const PackCase cases[] = {
        {hello, "", "E8329BFD06", 5},
        {hello, "05 00 03 01 02 01", "050003010201D06536FB0D", 12},
        {{}, "", "00", 0},
        {{0xA0}, "", "20", 1}, // no-code marker goes out as a space
        {std::vector<uint8_t>(8, '1'), "", "B1582C168BC562", 8},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(PackSeptets(c.codes.data(), c.codes.size(), c.header, out), c.udl);
        EXPECT_EQ(out, c.hex);
    }
}

TEST(Septets, PackUnpackRoundTripAtEveryLength)
{
    for (size_t n = 0; n <= 160; ++n) {
        std::vector<uint8_t> codes(n);
        for (size_t i = 0; i < n; ++i)
            codes[i] = static_cast<uint8_t>((i * 37 + 11) & 0x7F);
        for (const char* header : {"", "05 00 03 7F 03 02"}) {
            std::string hex;
            const int udl = PackSeptets(codes.data(), n, header, hex);
            char udlHex[3];
            std::snprintf(udlHex, sizeof udlHex, "%02X", udl);
            uint8_t out[300];
            UserDataHeader h;
            size_t consumed = 0;
            const int count = UnpackSeptets(std::string(udlHex) + hex, *header != 0, out, h, consumed);
            ASSERT_EQ(count, static_cast<int>(n)) << n << header;
            EXPECT_TRUE(std::equal(codes.begin(), codes.end(), out));
            EXPECT_EQ(h.multipart, *header != 0);
        }
    }
}

TEST(Septets, UnpackOctetsGivesEverySeptet)
{
    // A whole group of seven octets gives eight septets, its fill included; leftover bits go.
    const std::pair<std::vector<uint8_t>, std::vector<uint8_t>> cases[] = {
        {{0xE8, 0x32, 0x9B, 0xFD, 0x06}, {'h', 'e', 'l', 'l', 'o'}},
        {{0xC8, 0x32, 0x9B, 0xFD, 0x06, 0x5D, 0xDF}, {'H', 'e', 'l', 'l', 'o', ' ', 'W', 'o'}},
        {{0xC8, 0x34}, {'H', 'i'}},
        {{0xB1, 0x58, 0x2C, 0x16, 0x8B, 0xC5, 0x1A}, {'1', '1', '1', '1', '1', '1', '1', 0x0D}},
        {{}, {}},
    };
    for (const auto& [octets, codes] : cases)
        EXPECT_EQ(UnpackSeptetOctets(octets.data(), octets.size()), codes) << octets.size();
    EXPECT_TRUE(UnpackSeptetOctets(nullptr, 5).empty());

    // What the packer wrote, read back whole at every length.
    for (size_t n = 0; n <= 160; ++n) {
        std::vector<uint8_t> codes(n);
        for (size_t i = 0; i < n; ++i)
            codes[i] = static_cast<uint8_t>((i * 37 + 11) & 0x7F);
        std::string hex;
        PackSeptets(codes.data(), n, "", hex);
        std::vector<uint8_t> octets;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            octets.push_back(static_cast<uint8_t>(HexOctet(hex, i)));
        const std::vector<uint8_t> read = UnpackSeptetOctets(octets.data(), octets.size());
        ASSERT_EQ(read.size(), octets.size() + octets.size() / 7) << n;
        ASSERT_GE(read.size(), n);
        EXPECT_TRUE(std::equal(codes.begin(), codes.end(), read.begin())) << n;
    }
}

struct ReaderCase
{
    const char* text;
    bool udhi;
    int result;
};

TEST(Septets, ReaderFailures)
{
    const ReaderCase septetCases[] = {
        {"00", false, 0},
        {"", false, UserDataTooShort},
        {"Z0", false, UserDataInvalidCharacter},
        {"05E8329B", false, UserDataTooShort},
        {"05E832ZZFD06", false, UserDataInvalidCharacter},
        {"0C0700", true, UserDataTooShort},           // header length claims more than there is
        {"02050003A10201D0", true, UserDataTooShort}, // header longer than the user data
    };
    for (const auto& c : septetCases) {
        uint8_t out[300];
        UserDataHeader h;
        size_t consumed = 0;
        EXPECT_EQ(UnpackSeptets(c.text, c.udhi, out, h, consumed), c.result) << c.text;
    }
    const ReaderCase octetCases[] = {
        {"00", false, 0},
        {"0241", false, UserDataTooShort},
        {"02414G", false, UserDataInvalidCharacter},
        {"03050003A10201", true, UserDataTooShort}, // header of 6 octets in 3 octets of data
        {"06050003A10201", true, 0},
    };
    for (const auto& c : octetCases) {
        uint8_t out[300];
        UserDataHeader h;
        size_t consumed = 0;
        EXPECT_EQ(ReadOctets(c.text, c.udhi, out, h, consumed), c.result) << c.text;
    }
}

TEST(Septets, HeaderThatCannotBeWalkedIsMarked)
{
    // Element length 4 runs past the header length of 5.
    uint8_t out[300];
    UserDataHeader h;
    size_t consumed = 0;
    ASSERT_EQ(ReadOctets("08050004A10201414243", true, out, h, consumed), 2);
    EXPECT_EQ(h.type, "length=6, Concatenated short messages, 8-bit reference number (0x00), ERROR");
    EXPECT_EQ(h.data, "05:00:04:A1:02:01");
    EXPECT_TRUE(h.multipart);
    EXPECT_EQ(h.reference, 0xA1u);
}

struct UdhCase
{
    const char* hex;
    int result;
    const char* text;
    bool concatenation;
    size_t position;
};

TEST(Udh, Describe)
{
    const UdhCase cases[] = {
        {"050003A10201", 6, "length=6, Concatenated short messages, 8-bit reference number (0x00)", true, 2},
        {"06080412340302", 7, "length=7, Concatenated short message, 16-bit reference number (0x08)", true, 2},
        {"0A0003A10201240100", -1, "", false, 0}, // shorter than its length octet says
        {"080003A10201240100", 9,
         "length=9, Concatenated short messages, 8-bit reference number (0x00), Reserved for future use (0x24)", true,
         2},
        {"080003A102012401000000", 9,
         "length=9, Concatenated short messages, 8-bit reference number (0x00), Reserved for future use (0x24)", true,
         2},
        {"05 00 03 A1 02 01", 6, "length=6, Concatenated short messages, 8-bit reference number (0x00)", true, 2},
        {"0500040102", -1, "", false, 0},
        {"050004A1020101", -1, "length=6, Concatenated short messages, 8-bit reference number (0x00)", true, 2},
        {"0303010000", 4, "length=4, unknown (0x03)", false, 0},
        {"06050400000000", 7, "length=7, Application port addressing scheme, 16 bit address (0x05)", false, 0},
        {"0CC00100700100E00100800100", 13,
         "length=13, SC specific use (0xC0), (U)SIM Toolkit Security Headers (0x70), Reserved for future use (0xE0), "
         "SME to SME specific use (0x80)",
         false, 0},
        {"ZZ", -1, "", false, 0},
    };
    for (const auto& c : cases) {
        UdhAnalysis a;
        EXPECT_EQ(DescribeUdh(c.hex, a), c.result) << c.hex;
        EXPECT_EQ(a.text, c.text) << c.hex;
        EXPECT_EQ(a.concatenation, c.concatenation) << c.hex;
        if (c.concatenation) {
            EXPECT_EQ(a.concatPosition, c.position) << c.hex;
        }
    }
    UdhAnalysis a;
    EXPECT_EQ(DescribeUdh(std::string(1024, '0'), a), -1) << "inputs of 1024 characters are refused";
}

TEST(Udh, LongHeaderAnalysisStopsBeforeTheLimit)
{
    // 120 elements of two octets each: the analysis text would pass 511 characters.
    std::string hex = "F0";
    for (int i = 0; i < 120; ++i)
        hex += "0100";
    UdhAnalysis a;
    EXPECT_EQ(DescribeUdh(hex, a), -1);
    EXPECT_LT(a.text.size(), 512u);
}

TEST(Udh, StatusTexts)
{
    const std::pair<int, const char*> cases[] = {
        {0x00, "Success"},
        {0x02, "Success - message replaced by the SC"},
        {0x03, "unknown"},
        {0x22, "Still trying, no response sendr SME"},
        {0x35, "Temporary error, SC specific, unknown"},
        {0x49, "Error, SM does not exist"},
        {0x5F, "Permanent error, SC specific, unknown"},
        {0x65, "Error, error in SME"},
        {0x75, "Permanent error, SC specific, unknown"},
        {0x80, "unknown"},
    };
    for (const auto& [status, text] : cases)
        EXPECT_STREQ(StatusText(status), text) << status;
}

} // namespace
