// Start-up on hosts that lack one export. The same file builds into two test
// hosts: one without GetProgramDirW, one without XMLLoadFileW.
#include "tests/support/config_dialog_session.h"

namespace {

using MissingHostExport = ConfigDialog;

#if defined(HOST_WITHOUT_PROGRAM_DIR)

TEST_F(MissingHostExport, WithoutProgramDirStartUpFailsBeforeTouchingTheLibrary)
{
    dvp::InitExRecord record = dvp::HostRecord(13);
    EXPECT_EQ(plugin.InitEx(&record), FALSE);
    const TestbedCounters counters = library.Counters();
    for (int entry = 0; entry < kTbEntryCount; ++entry)
        EXPECT_EQ(counters.calls[entry], 0) << "entry point " << entry;
    EXPECT_EQ(counters.calls[kTbLibraryInit], 0);
    EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr) << "not initialised";
    // The failed first call left the count at 0: a further one fails the same way.
    EXPECT_EQ(plugin.InitEx(&record), FALSE);
}

#elif defined(HOST_WITHOUT_XML_LOAD)

// The file was never read, so the first Apply keeps its bytes before the
// host saves the defaults over it.
TEST_F(MissingHostExport, WithoutXmlLoadStartsOnTheDefaultsAndKeepsTheFileBeforeApply)
{
    WriteSettings({L".tbim"});  // cannot be read without the export
    const std::vector<uint8_t> bytes = ReadFileBytes(SettingsFile());
    Start();
    dvp::FileInfoRecord record{};
    const std::wstring image = Write(SolidImage(2, 2, 0xFF000000u), L"a.tbim");
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, image.c_str(), &record, nullptr), TRUE)
        << "the file's exclusion must not apply";
    const std::wstring png = Write(SolidImage(2, 2, 0xFF000000u), L"a.png");
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, png.c_str(), &record, nullptr), FALSE) << ".png is a default exclusion";

    Open();
    Click(dialog, kStreams);
    Click(dialog, kApply);
    EXPECT_EQ(Saves(), 1);
    EXPECT_EQ(ReadFileBytes(SettingsFile() + L".bak"), bytes) << "the user's file is gone without a copy";
    EXPECT_EQ(Saved().useForStreams, std::vector<int>{0});
}

#endif

}  // namespace
