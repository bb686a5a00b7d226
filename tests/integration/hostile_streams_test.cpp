// Host streams that fail, through the real DLL: a read that breaks at every
// byte offset of real images, seeks that fail, short and over-reported
// reads. Each must give a refusal (identification 0, loading null), leave
// nothing of the library's allocated, no GDI object behind and the stream's
// reference count as the host left it; an undamaged stream must still work.
#include <functional>
#include <string>
#include <vector>

#include "testbed/host/host_stream.h"
#include "tests/integration/resource_gauges.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/test_files.h"

namespace {

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

    // A fresh stream with its faults scripted, lent to the plug-in while the
    // test holds two references: a Release too many then shows as a count
    // of one instead of freeing the stream under the test.
    class LentStream {
    public:
        LentStream(const std::vector<uint8_t>& bytes, const std::function<void(HostStream&)>& script)
            : stream_(HostStream::Create(bytes))
        {
            script(*stream_);
            stream_->AddRef();
        }
        ~LentStream()
        {
            for (LONG left = stream_->references(); left > 0; --left)
                stream_->Release();
        }
        LentStream(const LentStream&) = delete;
        LentStream& operator=(const LentStream&) = delete;
        HostStream* get() const { return stream_; }

    private:
        HostStream* stream_;
    };

    // Identification and decoding, each on a fresh stream configured alike.
    Outcome Run(const std::vector<uint8_t>& bytes, const std::function<void(HostStream&)>& configure,
                const std::string& what)
    {
        Outcome outcome;
        const LentStream forIdentify(bytes, configure);
        dvp::FileInfoRecord record{};
        outcome.identified = plugin.IdentifyFileStreamW(nullptr, forIdentify.get(), L"stream.bin", &record);
        EXPECT_EQ(forIdentify.get()->references(), 2) << what << ": identification changed the reference count";
        if (!outcome.identified) {
            EXPECT_EQ(record.flags, 0u) << what << ": a refusal leaves the record untouched";
        }

        const LentStream forLoad(bytes, configure);
        dvp::FileInfoRecord loadRecord{};
        HBITMAP bitmap =
            plugin.LoadBitmapStreamW(nullptr, forLoad.get(), L"stream.bin", &loadRecord, nullptr, nullptr);
        EXPECT_EQ(forLoad.get()->references(), 2) << what << ": loading changed the reference count";
        outcome.decoded = bitmap != nullptr;
        if (bitmap) {
            DIBSECTION section{};
            EXPECT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section))) << what;
            EXPECT_EQ(section.dsBmih.biBitCount, 32) << what;
            DeleteObject(bitmap);
        }
        outcome.identifyFaults = forIdentify.get()->faults();
        outcome.loadFaults = forLoad.get()->faults();

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
        Run(image.bytes, [](HostStream&) {}, std::string("warm-up ") + image.name);
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
            const Outcome outcome = Run(image.bytes, [offset](HostStream& s) { s.readFailsAt = offset; }, what);
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
        const Outcome outcome = Run(bytes, [call](HostStream& s) { s.seekFailsOnCall = call; }, what);
        // A call that met the failing seek refuses; one that did not (the
        // seek it would fail on never came) succeeds.
        EXPECT_EQ(outcome.identified, outcome.identifyFaults == 0 ? TRUE : FALSE) << what;
        EXPECT_EQ(outcome.decoded, outcome.loadFaults == 0) << what;
        met += outcome.identifyFaults > 0 && outcome.loadFaults > 0 ? 1 : 0;
    }
    EXPECT_GE(met, 4) << "every seek failing, and the first seeks (tell, end, back), are always met";

    // Every seek failing refuses both calls.
    const Outcome always = Run(bytes, [](HostStream& s) { s.seekFailsOnCall = -1; }, "every seek");
    EXPECT_FALSE(always.identified);
    EXPECT_FALSE(always.decoded);
}

struct ReadFault {
    const char* name;
    std::function<void(HostStream&)> configure;
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
    testing::Values(ReadFault{"ShortReads", [](HostStream& s) { s.shortReads = true; }},
                    ReadFault{"OverReportedReads", [](HostStream& s) { s.overReportedReads = true; }},
                    ReadFault{"FalseOnFullReads", [](HostStream& s) { s.resultOfFullReads = S_FALSE; }},
                    // The stream claims bytes beyond its end: the last read comes up short.
                    ReadFault{"PhantomTail", [](HostStream& s) { s.phantomTail = 100; }}),
    RowName{});

}  // namespace
