#include "codec/Pdu.h"

#include "codec/Hex.h"
#include "codec/Septets.h"
#include "codec/Udh.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t maxError = 1023;

const char* typeOfNumberText(int type)
{
    static const char* const texts[] = {"unknown",   "international", "national",    "network specific",
                                        "subsciber", "alphanumeric",  "abbreviated", "reserved"};
    return texts[(type >> 4) & 7];
}

const char* numberingPlanText(int type)
{
    switch (type & 0x0F) {
    case 0: return "unknown";
    case 1: return "ISDN/telephone";
    case 3: return "data";
    case 4: return "telex";
    case 8: return "national";
    case 9: return "private";
    case 10: return "ERMES";
    default: return "reserved";
    }
}

bool isAlphanumericType(int type)
{
    return ((type >> 4) & 7) == 5;
}

bool endsWithFiller(const std::string& s)
{
    return !s.empty() && (s.back() == 'F' || s.back() == 'f');
}

int twoDigits(char high, char low)
{
    return (high - '0') * 10 + (low - '0');
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

// Texts of the service-centre time stamp checks, which differ between DELIVER and the report.
struct TimestampTexts
{
    const char* dateCharacters;
    const char* dateValues;
    const char* timeCharacters;
    const char* timeValues;
    const char* timeZone;
};

namespace {

constexpr TimestampTexts deliverTimestamp{
    "Invalid character(s) in date of Service Centre Time Stamp",
    "Invalid values(s) in date of Service Centre Time Stamp.",
    "Invalid character(s) in time of Service Centre Time Stamp",
    "Invalid values(s) in time of Service Centre Time Stamp.",
    "Invalid character(s) in Time Zone of Service Centre Time Stamp",
};

constexpr TimestampTexts reportTimestamp{
    "Invalid character(s) in date of Service Centre Time Stamp",
    "Invalid value(s) in date of SMSC Timestamp.",
    "Invalid character(s) in time of SMSC Timestamp",
    "Invalid value(s) in time of SMSC Timestamp.",
    "Invalid character(s) in Time Zone of SMSC Time Stamp",
};

} // namespace

PDU::PDU() = default;

PDU::PDU(std::string_view pduText) : PduText(pduText.substr(0, std::min(pduText.size(), pduText.find('\0'))))
{ }

PDU::PDU(const char* pduText) : hasText(pduText != nullptr)
{
    if (pduText)
        PduText = pduText;
}

void PDU::SetError(const char* format, ...)
{
    char buffer[maxError + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Error = buffer;
}

void PDU::Reset()
{
    Multipart = false;
    Reference = PartsTotal = PartNumber = MessageReference = ReportStatus = 0;
    International = false;
    UdhPresent = ReportRequest = StatusReport = false;
    Smsc.clear();
    Number.clear();
    NumberType.clear();
    Date.clear();
    Time.clear();
    UdhType.clear();
    UdhData.clear();
    Error.clear();
    UserDataLength = 0;
    UserData[0] = 0;
    // Not listed among the fields a decode resets, but a second decode must not keep them.
    Text.clear();
    MessageId = 0;
    Alphabet = AlphabetGsm;
    Flash = false;
}

int PDU::OctetAtCursor() const
{
    return HexOctet(PduText, cursor);
}

std::string PDU::AlphabetName() const
{
    switch (Alphabet) {
    case AlphabetGsm: return "GSM";
    case AlphabetBinary: return "BINARY";
    case AlphabetUcs2: return "UCS2";
    default: return "Unknown";
    }
}

bool PDU::Decode()
{
    if (!hasText) {
        Reset();
        Error = "PDU is NULL";
        return false;
    }
    if (PduText.compare(0, 10, "000000FF00") == 0) {
        PduText.erase(0, 8);
        while (PduText.size() < 52)
            PduText += "00";
    }
    Reset();
    // Every decode reads the text from its start, so decoding twice gives the same result.
    cursor = 0;
    if (PduText.size() < 2) {
        Error = "PDU is too short";
        return false;
    }
    if (!ReadSmsc())
        return false;

    if (Remaining() < 2) {
        Error = "Reading First octet of the SMS-DELIVER PDU: PDU is too short";
        return false;
    }
    const int first = OctetAtCursor();
    if (first < 0) {
        Error = "Reading First octet of the SMS-DELIVER PDU: Invalid character(s)";
        return false;
    }
    if (first & 0x18)
        Error = "Warning: Unused bits 3 and 4 are used in the first octet of the SMS-DELIVER PDU.";
    UdhPresent = (first & 0x40) != 0;
    ReportRequest = (first & 0x20) != 0;
    firstOctet = first;

    switch (first & 0x03) {
    case 0:
        Advance(2);
        if (!ReadDeliverOrSubmit(false))
            return false;
        break;
    case 1:
        Advance(2);
        if (!ReadDeliverOrSubmit(true))
            return false;
        break;
    case 2:
        if (!ReadStatusReport(false))
            return false;
        StatusReport = true;
        return true;
    default: Error = "Unsupported type"; return false;
    }
    MakeText();
    return true;
}

bool PDU::DecodeStatusReport()
{
    Reset();
    cursor = 0;
    if (!ReadStatusReport(true)) {
        Reset();
        cursor = 0;
        if (!ReadStatusReport(false))
            return false;
    }
    StatusReport = true;
    Text.assign(UserData.begin(), UserData.begin() + UserDataLength);
    return true;
}

bool PDU::ReadSmsc()
{
    const int length = OctetAtCursor();
    if (length < 0) {
        const unsigned char c = cursor < PduText.size() ? static_cast<unsigned char>(PduText[cursor]) : 0;
        SetError("Invalid character(s) in first octet (err=%d, byte=%x )", length, c);
        return false;
    }
    if (length == 0) {
        Advance(2);
        return true;
    }
    if (length == 1 || length > 64) {
        SetError("Invalid sender SMSC address length (%d)", length);
        return false;
    }
    const size_t digits = 2 * static_cast<size_t>(length) - 2;
    if (Remaining() < digits + 4) {
        Error = "Reading SMSC address: PDU is too short";
        return false;
    }
    Advance(2);
    const int type = OctetAtCursor();
    if (type < 0) {
        Error = "Invalid sender SMSC address type";
        return false;
    }
    if (type < 0x80) {
        Error = "Missing bit 7 in sender SMSC address type";
        return false;
    }
    Advance(2);
    Smsc.assign(PduText, cursor, digits);
    SwapSemiOctets(Smsc);
    if (isAlphanumericType(type)) {
        if (!std::all_of(Smsc.begin(), Smsc.end(), IsHexDigit)) {
            Error = "Invalid character(s) in alphanumeric SMSC address";
            return false;
        }
    } else {
        if (endsWithFiller(Smsc))
            Smsc.pop_back();
        if (!std::all_of(Smsc.begin(), Smsc.end(), IsDecimalDigit)) {
            Error = "Invalid character(s) in numeric SMSC address";
            return false;
        }
    }
    Advance(digits);
    return true;
}

bool PDU::ReadAddress(int length, bool statusReport)
{
    const size_t n = static_cast<size_t>(length);
    const size_t characters = n + (n % 2);
    const int type = OctetAtCursor();
    if (type < 0) {
        Error = statusReport ? "Invalid recipient address type" : "Invalid sender address type";
        return false;
    }
    NumberType = typeOfNumberText(type);
    NumberType += ", ";
    NumberType += numberingPlanText(type);
    International = ((type >> 4) & 7) == 1 && (type & 0x0F) == 1;
    if (type < 0x80) {
        Error = statusReport ? "Missing bit 7 in recipient address type" : "Missing bit 7 in sender address type";
        return false;
    }
    Advance(2);

    if (isAlphanumericType(type)) {
        if (Remaining() < characters) {
            Error = "Reading sender address (alphanumeric): PDU is too short";
            return false;
        }
        uint8_t codes[64];
        const size_t septets = n * 4 / 7;
        if (UnpackSeptetData(std::string_view(PduText).substr(cursor, characters), septets, codes) < 0) {
            Error = "Reading alphanumeric sender address: Invalid character(s)";
            return false;
        }
        // Through the GSM table, so that a sender such as "Caf\u00E9" reads as written.
        Number.clear();
        for (char16_t c : GsmToText(codes, septets))
            appendUtf8(Number, c);
        Advance(characters);
        return true;
    }

    if (Remaining() < characters) {
        // The length claims more digits than there are; the next length check refuses the PDU.
        Advance(Remaining());
        return true;
    }
    Number.assign(PduText, cursor, characters);
    SwapSemiOctets(Number);
    if (n % 2) {
        if (!endsWithFiller(Number))
            Error = "Length of numeric sender address is odd, but not terminated with 'F'.";
        Number.pop_back();
    } else if (endsWithFiller(Number)) {
        Error = "Length of numeric sender address is even, but still was terminated with 'F'.";
        Number.pop_back();
    }
    if (!std::all_of(Number.begin(), Number.end(), IsDecimalDigit))
        Error = "Invalid character(s) in sender address.";
    Advance(characters);
    return true;
}

namespace {

// Reads the six digit characters of a date or time; false if any is not a decimal digit.
bool sixDigits(const std::string& text, size_t pos, char (&d)[6])
{
    for (int i = 0; i < 6; ++i) {
        d[i] = text[pos + static_cast<size_t>(i)];
        if (!IsDecimalDigit(d[i]))
            return false;
    }
    return true;
}

} // namespace

bool PDU::ReadDeliverOrSubmit(bool submit)
{
    if (Remaining() < 4) {
        Error = "Reading address length and address type: PDU is too short";
        return false;
    }
    if (submit)
        Advance(2); // message reference
    const int length = OctetAtCursor();
    if (length < 0 || length > 64) {
        Error = "Invalid sender address length";
        return false;
    }
    if (length == 0) {
        Advance(4);
    } else {
        Advance(2);
        if (!ReadAddress(length, false))
            return false;
    }

    // A SUBMIT's validity period is absent, one octet (relative) or seven (absolute or
    // enhanced) by the format bits; reading it as always one octet garbles stored drafts.
    size_t validityOctets = 0;
    if (submit) {
        const int format = (firstOctet >> 3) & 0x03;
        validityOctets = format == 0 ? 0 : format == 2 ? 1 : 7;
    }
    const size_t needed = submit ? 6 + 2 * validityOctets : 20;
    if (Remaining() < needed) {
        SetError("Reading TP-PID, TP-DSC, TP-SCTS and TP-UDL: PDU is too short (%d)", static_cast<int>(Remaining()));
        return false;
    }
    if (OctetAtCursor() < 0) {
        Error = "Invalid protocol identifier";
        return false;
    }
    Advance(2);
    const int dcs = OctetAtCursor();
    if (dcs < 0) {
        Error = "Invalid data encoding scheme";
        return false;
    }
    const int alphabet = (dcs >> 2) & 0x03;
    if (alphabet == 3) {
        Error = "Invalid alphabet in data encoding scheme: value 3 is not supported";
        return false;
    }
    Alphabet = alphabet == 0 ? AlphabetGsm : alphabet;
    Flash = (dcs & 0x10) && !(dcs & 0x01);
    Advance(2);

    if (submit) {
        Advance(2 * validityOctets);
    } else {
        if (!ReadTimestamp(deliverTimestamp))
            return false;
    }
    return ReadUserData();
}

bool PDU::ReadTimestamp(const TimestampTexts& t)
{
    char d[6];
    if (!sixDigits(PduText, cursor, d)) {
        Error = t.dateCharacters;
        return false;
    }
    const char date[] = {d[5], d[4], '.', d[3], d[2], '.', '2', '0', d[1], d[0]};
    Date.assign(date, sizeof date);
    if (twoDigits(d[5], d[4]) > 31 || twoDigits(d[3], d[2]) > 12)
        Error = t.dateValues;
    if (!sixDigits(PduText, cursor + 6, d)) {
        Error = t.timeCharacters;
        return false;
    }
    const char time[] = {d[1], d[0], ':', d[3], d[2], ':', d[5], d[4]};
    Time.assign(time, sizeof time);
    if (twoDigits(d[1], d[0]) > 23 || twoDigits(d[3], d[2]) > 59 || twoDigits(d[5], d[4]) > 59)
        Error = t.timeValues;
    if (HexOctet(PduText, cursor + 12) < 0) {
        Error = t.timeZone;
        return false;
    }
    Advance(14);
    return true;
}

bool PDU::ReadUserData()
{
    UserDataHeader header;
    size_t consumed = 0;
    const std::string_view rest = std::string_view(PduText).substr(cursor);
    int count;
    if (Alphabet == AlphabetGsm) {
        count = UnpackSeptets(rest, UdhPresent, UserData.data(), header, consumed);
        if (count < 0) {
            Error = "Error while reading TP-UD (GSM text)";
            return false;
        }
    } else {
        count = ReadOctets(rest, UdhPresent, UserData.data(), header, consumed);
        if (count < 0) {
            SetError("Error while reading TP-UD: %s", Alphabet == AlphabetBinary ? "binary" : "UCS2 text");
            return false;
        }
    }
    UserDataLength = count;
    Multipart = header.multipart;
    Reference = header.reference;
    PartsTotal = header.partsTotal;
    PartNumber = header.partNumber;
    UdhType = std::move(header.type);
    UdhData = std::move(header.data);
    Advance(consumed);
    return true;
}

void PDU::MakeText()
{
    const uint8_t* data = UserData.data();
    const size_t count = static_cast<size_t>(UserDataLength);
    if (Alphabet == AlphabetGsm) {
        Text = GsmToText(data, count);
    } else if (Alphabet == AlphabetUcs2) {
        Text = Ucs2ToText(data, count);
    } else {
        // 8-bit data is read as Latin-1 up to the first zero octet.
        const size_t end = std::find(data, data + count, 0) - data;
        Text.assign(data, data + end);
    }
}

bool PDU::ReadStatusReport(bool withSmsc)
{
    if (withSmsc) {
        const size_t saved = cursor;
        if (!ReadSmsc()) {
            cursor = saved;
            Smsc.clear();
        }
    }
    Advance(2); // first octet
    if (Remaining() < 6) {
        Error = "Reading message id, address length and address type: PDU is too short";
        return false;
    }
    const int id = OctetAtCursor();
    if (id < 0) {
        Error = "Invalid message id";
        return false;
    }
    MessageId = static_cast<unsigned>(id);
    Advance(2);
    const int length = OctetAtCursor();
    if (length < 1 || length > 64) {
        SetError("Invalid recipient address length (%d, msg=%s)", length, PduText.c_str() + cursor);
        return false;
    }
    Advance(2);
    if (!ReadAddress(length, true))
        return false;

    if (Remaining() < 14) {
        Error = "While trying to read SMSC Timestamp: PDU is too short";
        return false;
    }
    if (!ReadTimestamp(reportTimestamp))
        return false;

    if (Remaining() < 14) {
        Error = "While trying to read Discharge Timestamp: PDU is too short";
        return false;
    }
    char a[6], b[6];
    if (!sixDigits(PduText, cursor, a) || !sixDigits(PduText, cursor + 6, b)) {
        Error = "Invalid character(s) in Discharge Timestamp";
        return false;
    }
    if (twoDigits(a[5], a[4]) > 31 || twoDigits(a[3], a[2]) > 12 || twoDigits(b[1], b[0]) > 24 ||
        twoDigits(b[3], b[2]) > 59 || twoDigits(b[5], b[4]) > 59)
        Error = "Invalid values(s) in Discharge Timestamp.";
    if (HexOctet(PduText, cursor + 12) < 0) {
        Error = "Invalid character(s) in Time Zone of Discharge Time Stamp";
        return false;
    }
    Advance(14);

    if (Remaining() < 2) {
        Error = "While trying to read Status octet: PDU is too short";
        return false;
    }
    const int status = OctetAtCursor();
    if (status < 0) {
        Error = "Invalid Status octet";
        return false;
    }
    Advance(2);
    ReportStatus = static_cast<unsigned>(status);
    const char* description = StatusText(status);
    const size_t length2 = std::strlen(description);
    std::memcpy(UserData.data(), description, length2);
    UserData[length2] = 0;
    UserDataLength = static_cast<int>(length2);
    return true;
}

void PDU::SetNumber(const char* number)
{
    if (number)
        Number = number;
}

void PDU::SetSmsc(const char* smsc)
{
    if (smsc)
        Smsc = smsc;
}

void PDU::BuildConcatHeader()
{
    if (!Multipart)
        return;
    UdhPresent = true;
    char header[32];
    std::snprintf(header, sizeof header, "05 00 03 %02X %02X %02X", Reference & 0xFF, PartsTotal & 0xFF,
                  PartNumber & 0xFF);
    UdhData = header;
}

void PDU::Encode()
{
    uint8_t buffer[GsmBufferSize] = {};
    size_t count = 0;
    if (!Text.empty()) {
        Alphabet = ChooseAlphabet(Text);
        count = Alphabet == AlphabetGsm ? TextToGsm(Text, buffer) : TextToUcs2(Text, buffer);
    }
    UserDataLength = static_cast<int>(count);

    int addressType = 0x81;
    std::string digits = Number;
    if (!digits.empty() && digits[0] == '+') {
        addressType = 0x91;
        digits.erase(0, 1);
    } else if (!digits.empty() && digits[0] == 's') {
        digits.erase(0, 1);
    }
    const size_t addressLength = digits.size();
    if (digits.size() % 2)
        digits.push_back('F');
    SwapSemiOctets(digits);

    std::string smscDigits = Smsc.substr(std::min(Smsc.size(), Smsc.find_first_not_of('+')));
    if (smscDigits.size() > 63)
        smscDigits.resize(63);
    const bool smscPresent = !smscDigits.empty();
    const bool smscNational = smscPresent && smscDigits[0] == '0';
    if (smscDigits.size() % 2 && smscDigits.size() < 63)
        smscDigits.push_back('F');
    SwapSemiOctets(smscDigits);

    BuildConcatHeader();
    const std::string headerText = Multipart ? UdhData : std::string();

    const int first = 0x01 | (Multipart ? 0x40 : 0) | 0x10 | (ReportRequest ? 0x20 : 0);
    int dcs = Alphabet == AlphabetUcs2 ? 0x08 : Alphabet == AlphabetBinary ? 0x04 : 0x00;
    if (Flash)
        dcs |= 0x10;
    if (ValidityPeriod < 0 || ValidityPeriod > 255)
        ValidityPeriod = 255;

    std::string userData;
    int udl = 0;
    if (Alphabet == AlphabetGsm) {
        udl = PackSeptets(buffer, count, headerText, userData);
    } else if (Alphabet == AlphabetUcs2) {
        // Capped like the hex, so that the length always matches the data that follows.
        const size_t octets = std::min<size_t>(count, 140);
        if (!headerText.empty()) {
            for (char c : headerText)
                if (c != ' ')
                    userData.push_back(c);
            udl = static_cast<int>(octets) + 6;
        } else {
            udl = static_cast<int>(octets);
        }
        userData += OctetsToHex(buffer, octets);
    }

    PduText.clear();
    if (smscPresent) {
        AppendHexOctet(PduText, static_cast<unsigned>(smscDigits.size() / 2 + 1));
        PduText += smscNational ? "81" : "91";
        PduText += smscDigits;
    } else {
        PduText = "00";
    }
    const size_t smscPart = PduText.size();
    char head[16];
    std::snprintf(head, sizeof head, "%02X%02X%02X%02X", first, MessageReference & 0xFF,
                  static_cast<unsigned>(addressLength), addressType);
    PduText += head;
    PduText += digits;
    std::snprintf(head, sizeof head, "%02X%02X%02X%02X", 0, dcs, ValidityPeriod, udl);
    PduText += head;
    PduText += userData;
    UserDataLength = static_cast<int>((PduText.size() - smscPart) / 2);
    cursor = 0;
}
