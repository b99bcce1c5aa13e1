// Little-endian reading and writing of MBIM information buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

// Bounds-checked reader over one buffer. Every accessor returns nullopt when the
// data does not fit; nothing reads past the end.
class Reader
{
public:
    explicit Reader(std::span<const uint8_t> data) : data_(data) { }

    size_t size() const { return data_.size(); }
    std::optional<uint32_t> u32(size_t offset) const;
    std::optional<uint64_t> u64(size_t offset) const;
    // Bytes [offset, offset + length).
    std::optional<std::span<const uint8_t>> bytes(size_t offset, size_t length) const;
    // Offset/size pair at `at`, pointing at data relative to the start of this buffer.
    std::optional<std::span<const uint8_t>> ref(size_t at) const;
    // Offset/size pair holding UTF-16LE text; an odd size is malformed.
    std::optional<std::u16string> string(size_t at) const;
    // A sub-reader over [offset, offset + length).
    std::optional<Reader> sub(size_t offset, size_t length) const;

private:
    std::span<const uint8_t> data_;
};

// Builds a structure of a fixed part (u32 fields and offset/size pairs) followed by
// a variable part holding the referenced data, each item padded to 4 bytes.
// Offsets are relative to the start of the structure, as MBIM requires.
class Writer
{
public:
    void u32(uint32_t value);
    void u64(uint64_t value);
    void uuid(const std::array<uint8_t, 16>& id);
    void raw(std::span<const uint8_t> data);
    // Offset/size pair for data placed in the variable part; empty data gives 0/0.
    void ref(std::span<const uint8_t> data);
    void string(const std::u16string& text);
    // A list of structures referenced by offset/size pairs (count written by the caller).
    void refList(const std::vector<Bytes>& items);

    Bytes finish() const;

private:
    struct Pending
    {
        size_t slot; // where the offset/size pair sits in the fixed part
        Bytes data;
    };
    Bytes fixed_;
    std::vector<Pending> pending_;
};

void putU32(Bytes& out, uint32_t value);
uint32_t getU32(const uint8_t* p);

std::u16string utf16(const std::string& utf8);
std::string utf8(const std::u16string& text);
Bytes utf16le(const std::u16string& text);

} // namespace sim
