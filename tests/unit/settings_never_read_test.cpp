// A settings file that was never read, because the host lacks a service the
// read needs or memory ran out, is no unreadable file: no backup is made of
// it (the host's own files, with the host's services partly taken away).
#include "plugin/host_services.h"
#include "settings/settings_persistence.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/failing_allocation.h"

namespace {

struct NeverRead {
    const char* name;
    void (*withoutService)(SettingsFileServices&);  // or null
    int failingAllocation;                          // the nth nothrow array allocation fails; 0: none
};

void PrintTo(const NeverRead& row, std::ostream* out) { *out << row.name; }

class SettingsNeverRead : public PluginSession, public testing::WithParamInterface<NeverRead> {};

TEST_P(SettingsNeverRead, LeavesNoBackup)
{
    WriteSettings({L".abc"});
    SettingsFileServices services = HostServices::Bind().settingsFile();
    if (GetParam().withoutService)
        GetParam().withoutService(services);
    PluginSettings settings;
    {
        Lock lock(settings.lock);
        FailNothrowArrayAllocation(GetParam().failingAllocation);
        EXPECT_FALSE(LoadSettings(services, settings));
        StopFailingAllocations();
    }
    EXPECT_EQ(GetFileAttributesW((SettingsFile() + L".bak").c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsNeverRead,
    testing::Values(NeverRead{"NoLoadService", [](SettingsFileServices& s) { s.XMLLoadFileW = nullptr; }, 0},
                    NeverRead{"NoNameService", [](SettingsFileServices& s) { s.XMLGetNodeNameW = nullptr; }, 0},
                    NeverRead{"NoValueService", [](SettingsFileServices& s) { s.XMLGetNodeValueW = nullptr; }, 0},
                    NeverRead{"NoMemoryForTheText", nullptr, 1}),
    RowName{});

}  // namespace
