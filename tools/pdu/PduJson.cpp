#include "PduJson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <charconv>

namespace {

QString alphabetName(int alphabet)
{
    PDU probe;
    probe.Alphabet = alphabet;
    return QString::fromStdString(probe.AlphabetName());
}

const char hexDigits[] = "0123456789abcdef";

void appendEscapedAscii(std::string& out, char16_t c)
{
    switch (c) {
    case u'"': out += "\\\""; return;
    case u'\\': out += "\\\\"; return;
    case u'\b': out += "\\b"; return;
    case u'\f': out += "\\f"; return;
    case u'\n': out += "\\n"; return;
    case u'\r': out += "\\r"; return;
    case u'\t': out += "\\t"; return;
    default:
        if (c < 0x20) {
            const char e[] = {'\\', 'u', '0', '0', hexDigits[c >> 4], hexDigits[c & 0xF]};
            out.append(e, sizeof e);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
}

void appendKey(std::string& out, std::string_view key)
{
    out.push_back('"');
    out += key;
    out += "\":";
}

void appendBool(std::string& out, std::string_view key, bool value)
{
    appendKey(out, key);
    out += value ? "true," : "false,";
}

void appendNumber(std::string& out, std::string_view key, unsigned long long value)
{
    appendKey(out, key);
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
    out.push_back(',');
}

void appendText(std::string& out, std::string_view key, std::string_view value)
{
    appendKey(out, key);
    AppendJsonString(out, value);
    out.push_back(',');
}

} // namespace

void AppendJsonString(std::string& out, std::u16string_view text)
{
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c < 0x80) {
            appendEscapedAscii(out, static_cast<char16_t>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0xD800 || c > 0xDFFF) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const char32_t u = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            out.push_back(static_cast<char>(0xF0 | u >> 18));
            out.push_back(static_cast<char>(0x80 | (u >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            const char e[] = {
                '\\', 'u', hexDigits[c >> 12], hexDigits[c >> 8 & 0xF], hexDigits[c >> 4 & 0xF], hexDigits[c & 0xF]};
            out.append(e, sizeof e);
        }
    }
    out.push_back('"');
}

void AppendJsonString(std::string& out, std::string_view utf8)
{
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            // Qt's own reading of malformed UTF-8 decides what such text becomes.
            const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
            AppendJsonString(out, std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                      static_cast<std::size_t>(text.size())));
            return;
        }
    }
    out.push_back('"');
    for (const char c : utf8)
        appendEscapedAscii(out, static_cast<char16_t>(c));
    out.push_back('"');
}

void AppendDecodedPduJson(std::string& out, const PDU& pdu, bool ok)
{
    // Keys in the order Qt's writer sorts them.
    out.push_back('{');
    appendText(out, "alphabet", pdu.AlphabetName());
    appendText(out, "date", pdu.Date);
    appendText(out, "error", pdu.Error);
    appendBool(out, "flash", pdu.Flash);
    appendBool(out, "international", pdu.International);
    appendNumber(out, "messageId", pdu.MessageId);
    appendBool(out, "multipart", pdu.Multipart);
    appendText(out, "number", pdu.Number);
    appendText(out, "numberType", pdu.NumberType);
    appendBool(out, "ok", ok);
    appendNumber(out, "partNumber", pdu.PartNumber);
    appendNumber(out, "partsTotal", pdu.PartsTotal);
    appendNumber(out, "reference", pdu.Reference);
    appendBool(out, "reportRequest", pdu.ReportRequest);
    appendText(out, "smsc", pdu.Smsc);
    appendBool(out, "statusReport", pdu.StatusReport);
    appendKey(out, "text");
    AppendJsonString(out, pdu.Text);
    out.push_back(',');
    appendText(out, "time", pdu.Time);
    appendText(out, "udhData", pdu.UdhData);
    appendBool(out, "udhPresent", pdu.UdhPresent);
    appendText(out, "udhType", pdu.UdhType);
    out.back() = '}';
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
