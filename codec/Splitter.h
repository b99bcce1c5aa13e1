#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Cuts a message text into the parts that are sent as separate SMS, and encodes them.

struct SmsPart
{
    std::u16string text;
    int alphabet; // AlphabetGsm or AlphabetUcs2: what the encoder chooses for this part
};

struct SplitResult
{
    bool ok = false;
    std::string error;
    int alphabet = 0; // the alphabet that decided the part sizes
    std::vector<SmsPart> parts;
};

constexpr size_t MaxParts = 255;
constexpr size_t GsmSingleSeptets = 160;
constexpr size_t GsmPartSeptets = 152; // 7 more septets carry the concatenation header
constexpr size_t Ucs2SingleUnits = 70;
constexpr size_t Ucs2PartUnits = 67; // 6 more octets carry the header

// A text with any character outside the GSM alphabet and its extension table is cut for UCS2
// (70 code units alone, 67 per part, a surrogate pair never cut); any other text by septets
// (160 alone, 152 per part, an escape pair never cut). An empty text is one empty part.
SplitResult SplitText(const std::u16string& text);

struct EncodedPart
{
    unsigned partNumber = 0; // 0 for a single-part message
    unsigned partsTotal = 0;
    unsigned reference = 0;
    int alphabet = 0;
    std::string pdu;
    unsigned tpduLength = 0;
};

struct EncodeResult
{
    bool ok = false;
    std::string error;
    std::vector<EncodedPart> parts;
};

struct MessageToEncode
{
    std::string number; // digits, optionally after "+"
    std::string smsc;   // empty when the device did not report one
    std::u16string text;
    bool reportRequest = false;
    bool flash = false;
    unsigned reference = 1; // 1 to 254 for a multipart message; ignored for a single part
};

// Splits and encodes one SMS-SUBMIT PDU per part, as the send pipeline does.
EncodeResult EncodeMessage(const MessageToEncode& message);

// A recipient or service-centre number the encoder can write: optional "+", 1 to 20 digits.
bool IsValidPhoneNumber(const std::string& number);
