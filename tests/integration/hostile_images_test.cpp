// Damaged images through the real DLL: a fixed-seed corpus of truncated,
// bit-flipped and header-overwritten variants of every sample image in
// tests/data and of synthetic TBIM images, each identified and decoded both
// as a file and as a host stream. Every answer must be a refusal or a valid
// 32-bit DIB; file and stream must agree; nothing of the library's may stay
// allocated and no GDI object may be left behind.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/integration/resource_gauges.h"
#include "tests/support/plugin_session.h"
#include "tests/support/seeded_random.h"
#include "tests/support/test_files.h"

namespace {

using Random = SeededRandom;

struct Seed {
    const char* name;
    std::vector<uint8_t> bytes;
};

// Which part of the file a mutation aims at: headers hold the dimensions
// and sizes a decoder trusts, so half of the damage lands there.
size_t Offset(Random& random, size_t size)
{
    const size_t header = std::min<size_t>(size, 64);
    return random.Below(2) ? random.Below(header) : random.Below(size);
}

// Values that break arithmetic on dimensions, counts and offsets.
constexpr uint32_t kHostileWords[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x00010000, 0x0000FFFF, 0x40000001};

// The variants of one seed, the same on every run.
std::vector<std::vector<uint8_t>> Variants(const Seed& seed, uint64_t seedNumber, size_t count)
{
    Random random(0x5EED0000ull + seedNumber);
    std::vector<std::vector<uint8_t>> variants;
    const std::vector<uint8_t>& original = seed.bytes;
    // Every truncation of the first 24 bytes, where signatures and headers end.
    for (size_t length = 0; length <= std::min<size_t>(24, original.size()) && variants.size() < count; ++length)
        variants.emplace_back(original.begin(), original.begin() + length);
    while (variants.size() < count) {
        std::vector<uint8_t> bytes = original;
        switch (random.Below(4)) {
        case 0:  // cut short anywhere
            bytes.resize(random.Below(bytes.size()));
            break;
        case 1: {  // one to eight flipped bits
            const size_t flips = 1 + random.Below(8);
            for (size_t i = 0; i < flips && !bytes.empty(); ++i)
                bytes[Offset(random, bytes.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
            break;
        }
        case 2: {  // a hostile 32-bit value over a header field
            const uint32_t word = kHostileWords[random.Below(std::size(kHostileWords))];
            const size_t at = Offset(random, bytes.size());
            for (size_t i = 0; i < 4 && at + i < bytes.size(); ++i)
                bytes[at + i] = static_cast<uint8_t>(word >> (8 * i));
            break;
        }
        default: {  // flipped and cut short
            if (!bytes.empty())
                bytes[Offset(random, bytes.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
            bytes.resize(bytes.size() / 2 + random.Below(bytes.size() / 2 + 1));
            break;
        }
        }
        variants.push_back(std::move(bytes));
    }
    return variants;
}

TbimImage IndexedImage(bool withMap, int16_t transparentIndex)
{
    TbimImage image;
    image.width = 7;
    image.height = 3;
    image.transparentIndex = transparentIndex;
    image.hasColorMap = withMap;
    for (int i = 0; i < 256; ++i) {
        image.colorMap[0][i] = static_cast<uint8_t>(i);
        image.colorMap[1][i] = static_cast<uint8_t>(255 - i);
        image.colorMap[2][i] = static_cast<uint8_t>(i * 7);
    }
    for (int i = 0; i < image.width * image.height; ++i)
        image.pixels.push_back(static_cast<uint8_t>(i * 13));
    return image;
}

std::vector<Seed> Seeds()
{
    std::vector<Seed> seeds;
    for (const char* name : {"gradient.bmp", "gradient.gif", "gradient.jpg", "gradient.png", "gradient.ppm",
                             "gradient.tga", "gradient_alpha.png", "gradient_grey.pgm", "gradient_grey.png",
                             "gradient_transparent.gif"}) {
        const std::wstring wide(name, name + strlen(name));
        seeds.push_back({name, ReadFileBytes(TestDataFile(wide.c_str()))});
    }
    TbimImage alpha = BgraImage(6, 5, [](int x, int y) { return static_cast<uint32_t>(x * 40 << 24 | y * 50); });
    alpha.layout = 0x20;
    seeds.push_back({"tbim_bgra_alpha", alpha.Bytes()});
    seeds.push_back({"tbim_indexed_map", IndexedImage(true, 5).Bytes()});
    seeds.push_back({"tbim_indexed_mapless", IndexedImage(false, 0).Bytes()});
    return seeds;
}

constexpr size_t kVariantsPerSeed = 80;
// Well inside the per-test time-out, so a slow corpus fails instead of hanging.
constexpr auto kTimeBudget = std::chrono::seconds(90);

struct Totals {
    int cases = 0;
    int identified = 0;  // file identification answered 1
    int decoded = 0;     // file decode gave a bitmap
    int refused = 0;     // neither identified nor decoded
};

class HostileImages : public PluginSession, public testing::WithParamInterface<size_t> {
protected:
    void SetUp() override
    {
        PluginSession::SetUp();
        WriteSettings({});  // no exclusions: every name reaches the library
        Start();
    }

    // A refusal, or a valid top-down 32-bit section that the host may delete.
    void CheckAndDelete(HBITMAP bitmap, const char* what, size_t index)
    {
        if (!bitmap)
            return;
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)))
            << what << " case " << index << ": not a DIB section";
        EXPECT_GT(section.dsBmih.biWidth, 0) << what << " case " << index;
        EXPECT_NE(section.dsBmih.biHeight, 0) << what << " case " << index;
        EXPECT_EQ(section.dsBmih.biBitCount, 32) << what << " case " << index;
        EXPECT_NE(section.dsBm.bmBits, nullptr) << what << " case " << index;
        EXPECT_TRUE(DeleteObject(bitmap)) << what << " case " << index;
    }

    // One variant through all four entry points.
    void RunCase(const std::vector<uint8_t>& bytes, size_t index, Totals& totals)
    {
        const std::wstring path = files.file(L"case.bin");
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        wchar_t description[256];
        dvp::FileInfoRecord fileRecord{};
        fileRecord.description = description;
        fileRecord.descriptionCapacity = 256;
        const BOOL identified = plugin.IdentifyFileW(nullptr, path.c_str(), &fileRecord, nullptr);
        dvp::FileInfoRecord streamRecord{};
        const BOOL streamIdentified = IdentifyStream(bytes, L"case.bin", &streamRecord);
        EXPECT_EQ(identified, streamIdentified) << "case " << index << ": file and stream disagree";
        if (identified && streamIdentified) {
            EXPECT_EQ(fileRecord.width, streamRecord.width) << "case " << index;
            EXPECT_EQ(fileRecord.height, streamRecord.height) << "case " << index;
        }

        dvp::FileInfoRecord loadRecord{};
        HBITMAP fromFile = plugin.LoadBitmapW(nullptr, path.c_str(), &loadRecord, nullptr, nullptr);
        HBITMAP fromStream = LoadStream(bytes, L"case.bin", &loadRecord);
        EXPECT_EQ(fromFile != nullptr, fromStream != nullptr) << "case " << index << ": file and stream disagree";
        if (fromFile && identified) {
            BITMAP header{};
            GetObjectW(fromFile, sizeof(header), &header);
            EXPECT_EQ(header.bmWidth, fileRecord.width) << "case " << index;
            EXPECT_EQ(abs(header.bmHeight), fileRecord.height) << "case " << index;
        }
        ++totals.cases;
        totals.identified += identified ? 1 : 0;
        totals.decoded += fromFile ? 1 : 0;
        totals.refused += (!identified && !fromFile) ? 1 : 0;
        CheckAndDelete(fromFile, "file", index);
        CheckAndDelete(fromStream, "stream", index);

        const TestbedCounters counters = library.Counters();
        ASSERT_EQ(counters.outstandingBitmaps, 0) << "case " << index;
        ASSERT_EQ(counters.outstandingFileInfos, 0) << "case " << index;
    }
};

TEST_P(HostileImages, EveryVariantIsRefusedOrDecodedAndNothingLeaks)
{
    const std::vector<Seed> seeds = Seeds();
    const Seed& seed = seeds.at(GetParam());
    ASSERT_FALSE(seed.bytes.empty()) << seed.name << " is missing";
    const std::vector<std::vector<uint8_t>> variants = Variants(seed, GetParam(), kVariantsPerSeed);

    Totals totals;
    RunCase(seed.bytes, 0, totals);
    ASSERT_EQ(totals.decoded, 1) << seed.name << " intact must decode";
    // The intact image and the first variants (empty and one-byte sources)
    // warm every path up. The stand-in's first call into stb_image on a
    // thread leaves a thread handle, an event and two semaphores open for
    // good (the threading runtime's record of the thread, made when
    // stb_image first touches its thread-local state); a TBIM seed reaches
    // stb_image only with its first damaged variants.
    constexpr size_t kWarmUpVariants = 2;
    ResourceReading before;
    const auto deadline = std::chrono::steady_clock::now() + kTimeBudget;
    for (size_t i = 0; i < variants.size(); ++i) {
        if (i == kWarmUpVariants)
            before = ReadResources();
        RunCase(variants[i], i + 1, totals);
        if (HasFatalFailure())
            return;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "corpus too slow, stopped at case " << i + 1;
    }

    const ResourceReading after = ReadResources();
    EXPECT_LE(after.gdiObjects, before.gdiObjects) << DescribeResourceSources();
    EXPECT_LE(after.handles - before.handles, 2) << DescribeResourceSources();
    printf("[ corpus   ] %s: %d cases, %d identified, %d decoded, %d refused\n", seed.name, totals.cases,
           totals.identified, totals.decoded, totals.refused);
}

std::string SeedName(const testing::TestParamInfo<size_t>& info)
{
    static const std::vector<Seed> seeds = Seeds();
    std::string name = seeds.at(info.param).name;
    for (char& c : name)
        if (c == '.')
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileImages, testing::Range<size_t>(0, 13), SeedName);

}  // namespace
