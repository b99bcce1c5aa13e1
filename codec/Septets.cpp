#include "codec/Septets.h"

#include "codec/Hex.h"
#include "codec/Udh.h"

#include <algorithm>

namespace {

constexpr size_t maxHeaderText = 512;

int readError(int hexCode)
{
    return (hexCode == -1 || hexCode == -2) ? UserDataTooShort : UserDataInvalidCharacter;
}

// Copies the header octets (UDHL included) into header.data and analyses the header; then takes
// the concatenation values. text starts at the UDHL octet. Returns UDHL or a negative error.
int readHeader(std::string_view text, UserDataHeader& header)
{
    const int udhl = HexOctet(text, 0);
    if (udhl < 0)
        return readError(udhl);
    header.data.clear();
    for (int i = 0; i <= udhl; ++i) {
        const int octet = HexOctet(text, 2 * static_cast<size_t>(i));
        if (octet < 0)
            return readError(octet);
        if (header.data.size() + 3 >= maxHeaderText)
            return UserDataTooShort;
        AppendHexOctet(header.data, static_cast<unsigned>(octet));
        header.data.push_back(':');
    }
    header.data.pop_back();

    UdhAnalysis analysis;
    if (DescribeUdh(text, analysis) < 0 && analysis.text.size() + 7 < maxHeaderText)
        analysis.text += analysis.text.empty() ? "ERROR" : ", ERROR";
    header.type = std::move(analysis.text);

    if (analysis.concatenation) {
        const size_t p = analysis.concatPosition;
        const bool wide = HexOctet(text, p) == 0x08;
        int values[4];
        const int needed = wide ? 4 : 3;
        for (int i = 0; i < needed; ++i) {
            values[i] = HexOctet(text, p + 4 + 2 * static_cast<size_t>(i));
            if (values[i] < 0)
                return readError(values[i]);
        }
        header.multipart = true;
        if (wide) {
            header.reference = static_cast<unsigned>(values[0] * 256 + values[1]);
            header.partsTotal = static_cast<unsigned>(values[2]);
            header.partNumber = static_cast<unsigned>(values[3]);
        } else {
            header.reference = static_cast<unsigned>(values[0]);
            header.partsTotal = static_cast<unsigned>(values[1]);
            header.partNumber = static_cast<unsigned>(values[2]);
        }
    }
    return udhl;
}

// Septet k of a packed octet stream, least significant bit first.
inline uint8_t septetAt(const uint8_t* octets, size_t k)
{
    const size_t bit = 7 * k;
    const size_t index = bit / 8;
    const unsigned shift = bit % 8;
    unsigned value = octets[index] >> shift;
    if (shift > 1)
        value |= static_cast<unsigned>(octets[index + 1]) << (8 - shift);
    return static_cast<uint8_t>(value & 0x7F);
}

// Reads count octets of hex into octets; returns 0 or a negative error.
int readOctets(std::string_view text, size_t count, uint8_t* octets)
{
    for (size_t i = 0; i < count; ++i) {
        const int octet = HexOctet(text, 2 * i);
        if (octet < 0)
            return readError(octet);
        octets[i] = static_cast<uint8_t>(octet);
    }
    return 0;
}

// Unpacks septets first to septetCount - 1 of the packed octets at the start of text (read
// whole, header septets included); returns how many were written or a negative error.
int unpackSeptetRange(std::string_view text, size_t septetCount, size_t first, uint8_t* out)
{
    uint8_t octets[226];
    const size_t octetCount = (7 * septetCount + 7) / 8;
    if (octetCount + 1 > sizeof octets)
        return UserDataTooShort;
    if (const int rc = readOctets(text, octetCount, octets); rc < 0)
        return rc;
    octets[octetCount] = 0;
    size_t n = 0;
    for (size_t k = first; k < septetCount; ++k)
        out[n++] = septetAt(octets, k);
    return static_cast<int>(n);
}

// Reads the user data length and, with the indicator set, the header; skip gets the units
// (septets or octets) the header takes. Returns 0 or a negative error.
int readLengthAndHeader(std::string_view text, bool udhi, bool septets, UserDataHeader& header, int& udl, size_t& skip)
{
    udl = HexOctet(text, 0);
    if (udl < 0)
        return readError(udl);
    skip = 0;
    if (!udhi)
        return 0;
    const int udhl = readHeader(text.substr(2), header);
    if (udhl < 0)
        return udhl;
    const size_t octets = static_cast<size_t>(udhl) + 1;
    skip = septets ? (8 * octets + 6) / 7 : octets;
    // A header that claims more than the user data holds.
    return skip > static_cast<size_t>(udl) ? UserDataTooShort : 0;
}

} // namespace

int PackSeptets(const uint8_t* codes, size_t count, std::string_view headerText, std::string& out)
{
    size_t h = 0, s = 0, f = 0;
    if (!headerText.empty()) {
        h = (headerText.size() + 2) / 3;
        s = (8 * h + 6) / 7;
        f = 7 - (h % 7);
        if (f == 7)
            f = 0;
        for (char c : headerText)
            if (c != ' ')
                out.push_back(c);
    }
    count = std::min(count, 320 - s);

    // 320 septets at most: 280 octets, plus the fill bits' octet.
    uint8_t work[281] = {};
    for (size_t i = 0; i < count; ++i) {
        const unsigned code = codes[i] & 0x7F;
        const size_t p = 7 * i + f;
        work[p / 8] |= static_cast<uint8_t>(code << (p % 8));
        if (p % 8 > 1)
            work[p / 8 + 1] |= static_cast<uint8_t>(code >> (8 - p % 8));
    }
    const size_t octets = count == 0 ? 1 : (7 * count + f + 7) / 8;
    for (size_t i = 0; i < octets; ++i)
        AppendHexOctet(out, work[i]);
    return static_cast<int>(count + s);
}

int UnpackSeptetData(std::string_view text, size_t septetCount, uint8_t* out)
{
    return unpackSeptetRange(text, septetCount, 0, out);
}

std::vector<uint8_t> UnpackSeptetOctets(const uint8_t* octets, size_t count)
{
    std::vector<uint8_t> codes;
    if (octets == nullptr)
        return codes;
    // Septet k ends at bit 7k + 7, within the count octets for every k below this.
    const size_t septets = count + count / 7;
    codes.reserve(septets);
    for (size_t k = 0; k < septets; ++k)
        codes.push_back(septetAt(octets, k));
    return codes;
}

int UnpackSeptets(std::string_view text, bool udhi, uint8_t* out, UserDataHeader& header, size_t& consumed)
{
    consumed = 0;
    int udl = 0;
    size_t skip = 0;
    if (const int rc = readLengthAndHeader(text, udhi, true, header, udl, skip); rc < 0)
        return rc;
    const int n = unpackSeptetRange(text.substr(2), static_cast<size_t>(udl), skip, out);
    if (n < 0)
        return n;
    out[n] = 0;
    consumed = 2 + 2 * ((7 * static_cast<size_t>(udl) + 7) / 8);
    return n;
}

int ReadOctets(std::string_view text, bool udhi, uint8_t* out, UserDataHeader& header, size_t& consumed)
{
    consumed = 0;
    int udl = 0;
    size_t skip = 0;
    if (const int rc = readLengthAndHeader(text, udhi, false, header, udl, skip); rc < 0)
        return rc;
    const std::string_view data = text.substr(2);
    const size_t count = static_cast<size_t>(udl) - skip;
    if (const int rc = readOctets(data.substr(2 * skip), count, out); rc < 0)
        return rc;
    out[count] = 0;
    consumed = 2 + 2 * static_cast<size_t>(udl);
    return static_cast<int>(count);
}
