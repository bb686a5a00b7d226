// ConvertToDib: the DIB section handed to the host, its pixels, the alpha
// pass for a transparent colour, and refusal of dimensions it cannot hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "viewer/dib_conversion.h"

namespace {

struct Pixel {
    uint8_t b, g, r, a;
};

GflBitmap BitmapOver(std::vector<Pixel>& pixels, int32_t width, int32_t height)
{
    GflBitmap bitmap{};
    bitmap.width = width;
    bitmap.height = height;
    bitmap.transparentIndex = -1;
    bitmap.data = reinterpret_cast<uint8_t*>(pixels.data());
    return bitmap;
}

DIBSECTION SectionOf(HBITMAP section)
{
    DIBSECTION dib{};
    EXPECT_EQ(GetObjectW(section, sizeof(dib), &dib), static_cast<int>(sizeof(dib)));
    return dib;
}

// The section's pixels as GDI draws them, top row first: equal to its memory
// only when the section itself is top-down.
std::vector<uint32_t> RowsAsDrawnTopDown(HBITMAP section, int width, int height)
{
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = width;
    request.bmiHeader.biHeight = -height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, section, 0, height, rows.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows;
}

const Pixel* BitsOf(const DIBSECTION& dib) { return static_cast<const Pixel*>(dib.dsBm.bmBits); }

TEST(ConvertToDib, MakesATopDown32BitSectionWithTheLibrarysPixels)
{
    std::vector<Pixel> pixels;
    for (int i = 0; i < 3 * 2; ++i)
        pixels.push_back({uint8_t(i), uint8_t(10 + i), uint8_t(20 + i), uint8_t(100 + i)});
    GflBitmap bitmap = BitmapOver(pixels, 3, 2);

    HBITMAP section = ConvertToDib(UniqueWindowDc(nullptr), bitmap, false, 0);
    ASSERT_NE(section, nullptr);
    DIBSECTION dib = SectionOf(section);
    EXPECT_EQ(dib.dsBmih.biSize, 40u);
    EXPECT_EQ(dib.dsBmih.biWidth, 3);
    EXPECT_EQ(abs(dib.dsBmih.biHeight), 2);
    EXPECT_EQ(RowsAsDrawnTopDown(section, 3, 2), std::vector<uint32_t>(reinterpret_cast<uint32_t*>(pixels.data()),
                                                                   reinterpret_cast<uint32_t*>(pixels.data()) + 6))
        << "the first row in memory must be the image's top row";
    EXPECT_EQ(dib.dsBmih.biBitCount, 32);
    EXPECT_EQ(dib.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(memcmp(BitsOf(dib), pixels.data(), pixels.size() * 4), 0) << "alpha stays as converted";
    DeleteObject(section);
}

TEST(ConvertToDib, TransparentColourBecomesAlphaZeroAndEverythingElseOpaque)
{
    // Colour (red 10, green 20, blue 30): stored blue, green, red.
    std::vector<Pixel> pixels = {{30, 20, 10, 7}, {30, 20, 11, 7}, {31, 20, 10, 0}, {30, 20, 10, 255}};
    GflBitmap bitmap = BitmapOver(pixels, 2, 2);
    const uint32_t color = 10 | 20 << 8 | 30 << 16;

    HBITMAP section = ConvertToDib(UniqueWindowDc(nullptr), bitmap, true, color);
    ASSERT_NE(section, nullptr);
    const Pixel* bits = BitsOf(SectionOf(section));
    EXPECT_EQ(bits[0].a, 0);
    EXPECT_EQ(bits[1].a, 255);
    EXPECT_EQ(bits[2].a, 255);
    EXPECT_EQ(bits[3].a, 0);
    EXPECT_EQ(bits[1].r, 11) << "colour bytes are untouched by the alpha pass";
    DeleteObject(section);
}

TEST(ConvertToDib, RefusesDimensionsItCannotHoldWithoutCopying)
{
    std::vector<Pixel> pixels(4);
    const std::pair<int32_t, int32_t> bad[] = {
        {0, 2}, {2, 0}, {-1, 2}, {2, -5}, {INT32_MIN, 1},
        {65536, 65536},         // 16 GiB: over a DIB's 32-bit sizes
        {INT32_MAX, INT32_MAX}, // the byte count overflows 32 and nearly 64 bits
    };
    for (const auto& [width, height] : bad) {
        GflBitmap bitmap = BitmapOver(pixels, width, height);
        EXPECT_EQ(ConvertToDib(UniqueWindowDc(nullptr), bitmap, false, 0), nullptr) << width << " x " << height;
        EXPECT_EQ(DibByteCount(width, height), 0u);
    }
    GflBitmap noPixels = BitmapOver(pixels, 1, 1);
    noPixels.data = nullptr;
    EXPECT_EQ(ConvertToDib(UniqueWindowDc(nullptr), noPixels, false, 0), nullptr);
    EXPECT_EQ(DibByteCount(6000, 4000), 96000000u);
}

TEST(ConvertToDib, ReleasesTheWindowDcAndLeaksNoGdiObjects)
{
    std::vector<Pixel> pixels(16 * 16);
    GflBitmap bitmap = BitmapOver(pixels, 16, 16);
    GflBitmap refused = BitmapOver(pixels, 0, 16);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 200; ++i) {
        DeleteObject(ConvertToDib(UniqueWindowDc(nullptr), bitmap, i % 2 == 0, 0));
        EXPECT_EQ(ConvertToDib(UniqueWindowDc(nullptr), refused, false, 0), nullptr);
    }
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_LE(after, before + 2) << "GDI objects grew from " << before << " to " << after;
}

}  // namespace
