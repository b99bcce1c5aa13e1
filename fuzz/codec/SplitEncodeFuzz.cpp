// Any text splits into parts that each fit one SMS, and the parts decode back to the text.
#include "codec/Pdu.h"
#include "codec/Splitter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    MessageToEncode message;
    message.number = "+15550100000";
    message.smsc = (data[0] & 1) ? "+15550199999" : "";
    message.reportRequest = data[0] & 2;
    message.flash = data[0] & 4;
    message.reference = 1 + data[1] % 254;
    for (size_t i = 2; i + 1 < size; i += 2)
        message.text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    const EncodeResult result = EncodeMessage(message);
    if (!result.ok)
        return 0;
    std::u16string joined;
    for (const EncodedPart& part : result.parts) {
        if (part.tpduLength > 164)
            std::abort();
        PDU pdu(part.pdu);
        if (!pdu.Decode())
            std::abort();
        if (pdu.Multipart != (result.parts.size() > 1) || pdu.Flash != message.flash)
            std::abort();
        joined += pdu.Text;
    }
    // UCS2 stops at a zero code unit; any other text must come back whole.
    if (message.text.find(u'\0') == std::u16string::npos && joined != message.text)
        std::abort();
    return 0;
}
