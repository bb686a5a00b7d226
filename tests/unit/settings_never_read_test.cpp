// The one rule that keeps the user's settings file, through the load and
// save the plug-in runs against the stand-in host: a file whose bytes were
// not read in whole (a read service missing, a child the walk could not
// visit, no memory for the read, the host refusing it) is kept beside it
// before a save replaces it; a file read in whole is not. When no copy can
// be made, nothing is saved and the file stays as it was.
#include "plugin/host_services.h"
#include "settings/settings_persistence.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/failing_allocation.h"

namespace {

struct StartUpRead {
    const char* name;
    void (*withoutService)(SettingsFileServices&);  // or null
    int failingAllocation = 0;                      // the nth nothrow array allocation fails; 0: none
    const char* failingService = nullptr;           // a host service whose nth call fails
    int failingCall = 0;
    bool kept = true;  // the save must keep a copy first
};

void PrintTo(const StartUpRead& row, std::ostream* out) { *out << row.name; }

class SettingsKeeping : public PluginSession {
protected:
    const SettingsFileServices host = HostServices::Bind().settingsFile();
    PluginSettings settings;

    std::wstring Backup() const { return SettingsFile() + L".bak"; }
    bool Save()
    {
        Lock lock(settings.lock);
        return SaveSettings(host, settings);
    }
};

class SettingsNeverRead : public SettingsKeeping, public testing::WithParamInterface<StartUpRead> {};

TEST_P(SettingsNeverRead, IsKeptBeforeTheSaveReplacesIt)
{
    const StartUpRead& row = GetParam();
    WriteSettings({L".abc", L".def"});
    const std::vector<uint8_t> bytes = ReadFileBytes(SettingsFile());
    SettingsFileServices services = host;
    if (row.withoutService)
        row.withoutService(services);
    if (row.failingService) {
        ASSERT_TRUE(HostTestbedFailService(row.failingService, row.failingCall));
    }
    {
        Lock lock(settings.lock);
        FailNothrowArrayAllocation(row.failingAllocation);
        LoadSettings(services, settings);
        StopFailingAllocations();
    }
    if (row.failingService)
        HostTestbedStopFailing(row.failingService);

    ASSERT_TRUE(Save());
    if (row.kept)
        EXPECT_EQ(ReadFileBytes(Backup()), bytes) << "the save replaced bytes it never read";
    else
        EXPECT_EQ(GetFileAttributesW(Backup().c_str()), INVALID_FILE_ATTRIBUTES)
            << "a copy of a file read in whole";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsNeverRead,
    testing::Values(
        StartUpRead{"ReadInWhole", nullptr, 0, nullptr, 0, false},
        StartUpRead{"NoLoadService", [](SettingsFileServices& s) { s.XMLLoadFileW = nullptr; }},
        StartUpRead{"NoNameService", [](SettingsFileServices& s) { s.XMLGetNodeNameW = nullptr; }},
        StartUpRead{"NoFirstChildService", [](SettingsFileServices& s) { s.XMLFirstChildNode = nullptr; }},
        StartUpRead{"NoNextNodeService", [](SettingsFileServices& s) { s.XMLNextNode = nullptr; }},
        StartUpRead{"NoValueService", [](SettingsFileServices& s) { s.XMLGetNodeValueW = nullptr; }},
        StartUpRead{"NoBoolService", [](SettingsFileServices& s) { s.XMLGetNodeBoolValue = nullptr; }},
        StartUpRead{"NoMemoryForTheText", nullptr, 1},
        StartUpRead{"HostRefusesTheFile", nullptr, 0, "XMLLoadFileW", 1},
        StartUpRead{"HostFailsAChildsName", nullptr, 0, "XMLGetNodeNameW", 2}),
    RowName{});

// Both names taken by folders: no copy can be made, so nothing is saved;
// with a name free again, the same save keeps the bytes and goes ahead.
TEST_F(SettingsKeeping, CopyThatCannotBeMadeFailsTheSaveAndLeavesTheFile)
{
    const std::wstring latest = SettingsFile() + L".latest.bak";
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), "not xml"));
    ASSERT_TRUE(CreateDirectoryW(Backup().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(latest.c_str(), nullptr));
    EXPECT_FALSE(Save());
    EXPECT_EQ(ReadFileText(SettingsFile()), "not xml");
    EXPECT_EQ(HostTestbedCallCount("XMLSaveFileW"), 0) << "the host was asked to replace unkept bytes";

    ASSERT_TRUE(RemoveDirectoryW(latest.c_str()));
    EXPECT_TRUE(Save());
    EXPECT_EQ(ReadFileText(latest), "not xml");
}

// Whichever allocation of the save fails, the file's bytes are never gone
// without a copy: the save either leaves them or keeps them first.
TEST_F(SettingsKeeping, NoFailedAllocationLosesTheUnreadBytes)
{
    int failed = 0;
    for (int nth = 1; nth < 2000; ++nth) {
        DeleteFileW(Backup().c_str());
        ASSERT_TRUE(WriteFileBytes(SettingsFile(), "not xml"));
        CountAllocationsOnThisThread(nth);
        const bool saved = Save();
        const int counted = StopCountingAllocations();
        if (ReadFileText(SettingsFile()) != "not xml") {
            ASSERT_EQ(ReadFileText(Backup()), "not xml") << "allocation " << nth << " lost the file's bytes";
        }
        if (counted < nth) {
            EXPECT_TRUE(saved) << "no allocation failed, yet the save did";
            break;
        }
        failed += saved ? 0 : 1;
    }
    EXPECT_GT(failed, 0) << "no failed allocation reached the save";
}

}  // namespace
