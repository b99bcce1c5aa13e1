#include "codec/Udh.h"

#include "codec/Hex.h"

#include <cstdio>

namespace {
constexpr size_t maxAnalysis = 511;
}

const char* UdhElementName(int id)
{
    switch (id) {
    case 0x00: return "Concatenated short messages, 8-bit reference number";
    case 0x01: return "Special SMS Message Indication";
    case 0x02: return "Reserved";
    case 0x04: return "Application port addressing scheme, 8 bit address";
    case 0x05: return "Application port addressing scheme, 16 bit address";
    case 0x06: return "SMSC Control Parameters";
    case 0x07: return "UDH Source Indicator";
    case 0x08: return "Concatenated short message, 16-bit reference number";
    case 0x09: return "Wireless Control Message Protocol";
    case 0x0A: return "Text Formatting";
    case 0x0B: return "Predefined Sound";
    case 0x0C: return "User Defined Sound (iMelody max 128 bytes)";
    case 0x0D: return "Predefined Animation";
    case 0x0E: return "Large Animation (16*16 times 4 = 32*4 =128 bytes)";
    case 0x0F: return "Small Animation (8*8 times 4 = 8*4 =32 bytes)";
    case 0x10: return "Large Picture (32*32 = 128 bytes)";
    case 0x11: return "Small Picture (16*16 = 32 bytes)";
    case 0x12: return "Variable Picture";
    case 0x13: return "User prompt indicator";
    case 0x14: return "Extended Object";
    case 0x15: return "Reused Extended Object";
    case 0x16: return "Compression Control";
    case 0x17: return "Object Distribution Indicator";
    case 0x18: return "Standard WVG object";
    case 0x19: return "Character Size WVG object";
    case 0x1A: return "Extended Object Data Request Command";
    case 0x20: return "RFC 822 E-Mail Header";
    case 0x21: return "Hyperlink format element";
    case 0x22: return "Reply Address Element";
    case 0x23: return "Enhanced Voice Mail Information";
    default: break;
    }
    if (id >= 0x1B && id <= 0x1F)
        return "Reserved for future EMS features";
    if (id >= 0x24 && id <= 0x6F)
        return "Reserved for future use";
    if (id >= 0x70 && id <= 0x7F)
        return "(U)SIM Toolkit Security Headers";
    if (id >= 0x80 && id <= 0x9F)
        return "SME to SME specific use";
    if (id >= 0xA0 && id <= 0xBF)
        return "Reserved for future use";
    if (id >= 0xC0 && id <= 0xDF)
        return "SC specific use";
    if (id >= 0xE0 && id <= 0xFF)
        return "Reserved for future use";
    return "unknown"; // 0x03 and unreadable identifiers
}

int DescribeUdh(std::string_view input, UdhAnalysis& analysis)
{
    analysis.text.clear();
    if (input.size() >= 1024)
        return -1;

    // Header texts built for encoding have spaces between octets; PDU hex has none.
    std::string stripped;
    std::string_view hex = input;
    if (input.find(' ') != std::string_view::npos) {
        stripped.reserve(input.size());
        for (char c : input)
            if (c != ' ')
                stripped.push_back(c);
        hex = stripped;
    }

    const int udhl = HexOctet(hex, 0);
    if (udhl < 0)
        return -1;
    const size_t total = static_cast<size_t>(udhl) + 1;
    if (hex.size() < 2 * total)
        return -1;

    char entry[160];
    std::snprintf(entry, sizeof entry, "length=%zu", total);
    analysis.text = entry;

    size_t pos = 1;
    while (pos < total) {
        const int id = HexOctet(hex, 2 * pos);
        if (id == -1)
            return -1;
        if (id == 0x00 || id == 0x08) {
            analysis.concatenation = true;
            analysis.concatPosition = 2 * pos;
        }
        const std::string_view idText = hex.substr(2 * pos, 2);
        const int n = std::snprintf(entry, sizeof entry, ", %s (0x%.*s)", UdhElementName(id),
                                    static_cast<int>(idText.size()), idText.data());
        if (n < 0 || analysis.text.size() + static_cast<size_t>(n) >= maxAnalysis + 1)
            return -1;
        analysis.text.append(entry, static_cast<size_t>(n));

        const int len = HexOctet(hex, 2 * (pos + 1));
        if (len < 0)
            return -1;
        if (hex.size() - 2 * (pos + 2) < 2 * static_cast<size_t>(len))
            return -1;
        pos += static_cast<size_t>(len) + 2;
        if (pos > total)
            return -1;
    }
    return static_cast<int>(total);
}

const char* StatusText(int status)
{
    switch (status) {
    case 0x00: return "Success";
    case 0x01: return "Success - message forwarded by the SC to the SME but the SC is unable to confirm delivery";
    case 0x02: return "Success - message replaced by the SC";
    case 0x20: return "Still trying, congestion";
    case 0x21: return "Still trying, SME busy";
    case 0x22: return "Still trying, no response sendr SME";
    case 0x23: return "Still trying, service rejected";
    case 0x24: return "Still trying, quality of service not available";
    case 0x25: return "Still trying, error in SME";
    case 0x40: return "Error, remote procedure error";
    case 0x41: return "Error, incompatible destination";
    case 0x42: return "Error, connection rejected by SME";
    case 0x43: return "Error, not obtainable";
    case 0x44: return "Error, quality of service not available";
    case 0x45: return "Error, no interworking available";
    case 0x46: return "Error, SM validity period expired";
    case 0x47: return "Error, SM deleted by originating SME";
    case 0x48: return "Error, SM deleted by SC administration";
    case 0x49: return "Error, SM does not exist";
    case 0x60: return "Error, congestion";
    case 0x61: return "Error, SME busy";
    case 0x62: return "Error, no response sendr SME";
    case 0x63: return "Error, service rejected";
    case 0x64: return "Error, quality of service not available";
    case 0x65: return "Error, error in SME";
    default: break;
    }
    if (status >= 0x30 && status <= 0x3F)
        return "Temporary error, SC specific, unknown";
    if ((status >= 0x50 && status <= 0x5F) || (status >= 0x70 && status <= 0x7F))
        return "Permanent error, SC specific, unknown";
    return "unknown";
}
