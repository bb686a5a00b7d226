// LoadSettings against a hand-written host: the exact calls it makes, what
// each missing or failing service leads to (there and on the stand-in host's
// real file), and the read buffer's rules (one capacity integer per
// document, grown only on demand, never handed to the host larger than the
// buffer).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "plugin/host_services.h"
#include "settings/plugin_settings.h"
#include "settings/settings_persistence.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/test_files.h"
#include "tests/unit/failing_allocation.h"
#include "tests/unit/fake_xml_host.h"

namespace {

class SettingsLoad : public testing::Test {
protected:
    FakeXmlHost host;
    SettingsFileServices services = host.Services();
    PluginSettings settings;

    // root DVP_QPV: ExcludedExtension ".jpg", ExcludedExtension ".png",
    // UseQPVForStreams false.
    FakeNode& StoreTypicalFile()
    {
        FakeNode& root = host.StoreSettingsFile();
        root.Add(L"ExcludedExtension", L".jpg");
        root.Add(L"ExcludedExtension", L".png");
        root.AddBool(L"UseQPVForStreams", FALSE);
        return root;
    }

    void TearDown() override { StopFailingAllocations(); }
};

TEST_F(SettingsLoad, MakesExactlyTheDocumentedCallsInOrder)
{
    FakeNode& root = host.StoreSettingsFile();
    root.Add(L"ExcludedExtension", L".jpg");
    root.Add(L"Unrelated", L"text");
    root.AddBool(L"UseQPVForStreams", FALSE);

    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(host.calls, (std::vector<std::wstring>{
                              L"GetConfigPathW 0 260",
                              L"XMLLoadFileW C:\\Cfg\\DVP_QPV.oxc",
                              L"XMLGetNodeNameW doc 1024",
                              L"XMLFirstChildNode doc",
                              L"XMLGetNodeNameW c1 1024",
                              L"XMLGetNodeValueW c1 size",
                              L"XMLGetNodeValueW c1 1024",
                              L"XMLNextNode c1",
                              L"XMLGetNodeNameW c2 1024",
                              L"XMLNextNode c2",
                              L"XMLGetNodeNameW c3 1024",
                              L"XMLGetNodeBoolValue c3",
                              L"XMLNextNode c3",
                              L"XMLFreeFile doc",
                          }));
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{L".jpg"}));
    EXPECT_EQ(settings.useForStreams, 0);
}

TEST_F(SettingsLoad, EmptiesTheListFirstAndLeavesTheStreamFlagWhenNothingLoads)
{
    settings.excludedExtensions = {L".left", L".over"};
    settings.useForStreams = 0;
    EXPECT_FALSE(LoadSettings(services, settings));  // no file stored
    EXPECT_TRUE(settings.excludedExtensions.empty());
    EXPECT_EQ(settings.useForStreams, 0);
}

// Documents whose content decides what is loaded.
struct ContentCase {
    const char* name;
    std::function<void(FakeNode&)> fill;
    ExtensionList expectedList;
    int32_t expectedStreams;
};

void PrintTo(const ContentCase& row, std::ostream* out)
{
    *out << row.name;
}

class SettingsLoadContent : public SettingsLoad, public testing::WithParamInterface<ContentCase> {};

TEST_P(SettingsLoadContent, LoadsWhatTheDocumentHolds)
{
    GetParam().fill(host.StoreSettingsFile());
    settings.useForStreams = 1;
    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, GetParam().expectedList);
    EXPECT_EQ(settings.useForStreams, GetParam().expectedStreams);
    EXPECT_TRUE(host.EveryDocumentFreedOnce());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsLoadContent,
    testing::Values(
        ContentCase{"EmptyDocumentGivesEmptyList", [](FakeNode&) {}, {}, 1},
        ContentCase{"MissingStreamsNodeLeavesOne",
                    [](FakeNode& r) { r.Add(L"ExcludedExtension", L".a"); }, {L".a"}, 1},
        ContentCase{"LaterStreamsNodeWinsFalse",
                    [](FakeNode& r) {
                        r.AddBool(L"UseQPVForStreams", TRUE);
                        r.AddBool(L"UseQPVForStreams", FALSE);
                    },
                    {}, 0},
        ContentCase{"LaterStreamsNodeWinsTrue",
                    [](FakeNode& r) {
                        r.AddBool(L"UseQPVForStreams", FALSE);
                        r.AddBool(L"UseQPVForStreams", TRUE);
                    },
                    {}, 1},
        ContentCase{"NonzeroBoolBecomesOne", [](FakeNode& r) { r.AddBool(L"UseQPVForStreams", 42); }, {}, 1},
        ContentCase{"NamesDifferingInCaseAreSkipped",
                    [](FakeNode& r) {
                        r.Add(L"excludedextension", L".lower");
                        r.Add(L"ExcludedExtension", L".kept");
                        r.Add(L"EXCLUDEDEXTENSION", L".upper");
                        r.AddBool(L"useqpvforstreams", FALSE);
                    },
                    {L".kept"}, 1},
        ContentCase{"NamesWithExtraTextAreSkipped",
                    [](FakeNode& r) {
                        r.Add(L"ExcludedExtensions", L".plural");
                        r.Add(L"ExcludedExtensio", L".short");
                        r.Add(L"ExcludedExtension", L".kept");
                    },
                    {L".kept"}, 1},
        ContentCase{"ValuesAreKeptVerbatimInDocumentOrder",
                    [](FakeNode& r) {
                        r.Add(L"ExcludedExtension", L"jpg");
                        r.Add(L"ExcludedExtension", L".PNG");
                        r.Add(L"ExcludedExtension", L"");
                        r.Add(L"ExcludedExtension", L" .gif ");
                        r.Add(L"ExcludedExtension", L"jpg");
                    },
                    {L"jpg", L".PNG", L"", L" .gif ", L"jpg"}, 1}),
    RowName{});

// A missing service or a failing call, and what LoadSettings makes of it:
// on the hand-written host, and where the row says how to fail the same way,
// on the stand-in host's real file holding the same document.
struct FailureCase {
    const char* name;
    std::function<void(FakeXmlHost&, SettingsFileServices&)> arrange;
    bool expectedResult;
    ExtensionList expectedList;  // checked when the load succeeds
    std::function<void(SettingsFileServices&, const std::wstring& file)> onStandIn = nullptr;
};

enum class Host { HandWritten, StandIn };

using FailureOnHost = std::tuple<FailureCase, Host>;

class SettingsLoadFailure : public SettingsLoad, public testing::WithParamInterface<FailureOnHost> {
protected:
    const FailureCase& row = std::get<0>(GetParam());

    void ExpectOnHandWrittenHost()
    {
        StoreTypicalFile();
        row.arrange(host, services);
        EXPECT_EQ(LoadSettings(services, settings), row.expectedResult);
        if (row.expectedResult) {
            EXPECT_EQ(settings.excludedExtensions, row.expectedList);
        }
        EXPECT_TRUE(host.EveryDocumentFreedOnce());
    }

    void ExpectOnStandInHost()
    {
        ScratchFolder folder;
        HostTestbedReset();
        HostTestbedSetConfigFolder(folder.path().c_str());
        const std::wstring file = folder.file(L"DVP_QPV.oxc");
        ASSERT_TRUE(WriteFileBytes(file, SettingsDocument("<ExcludedExtension>.jpg</ExcludedExtension>"
                                                          "<ExcludedExtension>.png</ExcludedExtension>"
                                                          "<UseQPVForStreams>false</UseQPVForStreams>")));
        SettingsFileServices standIn = HostServices::Bind().settingsFile();
        row.onStandIn(standIn, file);
        EXPECT_EQ(LoadSettings(standIn, settings), row.expectedResult);
        if (row.expectedResult) {
            EXPECT_EQ(settings.excludedExtensions, row.expectedList);
        }
        EXPECT_EQ(HostTestbedOpenDocuments(), 0) << "a document was not freed";
        EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0) << "a freed or foreign handle was used";
        HostTestbedReset();
    }
};

TEST_P(SettingsLoadFailure, ReportsTheOutcomeAndFreesEveryDocumentOnce)
{
    if (std::get<1>(GetParam()) == Host::HandWritten)
        ExpectOnHandWrittenHost();
    else
        ExpectOnStandInHost();
}

template <typename Service>
auto Missing(Service SettingsFileServices::*service)
{
    return [service](FakeXmlHost&, SettingsFileServices& s) { s.*service = nullptr; };
}

auto Failing(const char* call, int nth = 0)
{
    return [call, nth](FakeXmlHost& h, SettingsFileServices&) { h.Fail(call, nth); };
}

template <typename Service>
auto StandInWithout(Service SettingsFileServices::*service)
{
    return [service](SettingsFileServices& s, const std::wstring&) { s.*service = nullptr; };
}

auto StandInFailing(const char* name, int nth = 0)
{
    return [name, nth](SettingsFileServices&, const std::wstring&) {
        ASSERT_TRUE(HostTestbedFailService(name, nth));
    };
}

const ExtensionList kTypical{L".jpg", L".png"};

std::vector<FailureOnHost> FailureRows()
{
    using S = SettingsFileServices;
    const FailureCase rows[] = {
        {"NoConfigPathService", Missing(&S::GetConfigPathW), false, {}, StandInWithout(&S::GetConfigPathW)},
        {"ConfigPathFails", Failing("GetConfigPathW"), false, {}, StandInFailing("GetConfigPathW")},
        {"ConfigPathUnterminated", [](FakeXmlHost& h, S&) { h.configUnterminated = true; }, false, {}},
        {"NoLoadService", Missing(&S::XMLLoadFileW), false, {}, StandInWithout(&S::XMLLoadFileW)},
        {"LoadGivesNull", Failing("XMLLoadFileW"), false, {}, StandInFailing("XMLLoadFileW")},
        {"FileMissing", [](FakeXmlHost& h, S&) { h.files.clear(); }, false, {},
         [](S&, const std::wstring& file) { DeleteFileW(file.c_str()); }},
        {"NoNameService", Missing(&S::XMLGetNodeNameW), false, {}, StandInWithout(&S::XMLGetNodeNameW)},
        {"RootNameFails", Failing("XMLGetNodeNameW", 1), false, {}, StandInFailing("XMLGetNodeNameW", 1)},
        {"ChildNameFailsIsSkipped", Failing("XMLGetNodeNameW", 2), true, {L".png"},
         StandInFailing("XMLGetNodeNameW", 2)},
        {"NoValueService", Missing(&S::XMLGetNodeValueW), false, {}, StandInWithout(&S::XMLGetNodeValueW)},
        // The stand-in counts the size query and the read as two calls.
        {"SizeQueryFails", Failing("XMLGetNodeValueW size", 2), false, {}, StandInFailing("XMLGetNodeValueW", 1)},
        {"ValueReadFails", Failing("XMLGetNodeValueW read", 1), false, {}, StandInFailing("XMLGetNodeValueW", 2)},
        {"NoBoolService", Missing(&S::XMLGetNodeBoolValue), false, {}, StandInWithout(&S::XMLGetNodeBoolValue)},
        {"BoolReadFails", Failing("XMLGetNodeBoolValue"), false, {}, StandInFailing("XMLGetNodeBoolValue")},
        {"NoFirstChildServiceEndsWalk", Missing(&S::XMLFirstChildNode), true, {},
         StandInWithout(&S::XMLFirstChildNode)},
        {"FirstChildNullEndsWalk", Failing("XMLFirstChildNode"), true, {}, StandInFailing("XMLFirstChildNode")},
        {"NoNextServiceEndsWalk", Missing(&S::XMLNextNode), true, {L".jpg"}, StandInWithout(&S::XMLNextNode)},
        {"NextNullEndsWalk", Failing("XMLNextNode", 2), true, kTypical, StandInFailing("XMLNextNode", 2)},
        {"ZeroSizeIsAFailedRead", [](FakeXmlHost& h, S&) { h.reportedSize = 0; }, false, {}},
        {"NegativeSizeIsAFailedRead", [](FakeXmlHost& h, S&) { h.reportedSize = -5; }, false, {}},
        {"SizeAboveCapIsAFailedRead", [](FakeXmlHost& h, S&) { h.reportedSize = 16 * 1024 * 1024 + 1; }, false, {}},
        {"ValueWithoutTerminatorIsAFailedRead", [](FakeXmlHost& h, S&) { h.valueWithoutTerminator = true; }, false,
         {}},
        {"RootNameWithoutTerminatorIsAFailedRead", [](FakeXmlHost& h, S&) { h.nameWithoutTerminator = true; },
         false, {}},
        {"CapacityRaisedByHostIsNeverPassedOn", [](FakeXmlHost& h, S&) { h.capacityAfterRead = 1 << 20; }, false,
         {}},
        {"CapacityMadeNegativeByHostIsNeverPassedOn", [](FakeXmlHost& h, S&) { h.capacityAfterRead = -1; }, false,
         {}},
    };
    std::vector<FailureOnHost> onHosts;
    for (const FailureCase& row : rows) {
        onHosts.emplace_back(row, Host::HandWritten);
        if (row.onStandIn)
            onHosts.emplace_back(row, Host::StandIn);
    }
    return onHosts;
}

std::string FailureName(const testing::TestParamInfo<FailureOnHost>& row)
{
    return std::string(std::get<0>(row.param).name) + (std::get<1>(row.param) == Host::StandIn ? "OnStandInHost" : "");
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsLoadFailure, testing::ValuesIn(FailureRows()), FailureName);

TEST_F(SettingsLoad, SucceedsWithoutFreeServiceAndCallsNoFree)
{
    StoreTypicalFile();
    services.XMLFreeFile = nullptr;
    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, kTypical);
    EXPECT_TRUE(host.freeCount.empty());
}

TEST_F(SettingsLoad, FailsWithoutHostServices)
{
    PluginSettings orphan;
    EXPECT_FALSE(LoadSettings(SettingsFileServices{}, orphan));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SettingsLoad, RaisedCapacityFailsBeforeAnyLargerReadReachesTheHost)
{
    StoreTypicalFile();
    host.capacityAfterRead = 1 << 20;
    EXPECT_FALSE(LoadSettings(services, settings));
    EXPECT_EQ(host.capacitiesPassed, (std::vector<int>{1024}));
}

TEST_F(SettingsLoad, FailedBufferAllocationFailsTheLoadAndFreesTheDocument)
{
    StoreTypicalFile();
    FailNothrowArrayAllocation(1);
    EXPECT_FALSE(LoadSettings(services, settings));
    StopFailingAllocations();
    EXPECT_EQ(host.documents.size(), 1u);
    EXPECT_TRUE(host.EveryDocumentFreedOnce());
}

TEST_F(SettingsLoad, FailedBufferGrowthFailsTheLoadAndFreesTheDocument)
{
    FakeNode& root = host.StoreSettingsFile();
    root.Add(L"ExcludedExtension", std::wstring(2000, L'e'));
    FailNothrowArrayAllocation(2);
    EXPECT_FALSE(LoadSettings(services, settings));
    StopFailingAllocations();
    EXPECT_TRUE(host.EveryDocumentFreedOnce());
}

TEST_F(SettingsLoad, LongValueIsReadWholeAfterOneEnlargement)
{
    const std::wstring longValue = L"." + std::wstring(2999, L'x');
    FakeNode& root = host.StoreSettingsFile();
    root.Add(L"ExcludedExtension", longValue);
    root.Add(L"ExcludedExtension", std::wstring(1500, L'y'));
    root.Add(L"ExcludedExtension", L".short");

    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{longValue, std::wstring(1500, L'y'), L".short"}));
    // Root, then per child a name read and a value read; the buffer grows to
    // 3001 once and is kept for the shorter values after it.
    EXPECT_EQ(host.capacitiesPassed, (std::vector<int>{1024, 1024, 3001, 3001, 3001, 3001, 3001}));
}

TEST_F(SettingsLoad, SizeAboveTheValueStillReadsTheValueExactly)
{
    FakeNode& root = host.StoreSettingsFile();
    root.Add(L"ExcludedExtension", L".jpg");
    host.extraSize = 4000;
    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{L".jpg"}));
    EXPECT_EQ(host.capacitiesPassed.back(), 4005);
}

TEST_F(SettingsLoad, OneCapacityIntegerServesEveryReadAndIsNeverReset)
{
    FakeNode& root = host.StoreSettingsFile();
    root.Add(L"ExcludedExtension", L".jpg");
    root.Add(L"ExcludedExtension", L"." + std::wstring(44, L'z'));  // needs 46
    root.Add(L"ExcludedExtension", L".png");
    // This host leaves 40 in the integer after every read.
    host.capacityAfterRead = 40;

    EXPECT_TRUE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{L".jpg", L"." + std::wstring(44, L'z'), L".png"}));
    EXPECT_EQ(host.capacitiesPassed, (std::vector<int>{1024, 40, 40, 40, 46, 40, 40}));
    ASSERT_FALSE(host.capacityAddresses.empty());
    for (int* address : host.capacityAddresses)
        EXPECT_EQ(address, host.capacityAddresses.front());
    ASSERT_EQ(host.sizeAddresses.size(), 3u);
    for (int* address : host.sizeAddresses) {
        EXPECT_EQ(address, host.sizeAddresses.front());
        EXPECT_NE(address, host.capacityAddresses.front());
    }
}

TEST_F(SettingsLoad, WrongRootNameFailsBeforeAnyChildIsRead)
{
    FakeNode& root = host.StoreSettingsFile(L"dvp_qpv");
    root.Add(L"ExcludedExtension", L".jpg");
    EXPECT_FALSE(LoadSettings(services, settings));
    EXPECT_TRUE(settings.excludedExtensions.empty());
    EXPECT_EQ(host.calls.back(), L"XMLFreeFile doc");
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), L"XMLFirstChildNode doc"), 0);
}

TEST_F(SettingsLoad, ReadFailureKeepsEntriesBeforeItForTheCallerToReset)
{
    StoreTypicalFile();
    host.Fail("XMLGetNodeValueW read", 2);
    EXPECT_FALSE(LoadSettings(services, settings));
    EXPECT_EQ(settings.excludedExtensions, (ExtensionList{L".jpg"}));
    settings.ResetToDefaults();
    EXPECT_EQ(settings.excludedExtensions.size(), 68u);
}

}  // namespace
