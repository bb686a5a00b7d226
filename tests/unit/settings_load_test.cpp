// LoadSettings through the stand-in host's XML services over a real file:
// what each missing or failing service and each answer the host's contract
// allows leads to, and a failed allocation. Every row also holds that the
// load frees each document it opened once and uses no handle after its
// document was freed. Files that load: settings_file_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/saved_settings.h"
#include "tests/unit/failing_allocation.h"
#include "tests/unit/settings_on_stand_in_host.h"

namespace {

const ExtensionList kTypical{L".jpg", L".png"};
const std::string kTypicalChildren = SettingsChildren(kTypical, false);

class SettingsLoad : public SettingsOnStandInHost {
protected:
    void TearDown() override
    {
        StopFailingAllocations();
        SettingsOnStandInHost::TearDown();
    }

    void WriteFile(const std::string& children)
    {
        ASSERT_TRUE(WriteFileBytes(File(), SettingsDocument(children)));
    }
};

// A host that lacks a service, fails a call or answers as its contract
// allows, reading a file that holds kTypicalChildren unless the row says
// otherwise.
struct LoadCase {
    const char* name;
    bool loads;
    ExtensionList list = {};  // checked when it loads
    void (*arrange)(SettingsFileServices&, const std::wstring& file) = nullptr;
    const char* failingCall = nullptr;
    int nth = 0;  // 0: every call
    HostTestbedXmlQuirks quirks = {};
    const char* children = nullptr;
    int leftOpen = 0;  // documents the load cannot free
};

void PrintTo(const LoadCase& row, std::ostream* out) { *out << row.name; }

#define WITHOUT(service) [](SettingsFileServices& s, const std::wstring&) { s.service = nullptr; }

const LoadCase kLoadCases[] = {
    {.name = "NoConfigPathService", .loads = false, .arrange = WITHOUT(GetConfigPathW)},
    {.name = "ConfigPathFails", .loads = false, .failingCall = "GetConfigPathW"},
    // The host's whole buffer of 260 filled, no terminator.
    {.name = "ConfigPathUnterminated",
     .loads = false,
     .arrange = [](SettingsFileServices&,
                   const std::wstring&) { HostTestbedSetConfigFolder((L"C:\\" + std::wstring(257, L'c')).c_str(), true); }},
    {.name = "NoLoadService", .loads = false, .arrange = WITHOUT(XMLLoadFileW)},
    {.name = "LoadGivesNull", .loads = false, .failingCall = "XMLLoadFileW"},
    {.name = "FileMissing",
     .loads = false,
     .arrange = [](SettingsFileServices&, const std::wstring& file) { DeleteFileW(file.c_str()); }},
    {.name = "NoNameService", .loads = false, .arrange = WITHOUT(XMLGetNodeNameW)},
    {.name = "RootNameFails", .loads = false, .failingCall = "XMLGetNodeNameW", .nth = 1},
    {.name = "ChildNameFailsIsSkipped", .loads = true, .list = {L".png"}, .failingCall = "XMLGetNodeNameW", .nth = 2},
    {.name = "NoValueService", .loads = false, .arrange = WITHOUT(XMLGetNodeValueW)},
    // The size query and the read are two calls.
    {.name = "SizeQueryFails", .loads = false, .failingCall = "XMLGetNodeValueW", .nth = 1},
    {.name = "ValueReadFails", .loads = false, .failingCall = "XMLGetNodeValueW", .nth = 2},
    {.name = "NoBoolService", .loads = false, .arrange = WITHOUT(XMLGetNodeBoolValue)},
    {.name = "BoolReadFails", .loads = false, .failingCall = "XMLGetNodeBoolValue"},
    {.name = "NoFirstChildServiceEndsWalk", .loads = true, .arrange = WITHOUT(XMLFirstChildNode)},
    {.name = "FirstChildNullEndsWalk", .loads = true, .failingCall = "XMLFirstChildNode"},
    {.name = "NoNextServiceEndsWalk", .loads = true, .list = {L".jpg"}, .arrange = WITHOUT(XMLNextNode)},
    {.name = "NextNullEndsWalk", .loads = true, .list = kTypical, .failingCall = "XMLNextNode", .nth = 2},
    {.name = "NoFreeService", .loads = true, .list = kTypical, .arrange = WITHOUT(XMLFreeFile), .leftOpen = 1},
    {.name = "ZeroSizeIsAFailedRead", .loads = false, .quirks = {.valueSize = 0}},
    {.name = "NegativeSizeIsAFailedRead", .loads = false, .quirks = {.valueSize = -5}},
    {.name = "SizeAboveCapIsAFailedRead", .loads = false, .quirks = {.valueSize = 16 * 1024 * 1024 + 1}},
    {.name = "SizeAboveTheValueStillReadsTheValueExactly",
     .loads = true,
     .list = kTypical,
     .quirks = {.valueSizeExtra = 4000}},
    {.name = "ValueWithoutTerminatorIsAFailedRead", .loads = false, .quirks = {.valueWithoutTerminator = true}},
    {.name = "RootNameWithoutTerminatorIsAFailedRead", .loads = false, .quirks = {.nameWithoutTerminator = true}},
    // A capacity the host writes back is never handed to it larger than the
    // buffer behind it.
    {.name = "CapacityRaisedByHostIsNeverPassedOn", .loads = false, .quirks = {.capacityAfterRead = 1 << 20}},
    {.name = "CapacityMadeNegativeByHostIsNeverPassedOn", .loads = false, .quirks = {.capacityAfterRead = -1}},
    // One capacity for all reads, as the host left it: a value above it
    // (46 with its terminator) needs the buffer grown first.
    {.name = "CapacityLoweredByHostIsGrownForALongerValue",
     .loads = true,
     .list = {L".jpg", L"." + std::wstring(44, L'z'), L".png"},
     .quirks = {.capacityAfterRead = 40},
     .children = "<ExcludedExtension>.jpg</ExcludedExtension>"
                 "<ExcludedExtension>.zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz</ExcludedExtension>"
                 "<ExcludedExtension>.png</ExcludedExtension>"},
};

#undef WITHOUT

class SettingsLoadFailure : public SettingsLoad, public testing::WithParamInterface<LoadCase> {};

TEST_P(SettingsLoadFailure, ReportsTheOutcomeAndFreesEveryDocumentOnce)
{
    const LoadCase& row = GetParam();
    WriteFile(row.children ? row.children : kTypicalChildren);
    if (row.arrange)
        row.arrange(services, File());
    if (row.failingCall) {
        ASSERT_TRUE(HostTestbedFailService(row.failingCall, row.nth));
    }
    HostTestbedSetXmlQuirks(row.quirks);
    EXPECT_EQ(LoadSettings(services, settings), row.loads);
    if (row.loads) {
        EXPECT_EQ(settings.excludedExtensions, row.list);
    }
    EXPECT_EQ(HostTestbedFreeOpenDocuments(), row.leftOpen);
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsLoadFailure, testing::ValuesIn(kLoadCases), RowName{});

TEST_F(SettingsLoad, AnyNonZeroTrueValueTurnsTheSwitchOnAsOne)
{
    WriteFile("<UseQPVForStreams>true</UseQPVForStreams>");
    HostTestbedSetXmlQuirks({.trueValue = 42});
    settings.useForStreams = 0;
    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.useForStreams, 1);
}

// The first allocation is the read buffer, the second its growth for a
// value above 1024 characters.
TEST_F(SettingsLoad, FailedBufferAllocationFailsTheLoadAndFreesTheDocument)
{
    for (int nth : {1, 2}) {
        WriteFile("<ExcludedExtension>" + std::string(2000, 'e') + "</ExcludedExtension>");
        FailNothrowArrayAllocation(nth);
        EXPECT_FALSE(LoadSettings(services, settings)) << nth;
        StopFailingAllocations();
        EXPECT_EQ(HostTestbedCallCount("XMLLoadFileW"), nth);
        EXPECT_EQ(HostTestbedOpenDocuments(), 0) << nth;
    }
}

}  // namespace
