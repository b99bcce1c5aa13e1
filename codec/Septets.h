#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Packing and unpacking of user data (TP-UD) with its optional header.

// What the user data readers give besides the data itself.
struct UserDataHeader
{
    std::string data; // header octets as hex, "05:00:03:A1:02:01"
    std::string type; // the header analysis
    bool multipart = false;
    unsigned reference = 0;
    unsigned partsTotal = 0;
    unsigned partNumber = 0;
};

enum : int {
    UserDataInvalidCharacter = -1,
    UserDataTooShort = -2,
};

// Packs GSM codes after an optional header given as text ("05 00 03 A1 02 01"); appends the hex
// to out and returns the user data length in septets.
int PackSeptets(const uint8_t* codes, size_t count, std::string_view headerText, std::string& out);

// Reads 7-bit user data; text starts at the user data length octet. Writes the codes after the
// header to out (room for 256) and returns their count, or UserDataInvalidCharacter /
// UserDataTooShort. consumed gets the number of characters read.
int UnpackSeptets(std::string_view text, bool udhi, uint8_t* out, UserDataHeader& header, size_t& consumed);

// The same for 8-bit and UCS2 user data, where the length counts octets.
int ReadOctets(std::string_view text, bool udhi, uint8_t* out, UserDataHeader& header, size_t& consumed);

// Unpacks septetCount septets from the packed octets in hex at the start of text (no header).
int UnpackSeptetData(std::string_view text, size_t septetCount, uint8_t* out);

// Unpacks every septet of count packed octets (no length, no header), least significant bits
// first: count + count / 7 codes, the last one of a whole group of seven octets included even when
// it is fill; bits left after the last whole septet are dropped.
std::vector<uint8_t> UnpackSeptetOctets(const uint8_t* octets, size_t count);
