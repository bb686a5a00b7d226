// Library records with values no sound image carries, in-process through the
// plug-in's real start-up, identification and loading over the stand-in
// library: extreme dimensions in file information and decoded bitmaps,
// transparent indices outside any colour map, descriptions that are not
// text, and format tables with extreme counts. Each must give a well-formed
// answer or a refusal, never a read outside the library's records.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"

namespace {

using HostileLibraryRecords = PluginSession;

TbimImage PixelLess(int32_t width, int32_t height)
{
    TbimImage image;
    image.width = width;
    image.height = height;
    image.bgra = true;
    return image;
}

struct Dimensions {
    const char* name;
    int32_t width;
    int32_t height;
    const wchar_t* numbers;  // how the description begins
};

void PrintTo(const Dimensions& row, std::ostream* out) { *out << row.name; }

class HostileDimensions : public HostileLibraryRecords, public testing::WithParamInterface<Dimensions> {};

// The record carries the library's numbers verbatim, the description prints
// them as signed 32-bit values, and no DIB is made of them.
TEST_P(HostileDimensions, IdentifyVerbatimAndDecodeToNothing)
{
    ASSERT_TRUE(Start());
    char description[64] = "HOSTILE";
    library.SetDescription(description);
    const std::wstring path = Write(PixelLess(GetParam().width, GetParam().height));

    wchar_t text[300];
    wmemset(text, L'#', 300);
    dvp::FileInfoRecord record{};
    record.description = text;
    record.descriptionCapacity = 300;
    ASSERT_EQ(plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr), TRUE);
    EXPECT_EQ(record.width, GetParam().width);
    EXPECT_EQ(record.height, GetParam().height);
    EXPECT_EQ(record.bitsPerPixel, 32);
    EXPECT_EQ(std::wstring(text), std::wstring(GetParam().numbers) + L" x 32 HOSTILE");

    dvp::FileInfoRecord loadRecord{};
    EXPECT_EQ(plugin.LoadBitmapW(nullptr, path.c_str(), &loadRecord, nullptr, nullptr), nullptr);
    ExpectLibraryObjectsFreed();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileDimensions,
    testing::Values(Dimensions{"Zero", 0, 0, L"0 x 0"},
                    Dimensions{"ZeroWidth", 0, 7, L"0 x 7"},
                    Dimensions{"MinusOne", -1, -1, L"-1 x -1"},
                    Dimensions{"MostNegativeWidth", INT32_MIN, 1, L"-2147483648 x 1"},
                    Dimensions{"MostNegativeHeight", 1, INT32_MIN, L"1 x -2147483648"},
                    Dimensions{"NegativeTimesNegative", -65536, -65536, L"-65536 x -65536"},
                    Dimensions{"Largest", INT32_MAX, INT32_MAX, L"2147483647 x 2147483647"},
                    // The first size whose 32-bit pixels a DIB's signed
                    // 32-bit size cannot hold.
                    Dimensions{"JustBeyondTheLargestDib", 23170, 23171, L"23170 x 23171"},
                    Dimensions{"ProductWrapsTo32Bits", 65536, 65536, L"65536 x 65536"}),
    RowName{});

// Indices the 256-entry colour map cannot hold: the image still declares
// transparency, and no colour is read from beyond the map.
TEST_F(HostileLibraryRecords, TransparentIndexOutsideTheColourMapFlagsButReadsNoColour)
{
    ASSERT_TRUE(Start());
    for (int16_t index : {int16_t{-2}, int16_t{256}, int16_t{300}, int16_t{INT16_MAX}, int16_t{INT16_MIN}}) {
        TbimImage image;
        image.width = 3;
        image.height = 1;
        image.transparentIndex = index;
        image.hasColorMap = true;
        image.pixels = {0, 1, 2};  // all three map to black
        const std::wstring path = Write(image);
        dvp::FileInfoRecord record{};
        HBITMAP bitmap = plugin.LoadBitmapW(nullptr, path.c_str(), &record, nullptr, nullptr);
        ASSERT_NE(bitmap, nullptr) << "index " << index;
        EXPECT_EQ(record.flags, 0x100u) << "index " << index;
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
        const auto* pixels = static_cast<const uint32_t*>(section.dsBm.bmBits);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(pixels[i], 0xFF000000u) << "index " << index << " pixel " << i << ": alpha as decoded";
        DeleteObject(bitmap);
    }
    ExpectLibraryObjectsFreed();
}

// Without a colour map any index but 0 names white, negative ones included.
TEST_F(HostileLibraryRecords, NegativeIndexWithoutColourMapNamesWhite)
{
    ASSERT_TRUE(Start());
    TbimImage image;
    image.width = 2;
    image.height = 1;
    image.transparentIndex = INT16_MIN;
    image.pixels = {0, 1};  // black, white
    dvp::FileInfoRecord record{};
    HBITMAP bitmap = plugin.LoadBitmapW(nullptr, Write(image).c_str(), &record, nullptr, nullptr);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    const auto* pixels = static_cast<const uint32_t*>(section.dsBm.bmBits);
    EXPECT_EQ(pixels[0], 0xFF000000u);
    EXPECT_EQ(pixels[1], 0x00FFFFFFu);
    DeleteObject(bitmap);
}

struct HostileDescription {
    const char* name;
    std::vector<uint8_t> bytes;  // exactly 64
};

void PrintTo(const HostileDescription& row, std::ostream* out) { *out << row.name; }

std::vector<uint8_t> Filled(uint8_t first, uint8_t step)
{
    std::vector<uint8_t> bytes(64);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(first + i * step);
    return bytes;
}

class HostileDescriptions : public HostileLibraryRecords, public testing::WithParamInterface<HostileDescription> {};

// Bytes that are not text in any code page, or end early, still give a
// terminated description inside the host's buffer and the numbers first.
TEST_P(HostileDescriptions, GiveATerminatedDescriptionInsideTheHostsBuffer)
{
    ASSERT_TRUE(Start());
    library.SetDescription(reinterpret_cast<const char*>(GetParam().bytes.data()));
    const std::wstring path = Write(SolidImage(5, 4, 0xFF000000u));
    for (uint32_t capacity : {300u, 200u, 40u, 1u}) {
        std::vector<wchar_t> text(capacity + 8, L'#');
        dvp::FileInfoRecord record{};
        record.description = text.data();
        record.descriptionCapacity = capacity;
        ASSERT_EQ(plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr), TRUE) << capacity;
        const size_t length = wcsnlen(text.data(), capacity);
        ASSERT_LT(length, capacity) << "no terminator within capacity " << capacity;
        EXPECT_LE(length, 199u);
        for (size_t i = capacity; i < text.size(); ++i)
            EXPECT_EQ(text[i], L'#') << "written beyond capacity " << capacity;
        const std::wstring numbers = L"5 x 4 x 32 ";
        const size_t shown = std::min(length, numbers.size());
        EXPECT_EQ(std::wstring(text.data(), shown), numbers.substr(0, shown)) << capacity;
        EXPECT_GE(length, std::min<size_t>(capacity - 1, numbers.size())) << "the numbers are cut only by capacity";
        EXPECT_LE(length, numbers.size() + 64) << "at most one character per description byte";
    }
    ExpectLibraryObjectsFreed();
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileDescriptions,
                         testing::Values(HostileDescription{"EmptyText", std::vector<uint8_t>(64, 0)},
                                         HostileDescription{"HighBytesWithoutTerminator", Filled(0x80, 1)},
                                         HostileDescription{"AllFFWithoutTerminator", std::vector<uint8_t>(64, 0xFF)},
                                         HostileDescription{"ControlBytes", Filled(1, 1)},
                                         HostileDescription{"PercentSigns", std::vector<uint8_t>(64, '%')}),
                         RowName{});

// Format tables no real library reports: start-up still succeeds with a
// well-formed handled-extensions string.
struct FormatTable {
    const char* name;
    std::vector<TestbedFormat> rows;
    int32_t reportedCount;
    const wchar_t* expected;
};

void PrintTo(const FormatTable& row, std::ostream* out) { *out << row.name; }

TestbedFormat Format(const char* extension, int32_t extensionCount)
{
    TestbedFormat format{};
    strcpy(format.name, "format");
    // A slot holds up to 8 bytes; an 8-letter text fills it without terminator.
    for (auto& slot : format.extensions)
        memcpy(slot, extension, std::min<size_t>(strlen(extension), sizeof(slot)));
    format.extensionCount = extensionCount;
    format.readable = 1;
    return format;
}

class HostileFormatTables : public HostileLibraryRecords, public testing::WithParamInterface<FormatTable> {};

TEST_P(HostileFormatTables, StillStartWithAWellFormedExtensionString)
{
    library.SetFormats(GetParam().rows.data(), GetParam().reportedCount);
    ASSERT_TRUE(Start());
    const wchar_t* handled = HandledExtensions();
    ASSERT_NE(handled, nullptr);
    EXPECT_STREQ(handled, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileFormatTables,
    testing::Values(FormatTable{"MostNegativeFormatCount", {Format("aaa", 1)}, INT32_MIN, L""},
                    FormatTable{"MostNegativeExtensionCount", {Format("aaa", INT32_MIN), Format("bbb", 1)}, 2, L".bbb"},
                    // 16 identical slots, each a full 8 bytes without terminator.
                    FormatTable{"LargestExtensionCountOverFullSlots", {Format("ABCDEFGH", INT32_MAX)}, 1, L".abcdefgh"}),
    RowName{});

}  // namespace
