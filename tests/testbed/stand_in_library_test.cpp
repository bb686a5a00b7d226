// The stand-in image library, driven through its exported entry points as
// the plug-in binds them (the plug-in's own view of the records): the sample
// images decode to known pixels, callback sources are read as the plug-in's
// adapter requires, TBIM files round-trip, and cancelling gives up cleanly.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imagelib/gfl_records.h"
#include "testbed/imagelib/library_control.h"
#include "testbed/imagelib/tbim_image.h"
#include "tests/support/memory_source.h"
#include "tests/support/stand_in_library.h"
#include "tests/support/test_files.h"
#include "win32/bind_export.h"

namespace {

// The entry points as the plug-in binds them, and the steering functions.
struct StandIn : LibraryControl {
    HMODULE module = nullptr;
    GflGetFileInformationWFn GetFileInformationW = nullptr;
    GflGetFileInformationFromHandleFn GetFileInformationFromHandle = nullptr;
    GflLoadBitmapWFn LoadBitmapW = nullptr;
    GflLoadBitmapFromHandleFn LoadBitmapFromHandle = nullptr;
    GflGetDefaultLoadParamsFn GetDefaultLoadParams = nullptr;
    GflFreeBitmapFn FreeBitmap = nullptr;
    GflFreeFileInformationFn FreeFileInformation = nullptr;
    GflChangeColorDepthFn ChangeColorDepth = nullptr;
};

class StandInLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib.module = LoadLibraryW(StandInLibraryPath().c_str());
        ASSERT_NE(lib.module, nullptr);
        Bind(lib.GetFileInformationW, "gflGetFileInformationW");
        Bind(lib.GetFileInformationFromHandle, "gflGetFileInformationFromHandle");
        Bind(lib.LoadBitmapW, "gflLoadBitmapW");
        Bind(lib.LoadBitmapFromHandle, "gflLoadBitmapFromHandle");
        Bind(lib.GetDefaultLoadParams, "gflGetDefaultLoadParams");
        Bind(lib.FreeBitmap, "gflFreeBitmap");
        Bind(lib.FreeFileInformation, "gflFreeFileInformation");
        Bind(lib.ChangeColorDepth, "gflChangeColorDepth");
        static_cast<LibraryControl&>(lib) = LibraryControl::Bind(lib.module);
        ASSERT_TRUE(lib.complete());
        lib.Reset();
    }
    void TearDown() override
    {
        if (lib.module)
            FreeLibrary(lib.module);
    }

    template <typename Fn>
    void Bind(Fn& slot, const char* name)
    {
        slot = BindExport<Fn>(lib.module, name);
        ASSERT_NE(slot, nullptr) << name;
    }

    GflLoadParams Defaults() const
    {
        GflLoadParams params{};
        lib.GetDefaultLoadParams(&params);
        return params;
    }

    StandIn lib;
};

// The sample picture: 4 x 4 cells, red (x/4)*17, green (y/4)*23, blue the
// mean of the two; the alpha variant ramps (x*255)/63 across.
struct Rgba {
    int red, green, blue, alpha;
};

enum class Alpha { Opaque, Ramp, TopLeftCellClear };
enum class Colour { Picture, GreyOfRed };

Rgba Expected(int x, int y, Colour colour, Alpha alpha)
{
    const int red = (x / 4) * 17;
    const int green = (y / 4) * 23;
    Rgba pixel = {red, green, (red + green) / 2, 255};
    if (colour == Colour::GreyOfRed)
        pixel = {red, red, red, 255};
    if (alpha == Alpha::Ramp)
        pixel.alpha = x * 255 / 63;
    if (alpha == Alpha::TopLeftCellClear && x < 4 && y < 4)
        pixel.alpha = 0;
    return pixel;
}

struct SampleCase {
    const wchar_t* file;
    uint16_t layout;
    Colour colour;
    Alpha alpha;
    int tolerance;   // JPEG is lossy
};

const SampleCase kSamples[] = {
    {L"gradient.png", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 0},
    {L"gradient_alpha.png", kTestbedLayoutRgba, Colour::Picture, Alpha::Ramp, 0},
    {L"gradient_grey.png", kTestbedLayoutGrey, Colour::GreyOfRed, Alpha::Opaque, 0},
    {L"gradient.jpg", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 6},
    {L"gradient.bmp", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 0},
    {L"gradient.gif", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 0},
    {L"gradient_transparent.gif", kTestbedLayoutRgba, Colour::Picture, Alpha::TopLeftCellClear, 0},
    {L"gradient.tga", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 0},
    {L"gradient.ppm", kTestbedLayoutRgb, Colour::Picture, Alpha::Opaque, 0},
    {L"gradient_grey.pgm", kTestbedLayoutGrey, Colour::GreyOfRed, Alpha::Opaque, 0},
};

void ExpectPicture(const GflBitmap* bitmap, const SampleCase& sample)
{
    ASSERT_EQ(bitmap->width, 64);
    ASSERT_EQ(bitmap->height, 48);
    const int points[][2] = {{0, 0}, {3, 3}, {4, 1}, {38, 15}, {17, 30}, {63, 0}, {0, 47}, {63, 47}};
    for (const auto& point : points) {
        const int x = point[0];
        const int y = point[1];
        const uint8_t* bgra = bitmap->data + (static_cast<size_t>(y) * 64 + x) * 4;
        const Rgba want = Expected(x, y, sample.colour, sample.alpha);
        SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
        EXPECT_NEAR(bgra[2], want.red, sample.tolerance);
        EXPECT_NEAR(bgra[1], want.green, sample.tolerance);
        EXPECT_NEAR(bgra[0], want.blue, sample.tolerance);
        EXPECT_EQ(bgra[3], want.alpha);
    }
}

// The bytes written to path; the path.
std::wstring Written(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
}

std::vector<uint8_t> Tbim(int32_t width, int32_t height, uint16_t layout, int16_t transparentIndex, bool bgra,
                          const std::vector<uint8_t>& colorMap, const std::vector<uint8_t>& pixels)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.layout = layout;
    image.transparentIndex = transparentIndex;
    image.bgra = bgra;
    image.hasColorMap = colorMap.size() == sizeof(image.colorMap);
    if (image.hasColorMap)
        std::memcpy(image.colorMap, colorMap.data(), sizeof(image.colorMap));
    image.pixels = pixels;
    return image.Bytes();
}

GflBool CountingCancel(void* userValue)
{
    auto* answers = static_cast<std::vector<GflBool>*>(userValue);
    if (answers->empty())
        return 0;
    const GflBool answer = answers->front();
    answers->erase(answers->begin());
    return answer;
}

TEST_F(StandInLibrary, DecodesEverySampleToTheKnownBgraPixels)
{
    for (const auto& sample : kSamples) {
        SCOPED_TRACE(testing::Message() << "file " << std::string(sample.file, sample.file + wcslen(sample.file)));
        GflLoadParams params = Defaults();
        GflBitmap* bitmap = nullptr;
        ASSERT_EQ(lib.LoadBitmapW(TestDataFile(sample.file).c_str(), &bitmap, &params, nullptr), kGflNoError);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->layout, sample.layout);
        EXPECT_EQ(bitmap->transparentIndex, -1);
        ASSERT_EQ(lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0), kGflNoError);
        EXPECT_EQ(bitmap->layout, kTestbedLayoutBgra);
        ExpectPicture(bitmap, sample);
        lib.FreeBitmap(bitmap);
    }
    EXPECT_EQ(lib.Counters().outstandingBitmaps, 0);
}

TEST_F(StandInLibrary, ReadsCallbackSourceFromWhereItStandsInExactChunks)
{
    MemorySource source;
    source.bytes.assign(37, 0xEE);   // bytes before the image are not part of it
    const auto png = ReadFileBytes(TestDataFile(L"gradient_alpha.png"));
    source.bytes.insert(source.bytes.end(), png.begin(), png.end());
    source.position = 37;

    GflLoadParams params = Defaults();
    MemorySource::Install(params.callbacks);
    GflFileInformation info{};
    ASSERT_EQ(lib.GetFileInformationFromHandle(&source, -1, &params.callbacks, &info), kGflNoError);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_STREQ(info.description, "Portable Network Graphics");
    EXPECT_EQ(info.componentsPerPixel, 4);
    EXPECT_EQ(info.bitsPerComponent, 8);
    EXPECT_EQ(info.xResolution, 72);
    EXPECT_EQ(lib.Counters().outstandingFileInfos, 1);
    lib.FreeFileInformation(&info);
    EXPECT_EQ(lib.Counters().outstandingFileInfos, 0);

    source.position = 37;
    GflBitmap* bitmap = nullptr;
    ASSERT_EQ(lib.LoadBitmapFromHandle(&source, &bitmap, &params, nullptr), kGflNoError);
    EXPECT_EQ(lib.Counters().lastLoadUsedCallbacks, 1);
    ASSERT_EQ(lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0), kGflNoError);
    ExpectPicture(bitmap, kSamples[1]);
    lib.FreeBitmap(bitmap);
}

TEST_F(StandInLibrary, FailsWithoutBitmapWhenACallbackFails)
{
    MemorySource source;
    source.bytes = ReadFileBytes(TestDataFile(L"gradient.bmp"));
    source.failReadsFrom = source.bytes.size() / 2;
    GflLoadParams params = Defaults();
    MemorySource::Install(params.callbacks);
    GflBitmap* bitmap = nullptr;
    EXPECT_NE(lib.LoadBitmapFromHandle(&source, &bitmap, &params, nullptr), kGflNoError);
    EXPECT_EQ(bitmap, nullptr);

    // A block that did not come from gflGetDefaultLoadParams lacks the
    // library's own slots and is refused.
    source.failReadsFrom = SIZE_MAX;
    source.position = 0;
    GflLoadParams bare{};
    MemorySource::Install(bare.callbacks);
    EXPECT_NE(lib.LoadBitmapFromHandle(&source, &bitmap, &bare, nullptr), kGflNoError);
    EXPECT_EQ(lib.Counters().outstandingBitmaps, 0);
}

TEST_F(StandInLibrary, RoundTripsIndexedTbimThroughItsColourMap)
{
    std::vector<uint8_t> colorMap(768, 0);
    for (int i = 0; i < 256; ++i) {
        colorMap[i] = static_cast<uint8_t>(i);                 // red
        colorMap[256 + i] = static_cast<uint8_t>(255 - i);     // green
        colorMap[512 + i] = static_cast<uint8_t>(i / 2);       // blue
    }
    const std::vector<uint8_t> indices = {5, 0, 255, 5, 128, 1};
    const auto path = Written(FreshTempFolder() + L"\\indexed.tbim", Tbim(3, 2, 0x0004, 5, false, colorMap, indices));

    GflLoadParams params = Defaults();
    GflBitmap* bitmap = nullptr;
    ASSERT_EQ(lib.LoadBitmapW(path.c_str(), &bitmap, &params, nullptr), kGflNoError);
    EXPECT_EQ(bitmap->layout, 0x0004);
    EXPECT_EQ(bitmap->transparentIndex, 5);
    ASSERT_NE(bitmap->colorMap, nullptr);
    EXPECT_EQ(bitmap->colorMap[5], 5);
    EXPECT_EQ(bitmap->colorMap[256 + 5], 250);
    EXPECT_EQ(bitmap->colorMap[512 + 5], 2);
    EXPECT_EQ(std::vector<uint8_t>(bitmap->data, bitmap->data + 6), indices);

    ASSERT_EQ(lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0), kGflNoError);
    EXPECT_EQ(bitmap->transparentIndex, 5);
    for (size_t i = 0; i < indices.size(); ++i) {
        const int v = indices[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(bitmap->data[i * 4 + 0], v / 2);
        EXPECT_EQ(bitmap->data[i * 4 + 1], 255 - v);
        EXPECT_EQ(bitmap->data[i * 4 + 2], v);
        EXPECT_EQ(bitmap->data[i * 4 + 3], 255);
    }
    lib.FreeBitmap(bitmap);
}

TEST_F(StandInLibrary, ConvertsMaplessIndicesAndKeepsBgraAndPixelLessImages)
{
    const auto folder = FreshTempFolder();
    struct Case {
        const wchar_t* name;
        std::vector<uint8_t> file;
        int32_t width;
        std::vector<uint8_t> bgra;   // expected after conversion; empty: pixel-less
    } cases[] = {
        {L"mapless.tbim", Tbim(4, 1, 0x0004, 0, false, {}, {0, 1, 7, 200}), 4,
         {0, 0, 0, 255, 255, 255, 255, 255, 7, 7, 7, 255, 200, 200, 200, 255}},
        {L"bgra.tbim", Tbim(2, 1, 0x0020, -1, true, {}, {1, 2, 3, 4, 5, 6, 7, 8}), 2, {1, 2, 3, 4, 5, 6, 7, 8}},
        {L"empty.tbim", Tbim(0, 5, 0x0010, -1, true, {}, {}), 0, {}},
        {L"negative.tbim", Tbim(-3, -4, 0x0010, -1, false, {}, {}), -3, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        const auto path = Written(folder + L"\\" + c.name, c.file);
        GflLoadParams params = Defaults();
        GflBitmap* bitmap = nullptr;
        ASSERT_EQ(lib.LoadBitmapW(path.c_str(), &bitmap, &params, nullptr), kGflNoError);
        EXPECT_EQ(bitmap->width, c.width);
        ASSERT_NE(bitmap->data, nullptr);
        ASSERT_EQ(lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0), kGflNoError);
        if (!c.bgra.empty()) {
            EXPECT_EQ(std::vector<uint8_t>(bitmap->data, bitmap->data + c.bgra.size()), c.bgra);
        }
        lib.FreeBitmap(bitmap);
    }
    EXPECT_EQ(lib.Counters().outstandingBitmaps, 0);
}

TEST_F(StandInLibrary, PollsCancelPerImageAndGivesUpOnlyOnExactlyOne)
{
    lib.SetCancelPolls(3);
    GflLoadParams params = Defaults();
    std::vector<GflBool> answers = {2, 0, 255};   // none is exactly 1
    params.cancelCallback = &CountingCancel;
    params.cancelUserValue = &answers;
    GflBitmap* bitmap = nullptr;
    ASSERT_EQ(lib.LoadBitmapW(TestDataFile(L"gradient.png").c_str(), &bitmap, &params, nullptr), kGflNoError);
    lib.FreeBitmap(bitmap);
    EXPECT_EQ(lib.Counters().cancelPolls, 3);
    EXPECT_EQ(lib.Counters().lastLoadHadCancel, 1);

    answers = {0, 1, 0};
    bitmap = nullptr;
    EXPECT_NE(lib.LoadBitmapW(TestDataFile(L"gradient.png").c_str(), &bitmap, &params, nullptr), kGflNoError);
    EXPECT_EQ(bitmap, nullptr);
    const TestbedCounters counters = lib.Counters();
    EXPECT_EQ(counters.cancelPolls, 5);
    EXPECT_EQ(counters.outstandingBitmaps, 0);
}

TEST_F(StandInLibrary, LoadsUnicodePathsAndRecordsTheFlagsItWasGiven)
{
    const auto path = FreshTempFolder() + L"\\Bild-\u00e4\u00f6-\u4e2d.png";
    Written(path, ReadFileBytes(TestDataFile(L"gradient.png")));
    GflLoadParams params = Defaults();
    params.flags |= kGflLoadOption;
    GflBitmap* bitmap = nullptr;
    ASSERT_EQ(lib.LoadBitmapW(path.c_str(), &bitmap, &params, nullptr), kGflNoError);
    const TestbedCounters counters = lib.Counters();
    EXPECT_EQ(counters.lastLoadFlags, kTestbedDefaultLoadFlags | kGflLoadOption);
    EXPECT_EQ(counters.lastLoadHadCancel, 0);
    EXPECT_EQ(counters.lastLoadUsedCallbacks, 0);

    // Only in-place mode 23 converts, and an injected fault fails it.
    GflBitmap* destination = nullptr;
    EXPECT_NE(lib.ChangeColorDepth(bitmap, &destination, kGflModeToBgra, 0), kGflNoError);
    EXPECT_NE(lib.ChangeColorDepth(bitmap, nullptr, 22, 0), kGflNoError);
    lib.SetFaults(kTestbedFailConversion);
    EXPECT_NE(lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0), kGflNoError);
    EXPECT_EQ(bitmap->layout, kTestbedLayoutRgb);
    lib.FreeBitmap(bitmap);
}

TEST_F(StandInLibrary, DecodesFromSeveralThreadsAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kLoadsEach = 10;
    const std::wstring path = TestDataFile(L"gradient_alpha.png");
    int failures[kThreads] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kLoadsEach; ++i) {
                GflLoadParams params = Defaults();
                GflBitmap* bitmap = nullptr;
                if (lib.LoadBitmapW(path.c_str(), &bitmap, &params, nullptr) != kGflNoError) {
                    ++failures[t];
                    continue;
                }
                if (lib.ChangeColorDepth(bitmap, nullptr, kGflModeToBgra, 0) != kGflNoError) {
                    ++failures[t];
                } else {
                    // Pixel (38, 15): red 153, green 69, blue 111, alpha 153.
                    const uint8_t* pixel = bitmap->data + (15 * 64 + 38) * 4;
                    if (pixel[0] != 111 || pixel[1] != 69 || pixel[2] != 153 || pixel[3] != 153)
                        ++failures[t];
                }
                lib.FreeBitmap(bitmap);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    const TestbedCounters counters = lib.Counters();
    EXPECT_EQ(counters.calls[kTbLoadBitmapW], kThreads * kLoadsEach);
    EXPECT_EQ(counters.calls[kTbFreeBitmap], kThreads * kLoadsEach);
    EXPECT_EQ(counters.outstandingBitmaps, 0);
}

}  // namespace
