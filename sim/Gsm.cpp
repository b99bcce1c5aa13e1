#include "Gsm.h"

#include <map>

namespace sim::gsm {

namespace {

const char16_t Basic[128] = {
    u'@', u'£',  u'$', u'¥', u'è', u'é', u'ù', u'ì', u'ò', u'Ç', u'\n', u'Ø', u'ø', u'\r', u'Å', u'å', u'Δ', u'_', u'Φ',
    u'Γ', u'Λ',  u'Ω', u'Π', u'Ψ', u'Σ', u'Θ', u'Ξ', 0x1B, u'Æ', u'æ',  u'ß', u'É', u' ',  u'!', u'"', u'#', u'¤', u'%',
    u'&', u'\'', u'(', u')', u'*', u'+', u',', u'-', u'.', u'/', u'0',  u'1', u'2', u'3',  u'4', u'5', u'6', u'7', u'8',
    u'9', u':',  u';', u'<', u'=', u'>', u'?', u'¡', u'A', u'B', u'C',  u'D', u'E', u'F',  u'G', u'H', u'I', u'J', u'K',
    u'L', u'M',  u'N', u'O', u'P', u'Q', u'R', u'S', u'T', u'U', u'V',  u'W', u'X', u'Y',  u'Z', u'Ä', u'Ö', u'Ñ', u'Ü',
    u'§', u'¿',  u'a', u'b', u'c', u'd', u'e', u'f', u'g', u'h', u'i',  u'j', u'k', u'l',  u'm', u'n', u'o', u'p', u'q',
    u'r', u's',  u't', u'u', u'v', u'w', u'x', u'y', u'z', u'ä', u'ö',  u'ñ', u'ü', u'à',
};

const std::pair<uint8_t, char16_t> Extension[] = {
    {0x0A, u'\f'}, {0x14, u'^'}, {0x28, u'{'}, {0x29, u'}'}, {0x2F, u'\\'},
    {0x3C, u'['},  {0x3D, u'~'}, {0x3E, u']'}, {0x40, u'|'}, {0x65, u'€'},
};

const std::map<char16_t, uint8_t>& basicIndex()
{
    static const std::map<char16_t, uint8_t> index = [] {
        std::map<char16_t, uint8_t> m;
        for (int i = 0; i < 128; ++i)
            if (i != 0x1B)
                m.emplace(Basic[i], uint8_t(i));
        return m;
    }();
    return index;
}

} // namespace

std::optional<Bytes> toSeptets(const std::u16string& text)
{
    Bytes out;
    const auto& index = basicIndex();
    for (char16_t c : text) {
        if (auto it = index.find(c); it != index.end()) {
            out.push_back(it->second);
            continue;
        }
        bool found = false;
        for (auto [code, ch] : Extension) {
            if (ch == c) {
                out.push_back(0x1B);
                out.push_back(code);
                found = true;
                break;
            }
        }
        if (!found)
            return std::nullopt;
    }
    return out;
}

std::u16string fromSeptets(const Bytes& septets)
{
    std::u16string out;
    for (size_t i = 0; i < septets.size(); ++i) {
        uint8_t s = septets[i] & 0x7F;
        if (s == 0x1B && i + 1 < septets.size()) {
            uint8_t e = septets[++i] & 0x7F;
            char16_t c = Basic[e]; // unknown escapes fall back to the basic character
            for (auto [code, ch] : Extension)
                if (code == e)
                    c = ch;
            out.push_back(c);
        } else if (s == 0x1B) {
            out.push_back(u' ');
        } else {
            out.push_back(Basic[s]);
        }
    }
    return out;
}

Bytes pack(const Bytes& septets, unsigned fillBits)
{
    size_t bits = fillBits + septets.size() * 7;
    Bytes out((bits + 7) / 8, 0);
    size_t bit = fillBits;
    for (uint8_t s : septets) {
        for (int k = 0; k < 7; ++k, ++bit)
            if (s & (1 << k))
                out[bit / 8] |= uint8_t(1 << (bit % 8));
    }
    return out;
}

Bytes unpack(std::span<const uint8_t> octets, size_t septetCount, unsigned fillBits)
{
    Bytes out;
    size_t bit = fillBits;
    for (size_t i = 0; i < septetCount && bit + 7 <= octets.size() * 8; ++i) {
        uint8_t s = 0;
        for (int k = 0; k < 7; ++k, ++bit)
            if (octets[bit / 8] & (1 << (bit % 8)))
                s |= uint8_t(1 << k);
        out.push_back(s);
    }
    return out;
}

Bytes packUssd(const Bytes& septets)
{
    Bytes s = septets;
    if (s.size() % 8 == 7)
        s.push_back(0x0D);
    return pack(s);
}

Bytes unpackUssd(std::span<const uint8_t> octets)
{
    Bytes s = unpack(octets, octets.size() * 8 / 7);
    if (!s.empty() && s.size() % 8 == 0 && s.back() == 0x0D)
        s.pop_back();
    return s;
}

Bytes ucs2(const std::u16string& text)
{
    Bytes out;
    for (char16_t c : text) {
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
    }
    return out;
}

std::u16string fromUcs2(std::span<const uint8_t> octets)
{
    std::u16string out;
    for (size_t i = 0; i + 1 < octets.size(); i += 2)
        out.push_back(char16_t((octets[i] << 8) | octets[i + 1]));
    return out;
}

Address parseNumber(const std::string& number)
{
    Address a;
    for (char c : number) {
        if (c == '+' && a.digits.empty())
            a.international = true;
        else if ((c >= '0' && c <= '9') || c == '*' || c == '#')
            a.digits.push_back(c);
    }
    return a;
}

std::string formatNumber(const Address& address)
{
    return (address.international ? "+" : "") + address.digits;
}

static uint8_t nibble(char c)
{
    if (c == '*')
        return 0xA;
    if (c == '#')
        return 0xB;
    return uint8_t(c - '0');
}

static Bytes swappedDigits(const std::string& digits)
{
    Bytes out;
    for (size_t i = 0; i < digits.size(); i += 2) {
        uint8_t lo = nibble(digits[i]);
        uint8_t hi = i + 1 < digits.size() ? nibble(digits[i + 1]) : 0xF;
        out.push_back(uint8_t(lo | (hi << 4)));
    }
    return out;
}

Bytes encodeAddress(const Address& address)
{
    Bytes out{uint8_t(address.digits.size()), uint8_t(address.international ? 0x91 : 0x81)};
    Bytes d = swappedDigits(address.digits);
    out.insert(out.end(), d.begin(), d.end());
    return out;
}

Bytes encodeSmsc(const Address& address)
{
    if (address.digits.empty())
        return Bytes{0};
    Bytes d = swappedDigits(address.digits);
    Bytes out{uint8_t(d.size() + 1), uint8_t(address.international ? 0x91 : 0x81)};
    out.insert(out.end(), d.begin(), d.end());
    return out;
}

std::optional<Address> decodeAddress(std::span<const uint8_t> data, size_t& used)
{
    if (data.size() < 2)
        return std::nullopt;
    size_t count = data[0];
    size_t octets = (count + 1) / 2;
    if (count > 20 || data.size() < 2 + octets)
        return std::nullopt;
    Address a;
    uint8_t type = data[1];
    a.international = (type & 0x70) == 0x10;
    if ((type & 0x70) == 0x50) { // alphanumeric sender: keep the septets as text
        Bytes septets = unpack(data.subspan(2, octets), count * 4 / 7);
        a.digits = utf8(fromSeptets(septets));
    } else {
        static const char Digits[] = "0123456789*#abc?";
        for (size_t i = 0; i < count; ++i) {
            uint8_t b = data[2 + i / 2];
            a.digits.push_back(Digits[(i % 2 ? b >> 4 : b) & 0xF]);
        }
    }
    used = 2 + octets;
    return a;
}

} // namespace sim::gsm
