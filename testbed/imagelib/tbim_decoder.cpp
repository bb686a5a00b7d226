// The synthetic TBIM format (layout in gfl_testbed_control.h): tests write
// exact bitmaps, including the dimensions and layout bits no real file would
// carry.
#include <cstdlib>
#include <cstring>
#include <new>

#include "testbed/imagelib/format_decoders.h"

namespace testbed {
namespace {

constexpr uint64_t kMaxTbimPixelBytes = uint64_t{128} << 20;  // a 24-megapixel BGRA image fits
constexpr uint64_t kMaxConvertibleBytes = 0x7FFFFFFF;
constexpr uint8_t kTbimIndexed = 0;
constexpr uint8_t kTbimBgra = 1;

gfl::Error ParseHeader(const uint8_t* bytes, size_t size, TestbedImageHeader& header) noexcept
{
    if (size < sizeof header)
        return gfl::kErrorFileCorrupted;
    std::memcpy(&header, bytes, sizeof header);
    if (header.pixelKind != kTbimIndexed && header.pixelKind != kTbimBgra)
        return gfl::kErrorFileCorrupted;
    if (header.hasColorMap > 1)
        return gfl::kErrorFileCorrupted;
    return gfl::kNoError;
}

PixelKind KindOf(const TestbedImageHeader& header) noexcept
{
    return header.pixelKind == kTbimIndexed ? PixelKind::Indexed : PixelKind::Bgra;
}

}  // namespace

gfl::Error ReadTbimHeader(const uint8_t* bytes, size_t size, ImageHeader& out) noexcept
{
    TestbedImageHeader header{};
    const gfl::Error parsed = ParseHeader(bytes, size, header);
    if (parsed != gfl::kNoError)
        return parsed;
    out.width = header.width;
    out.height = header.height;
    out.componentsPerPixel = BytesPerPixel(KindOf(header));
    out.hasColorMap = header.hasColorMap != 0;
    return gfl::kNoError;
}

gfl::Error DecodeTbim(const uint8_t* bytes, size_t size, DecodedImage& out) noexcept
{
    TestbedImageHeader header{};
    const gfl::Error parsed = ParseHeader(bytes, size, header);
    if (parsed != gfl::kNoError)
        return parsed;

    size_t offset = sizeof header;
    if (header.hasColorMap) {
        if (size - offset < sizeof(gfl::ColorMap))
            return gfl::kErrorFileCorrupted;
        out.colorMap.reset(new (std::nothrow) gfl::ColorMap);
        if (!out.colorMap)
            return gfl::kErrorNoMemory;
        std::memcpy(out.colorMap.get(), bytes + offset, sizeof(gfl::ColorMap));
        offset += sizeof(gfl::ColorMap);
    }

    out.width = header.width;
    out.height = header.height;
    out.layout = header.layout;
    out.transparentIndex = header.transparentIndex;
    out.kind = KindOf(header);

    const bool positive = header.width > 0 && header.height > 0;
    const uint64_t pixelBytes = positive ? static_cast<uint64_t>(header.width) *
                                               static_cast<uint64_t>(header.height) * BytesPerPixel(out.kind)
                                         : 0;
    // Pixel-less images stand for dimensions no 32-bit consumer can hold
    // (non-positive, or more than INT32_MAX bytes once converted to BGRA),
    // so a consumer that checks them never reads the 16-byte placeholder.
    // Anything in between is too large for the stand-in to carry, and a
    // record promising pixels it lacks would be read past its end: such an
    // image fails as out of memory, as a real library's would.
    const uint64_t convertedBytes = positive ? static_cast<uint64_t>(header.width) *
                                                   static_cast<uint64_t>(header.height) * 4
                                             : 0;
    if (positive && pixelBytes > kMaxTbimPixelBytes && convertedBytes <= kMaxConvertibleBytes)
        return gfl::kErrorNoMemory;
    out.hasPixels = positive && pixelBytes <= kMaxTbimPixelBytes;
    out.pixelBytes = out.hasPixels ? static_cast<size_t>(pixelBytes) : kPlaceholderBytes;
    out.pixels.reset(static_cast<uint8_t*>(std::calloc(out.pixelBytes, 1)));
    if (!out.pixels)
        return gfl::kErrorNoMemory;
    if (!out.hasPixels)
        return gfl::kNoError;
    if (size - offset < out.pixelBytes)
        return gfl::kErrorFileCorrupted;
    std::memcpy(out.pixels.get(), bytes + offset, out.pixelBytes);
    return gfl::kNoError;
}

}  // namespace testbed
