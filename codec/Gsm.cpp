#include "codec/Gsm.h"

#include <array>

namespace {

// Code to Unicode. 0x09 is the small c with cedilla; a lone escape shows as a no-break space.
constexpr char16_t defaultTable[128] = {
    u'@',      u'\u00A3', u'$',      u'\u00A5', u'\u00E8', u'\u00E9', u'\u00F9', u'\u00EC', // 00
    u'\u00F2', u'\u00E7', u'\n',     u'\u00D8', u'\u00F8', u'\r',     u'\u00C5', u'\u00E5', // 08
    u'\u0394', u'_',      u'\u03A6', u'\u0393', u'\u039B', u'\u03A9', u'\u03A0', u'\u03A8', // 10
    u'\u03A3', u'\u0398', u'\u039E', u'\u00A0', u'\u00C6', u'\u00E6', u'\u00DF', u'\u00C9', // 18
    u' ',      u'!',      u'"',      u'#',      u'\u00A4', u'%',      u'&',      u'\'',     // 20
    u'(',      u')',      u'*',      u'+',      u',',      u'-',      u'.',      u'/',      // 28
    u'0',      u'1',      u'2',      u'3',      u'4',      u'5',      u'6',      u'7',      // 30
    u'8',      u'9',      u':',      u';',      u'<',      u'=',      u'>',      u'?',      // 38
    u'\u00A1', u'A',      u'B',      u'C',      u'D',      u'E',      u'F',      u'G',      // 40
    u'H',      u'I',      u'J',      u'K',      u'L',      u'M',      u'N',      u'O',      // 48
    u'P',      u'Q',      u'R',      u'S',      u'T',      u'U',      u'V',      u'W',      // 50
    u'X',      u'Y',      u'Z',      u'\u00C4', u'\u00D6', u'\u00D1', u'\u00DC', u'\u00A7', // 58
    u'\u00BF', u'a',      u'b',      u'c',      u'd',      u'e',      u'f',      u'g',      // 60
    u'h',      u'i',      u'j',      u'k',      u'l',      u'm',      u'n',      u'o',      // 68
    u'p',      u'q',      u'r',      u's',      u't',      u'u',      u'v',      u'w',      // 70
    u'x',      u'y',      u'z',      u'\u00E4', u'\u00F6', u'\u00F1', u'\u00FC', u'\u00E0', // 78
};

struct ExtensionEntry
{
    uint8_t code;
    char16_t character;
};

// Code after the escape to Unicode (the double escape included).
constexpr ExtensionEntry extensionTable[] = {
    {0x0A, u'\u000C'}, {0x14, u'^'}, {0x1B, u'\u00A0'}, {0x28, u'{'}, {0x29, u'}'},      {0x2F, u'\\'},
    {0x3C, u'['},      {0x3D, u'~'}, {0x3E, u']'},      {0x40, u'|'}, {0x65, u'\u20AC'},
};

constexpr char16_t extensionCharacter(uint8_t code)
{
    for (const auto& e : extensionTable)
        if (e.code == code)
            return e.character;
    return 0;
}

// Latin-1 to GSM code; GsmNoCode where there is none.
constexpr std::array<uint8_t, 256> makeLatin1Table()
{
    std::array<uint8_t, 256> t{};
    for (auto& v : t)
        v = GsmNoCode;
    for (int c = 0x20; c <= 0x7A; ++c)
        if (c != 0x24 && c != 0x40 && c != 0x5B && c != 0x5C && c != 0x5D && c != 0x5E && c != 0x5F && c != 0x60)
            t[c] = static_cast<uint8_t>(c);
    t[0x0A] = 0x0A;
    t[0x0D] = 0x0D;
    t[u'$'] = 0x02;
    t[u'@'] = 0x00;
    t[u'_'] = 0x11;
    t[0xA1] = 0x40; // ¡
    t[0xA3] = 0x01; // £
    t[0xA4] = 0x24; // ¤
    t[0xA5] = 0x03; // ¥
    t[0xA7] = 0x5F; // §
    t[0xBF] = 0x60; // ¿
    t[0xC4] = 0x5B; // Ä
    t[0xC5] = 0x0E; // Å
    t[0xC6] = 0x1C; // Æ
    t[0xC9] = 0x1F; // É
    t[0xD1] = 0x5D; // Ñ
    t[0xD6] = 0x5C; // Ö
    t[0xD8] = 0x0B; // Ø
    t[0xDC] = 0x5E; // Ü
    t[0xDF] = 0x1E; // ß
    t[0xE0] = 0x7F; // à
    t[0xE4] = 0x7B; // ä
    t[0xE5] = 0x0F; // å
    t[0xE6] = 0x1D; // æ
    t[0xE7] = 0x09; // ç
    t[0xE8] = 0x04; // è
    t[0xE9] = 0x05; // é
    t[0xEC] = 0x07; // ì
    t[0xF1] = 0x7D; // ñ
    t[0xF2] = 0x08; // ò
    t[0xF6] = 0x7C; // ö
    t[0xF8] = 0x0C; // ø
    t[0xF9] = 0x06; // ù
    t[0xFC] = 0x7E; // ü
    return t;
}

constexpr auto latin1ToGsm = makeLatin1Table();

// Characters above Latin-1 that the default alphabet holds: the Greek capitals.
constexpr uint8_t greekCode(char16_t c)
{
    switch (c) {
    case u'\u0394': return 0x10;
    case u'\u03A6': return 0x12;
    case u'\u0393': return 0x13;
    case u'\u039B': return 0x14;
    case u'\u03A9': return 0x15;
    case u'\u03A0': return 0x16;
    case u'\u03A8': return 0x17;
    case u'\u03A3': return 0x18;
    case u'\u0398': return 0x19;
    case u'\u039E': return 0x1A;
    default: return GsmNoCode;
    }
}

// The code after an escape for a character of the extension table, or 0.
constexpr uint8_t extensionCode(char16_t c)
{
    switch (c) {
    case u'\u000C': return 0x0A;
    case u'[': return 0x3C;
    case u'\\': return 0x2F;
    case u']': return 0x3E;
    case u'^': return 0x14;
    case u'{': return 0x28;
    case u'|': return 0x40;
    case u'}': return 0x29;
    case u'~': return 0x3D;
    case u'\u00A0': return 0x1B;
    case u'\u20AC': return 0x65;
    default: return 0;
    }
}

// Single code for a character, or GsmNoCode.
constexpr uint8_t singleCode(char16_t c)
{
    return c < 0x100 ? latin1ToGsm[c] : greekCode(c);
}

} // namespace

std::u16string GsmToText(const uint8_t* codes, size_t count)
{
    std::u16string text;
    text.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t code = codes[i];
        if (code & 0x80)
            continue;
        if (code == GsmEscape && i + 1 < count) {
            const char16_t c = extensionCharacter(codes[++i]);
            if (c != 0)
                text.push_back(c);
            continue;
        }
        text.push_back(defaultTable[code]);
    }
    return text;
}

int GsmSeptets(char16_t c)
{
    if (extensionCode(c) != 0)
        return 2;
    return singleCode(c) != GsmNoCode ? 1 : 0;
}

int ChooseAlphabet(const std::u16string& text)
{
    for (char16_t c : text)
        if (GsmSeptets(c) == 0)
            return AlphabetUcs2;
    return AlphabetGsm;
}

size_t TextToGsm(const std::u16string& text, uint8_t* out)
{
    size_t n = 0;
    for (char16_t c : text) {
        if (n >= GsmMaxCodes)
            break;
        if (const uint8_t ext = extensionCode(c)) {
            out[n++] = GsmEscape;
            out[n++] = ext;
            continue;
        }
        // Callers choose UCS2 for texts with characters that have no code, so the two cases
        // below only happen when GSM is forced: Latin-1 goes as a space, the rest is dropped.
        const uint8_t code = singleCode(c);
        if (code == GsmNoCode && c >= 0xFF)
            continue;
        out[n++] = code;
    }
    return n;
}

std::u16string Ucs2ToText(const uint8_t* octets, size_t count)
{
    std::u16string text;
    text.reserve(count / 2);
    for (size_t i = 0; i + 1 < count; i += 2) {
        const char16_t unit = static_cast<char16_t>((octets[i] << 8) | octets[i + 1]);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

size_t TextToUcs2(const std::u16string& text, uint8_t* out)
{
    size_t n = 0;
    for (char16_t c : text) {
        if (n + 2 > GsmMaxCodes)
            break;
        out[n++] = static_cast<uint8_t>(c >> 8);
        out[n++] = static_cast<uint8_t>(c & 0xFF);
    }
    return n;
}
