// Any user data header (from its length octet) is described within bounds.
#include "HexInput.h"
#include "codec/Udh.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UdhAnalysis analysis;
    const std::string hex = FuzzBytesToHex(data, size);
    const int result = DescribeUdh(hex, analysis);
    if (analysis.text.size() > 511 || result > 256 || result < -1)
        std::abort();
    if (analysis.concatenation && analysis.concatPosition >= hex.size())
        std::abort();
    return 0;
}
