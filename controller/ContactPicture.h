#pragma once
// A contact's picture: any JPEG the user picks, fitted into the small fixed frame of the contact
// window on a white ground and stored as a JPEG again. Reading and writing go through TurboJPEG;
// the bytes come from the user's files, so every size is checked before anything is allocated.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ContactPicture {

inline constexpr int Width = 63;
inline constexpr int Height = 84;
inline constexpr int Quality = 90;
// Larger files and images are refused rather than decoded.
inline constexpr std::size_t MaxFileBytes = 64u * 1024u * 1024u;
inline constexpr int MaxSide = 20000;
inline constexpr std::int64_t MaxPixels = 100'000'000;

// 8-bit RGB, rows packed without padding.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    bool Empty() const { return width <= 0 || height <= 0; }
};

// Where an image of the given size lands in the frame.
struct Placement
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Placement&) const = default;
};

// Small images stay unscaled and centred; others are scaled, keeping their proportions, to the
// full height or the full width of the frame, whichever limits them, and centred across.
Placement Fit(int width, int height);

// Decodes JPEG bytes. minWidth and minHeight let the decoder shrink a large image by its own
// DCT scaling while keeping at least twice that size; 0 decodes at full size.
bool Decode(const std::uint8_t* data, std::size_t size, Image& image, std::string& error, int minWidth = 0,
            int minHeight = 0);
bool Encode(const Image& image, int quality, std::vector<std::uint8_t>& jpeg, std::string& error);

// Area-averaging resample, for reducing (each output pixel averages the source area it covers).
Image Resample(const Image& source, int width, int height);

// Decodes, fits into a white Width x Height frame and encodes with Quality.
bool Make(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& jpeg, std::string& error);

} // namespace ContactPicture
