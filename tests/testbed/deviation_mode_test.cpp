// The stand-ins' seeded misbehaviour mode, as properties over a fixed
// workload that calls every entry point of the stand-in library and every
// host service and stream method the plug-in uses: one seed replays one
// scenario, rate 0 deviates nothing, every named kind is drawn over a few
// seeds, and whatever is drawn the stand-ins stay balanced (every bitmap and
// file information handed out comes back), write nothing beyond what the
// caller described, and describe exactly the converted image they hand out.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "imagelib/gfl_records.h"
#include "testbed/host/config_services.h"
#include "testbed/host/host_stream.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/xml_services.h"
#include "testbed/imagelib/tbim_image.h"
#include "tests/support/memory_source.h"
#include "tests/support/stand_in_library.h"
#include "tests/support/test_files.h"
#include "win32/bind_export.h"

namespace {

using Transcript = std::vector<int64_t>;

constexpr wchar_t kSentinel = 0x5A5A;
constexpr uint8_t kByteSentinel = 0xEE;

// The library's entry points, bound from the module the tests share.
struct Library {
    HMODULE module = GetModuleHandleW(StandInLibraryPath().c_str());
    GflLibraryInitFn LibraryInit = Bind<GflLibraryInitFn>("gflLibraryInit");
    GflGetVersionFn GetVersion = Bind<GflGetVersionFn>("gflGetVersion");
    GflGetNumberOfFormatFn GetNumberOfFormat = Bind<GflGetNumberOfFormatFn>("gflGetNumberOfFormat");
    GflGetFormatInformationByIndexFn GetFormatInformation =
        Bind<GflGetFormatInformationByIndexFn>("gflGetFormatInformationByIndex");
    GflFormatIsReadableByIndexFn IsReadable = Bind<GflFormatIsReadableByIndexFn>("gflFormatIsReadableByIndex");
    GflGetFileInformationWFn GetFileInformationW = Bind<GflGetFileInformationWFn>("gflGetFileInformationW");
    GflGetFileInformationFromHandleFn GetFileInformationFromHandle =
        Bind<GflGetFileInformationFromHandleFn>("gflGetFileInformationFromHandle");
    GflLoadBitmapWFn LoadBitmapW = Bind<GflLoadBitmapWFn>("gflLoadBitmapW");
    GflLoadBitmapFromHandleFn LoadBitmapFromHandle = Bind<GflLoadBitmapFromHandleFn>("gflLoadBitmapFromHandle");
    GflGetDefaultLoadParamsFn GetDefaultLoadParams = Bind<GflGetDefaultLoadParamsFn>("gflGetDefaultLoadParams");
    GflFreeBitmapFn FreeBitmap = Bind<GflFreeBitmapFn>("gflFreeBitmap");
    GflFreeFileInformationFn FreeFileInformation = Bind<GflFreeFileInformationFn>("gflFreeFileInformation");
    GflChangeColorDepthFn ChangeColorDepth = Bind<GflChangeColorDepthFn>("gflChangeColorDepth");

    template <typename Fn>
    Fn Bind(const char* name) const
    {
        return BindExport<Fn>(module, name);
    }
};

// An 8 x 6 palette image with a colour map and transparent index 3.
std::vector<uint8_t> PaletteImage()
{
    TbimImage image;
    image.width = 8;
    image.height = 6;
    image.layout = 0x0004;
    image.transparentIndex = 3;
    image.hasColorMap = true;
    for (int i = 0; i < 256; ++i) {
        image.colorMap[0][i] = static_cast<uint8_t>(i);
        image.colorMap[1][i] = static_cast<uint8_t>(255 - i);
        image.colorMap[2][i] = static_cast<uint8_t>(i * 7);
    }
    for (int i = 0; i < 48; ++i)
        image.pixels.push_back(static_cast<uint8_t>(i * 5));
    return image.Bytes();
}

// Loads through either entry point, converts, and checks that the stand-in
// describes exactly the record it converted; frees what it got.
void LoadAndConvert(const Library& lib, const std::wstring& file, const std::vector<uint8_t>& bytes, bool stream,
                    Transcript& out)
{
    GflRecordRoom<GflLoadParams> params;
    lib.GetDefaultLoadParams(&params.record);
    out.push_back(params.record.flags);
    MemorySource source{bytes};
    MemorySource::Install(params.record.callbacks);
    GflBitmap* bitmap = nullptr;
    const GflError loaded = stream ? lib.LoadBitmapFromHandle(&source, &bitmap, &params.record, nullptr)
                                   : lib.LoadBitmapW(file.c_str(), &bitmap, &params.record, nullptr);
    out.push_back(loaded);
    if (loaded != kGflNoError || !bitmap)
        return;  // whatever a failed load stored is not ours
    out.insert(out.end(), {bitmap->width, bitmap->height, bitmap->transparentIndex, bitmap->layout,
                           bitmap->colorMap != nullptr});
    const GflError converted = lib.ChangeColorDepth(bitmap, nullptr, 23, 0);
    out.push_back(converted);
    TestbedDescribedImage described = {};
    out.push_back(StandInLibrary().GetLastDescribed(&described));
    EXPECT_EQ(described.valid, converted == kGflNoError ? 1 : 0);
    if (described.valid) {
        EXPECT_EQ(described.width, bitmap->width);
        EXPECT_EQ(described.height, bitmap->height);
        if (described.pixelBytes != 0) {
            ASSERT_NE(bitmap->data, nullptr);
            EXPECT_EQ(described.pixelBytes, static_cast<uint64_t>(bitmap->width) * bitmap->height * 4);
            EXPECT_EQ(std::memcmp(described.pixels, bitmap->data, described.pixelBytes), 0);
            out.push_back(described.pixels[described.pixelBytes - 1]);
        }
    }
    lib.FreeBitmap(bitmap);
}

Transcript LibraryWorkload(const std::wstring& file, const std::vector<uint8_t>& bytes)
{
    const Library lib;
    Transcript out;
    out.push_back(lib.LibraryInit());
    const char* version = lib.GetVersion();
    out.push_back(version ? static_cast<int64_t>(strnlen(version, 4)) : -1);
    out.push_back(lib.GetNumberOfFormat());
    for (int32_t index = 0; index < 9; ++index) {
        GflRecordRoom<GflFormatInformation> info;
        out.push_back(lib.GetFormatInformation(index, &info.record));
        out.push_back(info.record.extensionCount);
        out.push_back(info.record.extensions[0][0]);
        out.push_back(lib.IsReadable(index));
    }
    for (const bool stream : {false, true}) {
        GflRecordRoom<GflFileInformation> info;
        MemorySource source{bytes};
        GflStreamCallbacks callbacks = {};
        GflRecordRoom<GflLoadParams> params;
        lib.GetDefaultLoadParams(&params.record);
        callbacks = params.record.callbacks;
        MemorySource::Install(callbacks);
        const GflError result = stream ? lib.GetFileInformationFromHandle(&source, -1, &callbacks, &info.record)
                                       : lib.GetFileInformationW(file.c_str(), -1, &info.record);
        out.insert(out.end(), {result, info.record.width, info.record.height, info.record.xResolution,
                               info.record.bitsPerComponent, info.record.componentsPerPixel,
                               info.record.description[63]});
        if (result == kGflNoError)
            lib.FreeFileInformation(&info.record);
        LoadAndConvert(lib, file, bytes, stream, out);
    }
    const TestbedCounters counters = StandInLibrary().Counters();
    EXPECT_EQ(counters.outstandingBitmaps, 0);
    EXPECT_EQ(counters.outstandingFileInfos, 0);
    EXPECT_EQ(counters.foreignFrees, 0);
    return out;
}

// A text read with the caller's capacity; the stand-in must not write past it.
template <typename Read>
int64_t ReadText(Read read, int capacity, Transcript& out)
{
    std::vector<wchar_t> buffer(static_cast<size_t>(capacity) + 8, kSentinel);
    int told = capacity;
    const BOOL ok = read(buffer.data(), &told);
    for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], kSentinel) << "written beyond the capacity";
    out.insert(out.end(), {ok, told, buffer[0]});
    return ok;
}

void WalkDocument(HANDLE document, Transcript& out)
{
    ReadText([&](wchar_t* buffer, int* capacity) { return XMLGetNodeNameW(document, buffer, capacity); }, 64, out);
    HANDLE child = XMLFirstChildNode(document);
    for (int visited = 0; child && visited < 4000; ++visited, child = XMLNextNode(child)) {
        ReadText([&](wchar_t* buffer, int* capacity) { return XMLGetNodeNameW(child, buffer, capacity); }, 32, out);
        int size = 0;
        out.push_back(XMLGetNodeValueW(child, nullptr, &size));
        out.push_back(size);
        if (size > 0 && size <= (1 << 23))
            ReadText([&](wchar_t* buffer, int* capacity) { return XMLGetNodeValueW(child, buffer, capacity); },
                     size, out);
        BOOL flag = 0;
        out.push_back(XMLGetNodeBoolValue(child, &flag));
        out.push_back(flag);
    }
}

void StreamWorkload(uint64_t seed, uint32_t rate, Transcript& out)
{
    std::vector<uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i);
    IStream* stream = HostStream::Create(bytes, seed, rate);
    ASSERT_NE(stream, nullptr);
    for (int step = 0; step < 12; ++step) {
        uint8_t buffer[24];
        std::memset(buffer, kByteSentinel, sizeof buffer);
        ULONG done = 0;
        out.push_back(stream->Read(buffer, 16, &done));
        out.insert(out.end(), {done, buffer[0]});
        for (size_t i = 16; i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], kByteSentinel) << "read beyond the request";
        LARGE_INTEGER move;
        move.QuadPart = step % 3 == 0 ? 0 : step;
        ULARGE_INTEGER position = {};
        out.push_back(stream->Seek(move, static_cast<DWORD>(step % 3), &position));
        out.push_back(static_cast<int64_t>(position.QuadPart));
    }
    EXPECT_EQ(stream->Release(), 0u);
}

Transcript HostWorkload(const std::wstring& folder, uint64_t seed, uint32_t rate)
{
    Transcript out;
    ReadText([](wchar_t* buffer, int* capacity) { return GetProgramDirW(buffer, static_cast<UINT>(*capacity)); },
             260, out);
    ReadText([](wchar_t* buffer, int* capacity) { return GetConfigPathW(0, buffer, static_cast<UINT>(*capacity)); },
             260, out);

    const std::wstring path = folder + L"\\DVP_QPV.oxc";
    const int documentsBefore = HostTestbedOpenDocuments();
    if (HANDLE document = XMLCreateFile()) {
        out.push_back(XMLSetNodeNameW(document, L"DVP_QPV"));
        for (const wchar_t* extension : {L".jpg", L".png"}) {
            HANDLE child = XMLAddChildNodeW(document, L"ExcludedExtension");
            out.push_back(child && XMLSetNodeValueW(child, extension));
        }
        HANDLE flag = XMLAddChildNodeW(document, L"UseQPVForStreams");
        out.push_back(flag && XMLSetNodeBoolValue(flag, TRUE));
        out.push_back(XMLSaveFileW(document, path.c_str()));
        out.push_back(XMLFreeFile(document));
    }
    if (HANDLE document = XMLLoadFileW(path.c_str())) {
        WalkDocument(document, out);
        out.push_back(XMLFreeFile(document));
    }
    EXPECT_EQ(HostTestbedOpenDocuments(), documentsBefore);
    StreamWorkload(seed ^ 0x5EED, rate, out);
    return out;
}

class DeviationMode : public testing::Test {
protected:
    void SetUp() override
    {
        StandInLibrary().Reset();
        HostTestbedReset();
        WriteFileBytes(file, bytes);
    }
    void TearDown() override
    {
        StandInLibrary().Reset();
        HostTestbedReset();
    }

    // The workloads under one scenario, from a settings file in a known state.
    Transcript Run(uint64_t seed, uint32_t rate)
    {
        HostTestbedSetConfigFolder(scratch.path().c_str());
        WriteFileBytes(scratch.file(L"DVP_QPV.oxc"),
                       std::string_view("<DVP_QPV><ExcludedExtension>.bmp</ExcludedExtension>"
                                        "<UseQPVForStreams>true</UseQPVForStreams></DVP_QPV>"));
        StandInLibrary().SetDeviation(seed, rate);
        HostTestbedSetDeviation(seed, rate);
        Transcript out = LibraryWorkload(file, bytes);
        const Transcript host = HostWorkload(scratch.path(), seed, rate);
        out.insert(out.end(), host.begin(), host.end());
        return out;
    }

    // Every kind of both stand-ins: name, considered, drawn.
    static std::vector<HostDeviationCount> Counts()
    {
        std::vector<TestbedDeviationCount> rows(128);
        const int32_t kinds = StandInLibrary().GetDeviationCounts(rows.data(), static_cast<int32_t>(rows.size()));
        EXPECT_LE(kinds, static_cast<int32_t>(rows.size()));
        std::vector<HostDeviationCount> counts = HostTestbedDeviationCounts();
        for (int32_t i = 0; i < kinds; ++i)
            counts.push_back({rows[static_cast<size_t>(i)].kind, rows[static_cast<size_t>(i)].calls,
                              rows[static_cast<size_t>(i)].drawn});
        return counts;
    }

    ScratchFolder scratch;
    const std::wstring file = scratch.file(L"palette.tbim");
    const std::vector<uint8_t> bytes = PaletteImage();
};

std::vector<int64_t> Drawn(const std::vector<HostDeviationCount>& counts)
{
    std::vector<int64_t> drawn;
    for (const HostDeviationCount& row : counts)
        drawn.push_back(row.drawn);
    return drawn;
}

TEST_F(DeviationMode, OneSeedReplaysOneScenario)
{
    for (const auto& [seed, rate] : {std::pair<uint64_t, uint32_t>{1, 1000}, {7, 300}, {0xDEADBEEF, 50}}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " rate " << rate);
        StandInLibrary().Reset();
        HostTestbedReset();
        const Transcript first = Run(seed, rate);
        const std::vector<int64_t> firstDrawn = Drawn(Counts());
        StandInLibrary().Reset();
        HostTestbedReset();
        EXPECT_EQ(Run(seed, rate), first);
        EXPECT_EQ(Drawn(Counts()), firstDrawn);
    }
}

TEST_F(DeviationMode, RateZeroDeviatesNothing)
{
    const Transcript plain = Run(0, 0);
    for (const uint64_t seed : {1ull, 42ull, ~0ull}) {
        EXPECT_EQ(Run(seed, 0), plain) << "seed " << seed;
        for (const HostDeviationCount& row : Counts())
            EXPECT_EQ(row.drawn, 0) << row.kind;
    }
}

TEST_F(DeviationMode, EveryKindIsDrawnAtFullRateOrOverSeeds)
{
    Run(1, 1000);
    for (uint64_t seed = 1; seed <= 40; ++seed)
        Run(seed, 250);
    const std::vector<HostDeviationCount> counts = Counts();
    EXPECT_GT(counts.size(), 90u);
    for (const HostDeviationCount& row : counts) {
        EXPECT_GT(row.drawn, 0) << row.kind;
        EXPECT_LE(row.drawn, row.calls) << row.kind;
        EXPECT_NE(row.kind.find('.'), std::string::npos) << row.kind;
        EXPECT_NE(row.kind.find(':'), std::string::npos) << row.kind;
    }
}

// The surface table names each row in backticks in its first column; every
// kind belongs to a row, and every row that receives a value has a kind.
TEST_F(DeviationMode, EveryKindIsARowOfTheSurfaceTableAndEveryRowHasAKind)
{
    const std::string table = ReadFileText(TestDataFolder() + L"\\..\\..\\docs\\surface.md");
    ASSERT_FALSE(table.empty());
    std::set<std::string> rows;
    const std::regex line(R"(\n\| ([^|]*) \|)");
    const std::regex name("`([A-Za-z]+\\.[A-Za-z0-9]+)`");
    for (auto cell = std::sregex_iterator(table.begin(), table.end(), line); cell != std::sregex_iterator(); ++cell) {
        const std::string first = (*cell)[1];
        for (auto row = std::sregex_iterator(first.begin(), first.end(), name); row != std::sregex_iterator(); ++row)
            rows.insert((*row)[1]);
    }
    EXPECT_GT(rows.size(), 50u);
    std::set<std::string> exercised;
    for (const HostDeviationCount& kind : Counts()) {
        const std::string row = kind.kind.substr(0, kind.kind.find(':'));
        EXPECT_EQ(rows.count(row), 1u) << kind.kind << " has no row";
        exercised.insert(row);
    }
    for (const std::string& row : rows)
        EXPECT_EQ(exercised.count(row), 1u) << row << " has no kind";
}

}  // namespace
