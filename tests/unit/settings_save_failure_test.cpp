// A save that fails, whatever fails in it: SaveSettings reports false, the
// settings file keeps its previous bytes, every document the save made is
// freed once, and the next start-up loads the previous settings. Each row
// runs on the stand-in host's real files under a started plug-in, where the
// commit first assigns the new settings to the process-wide object as the
// dialog does.
#include <string>

#include "plugin/host_services.h"
#include "settings/settings_persistence.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/in_process_state.h"

namespace {

struct SaveFailure {
    const char* name;
    void (*withoutService)(SettingsFileServices&);  // takes a service out of the table, or null
    const char* failingCall;                        // a service that fails, or null
    int nth;                                        // on its nth call from now on; 0: on every call
    bool saveReached;                               // the host's save service is called at all
    size_t newEntries = 2;
    bool readOnlyFile = false;  // a file the host cannot replace
};

#define WITHOUT(service) [](SettingsFileServices& s) { s.service = nullptr; }

const SaveFailure kSaveFailures[] = {
    {"NoConfigPathService", WITHOUT(GetConfigPathW), nullptr, 0, false},
    {"ConfigPathFails", nullptr, "GetConfigPathW", 0, false},
    {"NoCreateService", WITHOUT(XMLCreateFile), nullptr, 0, false},
    {"CreateFails", nullptr, "XMLCreateFile", 0, false},
    {"NoAddChildService", WITHOUT(XMLAddChildNodeW), nullptr, 0, false},
    {"FirstAddFails", nullptr, "XMLAddChildNodeW", 1, false},
    {"SecondAddFails", nullptr, "XMLAddChildNodeW", 2, false},
    {"StreamsAddFails", nullptr, "XMLAddChildNodeW", 3, false},
    {"NoSetValueService", WITHOUT(XMLSetNodeValueW), nullptr, 0, false},
    {"SetValueFails", nullptr, "XMLSetNodeValueW", 2, false},
    {"SetValueFailsHalfwayThroughAThousand", nullptr, "XMLSetNodeValueW", 500, false, 1000},
    {"NoSetBoolService", WITHOUT(XMLSetNodeBoolValue), nullptr, 0, false},
    {"SetBoolFails", nullptr, "XMLSetNodeBoolValue", 0, false},
    {"NoSaveService", WITHOUT(XMLSaveFileW), nullptr, 0, false},
    {"SaveFails", nullptr, "XMLSaveFileW", 0, true},
    {"SaveOfAThousandFails", nullptr, "XMLSaveFileW", 0, true, 1000},
    {"ReadOnlyFile", nullptr, nullptr, 0, true, 1000, true},
};

#undef WITHOUT

void PrintTo(const SaveFailure& row, std::ostream* out) { *out << row.name; }

ExtensionList NewEntries(size_t count)
{
    ExtensionList list;
    for (size_t i = 0; i < count; ++i)
        list.push_back(L".new" + std::to_wstring(i));
    return list;
}

class FailedSave : public PluginSession, public testing::WithParamInterface<SaveFailure> {};

TEST_P(FailedSave, ReportsFalseAndKeepsThePreviousFileForTheNextStart)
{
    const SaveFailure& row = GetParam();
    const std::string previous = SettingsDocument(SettingsChildren({L".old1", L".old2"}, false));
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), previous));
    ASSERT_TRUE(Start());
    ASSERT_EQ(ProcessSettings()->excludedExtensions, (ExtensionList{L".old1", L".old2"}));

    SettingsFileServices services = HostServices::Bind().settingsFile();
    if (row.withoutService)
        row.withoutService(services);
    if (row.failingCall) {
        ASSERT_TRUE(HostTestbedFailService(row.failingCall, row.nth));
    }
    if (row.readOnlyFile)
        SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY);
    PluginSettings working(*ProcessSettings());
    working.excludedExtensions = NewEntries(row.newEntries);
    working.useForStreams = 1;
    *ProcessSettings() = working;
    bool saved = true;
    {
        Lock lock(working.lock);
        saved = SaveSettings(services, working);
    }
    if (row.readOnlyFile)
        SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ProcessSettings()->excludedExtensions, working.excludedExtensions)
        << "the new settings stay in force in memory";
    EXPECT_EQ(ReadFileText(SettingsFile()), previous) << "the previous file changed";
    EXPECT_EQ(HostTestbedCallCount("XMLSaveFileW") > 0, row.saveReached);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0) << "a document was not freed";
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0) << "a freed or foreign handle was used";

    Stop();
    HostTestbedReset();
    HostTestbedSetConfigFolder(config.path().c_str());
    ASSERT_TRUE(Start());
    EXPECT_EQ(ProcessSettings()->excludedExtensions, (ExtensionList{L".old1", L".old2"}));
    EXPECT_EQ(ProcessSettings()->useForStreams, 0);
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, FailedSave, testing::ValuesIn(kSaveFailures), RowName{});

}  // namespace
