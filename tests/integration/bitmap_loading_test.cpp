// Decoding through the real DLL: the DIB handed to the host, its pixels,
// the transparency rules, cancellation, failures, and the stream variant.
#include <cstring>

#include "tests/support/plugin_session.h"

namespace {

struct Dib {
    int width = 0, height = 0, bits = 0;
    std::vector<uint32_t> pixels;  // as in memory, 0xAARRGGBB
};

Dib Inspect(HBITMAP bitmap)
{
    Dib dib;
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof(section), &section) != sizeof(section))
        return dib;
    dib.width = section.dsBmih.biWidth;
    dib.height = abs(section.dsBmih.biHeight);
    dib.bits = section.dsBmih.biBitCount;
    const auto* words = static_cast<const uint32_t*>(section.dsBm.bmBits);
    dib.pixels.assign(words, words + static_cast<size_t>(dib.width) * dib.height);
    return dib;
}

// A palette image: every pixel's index given, colour map as listed.
TbimImage PaletteImage(int32_t width, int32_t height, std::vector<uint8_t> indices, int16_t transparentIndex)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.transparentIndex = transparentIndex;
    image.pixels = std::move(indices);
    return image;
}

void SetColour(TbimImage& image, int index, uint8_t r, uint8_t g, uint8_t b)
{
    image.hasColorMap = true;
    image.colorMap[0][index] = r;
    image.colorMap[1][index] = g;
    image.colorMap[2][index] = b;
}

class BitmapLoading : public PluginSession {
protected:
    void SetUp() override
    {
        PluginSession::SetUp();
        Start();
    }

    HBITMAP Load(const std::wstring& path, dvp::FileInfoRecord* record, HANDLE abortEvent = nullptr)
    {
        return plugin.LoadBitmapW(nullptr, path.c_str(), record, nullptr, abortEvent);
    }
};

TEST_F(BitmapLoading, HandsOverATopDown32BitSectionWithTheImagesPixels)
{
    const TbimImage image = BgraImage(5, 3, [](int x, int y) { return 0x80000000u | (x * 40) << 16 | (y * 80) << 8 | 7; });
    dvp::FileInfoRecord record{};
    HBITMAP bitmap = Load(Write(image), &record);
    ASSERT_NE(bitmap, nullptr);
    const Dib dib = Inspect(bitmap);
    EXPECT_EQ(dib.width, 5);
    EXPECT_EQ(dib.height, 3);
    EXPECT_EQ(dib.bits, 32);
    ASSERT_EQ(dib.pixels.size(), 15u);
    EXPECT_EQ(memcmp(dib.pixels.data(), image.pixels.data(), 60), 0) << "top row first, blue-green-red-alpha";
    EXPECT_EQ(record.flags, 0u) << "an opaque layout without transparent index leaves the flags alone";
    DeleteObject(bitmap);
    ExpectLibraryObjectsFreed();

    const TestbedCounters counters = library.Counters();
    EXPECT_EQ(counters.lastLoadFlags & 0x100, 0x100u) << "load option 0x100";
    EXPECT_TRUE(counters.lastLoadHadCancel) << "file loads carry the abort callback";
}

TEST_F(BitmapLoading, TransparentPaletteIndexMakesItsColourAlphaZero)
{
    // Index 5 is (10, 20, 30); index 7 has the same colour and must also go.
    TbimImage image = PaletteImage(4, 1, {5, 7, 1, 5}, 5);
    SetColour(image, 5, 10, 20, 30);
    SetColour(image, 7, 10, 20, 30);
    SetColour(image, 1, 10, 20, 31);
    dvp::FileInfoRecord record{};
    record.flags = 0x4;
    HBITMAP bitmap = Load(Write(image), &record);
    ASSERT_NE(bitmap, nullptr);
    const Dib dib = Inspect(bitmap);
    ASSERT_EQ(dib.pixels.size(), 4u);
    EXPECT_EQ(dib.pixels[0], 0x000A141Eu);
    EXPECT_EQ(dib.pixels[1], 0x000A141Eu);
    EXPECT_EQ(dib.pixels[2], 0xFF0A141Fu);
    EXPECT_EQ(dib.pixels[3], 0x000A141Eu);
    EXPECT_EQ(record.flags, 0x104u);
    DeleteObject(bitmap);
}

TEST_F(BitmapLoading, WithoutColourMapIndexZeroMeansBlackAndAnyOtherWhite)
{
    struct Case {
        int16_t index;
        uint32_t transparent;  // the converted colour that loses its alpha
    };
    for (const Case c : {Case{0, 0x000000u}, Case{1, 0xFFFFFFu}, Case{9, 0xFFFFFFu}}) {
        const TbimImage image = PaletteImage(3, 1, {0, 1, 128}, c.index);
        dvp::FileInfoRecord record{};
        HBITMAP bitmap = Load(Write(image), &record);
        ASSERT_NE(bitmap, nullptr);
        for (uint32_t pixel : Inspect(bitmap).pixels) {
            const bool transparent = (pixel & 0xFFFFFF) == c.transparent;
            EXPECT_EQ(pixel >> 24, transparent ? 0u : 255u) << "index " << c.index << " pixel " << std::hex << pixel;
        }
        EXPECT_EQ(record.flags, 0x100u);
        DeleteObject(bitmap);
    }
}

TEST_F(BitmapLoading, AlphaLayoutsFlagTransparencyAndKeepTheirAlpha)
{
    for (uint16_t layout : {0x20, 0x80, 0x100, 0x200}) {
        TbimImage image = BgraImage(2, 1, [](int x, int) { return x == 0 ? 0x11223344u : 0xEE556677u; });
        image.layout = layout;
        dvp::FileInfoRecord record{};
        HBITMAP bitmap = Load(Write(image), &record);
        ASSERT_NE(bitmap, nullptr);
        const Dib dib = Inspect(bitmap);
        EXPECT_EQ(dib.pixels, (std::vector<uint32_t>{0x11223344u, 0xEE556677u})) << "layout " << layout;
        EXPECT_EQ(record.flags, 0x100u) << "layout " << layout;
        DeleteObject(bitmap);
    }
    // An opaque image keeps a flag the host already set.
    dvp::FileInfoRecord record{};
    record.flags = 0x100;
    HBITMAP bitmap = Load(Write(SolidImage(1, 1, 0xFF000000u)), &record);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(record.flags, 0x100u);
    DeleteObject(bitmap);
}

TEST_F(BitmapLoading, SignalledAbortEventCancelsAndANullEventNever)
{
    const std::wstring path = Write(SolidImage(8, 8, 0xFF102030u));
    HANDLE abortEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    dvp::FileInfoRecord record{};

    HBITMAP bitmap = Load(path, &record, abortEvent);
    EXPECT_NE(bitmap, nullptr) << "an unsignalled event does not cancel";
    DeleteObject(bitmap);
    EXPECT_GT(library.Counters().cancelPolls, 0) << "the library polled the callback";

    SetEvent(abortEvent);
    EXPECT_EQ(Load(path, &record, abortEvent), nullptr);
    ExpectLibraryObjectsFreed();
    CloseHandle(abortEvent);

    bitmap = Load(path, &record, nullptr);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
}

TEST_F(BitmapLoading, FailuresReturnNullAndReleaseTheLibrarysBitmap)
{
    TbimImage palette = PaletteImage(2, 1, {3, 4}, 3);
    const std::wstring path = Write(palette);

    library.SetFaults(kTestbedFailConversion);
    dvp::FileInfoRecord record{};
    EXPECT_EQ(Load(path, &record), nullptr);
    EXPECT_EQ(record.flags, 0x100u) << "the flag is set before the conversion";
    ExpectLibraryObjectsFreed();

    library.SetFaults(kTestbedFailDecode);
    dvp::FileInfoRecord untouched{};
    EXPECT_EQ(Load(path, &untouched), nullptr);
    EXPECT_EQ(untouched.flags, 0u);
    library.SetFaults(0);

    EXPECT_EQ(Load(files.file(L"missing.tbim"), &record), nullptr);
    EXPECT_EQ(plugin.LoadBitmapW(nullptr, nullptr, &record, nullptr, nullptr), nullptr);
    ExpectLibraryObjectsFreed();
}

TEST_F(BitmapLoading, RefusesDimensionsADibCannotHold)
{
    for (const auto& [width, height] : std::vector<std::pair<int32_t, int32_t>>{
             {0, 4}, {4, 0}, {-3, 4}, {4, -3}, {100000, 100000}, {INT32_MAX, 2}}) {
        TbimImage image;
        image.width = width;
        image.height = height;
        image.bgra = true;
        dvp::FileInfoRecord record{};
        EXPECT_EQ(Load(Write(image), &record), nullptr) << width << " x " << height;
        ExpectLibraryObjectsFreed();
    }
}

// A file whose header, as the library describes it, shows a bitmap no DIB
// section can hold is refused before the library decodes it. A file the
// library cannot describe, and a stream, are decoded as before.
TEST_F(BitmapLoading, RefusesAFileTooLargeForADibBeforeDecodingIt)
{
    struct Case {
        const char* name;
        int32_t side;  // a square image
        bool described;
        bool stream;
        int decodes;
        bool bitmap;
    };
    const Case cases[] = {
        {"40000 square", 40000, true, false, 0, false},
        {"23171 square, just over a DIB's limit", 23171, true, false, 0, false},
        {"23170 square, within it", 23170, true, false, 1, false},  // too large for the stand-in
        {"40000 square, undescribed", 40000, false, false, 1, false},
        {"40000 square, stream", 40000, true, true, 1, false},
        {"4 square, undescribed", 4, false, false, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        library.Reset();
        if (!c.described)
            library.SetFaults(kTestbedFailInformation);
        TbimImage image = SolidImage(c.side <= 4 ? c.side : 0, c.side <= 4 ? c.side : 0, 0xFF102030u);
        image.width = image.height = c.side;  // no pixels carried beyond the stand-in's limit
        dvp::FileInfoRecord record{};
        HBITMAP bitmap = c.stream ? LoadStream(image.Bytes(), L"huge.tbim", &record) : Load(Write(image), &record);
        EXPECT_EQ(bitmap != nullptr, c.bitmap);
        DeleteObject(bitmap);
        const TestbedCounters counters = library.Counters();
        EXPECT_EQ(counters.calls[kTbLoadBitmapW] + counters.calls[kTbLoadBitmapFromHandle], c.decodes);
        EXPECT_EQ(record.flags, 0u);
        ExpectLibraryObjectsFreed();
    }
}

TEST_F(BitmapLoading, StreamVariantReadsThroughTheCallbacksAndCannotBeCancelled)
{
    const TbimImage image = BgraImage(3, 2, [](int x, int y) { return 0xFF000000u | (x + 3 * y) * 0x010203u; });
    dvp::FileInfoRecord record{};
    HBITMAP bitmap = LoadStream(image.Bytes(), L"ignored.png", &record);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(memcmp(Inspect(bitmap).pixels.data(), image.pixels.data(), image.pixels.size()), 0);
    DeleteObject(bitmap);
    const TestbedCounters counters = library.Counters();
    EXPECT_TRUE(counters.lastLoadUsedCallbacks);
    EXPECT_FALSE(counters.lastLoadHadCancel);
    EXPECT_EQ(counters.calls[kTbLoadBitmapFromHandle], 1);
}

TEST_F(BitmapLoading, StreamEndingEarlyAtAnyByteGivesNullAndLeaksNothing)
{
    const std::vector<uint8_t> bytes = BgraImage(4, 4, [](int x, int) { return 0xFF000000u | x; }).Bytes();
    for (size_t length = 0; length < bytes.size(); length += 7) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
        dvp::FileInfoRecord record{};
        EXPECT_EQ(LoadStream(cut, L"ignored.png", &record), nullptr) << "cut at " << length;
    }
    ExpectLibraryObjectsFreed();
}

TEST_F(BitmapLoading, StillDecodesAfterTheFinalUninitWhileIdentificationRefuses)
{
    const std::wstring path = Write(SolidImage(2, 2, 0xFF445566u));
    Stop();
    dvp::FileInfoRecord record{};
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr), FALSE);
    HBITMAP bitmap = Load(path, &record);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
}

}  // namespace
