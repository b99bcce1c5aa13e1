#include "codec/Pdu.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Smsc = "07915155109999F9";
const std::string Sender = "0B915155100000F0";
const std::string Scts = "12107061532000";
const std::string Discharge = "12107061532100";
const std::string Hello = "05E8329BFD06";
const std::string Deliver = "00"
                            "04" +
                            Sender + "0000" + Scts + Hello;
const std::string Report = "0006"
                           "2A" +
                           Sender + Scts + Discharge + "00";

struct DecodeCase
{
    std::string hex;
    bool ok;
    std::string error;
};

class DecodeErrors : public testing::TestWithParam<DecodeCase>
{ };

TEST_P(DecodeErrors, GiveTheirText)
{
    const DecodeCase& c = GetParam();
    PDU pdu{std::string_view(c.hex)};
    EXPECT_EQ(pdu.Decode(), c.ok) << c.hex;
    EXPECT_EQ(pdu.Error, c.error) << c.hex;
}

INSTANTIATE_TEST_SUITE_P(
    Deliver, DecodeErrors,
    testing::Values(
        DecodeCase{"", false, "PDU is too short"}, DecodeCase{"0", false, "PDU is too short"},
        DecodeCase{"ZZ" + Deliver, false, "Invalid character(s) in first octet (err=-3, byte=5a )"},
        DecodeCase{"0Z", false, "Invalid character(s) in first octet (err=-4, byte=30 )"},
        DecodeCase{"01" + Deliver, false, "Invalid sender SMSC address length (1)"},
        DecodeCase{"41" + Deliver, false, "Invalid sender SMSC address length (65)"},
        DecodeCase{"0791515510", false, "Reading SMSC address: PDU is too short"},
        DecodeCase{"07ZZ5155109999F9" + Deliver.substr(2), false, "Invalid sender SMSC address type"},
        DecodeCase{"07115155109999F9" + Deliver.substr(2), false, "Missing bit 7 in sender SMSC address type"},
        DecodeCase{"03D0ZZ12" + Deliver.substr(2), false, "Invalid character(s) in alphanumeric SMSC address"},
        DecodeCase{"0391AB12" + Deliver.substr(2), false, "Invalid character(s) in numeric SMSC address"},
        DecodeCase{"00", false, "Reading First octet of the SMS-DELIVER PDU: PDU is too short"},
        DecodeCase{"00ZZ", false, "Reading First octet of the SMS-DELIVER PDU: Invalid character(s)"},
        DecodeCase{"0003" + Deliver.substr(4), false, "Unsupported type"},
        DecodeCase{"00040B", false, "Reading address length and address type: PDU is too short"},
        DecodeCase{"0004ZZ91" + Deliver.substr(8), false, "Invalid sender address length"},
        DecodeCase{"00044191" + Deliver.substr(8), false, "Invalid sender address length"},
        DecodeCase{"00040BZZ" + Deliver.substr(8), false, "Invalid sender address type"},
        DecodeCase{"00040B11" + Deliver.substr(8), false, "Missing bit 7 in sender address type"},
        DecodeCase{"000410D04142", false, "Reading sender address (alphanumeric): PDU is too short"},
        DecodeCase{"000404D0ZZZZ0000" + Scts + Hello, false,
                   "Reading alphanumeric sender address: Invalid character(s)"},
        DecodeCase{"00040B915155100000F00000", false,
                   "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (4)"},
        DecodeCase{"000414915155", false, "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (0)"},
        DecodeCase{"0004" + Sender + "ZZ00" + Scts + Hello, false, "Invalid protocol identifier"},
        DecodeCase{"0004" + Sender + "00ZZ" + Scts + Hello, false, "Invalid data encoding scheme"},
        DecodeCase{"0004" + Sender + "000C" + Scts + Hello, false,
                   "Invalid alphabet in data encoding scheme: value 3 is not supported"},
        DecodeCase{"0004" + Sender +
                       "0000"
                       "1A107061532000" +
                       Hello,
                   false, "Invalid character(s) in date of Service Centre Time Stamp"},
        DecodeCase{"0004" + Sender +
                       "0000"
                       "121070615A2000" +
                       Hello,
                   false, "Invalid character(s) in time of Service Centre Time Stamp"},
        DecodeCase{"0004" + Sender +
                       "0000"
                       "121070615320ZZ" +
                       Hello,
                   false, "Invalid character(s) in Time Zone of Service Centre Time Stamp"},
        DecodeCase{"0004" + Sender + "0000" + Scts + "05E8329B", false, "Error while reading TP-UD (GSM text)"},
        DecodeCase{"0004" + Sender + "0008" + Scts + "04041F", false, "Error while reading TP-UD: UCS2 text"},
        DecodeCase{"0004" + Sender + "0004" + Scts + "0441", false, "Error while reading TP-UD: binary"},
        DecodeCase{"0011000B915155100000F000", false,
                   "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (2)"},
        DecodeCase{"0001000B915155100000F00000", false,
                   "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (4)"},
        DecodeCase{"0019000B915155100000F0000099309251619580", false,
                   "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (18)"},
        // Warnings: the PDU decodes and the last warning stays in Error.
        DecodeCase{"000C" + Deliver.substr(4), true,
                   "Warning: Unused bits 3 and 4 are used in the first octet of the SMS-DELIVER PDU."},
        DecodeCase{"00040B915155100000A0" + Deliver.substr(20), true,
                   "Length of numeric sender address is odd, but not terminated with 'F'."},
        DecodeCase{"00040C915155100000F0" + Deliver.substr(20), true,
                   "Length of numeric sender address is even, but still was terminated with 'F'."},
        DecodeCase{"00040B915B55100000F0" + Deliver.substr(20), true, "Invalid character(s) in sender address."},
        DecodeCase{"0004" + Sender +
                       "0000"
                       "21317061532000" +
                       Hello,
                   true, "Invalid values(s) in date of Service Centre Time Stamp."},
        DecodeCase{"0004" + Sender +
                       "0000"
                       "12107052000000" +
                       Hello,
                   true, "Invalid values(s) in time of Service Centre Time Stamp."}));

INSTANTIATE_TEST_SUITE_P(
    StatusReport, DecodeErrors,
    testing::Values(
        DecodeCase{Report, true, ""},
        DecodeCase{"00062A0B", false, "Reading message id, address length and address type: PDU is too short"},
        DecodeCase{"0006ZZ" + Report.substr(6), false, "Invalid message id"},
        DecodeCase{"00062A00915155100000F0" + Scts, false,
                   "Invalid recipient address length (0, msg=00915155100000F0" + Scts + ")"},
        DecodeCase{"00062A0BZZ" + Report.substr(10), false, "Invalid recipient address type"},
        DecodeCase{"00062A0B11" + Report.substr(10), false, "Missing bit 7 in recipient address type"},
        DecodeCase{"00062A" + Sender + "1210706153", false, "While trying to read SMSC Timestamp: PDU is too short"},
        DecodeCase{"00062A" + Sender + "1A107061532000" + Discharge + "00", false,
                   "Invalid character(s) in date of Service Centre Time Stamp"},
        DecodeCase{"00062A" + Sender + "21317061532000" + Discharge + "00", true,
                   "Invalid value(s) in date of SMSC Timestamp."},
        DecodeCase{"00062A" + Sender + "121070615A2000" + Discharge + "00", false,
                   "Invalid character(s) in time of SMSC Timestamp"},
        DecodeCase{"00062A" + Sender + "12107052000000" + Discharge + "00", true,
                   "Invalid value(s) in time of SMSC Timestamp."},
        DecodeCase{"00062A" + Sender + "121070615320ZZ" + Discharge + "00", false,
                   "Invalid character(s) in Time Zone of SMSC Time Stamp"},
        DecodeCase{"00062A" + Sender + Scts + "121070", false,
                   "While trying to read Discharge Timestamp: PDU is too short"},
        DecodeCase{"00062A" + Sender + Scts +
                       "1210706153Z100"
                       "00",
                   false, "Invalid character(s) in Discharge Timestamp"},
        DecodeCase{"00062A" + Sender + Scts +
                       "12107052000000"
                       "00",
                   true, "Invalid values(s) in Discharge Timestamp."},
        DecodeCase{"00062A" + Sender + Scts +
                       "121070615321ZZ"
                       "00",
                   false, "Invalid character(s) in Time Zone of Discharge Time Stamp"},
        DecodeCase{"00062A" + Sender + Scts + Discharge, false, "While trying to read Status octet: PDU is too short"},
        DecodeCase{"00062A" + Sender + Scts + Discharge + "ZZ", false, "Invalid Status octet"}));

TEST(Decode, WorkedExample)
{
    PDU pdu("07915155109999F9040B915155100000F000001210706153200005E8329BFD06");
    ASSERT_TRUE(pdu.Decode()) << pdu.Error;
    EXPECT_EQ(pdu.Error, "");
    EXPECT_EQ(pdu.Smsc, "15550199999");
    EXPECT_EQ(pdu.Number, "15550100000");
    EXPECT_EQ(pdu.NumberType, "international, ISDN/telephone");
    EXPECT_TRUE(pdu.International);
    EXPECT_EQ(pdu.Alphabet, AlphabetGsm);
    EXPECT_EQ(pdu.AlphabetName(), "GSM");
    EXPECT_FALSE(pdu.Flash);
    EXPECT_EQ(pdu.Date, "07.01.2021");
    EXPECT_EQ(pdu.Time, "16:35:02");
    EXPECT_FALSE(pdu.UdhPresent);
    EXPECT_FALSE(pdu.Multipart);
    EXPECT_FALSE(pdu.StatusReport);
    EXPECT_EQ(pdu.Text, u"hello");
    // A second decode of the same object gives the same fields.
    ASSERT_TRUE(pdu.Decode());
    EXPECT_EQ(pdu.Number, "15550100000");
    EXPECT_EQ(pdu.Text, u"hello");
}

TEST(Decode, NullAndPrefixedTexts)
{
    PDU none(static_cast<const char*>(nullptr));
    EXPECT_FALSE(none.Decode());
    EXPECT_EQ(none.Error, "PDU is NULL");

    PDU noSmsc(Deliver);
    ASSERT_TRUE(noSmsc.Decode());
    EXPECT_EQ(noSmsc.Smsc, "");
    EXPECT_EQ(noSmsc.Text, u"hello");

    // Some devices put 000000FF in front of the PDU.
    PDU prefixed("000000FF" + Deliver);
    ASSERT_TRUE(prefixed.Decode()) << prefixed.Error;
    EXPECT_EQ(prefixed.Text, u"hello");
}

struct FieldCase
{
    std::string name;
    std::string hex;
    std::u16string text;
    std::string number;
    bool international;
    std::string numberType;
    int alphabet;
    bool flash;
};

TEST(Decode, Fields)
{
    const FieldCase cases[] = {
        {"national",
         "00040A815155100000"
         "0000" +
             Scts + Hello,
         u"hello", "1555010000", false, "unknown, ISDN/telephone", AlphabetGsm, false},
        {"alphanumeric",
         "000407D049B7F90D"
         "0000" +
             Scts + Hello,
         u"hello", "Info", false, "alphanumeric, unknown", AlphabetGsm, false},
        {"alphanumeric through the GSM table",
         "000410D0C2B07B0D40BEDB65"
         "0000" +
             Scts + Hello,
         u"hello", "Bank@Home", false, "alphanumeric, unknown", AlphabetGsm, false},
        {"no sender",
         "00040000"
         "0000" +
             Scts + Hello,
         u"hello", "", false, "", AlphabetGsm, false},
        {"class 0", "0004" + Sender + "0010" + Scts + Hello, u"hello", "15550100000", true,
         "international, ISDN/telephone", AlphabetGsm, true},
        {"class 1", "0004" + Sender + "0011" + Scts + Hello, u"hello", "15550100000", true,
         "international, ISDN/telephone", AlphabetGsm, false},
        {"bit 0 clear", "0004" + Sender + "0012" + Scts + Hello, u"hello", "15550100000", true,
         "international, ISDN/telephone", AlphabetGsm, true},
        {"UCS2", "0004" + Sender + "0008" + Scts + "06041F04400438", u"\u041F\u0440\u0438", "15550100000", true,
         "international, ISDN/telephone", AlphabetUcs2, false},
        {"8-bit up to a zero", "0004" + Sender + "0004" + Scts + "0441420043", u"AB", "15550100000", true,
         "international, ISDN/telephone", AlphabetBinary, false},
        {"submit", "0011000B915155100000F00000FF02C834", u"Hi", "15550100000", true, "international, ISDN/telephone",
         AlphabetGsm, false},
        // The validity period's format bits decide its size: none, or seven octets.
        {"submit without validity", "0001000B915155100000F000000341E110", u"ABC", "15550100000", true,
         "international, ISDN/telephone", AlphabetGsm, false},
        {"submit with absolute validity", "0019000B915155100000F00000993092516195800341E110", u"ABC", "15550100000",
         true, "international, ISDN/telephone", AlphabetGsm, false},
        {"submit with enhanced validity", "0009000B915155100000F00000010000000000000341E110", u"ABC", "15550100000",
         true, "international, ISDN/telephone", AlphabetGsm, false},
    };
    for (const auto& c : cases) {
        PDU pdu(c.hex);
        ASSERT_TRUE(pdu.Decode()) << c.name << ": " << pdu.Error;
        EXPECT_EQ(pdu.Text, c.text) << c.name;
        EXPECT_EQ(pdu.Number, c.number) << c.name;
        EXPECT_EQ(pdu.International, c.international) << c.name;
        EXPECT_EQ(pdu.NumberType, c.numberType) << c.name;
        EXPECT_EQ(pdu.Alphabet, c.alphabet) << c.name;
        EXPECT_EQ(pdu.Flash, c.flash) << c.name;
    }
}

struct ConcatCase
{
    std::string hex;
    std::u16string text;
    unsigned reference, total, part;
    std::string udhData;
    std::string udhType;
};

TEST(Decode, Concatenation)
{
    const ConcatCase cases[] = {
        {"0044" + Sender + "0000" + Scts + "0C050003A10201D06536FB0D", u"hello", 161, 2, 1, "05:00:03:A1:02:01",
         "length=6, Concatenated short messages, 8-bit reference number (0x00)"},
        {"0044" + Sender + "0000" + Scts + "0D06080412340302E8329BFD06", u"hello", 4660, 3, 2, "06:08:04:12:34:03:02",
         "length=7, Concatenated short message, 16-bit reference number (0x08)"},
        {"0044" + Sender + "0008" + Scts + "0A050003A1020100410042", u"AB", 161, 2, 1, "05:00:03:A1:02:01",
         "length=6, Concatenated short messages, 8-bit reference number (0x00)"},
        // An element length that runs past the header: analysed with ERROR, values still read.
        {"0044" + Sender + "0004" + Scts + "08050004A10201414243", u"AB", 161, 2, 1, "05:00:04:A1:02:01",
         "length=6, Concatenated short messages, 8-bit reference number (0x00), ERROR"},
    };
    for (const auto& c : cases) {
        PDU pdu(c.hex);
        ASSERT_TRUE(pdu.Decode()) << c.hex << ": " << pdu.Error;
        EXPECT_TRUE(pdu.UdhPresent);
        EXPECT_TRUE(pdu.Multipart);
        EXPECT_EQ(pdu.Text, c.text);
        EXPECT_EQ(pdu.Reference, c.reference);
        EXPECT_EQ(pdu.PartsTotal, c.total);
        EXPECT_EQ(pdu.PartNumber, c.part);
        EXPECT_EQ(pdu.UdhData, c.udhData);
        EXPECT_EQ(pdu.UdhType, c.udhType);
    }
}

TEST(Decode, StatusReports)
{
    PDU asMessage(Report);
    ASSERT_TRUE(asMessage.Decode());
    EXPECT_TRUE(asMessage.StatusReport);
    EXPECT_EQ(asMessage.Text, u"");
    EXPECT_EQ(asMessage.MessageId, 42u);
    EXPECT_EQ(asMessage.Date, "07.01.2021");

    struct Case
    {
        std::string hex;
        std::u16string text;
        std::string smsc;
    };
    const Case cases[] = {
        {Report, u"Success", ""},
        {Smsc + Report.substr(2), u"Success", "15550199999"},
        {Report.substr(2), u"Success", ""}, // no service-centre part at all
        {Report.substr(0, Report.size() - 2) + "46", u"Error, SM validity period expired", ""},
    };
    for (const auto& c : cases) {
        PDU pdu(c.hex);
        ASSERT_TRUE(pdu.DecodeStatusReport()) << c.hex << ": " << pdu.Error;
        EXPECT_TRUE(pdu.StatusReport);
        EXPECT_EQ(pdu.Text, c.text);
        EXPECT_EQ(pdu.Smsc, c.smsc);
        EXPECT_EQ(pdu.MessageId, 42u);
        EXPECT_EQ(pdu.Number, "15550100000");
    }
    PDU bad("0006");
    EXPECT_FALSE(bad.DecodeStatusReport());
}

TEST(Decode, EveryTruncationFailsCleanly)
{
    const std::string full[] = {
        Smsc + Deliver.substr(2),
        "0044" + Sender + "0000" + Scts + "0C050003A10201D06536FB0D",
        "0004" + Sender + "0008" + Scts + "06041F04400438",
        "000410D0C2B07B0D40BEDB65"
        "0000" +
            Scts + Hello,
        Report,
    };
    for (const auto& hex : full) {
        for (size_t n = 0; n < hex.size(); ++n) {
            PDU pdu(hex.substr(0, n));
            EXPECT_FALSE(pdu.Decode()) << hex.substr(0, n);
            EXPECT_FALSE(pdu.Error.empty());
        }
    }
}

TEST(Decode, LongErrorIsCut)
{
    PDU pdu("00062A00" + std::string(3000, '0'));
    EXPECT_FALSE(pdu.Decode());
    EXPECT_LE(pdu.Error.size(), 1023u);
}

} // namespace
