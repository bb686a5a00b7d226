// Identification through the real DLL: exclusions, the stream switch, the
// record's fields and untouched bytes, the description text.
#include <cstring>

#include "tests/support/plugin_session.h"

namespace {

// A host record: 76 bytes the plug-in may write, surrounded by a pattern.
struct GuardedRecord {
    uint8_t bytes[128];
    GuardedRecord() { memset(bytes, 0xA5, sizeof(bytes)); }
    dvp::FileInfoRecord* record() { return reinterpret_cast<dvp::FileInfoRecord*>(bytes); }
};

class FileIdentification : public PluginSession {
protected:
    BOOL Identify(const std::wstring& path, dvp::FileInfoRecord* record)
    {
        return plugin.IdentifyFileW(nullptr, path.c_str(), record, nullptr);
    }

    TbimImage Image() { return SolidImage(640, 480, 0xFF000000u); }
};

TEST_F(FileIdentification, FillsTheRecordAndTouchesNothingElse)
{
    Start();
    const std::wstring path = Write(Image(), L"photo.tbim");
    wchar_t description[64];
    GuardedRecord guarded;
    dvp::FileInfoRecord* record = guarded.record();
    record->description = description;
    record->descriptionCapacity = 64;
    ASSERT_EQ(Identify(path, record), TRUE);

    EXPECT_EQ(record->flags, 0x15u);
    EXPECT_EQ(record->cleared8, 0u);
    EXPECT_EQ(record->cleared10, 0u);
    EXPECT_EQ(record->width, 640);
    EXPECT_EQ(record->height, 480);
    EXPECT_EQ(record->bitsPerPixel, 32) << "bits per component times components";
    EXPECT_EQ(record->xResolution, 72u);
    EXPECT_EQ(record->yResolution, 96u) << "the vertical resolution is the library's own";
    EXPECT_EQ(std::wstring(description).rfind(L"640 x 480 x 32 ", 0), 0u) << testing::PrintToString(std::wstring(description));
    for (size_t offset : {0, 1, 2, 3}) EXPECT_EQ(guarded.bytes[offset], 0xA5) << offset;
    for (size_t offset = 36; offset < 68; ++offset) EXPECT_EQ(guarded.bytes[offset], 0xA5) << offset;
    for (size_t offset = 76; offset < sizeof(guarded.bytes); ++offset) EXPECT_EQ(guarded.bytes[offset], 0xA5) << offset;
    EXPECT_EQ(library.Counters().outstandingFileInfos, 0);
}

TEST_F(FileIdentification, CutsTheDescriptionToTheHostsCapacity)
{
    Start();
    const std::wstring path = Write(Image());
    wchar_t description[8];
    wmemset(description, L'#', 8);
    dvp::FileInfoRecord record{};
    record.description = description;
    record.descriptionCapacity = 6;
    ASSERT_EQ(Identify(path, &record), TRUE);
    EXPECT_STREQ(description, L"640 x");
    EXPECT_EQ(description[6], L'#');

    // A null buffer: the numbers are still filled.
    dvp::FileInfoRecord bare{};
    bare.descriptionCapacity = 200;
    ASSERT_EQ(Identify(path, &bare), TRUE);
    EXPECT_EQ(bare.width, 640);
}

TEST_F(FileIdentification, DescriptionWithoutTerminatorIsReadAsItsSixtyFourBytes)
{
    Start();
    char unterminated[64];
    memset(unterminated, 'D', sizeof(unterminated));
    library.SetDescription(unterminated);
    wchar_t description[300];
    dvp::FileInfoRecord record{};
    record.description = description;
    record.descriptionCapacity = 300;
    ASSERT_EQ(Identify(Write(Image()), &record), TRUE);
    EXPECT_EQ(std::wstring(description), L"640 x 480 x 32 " + std::wstring(64, L'D'));
}

TEST_F(FileIdentification, RefusesNamesEndingInAnExcludedExtension)
{
    WriteSettings({L".png", L".TBIM", L"\x00C9x"});
    Start();
    const std::vector<uint8_t> bytes = Image().Bytes();
    struct Case {
        const wchar_t* name;
        BOOL expected;
    };
    const Case cases[] = {
        {L"a.png", FALSE},  {L"A.PNG", FALSE},     {L".png", FALSE},
        {L"a.apng", TRUE},  {L"picture", TRUE},    {L"png", TRUE},       // shorter than the entry
        {L"b.tbim", FALSE}, {L"b.Tbim", FALSE},
        {L"c.\x00C9x", FALSE}, {L"c.\x00E9x", TRUE},  // only A-Z fold
        {L"c.\x00C9X", FALSE},
    };
    for (const Case& c : cases) {
        const std::wstring path = files.file(c.name);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        dvp::FileInfoRecord record{};
        EXPECT_EQ(Identify(path, &record), c.expected) << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(IdentifyStream(bytes, c.name, &record), c.expected) << "stream " << testing::PrintToString(std::wstring(c.name));
        if (!c.expected) {
            EXPECT_EQ(record.flags, 0u) << "a refusal leaves the record untouched";
        }
    }
}

TEST_F(FileIdentification, EmptyEntryExcludesEveryNamedFileButNotUnnamedStreams)
{
    WriteSettings({L""});
    Start();
    const std::vector<uint8_t> bytes = Image().Bytes();
    dvp::FileInfoRecord record{};
    EXPECT_EQ(Identify(Write(Image()), &record), FALSE);
    EXPECT_EQ(IdentifyStream(bytes, L"x", &record), FALSE);
    EXPECT_EQ(IdentifyStream(bytes, L"", &record), TRUE) << "an empty name skips the exclusion test";
    EXPECT_EQ(IdentifyStream(bytes, nullptr, &record), TRUE);
}

TEST_F(FileIdentification, StreamSwitchOffRefusesBeforeAnyLibraryCall)
{
    WriteSettings({}, /*useForStreams=*/false);
    Start();
    library.Reset();
    dvp::FileInfoRecord record{};
    EXPECT_EQ(IdentifyStream(Image().Bytes(), L"a.tbim", &record), FALSE);
    EXPECT_EQ(library.Counters().calls[kTbGetFileInformationFromHandle], 0);
    EXPECT_EQ(library.Counters().calls[kTbGetDefaultLoadParams], 0);
    EXPECT_EQ(Identify(Write(Image()), &record), TRUE) << "files are still served";
}

TEST_F(FileIdentification, StreamReadsThroughTheCallbacks)
{
    WriteSettings({});
    Start();
    dvp::FileInfoRecord record{};
    ASSERT_EQ(IdentifyStream(Image().Bytes(), L"a.tbim", &record), TRUE);
    EXPECT_EQ(record.width, 640);
    EXPECT_TRUE(library.Counters().lastLoadUsedCallbacks);
    EXPECT_EQ(library.Counters().outstandingFileInfos, 0);

    const std::vector<uint8_t> bytes = Image().Bytes();
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 10);
    dvp::FileInfoRecord untouched{};
    EXPECT_EQ(IdentifyStream(cut, L"a.tbim", &untouched), FALSE);
    EXPECT_EQ(untouched.flags, 0u);
}

TEST_F(FileIdentification, DefaultsExcludeCommonFormatsButOtherFilesPass)
{
    Start();  // no settings file: the 68 defaults
    const std::vector<uint8_t> bytes = Image().Bytes();
    for (const wchar_t* name : {L"a.png", L"a.JPG", L"a.tiff", L"a.ai"}) {
        dvp::FileInfoRecord record{};
        const std::wstring path = files.file(name);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        EXPECT_EQ(Identify(path, &record), FALSE) << testing::PrintToString(std::wstring(name));
    }
    dvp::FileInfoRecord record{};
    EXPECT_EQ(Identify(Write(Image(), L"noextension"), &record), TRUE);
    library.SetFaults(kTestbedFailInformation);
    EXPECT_EQ(Identify(Write(Image(), L"other.tbim"), &record), FALSE) << "the library could not read it";
}

TEST_F(FileIdentification, RefusesEverythingBeforeStartAndAfterTheFinalUninit)
{
    const std::wstring path = Write(Image());
    const std::vector<uint8_t> bytes = Image().Bytes();
    dvp::FileInfoRecord record{};
    EXPECT_EQ(Identify(path, &record), FALSE);
    EXPECT_EQ(IdentifyStream(bytes, L"a", &record), FALSE);
    Start();
    EXPECT_EQ(Identify(path, &record), TRUE);
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, nullptr, &record, nullptr), FALSE) << "no path";
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, path.c_str(), nullptr, nullptr), FALSE) << "no record";
    Stop();
    EXPECT_EQ(Identify(path, &record), FALSE);
    EXPECT_EQ(IdentifyStream(bytes, L"a", &record), FALSE);
}

}  // namespace
