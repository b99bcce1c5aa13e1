// The hand-written JSON must be byte for byte what Qt's writer gives, which the tool printed
// before and scripts may compare against.
#include "PduJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string QtString(const QString& text)
{
    // ["..."] from Qt, without the brackets.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2).toStdString();
}

std::string QtPdu(const PDU& pdu, bool ok)
{
    auto utf8 = [](const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); };
    QJsonObject o;
    o.insert("ok", ok);
    o.insert("error", utf8(pdu.Error));
    o.insert("smsc", utf8(pdu.Smsc));
    o.insert("number", utf8(pdu.Number));
    o.insert("international", pdu.International);
    o.insert("numberType", utf8(pdu.NumberType));
    o.insert("date", utf8(pdu.Date));
    o.insert("time", utf8(pdu.Time));
    o.insert("alphabet", QString::fromStdString(pdu.AlphabetName()));
    o.insert("flash", pdu.Flash);
    o.insert("udhPresent", pdu.UdhPresent);
    o.insert("udhType", utf8(pdu.UdhType));
    o.insert("udhData", utf8(pdu.UdhData));
    o.insert("multipart", pdu.Multipart);
    o.insert("reference", static_cast<qint64>(pdu.Reference));
    o.insert("partsTotal", static_cast<qint64>(pdu.PartsTotal));
    o.insert("partNumber", static_cast<qint64>(pdu.PartNumber));
    o.insert("reportRequest", pdu.ReportRequest);
    o.insert("statusReport", pdu.StatusReport);
    o.insert("messageId", static_cast<qint64>(pdu.MessageId));
    o.insert("text", QString::fromStdU16String(pdu.Text));
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

TEST(PduJson, EveryUtf16UnitEscapesAsQtDoes)
{
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const std::u16string text{u'a', static_cast<char16_t>(c), u'b'};
        std::string ours;
        AppendJsonString(ours, text);
        ASSERT_EQ(ours, QtString(QString::fromStdU16String(text))) << "U+" << std::hex << static_cast<unsigned>(c);
    }
}

TEST(PduJson, SurrogatesAndUtf8AsQtDoes)
{
    const std::u16string texts[] = {u"\xD83D\xDE00",
                                    u"\xD83D",
                                    u"\xDE00",
                                    u"x\xD83D",
                                    u"\xD83D"
                                    "A",
                                    u"\xDE00\xD83D",
                                    u"\xD83D\xD83D\xDE00",
                                    u""};
    for (const auto& text : texts) {
        std::string ours;
        AppendJsonString(ours, text);
        EXPECT_EQ(ours, QtString(QString::fromStdU16String(text)));
    }
    const std::string bytes[] = {"plain",         "\"\\\x01\x7f", "Zürich €",
                                 "\xff\xfe",      "\xc3\x28",     "\xed\xa0\x80",
                                 "\xef\xbb\xbfQ", "\xf0\x9f\x98", std::string("a\0b", 3)};
    for (const auto& b : bytes) {
        std::string ours;
        AppendJsonString(ours, std::string_view(b));
        EXPECT_EQ(ours, QtString(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())))) << b;
    }
}

TEST(PduJson, DecodedPdusAsQtWritesThem)
{
    const std::string smsc = "07915155109999F9", sender = "0B915155100000F0", scts = "12107061532000";
    const std::string pdus[] = {
        smsc + "04" + sender + "0000" + scts + "05E8329BFD06",                   // GSM
        smsc + "04" + sender + "0008" + scts + "0C041F044004380432043504420",    // UCS2, cut
        smsc + "44" + sender + "0008" + scts + "0E050003A10201D83DDE000022005C", // header, emoji
        "0006"
        "2A" +
            sender + scts +
            "12107061532100"
            "00",                            // status report
        smsc + "040B9151\xff\xfe\xc3\x28zz", // bytes into the error
        "",
        "0",
        "ZZ",
    };
    for (const auto& hex : pdus)
        for (bool statusReport : {false, true}) {
            PDU pdu{std::string_view(hex)};
            const bool ok = statusReport ? pdu.DecodeStatusReport() : pdu.Decode();
            std::string ours;
            AppendDecodedPduJson(ours, pdu, ok);
            EXPECT_EQ(ours, QtPdu(pdu, ok)) << hex;
        }
}

} // namespace
