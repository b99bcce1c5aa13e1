#include "codec/Pdu.h"

#include <gtest/gtest.h>

namespace {

struct EncodeCase
{
    std::string name;
    std::string number;
    std::string smsc;
    std::u16string text;
    bool report, flash, multipart;
    unsigned reference, total, part;
    int presetAlphabet;
    std::string pdu;
    int tpduLength;
};

TEST(Encode, Examples)
{
    const EncodeCase cases[] = {
        {"plain", "+15550100000", "", u"Hi", false, false, false, 0, 0, 0, AlphabetGsm,
         "0011000B915155100000F00000FF02C834", 16},
        {"report", "+15550100000", "", u"Hi", true, false, false, 0, 0, 0, AlphabetGsm,
         "0031000B915155100000F00000FF02C834", 16},
        {"flash", "+15550100000", "", u"Hi", false, true, false, 0, 0, 0, AlphabetGsm,
         "0011000B915155100000F00010FF02C834", 16},
        {"national", "0555010000", "", u"Hi", false, false, false, 0, 0, 0, AlphabetGsm,
         "0011000A815055100000"
         "0000FF02C834",
         15},
        {"s prefix", "s123", "", u"Hi", false, false, false, 0, 0, 0, AlphabetGsm, "001100038121F30000FF02C834", 12},
        {"service centre", "+15550100000", "+15550199999", u"Hi", false, false, false, 0, 0, 0, AlphabetGsm,
         "07915155109999F9"
         "11000B915155100000F00000FF02C834",
         16},
        {"national service centre", "+15550100000", "0123", u"Hi", false, false, false, 0, 0, 0, AlphabetGsm,
         "03811032"
         "11000B915155100000F00000FF02C834",
         16},
        {"cyrillic", "+15550100000", "", u"\u041F\u0440\u0438", false, false, false, 0, 0, 0, AlphabetGsm,
         "0011000B915155100000F00008FF06041F04400438", 20},
        {"empty UCS2", "+15550100000", "", u"", false, false, false, 0, 0, 0, AlphabetUcs2,
         "0011000B915155100000F00008FF00", 14},
        {"GSM part 2 of 3", "+15550100000", "", u"hello", false, false, true, 0xA1, 3, 2, AlphabetGsm,
         "0051000B915155100000F00000FF0C050003A10302D06536FB0D", 25},
        {"UCS2 part 1 of 2", "+15550100000", "", u"\u041F", false, false, true, 0x07, 2, 1, AlphabetGsm,
         "0051000B915155100000F00008FF08050003070201041F", 22},
        {"flash UCS2", "+15550100000", "", u"\u00C7", false, true, false, 0, 0, 0, AlphabetGsm,
         "0011000B915155100000F00018FF0200C7", 16},
        {"euro in GSM", "+15550100000", "", u"5\u20AC", false, false, false, 0, 0, 0, AlphabetGsm,
         "0011000B915155100000F00000FF03B54D19", 17},
    };
    for (const auto& c : cases) {
        PDU pdu;
        pdu.SetNumber(c.number.c_str());
        if (!c.smsc.empty())
            pdu.SetSmsc(c.smsc.c_str());
        pdu.Text = c.text;
        pdu.ReportRequest = c.report;
        pdu.Flash = c.flash;
        pdu.Alphabet = c.presetAlphabet;
        pdu.Multipart = c.multipart;
        pdu.Reference = c.reference;
        pdu.PartsTotal = c.total;
        pdu.PartNumber = c.part;
        pdu.Encode();
        EXPECT_EQ(pdu.PduText, c.pdu) << c.name;
        EXPECT_EQ(pdu.UserDataLength, c.tpduLength) << c.name;
    }
}

TEST(Encode, OwnOutputDecodesBack)
{
    const std::u16string texts[] = {u"hello", u"{[~]}|\\^\u20AC", u"\u00E7\u00E9\u00E8 \u0394\u03A9",
                                    u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600", u"\u00C7a"};
    for (const auto& text : texts) {
        for (bool multipart : {false, true}) {
            PDU out;
            out.SetNumber("+4915550100000");
            out.SetSmsc("+15550199999");
            out.Text = text;
            out.Multipart = multipart;
            out.Reference = 200;
            out.PartsTotal = 4;
            out.PartNumber = 3;
            out.ReportRequest = true;
            out.Encode();

            PDU in(out.PduText);
            ASSERT_TRUE(in.Decode()) << out.PduText << ": " << in.Error;
            EXPECT_EQ(in.Text, text) << out.PduText;
            EXPECT_EQ(in.Number, "4915550100000");
            EXPECT_TRUE(in.International);
            EXPECT_EQ(in.Smsc, "15550199999");
            EXPECT_TRUE(in.ReportRequest);
            EXPECT_EQ(in.Multipart, multipart);
            if (multipart) {
                EXPECT_EQ(in.Reference, 200u);
                EXPECT_EQ(in.PartsTotal, 4u);
                EXPECT_EQ(in.PartNumber, 3u);
            }
        }
    }
}

TEST(Encode, ValidityPeriodOutOfRangeIsTheLongest)
{
    for (int vp : {-1, 256, 1000}) {
        PDU pdu;
        pdu.SetNumber("123");
        pdu.Text = u"x";
        pdu.ValidityPeriod = vp;
        pdu.Encode();
        EXPECT_EQ(pdu.PduText.substr(18, 2), "FF") << vp;
    }
    PDU pdu;
    pdu.SetNumber("123");
    pdu.Text = u"x";
    pdu.ValidityPeriod = 0xA7;
    pdu.Encode();
    EXPECT_EQ(pdu.PduText.substr(18, 2), "A7");
}

} // namespace
