#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Hexadecimal text routines: every PDU crosses the program as upper-case hex, two
// characters per octet, high nibble first.

// The octet at text[pos]: 0 to 255, or -1 when the text ends at the first character, -2 when
// it ends at the second, -3 when the first is not a hex digit, -4 when the second is not.
int HexOctet(std::string_view text, size_t pos);

inline bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
inline bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Swaps characters 0 and 1, 2 and 3, ...; an odd last character stays.
void SwapSemiOctets(std::string& text);

// Upper-case hex of at most the first 140 octets.
std::string OctetsToHex(const uint8_t* octets, size_t count);

// Appends two upper-case hex digits.
void AppendHexOctet(std::string& out, unsigned octet);
