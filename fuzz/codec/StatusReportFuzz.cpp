// Any PDU read as a status report: a decoded one always says what its status means.
#include "HexInput.h"
#include "codec/Pdu.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PDU pdu(FuzzBytesToHex(data, size));
    if (pdu.DecodeStatusReport() && (!pdu.StatusReport || pdu.Text.empty()))
        std::abort(); // a decoded report always has its status text
    return 0;
}
