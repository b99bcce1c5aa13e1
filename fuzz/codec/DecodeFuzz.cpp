// Any PDU at all must decode to true or false without reading past it.
#include "HexInput.h"
#include "codec/Pdu.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PDU pdu(FuzzBytesToHex(data, size));
    const bool ok = pdu.Decode();
    if (!ok && pdu.Error.empty())
        std::abort(); // a failure always says why
    if (pdu.Error.size() > 1023 || pdu.UdhType.size() > 511 || pdu.UdhData.size() > 511)
        std::abort();
    if (ok && (pdu.UserDataLength < 0 || pdu.UserDataLength > 560))
        std::abort();
    return 0;
}
