#include "codec/Hex.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int8_t, 256> makeNibbleTable()
{
    std::array<int8_t, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        table[c] = static_cast<int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        table[c] = static_cast<int8_t>(c - 'a' + 10);
    return table;
}

constexpr auto nibble = makeNibbleTable();
constexpr char upperDigits[] = "0123456789ABCDEF";

} // namespace

int HexOctet(std::string_view text, size_t pos)
{
    if (pos >= text.size())
        return -1;
    const int high = nibble[static_cast<uint8_t>(text[pos])];
    if (pos + 1 >= text.size())
        return high < 0 ? -3 : -2;
    if (high < 0)
        return -3;
    const int low = nibble[static_cast<uint8_t>(text[pos + 1])];
    if (low < 0)
        return -4;
    return (high << 4) | low;
}

void SwapSemiOctets(std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        std::swap(text[i], text[i + 1]);
}

void AppendHexOctet(std::string& out, unsigned octet)
{
    out.push_back(upperDigits[(octet >> 4) & 0x0F]);
    out.push_back(upperDigits[octet & 0x0F]);
}

std::string OctetsToHex(const uint8_t* octets, size_t count)
{
    count = std::min<size_t>(count, 140);
    std::string out;
    out.reserve(count * 2);
    for (size_t i = 0; i < count; ++i)
        AppendHexOctet(out, octets[i]);
    return out;
}
