// The DIB section handed to the host.
#include "viewer/dib_conversion.h"

#include <cstring>

#include "plugin/unique_handle.h"

namespace {

// A DIB's size fields are 32-bit and signed: keep every byte offset inside.
constexpr uint64_t kMaxDibBytes = 0x7FFFFFFFull;

void ApplyTransparentColor(uint8_t* pixels, uint64_t pixelCount, uint32_t color) noexcept
{
    const uint8_t red = static_cast<uint8_t>(color);
    const uint8_t green = static_cast<uint8_t>(color >> 8);
    const uint8_t blue = static_cast<uint8_t>(color >> 16);
    for (uint64_t i = 0; i < pixelCount; ++i, pixels += 4)
        pixels[3] = (pixels[2] == red && pixels[1] == green && pixels[0] == blue) ? 0 : 255;
}

}  // namespace

uint64_t DibByteCount(int32_t width, int32_t height) noexcept
{
    if (width <= 0 || height <= 0)
        return 0;
    const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
    return bytes <= kMaxDibBytes ? bytes : 0;
}

HBITMAP ConvertToDib(HWND window, const GflBitmap& bitmap, bool hasTransparentColor,
                     uint32_t transparentColor, HDC windowDc) noexcept
{
    UniqueMemoryDc memoryDc(CreateCompatibleDC(windowDc));
    ReleaseDC(window, windowDc);
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
    HBITMAP section = CreateDIBSection(memoryDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section)
            DeleteObject(section);
        return nullptr;
    }
    GdiFlush();
    // The converted rows lie width * 4 bytes apart, top row first: the
    // section's own layout, so one block copy suffices.
    memcpy(bits, bitmap.data, static_cast<size_t>(bytes));
    if (hasTransparentColor)
        ApplyTransparentColor(static_cast<uint8_t*>(bits), bytes / 4, transparentColor);
    return section;
}
