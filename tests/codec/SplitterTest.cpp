#include "codec/Splitter.h"
#include "codec/Gsm.h"
#include "codec/Pdu.h"

#include <gtest/gtest.h>

#include <random>

namespace {

size_t septets(const std::u16string& text)
{
    size_t n = 0;
    for (char16_t c : text)
        n += static_cast<size_t>(GsmSeptets(c));
    return n;
}

struct SplitCase
{
    std::string name;
    std::u16string text;
    int alphabet;
    size_t parts;
};

TEST(Splitter, PartCounts)
{
    const SplitCase cases[] = {
        {"empty", u"", AlphabetGsm, 1},
        {"160 GSM", std::u16string(160, u'a'), AlphabetGsm, 1},
        {"161 GSM", std::u16string(161, u'a'), AlphabetGsm, 2},
        {"304 GSM", std::u16string(304, u'a'), AlphabetGsm, 2},
        {"305 GSM", std::u16string(305, u'a'), AlphabetGsm, 3},
        // 159 characters, one of them from the extension table: 160 septets, one part.
        {"160 septets with euro", std::u16string(158, u'a') + u"\u20AC", AlphabetGsm, 1},
        // 160 characters with one euro are 161 septets: two parts.
        {"161 septets with euro", std::u16string(159, u'a') + u"\u20AC", AlphabetGsm, 2},
        {"80 escapes", std::u16string(80, u'{'), AlphabetGsm, 1},
        {"81 escapes", std::u16string(81, u'{'), AlphabetGsm, 2},
        {"70 UCS2", std::u16string(70, u'\u0416'), AlphabetUcs2, 1},
        {"71 UCS2", std::u16string(71, u'\u0416'), AlphabetUcs2, 2},
        {"134 UCS2", std::u16string(134, u'\u0416'), AlphabetUcs2, 2},
        {"135 UCS2", std::u16string(135, u'\u0416'), AlphabetUcs2, 3},
        {"latin with cedilla capital", std::u16string(100, u'a') + u"\u00C7", AlphabetUcs2, 2},
        {"255 parts GSM", std::u16string(255 * 152, u'a'), AlphabetGsm, 255},
    };
    for (const auto& c : cases) {
        const SplitResult r = SplitText(c.text);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_EQ(r.alphabet, c.alphabet) << c.name;
        EXPECT_EQ(r.parts.size(), c.parts) << c.name;
        std::u16string joined;
        for (const auto& p : r.parts)
            joined += p.text;
        EXPECT_EQ(joined, c.text) << c.name;
    }
}

TEST(Splitter, RefusesMoreThan255Parts)
{
    for (const std::u16string& text : {std::u16string(255 * 152 + 1, u'a'), std::u16string(255 * 67 + 1, u'\u0416')}) {
        const SplitResult r = SplitText(text);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.parts.empty());
        EXPECT_NE(r.error.find("256 parts"), std::string::npos) << r.error;
    }
}

TEST(Splitter, NeverCutsAnEscapePairOrASurrogatePair)
{
    // 151 plain characters then escapes: the first escape would straddle septets 152 and 153.
    const SplitResult gsm = SplitText(std::u16string(151, u'a') + std::u16string(20, u'~'));
    ASSERT_TRUE(gsm.ok);
    ASSERT_EQ(gsm.parts.size(), 2u);
    EXPECT_EQ(gsm.parts[0].text.size(), 151u);
    EXPECT_EQ(septets(gsm.parts[0].text), 151u);

    // A surrogate pair at units 67 and 68 moves whole into the second part.
    const SplitResult ucs2 = SplitText(std::u16string(66, u'\u0416') + u"\U0001F600" + std::u16string(10, u'x'));
    ASSERT_TRUE(ucs2.ok);
    ASSERT_EQ(ucs2.parts.size(), 2u);
    EXPECT_EQ(ucs2.parts[0].text.size(), 66u);
    EXPECT_EQ(ucs2.parts[1].text.substr(0, 2), u"\U0001F600");
}

// Every encoded part must fit one SMS and the parts must give the text back.
TEST(Splitter, RandomTextsEncodeIntoValidPartsAndDecodeBack)
{
    const std::u16string pool = u"abcXYZ 019.,!?@$_\n\u00E7\u00E9\u00C4\u00DF\u00A3\u0394{}[]~^|\\\u20AC"
                                u"\u041F\u0436\u4E2D\U0001F600\u00C7\u00A2";
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const bool gsmOnly = round % 2 == 0;
        const size_t length = random() % 700;
        std::u16string text;
        while (text.size() < length) {
            const size_t i = random() % pool.size();
            char16_t c = pool[i];
            if (c >= 0xD800 && c <= 0xDBFF) {
                if (gsmOnly)
                    continue;
                text += pool.substr(i, 2);
                continue;
            }
            if (c >= 0xDC00 && c <= 0xDFFF)
                continue;
            if (gsmOnly && GsmSeptets(c) == 0)
                continue;
            text.push_back(c);
        }
        MessageToEncode message;
        message.number = "+15550100000";
        message.text = text;
        message.reference = 77;
        const EncodeResult r = EncodeMessage(message);
        ASSERT_TRUE(r.ok) << r.error;
        std::u16string joined;
        for (const EncodedPart& part : r.parts) {
            PDU pdu(part.pdu);
            ASSERT_TRUE(pdu.Decode()) << part.pdu << ": " << pdu.Error;
            EXPECT_LE(part.tpduLength, 164u); // 140 octets of user data and the TPDU head
            const int udl = std::stoi(part.pdu.substr(28, 2), nullptr, 16);
            if (pdu.Alphabet == AlphabetGsm)
                EXPECT_LE(udl, 160) << part.pdu;
            else
                EXPECT_LE(udl, 140) << part.pdu;
            EXPECT_EQ(pdu.Multipart, r.parts.size() > 1);
            joined += pdu.Text;
        }
        EXPECT_EQ(joined, text);
    }
}

TEST(Splitter, EncodeRefusesBadInput)
{
    MessageToEncode message;
    message.text = u"hi";
    for (const char* number : {"", "+", "12a4", "+1 555", "123456789012345678901"}) {
        message.number = number;
        const EncodeResult r = EncodeMessage(message);
        EXPECT_FALSE(r.ok) << number;
        EXPECT_NE(r.error.find("Invalid recipient number"), std::string::npos);
    }
    message.number = "+15550100000";
    message.smsc = "+1555x";
    EXPECT_FALSE(EncodeMessage(message).ok);
    message.smsc = "";
    message.text = std::u16string(200, u'a');
    message.reference = 0;
    EXPECT_FALSE(EncodeMessage(message).ok);
}

} // namespace
