#include "model/StoredRecord.h"
#include "codec/Splitter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Smsc = "07915155109999F9";
const std::string International = "0B915155100000F0"; // +15550100000
const std::string National = "0A811032547698";        // 0123456789
const std::string Scts = "12107061532000";            // 07.01.2021 16:35:02
const std::string Discharge = "12107061532100";

std::string Submit()
{
    MessageToEncode message;
    message.number = "+15550100123";
    message.text = u"see you";
    message.reference = 7;
    return EncodeMessage(message).parts.at(0).pdu;
}

TEST(StoredRecord, DecodesLikeTheFolders)
{
    struct Case
    {
        const char* name;
        std::string pdu;
        bool ok;
        QString number, date, time, text;
        bool statusReport;
        QString error;
    };
    const Case cases[] = {
        {"GSM, international sender", Smsc + "04" + International + "0000" + Scts + "05E8329BFD06", true,
         "+15550100000", "07.01.2021", "16:35:02", "hello", false, ""},
        {"GSM, national sender", Smsc + "04" + National + "0000" + Scts + "05E8329BFD06", true, "0123456789",
         "07.01.2021", "16:35:02", "hello", false, ""},
        {"UCS2", Smsc + "04" + International + "0008" + Scts + "0C041F0440043804320435" + "0442", true, "+15550100000",
         "07.01.2021", "16:35:02", "Привет", false, ""},
        // A SUBMIT carries no time stamp: the record's own is shown.
        {"SUBMIT", Submit(), true, "+15550100123", "02.03.2024", "10:11:12", "see you", false, ""},
        // The status-report decoder gives the status text the plain decoder leaves out.
        {"status report", Smsc + "06" + "2A" + International + Scts + Discharge + "00", true, "+15550100000",
         "07.01.2021", "16:35:02", "Success", true, ""},
        {"status report, no service centre", "0006" + std::string("2A") + International + Scts + Discharge + "46", true,
         "+15550100000", "07.01.2021", "16:35:02", "Error, SM validity period expired", true, ""},
        {"address cut short", Smsc + "04" + "0B9151", false, "", "", "", "", false,
         "Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (0)"},
        {"UCS2 text cut short", Smsc + "04" + International + "0008" + Scts + "0C041F0440", false, "", "", "", "",
         false, "Error while reading TP-UD: UCS2 text"},
        {"status report cut short", "0006", false, "", "", "", "", false,
         "Reading message id, address length and address type: PDU is too short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DATABASE_SMS_DATA record;
        record.Status = static_cast<std::uint32_t>(SmsStatus::Read);
        record.Pdu = c.pdu;
        record.Date = "02.03.2024";
        record.Time = "10:11:12";
        const StoredRecord decoded(record);
        EXPECT_EQ(decoded.Ok, c.ok) << decoded.Error.toStdString();
        EXPECT_EQ(decoded.Number, c.number);
        EXPECT_EQ(decoded.Date, c.date);
        EXPECT_EQ(decoded.Time, c.time);
        EXPECT_EQ(decoded.Text, c.text);
        EXPECT_EQ(decoded.Pdu.StatusReport, c.statusReport);
        EXPECT_EQ(decoded.Error, c.error);
    }
}

} // namespace
