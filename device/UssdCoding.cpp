#include "device/UssdCoding.h"

namespace {

constexpr std::uint8_t DcsGsmWithLanguage = 0x10;
constexpr std::uint8_t DcsUcs2WithLanguage = 0x11;

} // namespace

UssdAlphabet UssdAlphabetOf(std::uint8_t dcs)
{
    const int group = dcs >> 4;
    const int bits = (dcs >> 2) & 3;
    if (dcs == DcsUcs2WithLanguage)
        return UssdAlphabet::Ucs2;
    if (group <= 3)
        return UssdAlphabet::Gsm7;
    if ((group >= 4 && group <= 7) || group == 9)
        return bits == 2 ? UssdAlphabet::Ucs2 : bits == 1 ? UssdAlphabet::Octets : UssdAlphabet::Gsm7;
    if (group == 0x0F)
        return (dcs & 0x04) ? UssdAlphabet::Octets : UssdAlphabet::Gsm7;
    return UssdAlphabet::Octets;
}

std::size_t UssdPrefixOctets(std::uint8_t dcs)
{
    return dcs == DcsUcs2WithLanguage ? 2 : 0;
}

std::size_t UssdPrefixSeptets(std::uint8_t dcs)
{
    return dcs == DcsGsmWithLanguage ? 3 : 0;
}
