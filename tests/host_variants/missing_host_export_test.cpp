// Start-up on hosts that lack one export. The same file builds into two test
// hosts: one without GetProgramDirW, one without XMLLoadFileW.
#include "tests/support/plugin_session.h"

namespace {

using MissingHostExport = PluginSession;

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

TEST_F(MissingHostExport, WithoutXmlLoadStartsOnTheDefaults)
{
    WriteSettings({L".tbim"});  // cannot be read without the export
    Start();
    dvp::FileInfoRecord record{};
    const std::wstring image = Write(SolidImage(2, 2, 0xFF000000u), L"a.tbim");
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, image.c_str(), &record, nullptr), TRUE)
        << "the file's exclusion must not apply";
    const std::wstring png = Write(SolidImage(2, 2, 0xFF000000u), L"a.png");
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, png.c_str(), &record, nullptr), FALSE) << ".png is a default exclusion";
    EXPECT_EQ(GetFileAttributesW((SettingsFile() + L".bak").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a backup of a file that was never read";
}

#endif

}  // namespace
