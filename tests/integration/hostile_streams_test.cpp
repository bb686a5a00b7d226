// Host streams that fail, through the real DLL: a read that breaks at every
// byte offset of real images, seeks that fail, short and over-reported
// reads. Each must give a refusal (identification 0, loading null), leave
// nothing of the library's allocated, no GDI object behind and the stream's
// reference count as the host left it; an undamaged stream must still work.
#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/integration/resource_gauges.h"
#include "tests/support/plugin_session.h"
#include "tests/support/test_paths.h"
#include "tests/support/row_name.h"

namespace {

// An IStream over bytes in memory whose faults a test chooses. Counts every
// fault it injected, so a test can tell a call that met one.
class ScriptedStream final : public IStream {
public:
    explicit ScriptedStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    // Read fails (STG_E_READFAULT) once it would move past this offset; the
    // bytes before it are still delivered.
    size_t readFailsAt = SIZE_MAX;
    // Seek fails on this call (1 = first), or on every call when negative.
    int seekFailsOnCall = 0;
    // Read delivers half of what was asked (at least one byte) and says S_OK.
    bool shortReads = false;
    // Read delivers everything but reports one byte more than it was asked.
    bool overReportedReads = false;
    // Read delivers everything and answers S_FALSE.
    bool falseOnFullReads = false;
    // Seek to the end reports this many bytes beyond the real end.
    uint64_t phantomTail = 0;

    int faults = 0;
    LONG references() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    // The test owns the object; the count only tells whether the plug-in
    // balanced what it took.
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG wanted, ULONG* done) override
    {
        ULONG delivered = 0;
        HRESULT result = S_OK;
        const size_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
        size_t count = std::min<size_t>(wanted, available);
        if (position_ + count > readFailsAt) {
            count = readFailsAt > position_ ? readFailsAt - position_ : 0;
            result = STG_E_READFAULT;
            ++faults;
        } else if (shortReads && count > 0) {
            count = std::max<size_t>(1, count / 2);
            ++faults;
        } else if (count < wanted) {
            result = S_FALSE;
            if (phantomTail)
                ++faults;  // the end the stream reported is not there
        } else if (falseOnFullReads) {
            result = S_FALSE;
            ++faults;
        }
        if (count)
            memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        delivered = static_cast<ULONG>(count);
        if (overReportedReads && result == S_OK) {
            delivered = wanted + 1;
            ++faults;
        }
        if (done)
            *done = delivered;
        return result;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override
    {
        ++seekCalls_;
        if (seekFailsOnCall < 0 || seekFailsOnCall == seekCalls_) {
            ++faults;
            return STG_E_INVALIDFUNCTION;
        }
        const int64_t end = static_cast<int64_t>(bytes_.size() + phantomTail);
        const int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(position_) : end;
        if (origin > STREAM_SEEK_END || base + move.QuadPart < 0)
            return STG_E_INVALIDFUNCTION;
        position_ = static_cast<size_t>(base + move.QuadPart);
        if (newPosition)
            newPosition->QuadPart = position_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        if (!stat)
            return E_POINTER;
        *stat = {};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
    int seekCalls_ = 0;
    LONG references_ = 1;
};

std::vector<uint8_t> Sample(const wchar_t* name) { return ReadFileBytes(TestDataFile(name)); }

std::vector<uint8_t> SmallTbim()
{
    return BgraImage(3, 2, [](int x, int y) { return 0xFF000000u | static_cast<uint32_t>(x * 60 + y * 90); }).Bytes();
}

class HostileStreams : public PluginSession {
protected:
    void SetUp() override
    {
        PluginSession::SetUp();
        WriteSettings({});
        Start();
    }

    struct Outcome {
        BOOL identified = FALSE;
        bool decoded = false;
        int identifyFaults = 0;  // faults the identification met
        int loadFaults = 0;      // faults the decode met
    };

    // Identification and decoding, each on a fresh stream configured alike.
    Outcome Run(const std::vector<uint8_t>& bytes, const std::function<void(ScriptedStream&)>& configure,
                const std::string& what)
    {
        Outcome outcome;
        ScriptedStream forIdentify(bytes);
        configure(forIdentify);
        dvp::FileInfoRecord record{};
        outcome.identified = plugin.IdentifyFileStreamW(nullptr, &forIdentify, L"stream.bin", &record);
        EXPECT_EQ(forIdentify.references(), 1) << what << ": identification changed the reference count";
        if (!outcome.identified) {
            EXPECT_EQ(record.flags, 0u) << what << ": a refusal leaves the record untouched";
        }

        ScriptedStream forLoad(bytes);
        configure(forLoad);
        dvp::FileInfoRecord loadRecord{};
        HBITMAP bitmap = plugin.LoadBitmapStreamW(nullptr, &forLoad, L"stream.bin", &loadRecord, nullptr, nullptr);
        EXPECT_EQ(forLoad.references(), 1) << what << ": loading changed the reference count";
        outcome.decoded = bitmap != nullptr;
        if (bitmap) {
            DIBSECTION section{};
            EXPECT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section))) << what;
            EXPECT_EQ(section.dsBmih.biBitCount, 32) << what;
            DeleteObject(bitmap);
        }
        outcome.identifyFaults = forIdentify.faults;
        outcome.loadFaults = forLoad.faults;

        const TestbedCounters counters = library.Counters();
        EXPECT_EQ(counters.outstandingBitmaps, 0) << what;
        EXPECT_EQ(counters.outstandingFileInfos, 0) << what;
        return outcome;
    }
};

struct Image {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t stride;  // 1: every offset
};

TEST_F(HostileStreams, ReadBreakingAtAnyOffsetRefusesAndAnUnbrokenReadDecodes)
{
    const Image images[] = {
        {"tbim", SmallTbim(), 1},
        {"gradient_grey.png", Sample(L"gradient_grey.png"), 1},
        {"gradient.png", Sample(L"gradient.png"), 1},
        {"gradient.jpg", Sample(L"gradient.jpg"), 13},
        {"gradient.gif", Sample(L"gradient.gif"), 29},
    };
    // Each image's first decode warms its paths up. The stand-in's first call
    // into stb_image on a thread leaves a thread handle, an event and two
    // semaphores open for good (the threading runtime's record of the
    // thread, made when stb_image first touches its thread-local state).
    for (const Image& image : images)
        Run(image.bytes, [](ScriptedStream&) {}, std::string("warm-up ") + image.name);
    const ResourceReading before = ReadResources();
    int cases = 0;
    for (const Image& image : images) {
        ASSERT_FALSE(image.bytes.empty()) << image.name;
        std::vector<size_t> offsets;
        for (size_t offset = 0; offset < image.bytes.size(); offset += image.stride)
            offsets.push_back(offset);
        offsets.push_back(image.bytes.size() - 1);
        offsets.push_back(image.bytes.size());  // never reached: the read succeeds
        for (size_t offset : offsets) {
            const std::string what = std::string(image.name) + " breaking at " + std::to_string(offset);
            const Outcome outcome = Run(image.bytes, [offset](ScriptedStream& s) { s.readFailsAt = offset; }, what);
            const bool broken = offset < image.bytes.size();
            EXPECT_EQ(outcome.identified, broken ? FALSE : TRUE) << what;
            EXPECT_EQ(outcome.decoded, !broken) << what;
            EXPECT_EQ(outcome.identifyFaults > 0, broken) << what;
            EXPECT_EQ(outcome.loadFaults > 0, broken) << what;
            ++cases;
            if (HasFailure())
                return;
        }
    }
    const ResourceReading after = ReadResources();
    EXPECT_LE(after.gdiObjects, before.gdiObjects) << DescribeResourceSources();
    EXPECT_LE(after.handles - before.handles, 2) << DescribeResourceSources();
    printf("[ streams  ] %d broken-read cases, each identified and decoded\n", cases);
}

TEST_F(HostileStreams, FailingSeekRefusesWheneverTheLibraryMeetsIt)
{
    const std::vector<uint8_t> bytes = Sample(L"gradient.png");
    int met = 0;
    for (int call = -1; call <= 8; ++call) {
        if (call == 0)
            continue;
        const std::string what = call < 0 ? "every seek failing" : "seek " + std::to_string(call) + " failing";
        const Outcome outcome = Run(bytes, [call](ScriptedStream& s) { s.seekFailsOnCall = call; }, what);
        // A call that met the failing seek refuses; one that did not (the
        // seek it would fail on never came) succeeds.
        EXPECT_EQ(outcome.identified, outcome.identifyFaults == 0 ? TRUE : FALSE) << what;
        EXPECT_EQ(outcome.decoded, outcome.loadFaults == 0) << what;
        met += outcome.identifyFaults > 0 && outcome.loadFaults > 0 ? 1 : 0;
    }
    EXPECT_GE(met, 4) << "every seek failing, and the first seeks (tell, end, back), are always met";

    // Every seek failing refuses both calls.
    const Outcome always = Run(bytes, [](ScriptedStream& s) { s.seekFailsOnCall = -1; }, "every seek");
    EXPECT_FALSE(always.identified);
    EXPECT_FALSE(always.decoded);
}

struct ReadFault {
    const char* name;
    std::function<void(ScriptedStream&)> configure;
};

void PrintTo(const ReadFault& row, std::ostream* out) { *out << row.name; }

class HostileStreamReads : public HostileStreams, public testing::WithParamInterface<ReadFault> {};

TEST_P(HostileStreamReads, RefuseEveryImage)
{
    for (const wchar_t* name : {L"gradient.png", L"gradient.bmp", L"gradient.gif", L"gradient.jpg"}) {
        const std::string what = std::string(GetParam().name) + " on " + std::string(name, name + wcslen(name));
        const Outcome outcome = Run(Sample(name), GetParam().configure, what);
        EXPECT_FALSE(outcome.identified) << what;
        EXPECT_FALSE(outcome.decoded) << what;
        EXPECT_GT(outcome.identifyFaults, 0) << what << ": identification never met the fault";
        EXPECT_GT(outcome.loadFaults, 0) << what << ": the decode never met the fault";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileStreamReads,
    testing::Values(ReadFault{"ShortReads", [](ScriptedStream& s) { s.shortReads = true; }},
                    ReadFault{"OverReportedReads", [](ScriptedStream& s) { s.overReportedReads = true; }},
                    ReadFault{"FalseOnFullReads", [](ScriptedStream& s) { s.falseOnFullReads = true; }},
                    // The stream claims bytes beyond its end: the last read comes up short.
                    ReadFault{"PhantomTail", [](ScriptedStream& s) { s.phantomTail = 100; }}),
    RowName{});

}  // namespace
