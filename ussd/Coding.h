#pragma once
// What the USSD engine makes of a reply's bytes and of the device's result codes: the payload
// read again for its log and the byte order the user chose (the alphabet of a coding scheme is the
// device layer's, device/UssdCoding.h), the hexadecimal dump of the log, and the texts of its lines.

#include "device/Texts.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace ussd {

using Bytes = std::vector<std::uint8_t>;

// 16-bit units, low byte first; an odd count is completed with a zero byte; the text ends at the
// first zero unit.
QString DecodeUcs2(const std::uint8_t* data, std::size_t count);
// The same, high byte first.
QString DecodeUcs2Swapped(const std::uint8_t* data, std::size_t count);
// The septets of the packed octets, each a character of its own value (no GSM table); n octets
// give n + n / 7 characters.
QString DecodeGsm7(const std::uint8_t* data, std::size_t count);
// Octets as the characters of the same value.
QString DecodeOctets(const std::uint8_t* data, std::size_t count);

// "%02X " per byte, so a dump ends in a blank.
QString HexDump(const Bytes& bytes);

// The text of a result code for the engine's log; device codes outside its own table take the
// device layer's text, anything else "Unknown error".
QString ErrorText(HRESULT code);
// "%s (0x%X)" of a result code.
QString ErrorWithCode(HRESULT code);
// The texts of the network's result codes 0 to 5.
QString ResultCodeText(std::int32_t code);

} // namespace ussd
