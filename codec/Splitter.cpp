#include "codec/Splitter.h"

#include "codec/Gsm.h"
#include "codec/Pdu.h"

#include <algorithm>

namespace {

bool isHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

std::string tooManyParts(size_t parts)
{
    return "The text is too long: it needs " + std::to_string(parts) + " parts, at most " + std::to_string(MaxParts) +
           " can be sent";
}

void splitGsm(const std::u16string& text, SplitResult& result)
{
    size_t total = 0;
    for (char16_t c : text)
        total += static_cast<size_t>(GsmSeptets(c));
    if (total <= GsmSingleSeptets) {
        result.parts.push_back({text, AlphabetGsm});
        return;
    }
    size_t start = 0, septets = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t width = static_cast<size_t>(GsmSeptets(text[i]));
        if (septets + width > GsmPartSeptets) {
            result.parts.push_back({text.substr(start, i - start), AlphabetGsm});
            start = i;
            septets = 0;
            if (result.parts.size() > MaxParts)
                return;
        }
        septets += width;
    }
    result.parts.push_back({text.substr(start), AlphabetGsm});
}

void splitUcs2(const std::u16string& text, SplitResult& result)
{
    if (text.size() <= Ucs2SingleUnits) {
        result.parts.push_back({text, AlphabetUcs2});
        return;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t length = std::min(Ucs2PartUnits, text.size() - start);
        if (start + length < text.size() && isHighSurrogate(text[start + length - 1]))
            --length;
        std::u16string part = text.substr(start, length);
        const int alphabet = ChooseAlphabet(part);
        result.parts.push_back({std::move(part), alphabet});
        start += length;
        if (result.parts.size() > MaxParts)
            return;
    }
}

} // namespace

SplitResult SplitText(const std::u16string& text)
{
    SplitResult result;
    result.alphabet = ChooseAlphabet(text);
    if (result.alphabet == AlphabetGsm)
        splitGsm(text, result);
    else
        splitUcs2(text, result);
    if (result.parts.size() > MaxParts) {
        // Count the parts the whole text would need, for the message.
        size_t needed;
        if (result.alphabet == AlphabetGsm) {
            size_t septets = 0;
            for (char16_t c : text)
                septets += static_cast<size_t>(GsmSeptets(c));
            needed = (septets + GsmPartSeptets - 1) / GsmPartSeptets;
        } else {
            needed = (text.size() + Ucs2PartUnits - 1) / Ucs2PartUnits;
        }
        result.parts.clear();
        result.error = tooManyParts(std::max(needed, MaxParts + 1));
        return result;
    }
    result.ok = true;
    return result;
}

bool IsValidPhoneNumber(const std::string& number)
{
    const size_t start = !number.empty() && number[0] == '+' ? 1 : 0;
    const size_t digits = number.size() - start;
    return digits >= 1 && digits <= 20 &&
           std::all_of(number.begin() + static_cast<long>(start), number.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

EncodeResult EncodeMessage(const MessageToEncode& message)
{
    EncodeResult result;
    if (!IsValidPhoneNumber(message.number)) {
        result.error =
            "Invalid recipient number \"" + message.number + "\": expected 1 to 20 digits, optionally after +";
        return result;
    }
    if (!message.smsc.empty() && !IsValidPhoneNumber(message.smsc)) {
        result.error =
            "Invalid service centre number \"" + message.smsc + "\": expected 1 to 20 digits, optionally after +";
        return result;
    }
    SplitResult split = SplitText(message.text);
    if (!split.ok) {
        result.error = split.error;
        return result;
    }
    const bool multipart = split.parts.size() > 1;
    if (multipart && (message.reference < 1 || message.reference > 255)) {
        result.error = "Invalid concatenation reference " + std::to_string(message.reference) + ": expected 1 to 255";
        return result;
    }
    const unsigned total = static_cast<unsigned>(split.parts.size());
    for (unsigned i = 0; i < total; ++i) {
        PDU pdu;
        pdu.SetNumber(message.number.c_str());
        if (!message.smsc.empty())
            pdu.SetSmsc(message.smsc.c_str());
        pdu.Text = split.parts[i].text;
        pdu.Alphabet = AlphabetUcs2; // kept only for an empty text
        pdu.ReportRequest = message.reportRequest;
        pdu.Flash = message.flash;
        if (multipart) {
            pdu.Multipart = true;
            pdu.Reference = message.reference;
            pdu.PartsTotal = total;
            pdu.PartNumber = i + 1;
        }
        pdu.Encode();
        EncodedPart part;
        part.partNumber = multipart ? i + 1 : 0;
        part.partsTotal = multipart ? total : 0;
        part.reference = multipart ? message.reference : 0;
        part.alphabet = pdu.Alphabet;
        part.pdu = std::move(pdu.PduText);
        part.tpduLength = static_cast<unsigned>(pdu.UserDataLength);
        result.parts.push_back(std::move(part));
    }
    result.ok = true;
    return result;
}
