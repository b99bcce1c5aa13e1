#include "PduJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace {

QString utf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString alphabetName(int alphabet)
{
    PDU probe;
    probe.Alphabet = alphabet;
    return QString::fromStdString(probe.AlphabetName());
}

} // namespace

QByteArray DecodedPduJson(const PDU& pdu, bool ok)
{
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
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray EncodedPartJson(const EncodedPart& part)
{
    QJsonObject o;
    o.insert("part", static_cast<qint64>(part.partNumber));
    o.insert("partsTotal", static_cast<qint64>(part.partsTotal));
    o.insert("reference", static_cast<qint64>(part.reference));
    o.insert("alphabet", alphabetName(part.alphabet));
    o.insert("pdu", QString::fromStdString(part.pdu));
    o.insert("tpduLength", static_cast<qint64>(part.tpduLength));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
