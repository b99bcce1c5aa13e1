// GSM 03.38 default alphabet and septet packing, enough for the simulated network's
// own messages and USSD texts.
#pragma once

#include "Wire.h"

#include <optional>
#include <string>

namespace sim::gsm {

// Septets of `text` in the default alphabet with its extension table, or nullopt when
// a character has no GSM form (the caller then uses UCS2).
std::optional<Bytes> toSeptets(const std::u16string& text);
std::u16string fromSeptets(const Bytes& septets);

// Packs septets into octets; `fillBits` leading bits are skipped (after a user data header).
Bytes pack(const Bytes& septets, unsigned fillBits = 0);
Bytes unpack(std::span<const uint8_t> octets, size_t septetCount, unsigned fillBits = 0);

// USSD strings: 7-bit packed with a trailing carriage return when 7 bits would stay unused.
Bytes packUssd(const Bytes& septets);
Bytes unpackUssd(std::span<const uint8_t> octets);

Bytes ucs2(const std::u16string& text); // big-endian
std::u16string fromUcs2(std::span<const uint8_t> octets);

// Semi-octet (BCD) digits of a phone number, '+' dropped; type of address 0x91 or 0x81.
struct Address
{
    std::string digits;
    bool international = false;
};
Address parseNumber(const std::string& number);
std::string formatNumber(const Address& address);
// Address field as in a TPDU: digit count, type, swapped digits.
Bytes encodeAddress(const Address& address);
// Service centre field: octet count (type included), type, swapped digits.
Bytes encodeSmsc(const Address& address);
std::optional<Address> decodeAddress(std::span<const uint8_t> data, size_t& used);

} // namespace sim::gsm
