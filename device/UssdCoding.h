#pragma once
// How a USSD data coding scheme is read: the alphabet it selects and the language in front of the
// text. The device layer reads a reply's text by it, and the USSD engine its log and the byte
// order of UCS2 replies, so both take the same alphabet for the same byte.

#include <cstddef>
#include <cstdint>

enum class UssdAlphabet { Gsm7, Octets, Ucs2 };

// The alphabet of a data coding scheme (3GPP TS 23.038, cell broadcast coding groups). Reserved
// groups read as octets: nothing says how else to read them.
UssdAlphabet UssdAlphabetOf(std::uint8_t dcs);

// The language in front of the text: two packed GSM characters before a UCS2 text, in octets.
std::size_t UssdPrefixOctets(std::uint8_t dcs);
// Two characters and a carriage return before a GSM text, in septets.
std::size_t UssdPrefixSeptets(std::uint8_t dcs);
