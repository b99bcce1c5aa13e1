#include "Wire.h"

#include <array>

namespace sim {

std::optional<uint32_t> Reader::u32(size_t offset) const
{
    if (offset > data_.size() || data_.size() - offset < 4)
        return std::nullopt;
    return getU32(data_.data() + offset);
}

std::optional<uint64_t> Reader::u64(size_t offset) const
{
    auto lo = u32(offset), hi = u32(offset + 4);
    if (!lo || !hi)
        return std::nullopt;
    return (uint64_t(*hi) << 32) | *lo;
}

std::optional<std::span<const uint8_t>> Reader::bytes(size_t offset, size_t length) const
{
    if (offset > data_.size() || data_.size() - offset < length)
        return std::nullopt;
    return data_.subspan(offset, length);
}

std::optional<std::span<const uint8_t>> Reader::ref(size_t at) const
{
    auto offset = u32(at), length = u32(at + 4);
    if (!offset || !length)
        return std::nullopt;
    if (*length == 0)
        return std::span<const uint8_t>();
    return bytes(*offset, *length);
}

std::optional<std::u16string> Reader::string(size_t at) const
{
    auto data = ref(at);
    if (!data || data->size() % 2)
        return std::nullopt;
    std::u16string text;
    text.reserve(data->size() / 2);
    for (size_t i = 0; i < data->size(); i += 2)
        text.push_back(char16_t((*data)[i] | ((*data)[i + 1] << 8)));
    return text;
}

std::optional<Reader> Reader::sub(size_t offset, size_t length) const
{
    auto data = bytes(offset, length);
    if (!data)
        return std::nullopt;
    return Reader(*data);
}

void putU32(Bytes& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

uint32_t getU32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void Writer::u32(uint32_t value)
{
    putU32(fixed_, value);
}

void Writer::u64(uint64_t value)
{
    putU32(fixed_, uint32_t(value));
    putU32(fixed_, uint32_t(value >> 32));
}

void Writer::uuid(const std::array<uint8_t, 16>& id)
{
    fixed_.insert(fixed_.end(), id.begin(), id.end());
}

void Writer::raw(std::span<const uint8_t> data)
{
    fixed_.insert(fixed_.end(), data.begin(), data.end());
}

void Writer::ref(std::span<const uint8_t> data)
{
    pending_.push_back({fixed_.size(), Bytes(data.begin(), data.end())});
    putU32(fixed_, 0);
    putU32(fixed_, 0);
}

void Writer::string(const std::u16string& text)
{
    ref(utf16le(text));
}

void Writer::refList(const std::vector<Bytes>& items)
{
    for (const auto& item : items) {
        pending_.push_back({fixed_.size(), item});
        putU32(fixed_, 0);
        putU32(fixed_, 0);
    }
}

Bytes Writer::finish() const
{
    Bytes out = fixed_;
    while (out.size() % 4)
        out.push_back(0);
    for (const auto& p : pending_) {
        if (p.data.empty())
            continue;
        uint32_t offset = uint32_t(out.size());
        uint32_t length = uint32_t(p.data.size());
        for (int i = 0; i < 4; ++i) {
            out[p.slot + i] = uint8_t(offset >> (8 * i));
            out[p.slot + 4 + i] = uint8_t(length >> (8 * i));
        }
        out.insert(out.end(), p.data.begin(), p.data.end());
        while (out.size() % 4)
            out.push_back(0);
    }
    return out;
}

std::u16string utf16(const std::string& s)
{
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        uint8_t lead = uint8_t(s[i]);
        size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : 4;
        uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        bool ok = extra < 4 && s.size() - i > extra;
        for (size_t k = 1; ok && k <= extra; ++k) {
            uint8_t b = uint8_t(s[i + k]);
            ok = (b & 0xC0) == 0x80;
            c = (c << 6) | (b & 0x3F);
        }
        if (!ok || c > 0x10FFFF) { // malformed input: one replacement character per bad byte
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += extra + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    }
    return out;
}

std::string utf8(const std::u16string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

Bytes utf16le(const std::u16string& text)
{
    Bytes out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return out;
}

} // namespace sim
