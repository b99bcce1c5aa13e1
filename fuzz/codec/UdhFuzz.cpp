#include "codec/Udh.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UdhAnalysis analysis;
    const int result = DescribeUdh(std::string_view(reinterpret_cast<const char*>(data), size), analysis);
    if (analysis.text.size() > 511 || result > 256 || result < -1)
        std::abort();
    if (analysis.concatenation && analysis.concatPosition >= size)
        std::abort();
    return 0;
}
