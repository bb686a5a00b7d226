// An image as a decoder produced it, before it becomes a bitmap record:
// dimensions, the layout bits to report, and the pixels in one of a few
// kinds that the conversion to blue-green-red-alpha understands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "testbed/imagelib/format_table.h"
#include "testbed/imagelib/gfl_library_records.h"

namespace testbed {

enum class PixelKind : uint8_t {
    Grey,      // 1 byte: v
    Rgb,       // 3 bytes: red, green, blue
    Rgba,      // 4 bytes: red, green, blue, alpha
    Indexed,   // 1 byte: palette index
    Bgra,      // 4 bytes: blue, green, red, alpha
};

inline uint16_t BytesPerPixel(PixelKind kind) noexcept
{
    switch (kind) {
    case PixelKind::Grey:
    case PixelKind::Indexed:
        return 1;
    case PixelKind::Rgb:
        return 3;
    case PixelKind::Rgba:
    case PixelKind::Bgra:
        return 4;
    }
    return 4;
}

struct FreeDeleter {
    void operator()(void* block) const noexcept { std::free(block); }
};
using PixelBuffer = std::unique_ptr<uint8_t, FreeDeleter>;

// Pixel-less images (non-positive or oversized TBIM dimensions) carry this
// many zero bytes, so that the data pointer is never null.
inline constexpr size_t kPlaceholderBytes = 16;

struct DecodedImage {
    ImageFormat format = ImageFormat::Tbim;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t layout = 0;
    int16_t transparentIndex = -1;
    PixelKind kind = PixelKind::Rgb;
    bool hasPixels = false;       // false: `pixels` is the placeholder
    PixelBuffer pixels;           // malloc'd, rows packed, top row first
    size_t pixelBytes = 0;
    std::unique_ptr<gfl::ColorMap> colorMap;
};

// Decodes a whole source. formatIndex -1 detects the format; an index of the
// default table accepts only that format.
gfl::Error DecodeImage(const uint8_t* bytes, size_t size, int32_t formatIndex, DecodedImage& out) noexcept;

}  // namespace testbed
