#include "controller/ContactPicture.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

namespace ContactPicture {

namespace {

struct HandleCloser
{
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::string TurboError(tjhandle handle)
{
    const char* text = tjGetErrorStr2(handle);
    return text != nullptr && *text != '\0' ? std::string(text) : std::string("unknown error");
}

bool CheckInput(const std::uint8_t* data, std::size_t size, std::string& error)
{
    if (data == nullptr || size == 0) {
        error = "The file is empty.";
        return false;
    }
    if (size > MaxFileBytes || size > ULONG_MAX) {
        error = "The file is too large for a contact image.";
        return false;
    }
    return true;
}

bool ReadHeader(tjhandle handle, const std::uint8_t* data, std::size_t size, int& width, int& height,
                std::string& error)
{
    if (!CheckInput(data, size, error))
        return false;
    int subsampling = 0;
    int colourspace = 0;
    if (tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &width, &height, &subsampling,
                            &colourspace) != 0) {
        error = "Not a readable JPEG image: " + TurboError(handle);
        return false;
    }
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide ||
        static_cast<std::int64_t>(width) * height > MaxPixels) {
        error = "The image is too large: " + std::to_string(width) + " x " + std::to_string(height) + " pixels.";
        return false;
    }
    return true;
}

// The coarsest reduction of the decoder's own that still leaves at least twice the wanted size.
tjscalingfactor ChooseScale(int width, int height, int minWidth, int minHeight)
{
    tjscalingfactor best{1, 1};
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    if (factors == nullptr || minWidth <= 0 || minHeight <= 0)
        return best;
    int bestWidth = width;
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num <= 0 || f.denom <= 0 || f.num > f.denom)
            continue;
        const int w = TJSCALED(width, f);
        const int h = TJSCALED(height, f);
        if (w >= 2 * minWidth && h >= 2 * minHeight && w < bestWidth) {
            best = f;
            bestWidth = w;
        }
    }
    return best;
}

// Per output position: the source positions it covers and how much of each.
struct Span
{
    int first = 0;
    std::vector<float> weights;
};

std::vector<Span> Spans(int source, int target)
{
    std::vector<Span> spans(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target;
    for (int i = 0; i < target; ++i) {
        const double a = i * step;
        const double b = std::min(static_cast<double>(source), (i + 1) * step);
        Span& span = spans[static_cast<std::size_t>(i)];
        span.first = std::min(source - 1, static_cast<int>(std::floor(a)));
        const int last = std::max(span.first, std::min(source - 1, static_cast<int>(std::ceil(b)) - 1));
        double total = 0;
        for (int s = span.first; s <= last; ++s) {
            const double w = std::max(0.0, std::min(b, s + 1.0) - std::max(a, static_cast<double>(s)));
            span.weights.push_back(static_cast<float>(w));
            total += w;
        }
        if (total <= 0) {
            span.weights.assign(1, 1.0f);
            total = 1;
        }
        for (float& w : span.weights)
            w = static_cast<float>(w / total);
    }
    return spans;
}

} // namespace

Placement Fit(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    // Compared as width / Width against height / Height, without rounding.
    const std::int64_t across = static_cast<std::int64_t>(width) * Height;
    const std::int64_t down = static_cast<std::int64_t>(height) * Width;
    if (width < Width && height < Height)
        return {(Width - width) / 2, (Height - height) / 2, width, height};
    // Margins round to the nearest pixel, ties to even; at least one pixel of the image remains.
    if (across < down) {
        const double scaled = static_cast<double>(width) * Height / height;
        const int margin = std::clamp(static_cast<int>(std::nearbyint((Width - scaled) / 2)), 0, (Width - 1) / 2);
        return {margin, 0, Width - 2 * margin, Height};
    }
    if (across > down) {
        const double scaled = static_cast<double>(height) * Width / width;
        const int margin = std::clamp(static_cast<int>(std::nearbyint((Height - scaled) / 2)), 0, (Height - 1) / 2);
        return {0, margin, Width, Height - 2 * margin};
    }
    return {0, 0, Width, Height};
}

bool Decode(const std::uint8_t* data, std::size_t size, Image& image, std::string& error, int minWidth, int minHeight)
{
    Handle handle(tjInitDecompress());
    if (!handle) {
        error = "The JPEG decoder could not be started.";
        return false;
    }
    int width = 0;
    int height = 0;
    if (!ReadHeader(handle.get(), data, size, width, height, error))
        return false;
    const tjscalingfactor scale = ChooseScale(width, height, minWidth, minHeight);
    Image decoded;
    decoded.width = TJSCALED(width, scale);
    decoded.height = TJSCALED(height, scale);
    decoded.rgb.resize(static_cast<std::size_t>(decoded.width) * decoded.height * 3);
    // A damaged stream is refused as a whole rather than shown half grey; progressive files with
    // endless scans are cut short by the decoder.
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), decoded.rgb.data(), decoded.width,
                      decoded.width * 3, decoded.height, TJPF_RGB, TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0) {
        error = "The JPEG image could not be read: " + TurboError(handle.get());
        return false;
    }
    image = std::move(decoded);
    return true;
}

bool Encode(const Image& image, int quality, std::vector<std::uint8_t>& jpeg, std::string& error)
{
    if (image.Empty() || image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
        error = "There is no image to write.";
        return false;
    }
    Handle handle(tjInitCompress());
    if (!handle) {
        error = "The JPEG encoder could not be started.";
        return false;
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int result = tjCompress2(handle.get(), image.rgb.data(), image.width, image.width * 3, image.height, TJPF_RGB,
                                   &out, &outSize, TJSAMP_444, std::clamp(quality, 1, 100), 0);
    if (result != 0 || out == nullptr) {
        error = "The JPEG image could not be written: " + TurboError(handle.get());
        tjFree(out);
        return false;
    }
    jpeg.assign(out, out + outSize);
    tjFree(out);
    return true;
}

Image Resample(const Image& source, int width, int height)
{
    Image result;
    if (source.Empty() || width <= 0 || height <= 0)
        return result;
    const std::vector<Span> columns = Spans(source.width, width);
    const std::vector<Span> rows = Spans(source.height, height);
    // Across first, into floats one row of the source high, then down.
    std::vector<float> across(static_cast<std::size_t>(width) * source.height * 3);
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t* in = source.rgb.data() + static_cast<std::size_t>(y) * source.width * 3;
        float* out = across.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            const Span& span = columns[static_cast<std::size_t>(x)];
            float sum[3] = {0, 0, 0};
            for (std::size_t k = 0; k < span.weights.size(); ++k) {
                const std::uint8_t* p = in + (static_cast<std::size_t>(span.first) + k) * 3;
                for (int c = 0; c < 3; ++c)
                    sum[c] += span.weights[k] * p[c];
            }
            for (int c = 0; c < 3; ++c)
                out[x * 3 + c] = sum[c];
        }
    }
    result.width = width;
    result.height = height;
    result.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const Span& span = rows[static_cast<std::size_t>(y)];
        std::uint8_t* out = result.rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int i = 0; i < width * 3; ++i) {
            float sum = 0;
            for (std::size_t k = 0; k < span.weights.size(); ++k)
                sum += span.weights[k] * across[(static_cast<std::size_t>(span.first) + k) * width * 3 + i];
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    }
    return result;
}

bool Make(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& jpeg, std::string& error)
{
    int width = 0;
    int height = 0;
    {
        Handle handle(tjInitDecompress());
        if (!handle) {
            error = "The JPEG decoder could not be started.";
            return false;
        }
        if (!ReadHeader(handle.get(), data, size, width, height, error))
            return false;
    }
    const Placement place = Fit(width, height);
    Image decoded;
    if (!Decode(data, size, decoded, error, place.width, place.height))
        return false;
    if (decoded.width != place.width || decoded.height != place.height)
        decoded = Resample(decoded, place.width, place.height);

    Image frame;
    frame.width = Width;
    frame.height = Height;
    frame.rgb.assign(static_cast<std::size_t>(Width) * Height * 3, 255);
    for (int y = 0; y < place.height; ++y)
        std::memcpy(frame.rgb.data() + (static_cast<std::size_t>(place.top + y) * Width + place.left) * 3,
                    decoded.rgb.data() + static_cast<std::size_t>(y) * place.width * 3,
                    static_cast<std::size_t>(place.width) * 3);
    return Encode(frame, Quality, jpeg, error);
}

} // namespace ContactPicture
