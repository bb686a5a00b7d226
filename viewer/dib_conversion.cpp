// The DIB section handed to the host.
#include "viewer/dib_conversion.h"

#include <cstring>
#include <utility>

namespace {

// A DIB's size fields are 32-bit and signed: keep every byte offset inside.
constexpr uint64_t kMaxDibBytes = 0x7FFFFFFFull;

// The pixels with a transparent colour, in one pass: each pixel is copied
// with alpha 0 when its colour is the transparent one and 255 otherwise.
// Pixels are read and written as little-endian 32-bit words (blue in the
// low byte), so the colour is compared with one masked word compare and the
// loop vectorises like the plain block copy it replaces.
void CopyWithTransparentColor(uint8_t* destination, const uint8_t* source, uint64_t pixelCount,
                              uint32_t color) noexcept
{
    const uint32_t key = (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
    for (uint64_t i = 0; i < pixelCount; ++i) {
        uint32_t pixel = 0;
        memcpy(&pixel, source + i * 4, sizeof(pixel));
        const uint32_t colour = pixel & 0x00FFFFFFu;
        const uint32_t result = colour | (colour == key ? 0u : 0xFF000000u);
        memcpy(destination + i * 4, &result, sizeof(result));
    }
}

}  // namespace

uint64_t DibByteCount(int32_t width, int32_t height) noexcept
{
    if (width <= 0 || height <= 0)
        return 0;
    const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    return bytes <= kMaxDibBytes ? bytes : 0;
}

HBITMAP ConvertToDib(UniqueWindowDc windowDc, const GflBitmap& bitmap, bool hasTransparentColor,
                     uint32_t transparentColor) noexcept
{
    const UniqueMemoryDc memoryDc(CreateCompatibleDC(windowDc.get()));
    windowDc.reset();
    if (!memoryDc)
        return nullptr;
    SetMapMode(memoryDc.get(), MM_TEXT);

    const uint64_t bytes = DibByteCount(bitmap.width, bitmap.height);
    if (bytes == 0 || !bitmap.data)
        return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bitmap.width;
    info.bmiHeader.biHeight = -bitmap.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    void* bits = nullptr;
    UniqueBitmap section(CreateDIBSection(memoryDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits)
        return nullptr;
    GdiFlush();
    // The converted rows lie width * 4 bytes apart, top row first: the
    // section's own layout, so the pixels go across in one pass.
    if (hasTransparentColor)
        CopyWithTransparentColor(static_cast<uint8_t*>(bits), bitmap.data, bytes / 4, transparentColor);
    else
        memcpy(bits, bitmap.data, static_cast<size_t>(bytes));
    return section.release();  // the host owns it from here on
}
