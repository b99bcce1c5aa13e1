#include "codec/Pdu.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PDU pdu(std::string_view(reinterpret_cast<const char*>(data), size));
    if (pdu.DecodeStatusReport() && (!pdu.StatusReport || pdu.Text.empty()))
        std::abort(); // a decoded report always has its status text
    return 0;
}
