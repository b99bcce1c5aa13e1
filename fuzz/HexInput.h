#pragma once
// The device hands PDUs over as hex text; the PDU fuzz targets write their bytes as such text, so
// that the fuzzer varies the PDU's structure instead of failing at the first non-hex character.

#include <cstddef>
#include <cstdint>
#include <string>

inline std::string FuzzBytesToHex(const uint8_t* data, size_t size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(2 * size);
    for (size_t i = 0; i < size; ++i) {
        hex.push_back(digits[data[i] >> 4]);
        hex.push_back(digits[data[i] & 15]);
    }
    return hex;
}
