// The real DLL over a stand-in library that misbehaves within what a real
// one may do: a decode that stores a bitmap pointer and then fails, records
// filled far beyond the fields the plug-in reads, and bit depths whose
// product leaves the signed 32-bit range.
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"

namespace {

const TbimImage kImage = BgraImage(5, 3, [](int x, int y) { return 0x80000000u | (x * 40) << 8 | y * 60; });

// The host's calls, each over the same image.
class LibraryMisbehaviour : public PluginSession {
protected:
    std::wstring path;
    std::vector<uint8_t> bytes = kImage.Bytes();

    void SetUp() override
    {
        PluginSession::SetUp();
        path = Write(kImage);
    }

    HBITMAP Load(bool stream, dvp::FileInfoRecord& record)
    {
        return stream ? LoadStream(bytes, L"image.tbim", &record)
                      : plugin.LoadBitmapW(nullptr, path.c_str(), &record, nullptr, nullptr);
    }

    BOOL Identify(bool stream, dvp::FileInfoRecord& record)
    {
        return stream ? IdentifyStream(bytes, L"image.tbim", &record)
                      : plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr);
    }
};

// --- A failed decode hands over nothing ------------------------------------

struct StoredThenFailed {
    const char* name;
    uint32_t fault;
    bool stream;
};

void PrintTo(const StoredThenFailed& row, std::ostream* out) { *out << row.name; }

class FailedDecode : public LibraryMisbehaviour, public testing::WithParamInterface<StoredThenFailed> {};

// A plug-in that owned the pointer anyway would free a released bitmap
// twice, or a block that never was one.
TEST_P(FailedDecode, ReleasesNothingTheLibraryLeftInTheOutArgument)
{
    Start();
    library.SetFaults(GetParam().fault);
    dvp::FileInfoRecord record{};
    EXPECT_EQ(Load(GetParam().stream, record), nullptr);
    const TestbedCounters counters = library.Counters();
    EXPECT_EQ(counters.foreignFrees, 0) << "gflFreeBitmap on a pointer the failed decode left behind";
    EXPECT_EQ(counters.outstandingBitmaps, 0);
    EXPECT_EQ(record.flags, 0u) << "a failed decode leaves the record alone";
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedDecode,
                         testing::Values(StoredThenFailed{"FileFreedBitmap", kTestbedStoreFreedBitmapThenFail, false},
                                         StoredThenFailed{"FilePoisonedPointer", kTestbedStorePoisonThenFail, false},
                                         StoredThenFailed{"StreamFreedBitmap", kTestbedStoreFreedBitmapThenFail, true},
                                         StoredThenFailed{"StreamPoisonedPointer", kTestbedStorePoisonThenFail, true}),
                         RowName{});

// --- Records written to their full kilobyte --------------------------------

// Every record the library fills gets 1 KiB written into it; the plug-in's
// storage must hold that, and the fields it reads must still be the real ones.
TEST_F(LibraryMisbehaviour, WholeKilobyteRecordsLeaveEveryAnswerCorrect)
{
    Start();
    const std::wstring handled = HandledExtensions();
    Stop();
    library.SetFaults(kTestbedFillWholeRecords);
    Start();
    EXPECT_EQ(HandledExtensions(), handled) << "start-up over whole format records";

    for (bool stream : {false, true}) {
        wchar_t text[300] = {};
        dvp::FileInfoRecord record{};
        record.description = text;
        record.descriptionCapacity = 300;
        ASSERT_EQ(Identify(stream, record), TRUE) << "stream " << stream;
        EXPECT_EQ(record.width, 5);
        EXPECT_EQ(record.height, 3);
        EXPECT_EQ(record.bitsPerPixel, 32);
        EXPECT_EQ(std::wstring(text).rfind(L"5 x 3 x 32 ", 0), 0u) << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(std::wstring(text).find(L'\x00A5'), std::wstring::npos) << "the padding reached the description";

        dvp::FileInfoRecord loadRecord{};
        HBITMAP bitmap = Load(stream, loadRecord);
        ASSERT_NE(bitmap, nullptr) << "stream " << stream;
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
        EXPECT_EQ(memcmp(section.dsBm.bmBits, kImage.pixels.data(), kImage.pixels.size()), 0) << "stream " << stream;
        DeleteObject(bitmap);
    }
    ExpectLibraryObjectsFreed();
}

// --- Bits per pixel as the unsigned 32-bit product -------------------------

struct BitDepth {
    const char* name;
    uint16_t bitsPerComponent;
    uint16_t componentsPerPixel;
    uint32_t bitsPerPixel;
};

void PrintTo(const BitDepth& row, std::ostream* out) { *out << row.name; }

class BitDepths : public LibraryMisbehaviour, public testing::WithParamInterface<BitDepth> {};

TEST_P(BitDepths, MultiplyAsUnsigned32Bits)
{
    Start();
    library.SetBitDepth(GetParam().bitsPerComponent, GetParam().componentsPerPixel);
    wchar_t text[300] = {};
    dvp::FileInfoRecord record{};
    record.description = text;
    record.descriptionCapacity = 300;
    ASSERT_EQ(Identify(false, record), TRUE);
    EXPECT_EQ(static_cast<uint32_t>(record.bitsPerPixel), GetParam().bitsPerPixel);
    const std::wstring numbers = L"5 x 3 x " + std::to_wstring(static_cast<int32_t>(GetParam().bitsPerPixel)) + L" ";
    EXPECT_EQ(std::wstring(text).rfind(numbers, 0), 0u) << testing::PrintToString(std::wstring(text));
}

INSTANTIATE_TEST_SUITE_P(Rows, BitDepths,
                         testing::Values(BitDepth{"Usual", 8, 3, 24},
                                         BitDepth{"NoComponents", 65535, 0, 0},
                                         BitDepth{"LargestSignedProduct", 32768, 65535, 0x7FFF8000u},
                                         BitDepth{"FirstBeyondSigned", 32769, 65535, 0x80007FFFu},
                                         BitDepth{"LargestBoth", 65535, 65535, 0xFFFE0001u}),
                         RowName{});

}  // namespace
