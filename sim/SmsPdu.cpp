#include "SmsPdu.h"

namespace sim::pdu {

bool isSevenBit(uint8_t dcs)
{
    switch (dcs >> 4) {
    case 0x0:
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
    case 0x6:
    case 0x7: return ((dcs >> 2) & 0x03) == 0;
    case 0xC:
    case 0xD: return true;
    case 0xF: return (dcs & 0x04) == 0;
    default: return false;
    }
}

std::optional<Submit> parseSubmit(std::span<const uint8_t> pdu, std::string* error)
{
    auto fail = [&](const char* why) -> std::optional<Submit> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    Submit s;
    if (pdu.empty())
        return fail("empty PDU");
    size_t smscLength = pdu[0];
    if (smscLength > 12 || pdu.size() < 1 + smscLength)
        return fail("bad service centre field");
    if (smscLength > 1) {
        gsm::Address a;
        a.international = (pdu[1] & 0x70) == 0x10;
        static const char Digits[] = "0123456789*#abc?";
        for (size_t i = 2; i < 1 + smscLength; ++i) {
            a.digits.push_back(Digits[pdu[i] & 0xF]);
            if ((pdu[i] >> 4) != 0xF)
                a.digits.push_back(Digits[pdu[i] >> 4]);
        }
        s.smsc = a;
    }
    auto t = pdu.subspan(1 + smscLength);
    if (t.size() < 2)
        return fail("TPDU too short");
    uint8_t first = t[0];
    if ((first & 0x03) != 0x01)
        return fail("not an SMS-SUBMIT");
    s.statusReport = first & 0x20;
    s.userDataHeader = first & 0x40;
    s.reference = t[1];
    size_t used = 0;
    auto da = gsm::decodeAddress(t.subspan(2), used);
    if (!da)
        return fail("bad destination address");
    s.destination = *da;
    size_t pos = 2 + used;
    if (t.size() < pos + 2)
        return fail("TPDU too short");
    s.protocolId = t[pos];
    s.dataCoding = t[pos + 1];
    pos += 2;
    switch ((first >> 3) & 0x03) {
    case 0: break;
    case 2: pos += 1; break;
    default: pos += 7; break;
    }
    if (t.size() < pos + 1)
        return fail("TPDU too short");
    s.userDataLength = t[pos++];
    bool sevenBit = isSevenBit(s.dataCoding);
    size_t octets = sevenBit ? (s.userDataLength * 7 + 7) / 8 : s.userDataLength;
    if (t.size() - pos < octets)
        return fail("user data shorter than its length");
    if (octets > 140)
        return fail("user data too long");
    s.userData.assign(t.begin() + pos, t.begin() + pos + octets);
    if (s.userDataHeader && (s.userData.empty() || s.userData[0] + 1u > s.userData.size()))
        return fail("bad user data header");
    return s;
}

bool isClass0(uint8_t dcs)
{
    if ((dcs & 0xC0) == 0x00 || (dcs & 0xC0) == 0x40) // general data coding (possibly auto-deleted)
        return (dcs & 0x10) && (dcs & 0x03) == 0;
    if ((dcs & 0xF0) == 0xF0)
        return (dcs & 0x03) == 0;
    return false;
}

Bytes timestamp(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    long offset = local.tm_gmtoff / 900; // quarter hours
    auto bcd = [](int v) { return uint8_t(((v % 10) << 4) | (v / 10 % 10)); };
    Bytes out{bcd(local.tm_year % 100), bcd(local.tm_mon + 1), bcd(local.tm_mday),
              bcd(local.tm_hour),       bcd(local.tm_min),     bcd(local.tm_sec)};
    uint8_t tz = bcd(int(offset < 0 ? -offset : offset));
    if (offset < 0)
        tz |= 0x08;
    out.push_back(tz);
    return out;
}

// Splits septets into parts without cutting an escape sequence in two.
static std::vector<Bytes> splitSeptets(const Bytes& septets, size_t size)
{
    std::vector<Bytes> parts;
    size_t i = 0;
    while (i < septets.size()) {
        size_t end = std::min(septets.size(), i + size);
        if (end < septets.size() && end > i && septets[end - 1] == 0x1B)
            --end;
        parts.emplace_back(septets.begin() + i, septets.begin() + end);
        i = end;
    }
    return parts;
}

static std::vector<std::u16string> splitUnits(const std::u16string& text, size_t size)
{
    std::vector<std::u16string> parts;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = std::min(text.size(), i + size);
        if (end < text.size() && text[end - 1] >= 0xD800 && text[end - 1] < 0xDC00)
            --end; // keep a surrogate pair together
        parts.push_back(text.substr(i, end - i));
        i = end;
    }
    return parts;
}

static Bytes deliverHeader(const gsm::Address& smsc, const gsm::Address& sender, bool udhi, uint8_t dcs,
                           std::time_t when)
{
    Bytes out = gsm::encodeSmsc(smsc);
    out.push_back(uint8_t(0x04 | (udhi ? 0x40 : 0))); // SMS-DELIVER, no more messages
    Bytes oa = gsm::encodeAddress(sender);
    out.insert(out.end(), oa.begin(), oa.end());
    out.push_back(0x00);
    out.push_back(dcs);
    Bytes ts = timestamp(when);
    out.insert(out.end(), ts.begin(), ts.end());
    return out;
}

std::vector<Bytes> deliver(const gsm::Address& smsc, const gsm::Address& sender, const std::u16string& text,
                           const DeliverOptions& options, std::time_t when)
{
    std::optional<Bytes> septets = options.ucs2 ? std::nullopt : gsm::toSeptets(text);
    uint8_t dcs = uint8_t((septets ? 0x00 : 0x08) | (options.class0 ? 0x10 : 0x00));
    std::vector<Bytes> out;
    auto concat = [&](size_t total, size_t number) {
        return Bytes{0x05, 0x00, 0x03, options.reference, uint8_t(total), uint8_t(number)};
    };
    if (septets) {
        bool multi = septets->size() > 160;
        auto parts = multi ? splitSeptets(*septets, 153) : std::vector<Bytes>{*septets};
        for (size_t i = 0; i < parts.size(); ++i) {
            Bytes pdu = deliverHeader(smsc, sender, multi, dcs, when);
            if (multi) {
                pdu.push_back(uint8_t(7 + parts[i].size()));
                Bytes udh = concat(parts.size(), i + 1);
                pdu.insert(pdu.end(), udh.begin(), udh.end());
                Bytes packed = gsm::pack(parts[i], 1);
                pdu.insert(pdu.end(), packed.begin(), packed.end());
            } else {
                pdu.push_back(uint8_t(parts[i].size()));
                Bytes packed = gsm::pack(parts[i]);
                pdu.insert(pdu.end(), packed.begin(), packed.end());
            }
            out.push_back(std::move(pdu));
        }
        return out;
    }
    bool multi = text.size() > 70;
    auto parts = multi ? splitUnits(text, 67) : std::vector<std::u16string>{text};
    for (size_t i = 0; i < parts.size(); ++i) {
        Bytes pdu = deliverHeader(smsc, sender, multi, dcs, when);
        Bytes ud = multi ? concat(parts.size(), i + 1) : Bytes{};
        Bytes body = gsm::ucs2(parts[i]);
        ud.insert(ud.end(), body.begin(), body.end());
        pdu.push_back(uint8_t(ud.size()));
        pdu.insert(pdu.end(), ud.begin(), ud.end());
        out.push_back(std::move(pdu));
    }
    return out;
}

Bytes deliverFromSubmit(const Submit& submit, const gsm::Address& smsc, const gsm::Address& sender, std::time_t when)
{
    Bytes pdu = deliverHeader(smsc, sender, submit.userDataHeader, submit.dataCoding, when);
    pdu[gsm::encodeSmsc(smsc).size() + 1 + gsm::encodeAddress(sender).size()] = submit.protocolId;
    pdu.push_back(submit.userDataLength);
    pdu.insert(pdu.end(), submit.userData.begin(), submit.userData.end());
    return pdu;
}

Bytes statusReport(const gsm::Address& smsc, uint8_t reference, const gsm::Address& recipient, std::time_t submitted,
                   std::time_t discharged, uint8_t status)
{
    Bytes out = gsm::encodeSmsc(smsc);
    out.push_back(0x06); // SMS-STATUS-REPORT, no more messages
    out.push_back(reference);
    Bytes ra = gsm::encodeAddress(recipient);
    out.insert(out.end(), ra.begin(), ra.end());
    Bytes scts = timestamp(submitted), dt = timestamp(discharged);
    out.insert(out.end(), scts.begin(), scts.end());
    out.insert(out.end(), dt.begin(), dt.end());
    out.push_back(status);
    return out;
}

std::string hex(std::span<const uint8_t> data)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : data) {
        out.push_back(Digits[b >> 4]);
        out.push_back(Digits[b & 0xF]);
    }
    return out;
}

} // namespace sim::pdu
