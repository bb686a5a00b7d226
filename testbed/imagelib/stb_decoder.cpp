// Real formats through stb_image. Its output is kept in the file's own
// channels, except two cases: grey with alpha is widened to RGBA (the
// conversion knows no two-channel kind), and a GIF, which stb_image always
// gives with alpha, drops the alpha when every pixel is opaque, so that only
// a GIF with a transparent colour reports an alpha layout.
#include <climits>
#include <cstdlib>
#include <cstring>

#include <stb_image.h>

#include "testbed/imagelib/format_decoders.h"

namespace testbed {
namespace {

bool AllOpaque(const uint8_t* rgba, size_t pixels) noexcept
{
    for (size_t i = 0; i < pixels; ++i) {
        if (rgba[i * 4 + 3] != 255)
            return false;
    }
    return true;
}

// Rewrites RGBA as RGB in the same block; the front of the block is read
// before it is overwritten.
void DropAlpha(uint8_t* pixels, size_t count) noexcept
{
    for (size_t i = 0; i < count; ++i)
        std::memmove(pixels + i * 3, pixels + i * 4, 3);
}

PixelBuffer WidenGreyAlpha(const uint8_t* greyAlpha, size_t count) noexcept
{
    PixelBuffer rgba(static_cast<uint8_t*>(std::malloc(count * 4)));
    if (!rgba)
        return rgba;
    uint8_t* out = rgba.get();
    for (size_t i = 0; i < count; ++i) {
        out[i * 4 + 0] = greyAlpha[i * 2];
        out[i * 4 + 1] = greyAlpha[i * 2];
        out[i * 4 + 2] = greyAlpha[i * 2];
        out[i * 4 + 3] = greyAlpha[i * 2 + 1];
    }
    return rgba;
}

// The kind stb_image's channels become (grey with alpha is widened); false
// for a count it never gives.
bool KindOfChannels(int channels, PixelKind& kind, uint16_t& layout) noexcept
{
    switch (channels) {
    case 1:
        kind = PixelKind::Grey;
        layout = gfl::kLayoutGrey;
        return true;
    case 3:
        kind = PixelKind::Rgb;
        layout = gfl::kLayoutRgb;
        return true;
    case 2:
    case 4:
        kind = PixelKind::Rgba;
        layout = gfl::kLayoutRgba;
        return true;
    default:
        return false;
    }
}

gfl::Error StbFailure(ImageFormat format) noexcept
{
    return format == ImageFormat::Tga ? gfl::kErrorUnknownFormat : gfl::kErrorFileCorrupted;
}

}  // namespace

gfl::Error DecodeWithStb(const uint8_t* bytes, size_t size, ImageFormat format, DecodedImage& out) noexcept
{
    if (size > static_cast<size_t>(INT_MAX))
        return gfl::kErrorFileCorrupted;
    int width = 0;
    int height = 0;
    int channels = 0;
    PixelBuffer decoded(stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height, &channels, 0));
    if (!decoded)
        return StbFailure(format);

    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    out.width = width;
    out.height = height;
    out.transparentIndex = -1;
    out.hasPixels = true;
    if (!KindOfChannels(channels, out.kind, out.layout))
        return gfl::kErrorFileCorrupted;
    if (channels == 2) {
        decoded = WidenGreyAlpha(decoded.get(), count);
        if (!decoded)
            return gfl::kErrorNoMemory;
    }
    if (format == ImageFormat::Gif && channels == 4 && AllOpaque(decoded.get(), count)) {
        DropAlpha(decoded.get(), count);
        out.kind = PixelKind::Rgb;
        out.layout = gfl::kLayoutRgb;
    }
    out.pixels = std::move(decoded);
    out.pixelBytes = count * BytesPerPixel(out.kind);
    return gfl::kNoError;
}

gfl::Error ReadStbHeader(const uint8_t* bytes, size_t size, ImageFormat format, ImageHeader& out) noexcept
{
    if (size > static_cast<size_t>(INT_MAX))
        return gfl::kErrorFileCorrupted;
    int channels = 0;
    if (!StbHeaderInfo(bytes, static_cast<int>(size), &out.width, &out.height, &channels))
        return StbFailure(format);
    PixelKind kind = PixelKind::Rgb;
    uint16_t layout = 0;
    if (!KindOfChannels(channels, kind, layout))
        return gfl::kErrorFileCorrupted;
    out.componentsPerPixel = BytesPerPixel(kind);
    return gfl::kNoError;
}

}  // namespace testbed
