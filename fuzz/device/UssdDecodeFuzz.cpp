// A USSD reply's payload under the coding scheme in the first byte, through both readers: the
// device layer's and the engine's, which reads it again for its log and its byte-order choice.
// Both take the alphabet from the one reading of the coding scheme.
#include "device/UssdCoding.h"
#include "device/service/UssdService.h"
#include "ussd/Coding.h"

#include <cstdlib>

using namespace ussd;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    const std::uint8_t dcs = data[0];
    const Bytes payload(data + 1, data + size);
    const std::size_t n = payload.size();

    QString text;
    const bool decoded = UssdService::Decode(dcs, payload, text);
    if (!decoded && !text.isEmpty())
        std::abort(); // a payload that cannot be read leaves no text behind
    if (static_cast<std::size_t>(text.size()) > 2 * (n + n / 7))
        std::abort(); // no coding gives more than two units per character's bits

    if (static_cast<std::size_t>(HexDump(payload).size()) != 3 * n)
        std::abort();
    const std::size_t skip = std::min(UssdPrefixOctets(dcs), n);
    switch (UssdAlphabetOf(dcs)) {
    case UssdAlphabet::Ucs2:
        if (static_cast<std::size_t>(DecodeUcs2(payload.data() + skip, n - skip).size()) > (n - skip + 1) / 2 ||
            static_cast<std::size_t>(DecodeUcs2Swapped(payload.data() + skip, n - skip).size()) > (n - skip + 1) / 2)
            std::abort();
        break;
    case UssdAlphabet::Gsm7:
        if (!decoded)
            std::abort(); // the device layer reads every GSM payload
        if (static_cast<std::size_t>(DecodeGsm7(payload.data(), n).size()) != n + n / 7)
            std::abort();
        break;
    case UssdAlphabet::Octets:
        if (decoded)
            std::abort(); // 8-bit data has no text for the device layer
        if (static_cast<std::size_t>(DecodeOctets(payload.data(), n).size()) != n)
            std::abort();
        break;
    }
    // What the engine shows when nothing else reads: every octet a character.
    DecodeOctets(payload.data(), n);
    return 0;
}
