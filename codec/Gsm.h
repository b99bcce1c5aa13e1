#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The GSM 7-bit default alphabet (with its extension table) and UCS2 conversion.

enum : int {
    AlphabetGsm = -1,
    AlphabetBinary = 1,
    AlphabetUcs2 = 2,
};

constexpr uint8_t GsmEscape = 0x1B;
// A character with no GSM code; the packer sends it as a space (0xA0 & 0x7F = 0x20).
constexpr uint8_t GsmNoCode = 0xA0;
// Room for the codes of one encoded text (an escape pair may bring 559 codes to 560).
constexpr size_t GsmBufferSize = 561;
constexpr size_t GsmMaxCodes = 559;

// GSM codes to text: bytes with bit 7 set are skipped, unknown escape pairs are dropped.
std::u16string GsmToText(const uint8_t* codes, size_t count);

// Text to GSM codes; writes at most GsmBufferSize codes into out and returns the count.
size_t TextToGsm(const std::u16string& text, uint8_t* out);

// Septets that one UTF-16 code unit takes in GSM 7-bit: 1, 2 (extension table) or 0 when
// the character has no GSM code at all.
int GsmSeptets(char16_t c);

// AlphabetUcs2 when any character has no GSM code, else AlphabetGsm.
int ChooseAlphabet(const std::u16string& text);

// Big-endian UCS2 octets to text; stops at the first zero code unit, ignores an odd last octet.
std::u16string Ucs2ToText(const uint8_t* octets, size_t count);

// Text to big-endian octets; writes at most GsmMaxCodes octets (rounded down to whole code
// units) into out and returns the count.
size_t TextToUcs2(const std::u16string& text, uint8_t* out);
