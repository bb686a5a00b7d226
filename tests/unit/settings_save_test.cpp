// SaveSettings and the settings file's path against a hand-written host: the
// exact calls and the document built, and what a missing or failing service
// leaves of the path. Failed saves as a whole: settings_save_failure_test.cpp.
#include <gtest/gtest.h>

#include <functional>

#include "settings/plugin_settings.h"
#include "settings/settings_persistence.h"
#include "tests/support/row_name.h"
#include "tests/unit/fake_xml_host.h"

namespace {

class SettingsSave : public testing::Test {
protected:
    FakeXmlHost host;
    SettingsFileServices services = host.Services();
    PluginSettings settings;

    const FakeNode* Saved() const
    {
        auto file = host.files.find(FakeXmlHost::kFilePath);
        return file == host.files.end() ? nullptr : file->second.get();
    }
};

TEST_F(SettingsSave, MakesExactlyTheDocumentedCallsInOrder)
{
    settings.excludedExtensions = {L".jpg", L".png"};
    settings.useForStreams = 0;
    EXPECT_TRUE(SaveSettings(services, settings));
    EXPECT_EQ(host.calls, (std::vector<std::wstring>{
                              L"GetConfigPathW 0 260",
                              L"XMLCreateFile",
                              L"XMLSetNodeNameW doc DVP_QPV",
                              L"XMLAddChildNodeW doc ExcludedExtension",
                              L"XMLSetNodeValueW c1 .jpg",
                              L"XMLAddChildNodeW doc ExcludedExtension",
                              L"XMLSetNodeValueW c2 .png",
                              L"XMLAddChildNodeW doc UseQPVForStreams",
                              L"XMLSetNodeBoolValue c3 0",
                              L"XMLSaveFileW doc C:\\Cfg\\DVP_QPV.oxc",
                              L"XMLFreeFile doc",
                          }));
    EXPECT_TRUE(host.EveryDocumentFreedOnce());
}

TEST_F(SettingsSave, WritesOneRootOneNodePerEntryInOrderThenTheStreamFlag)
{
    settings.excludedExtensions = {L".b", L"A", L"", L".b"};
    settings.useForStreams = 1;
    ASSERT_TRUE(SaveSettings(services, settings));
    const FakeNode* saved = Saved();
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->name, L"DVP_QPV");
    EXPECT_EQ(ChildNames(*saved), (std::vector<std::wstring>{L"ExcludedExtension", L"ExcludedExtension",
                                                              L"ExcludedExtension", L"ExcludedExtension",
                                                              L"UseQPVForStreams"}));
    EXPECT_EQ(ChildValues(*saved, L"ExcludedExtension"), (std::vector<std::wstring>{L".b", L"A", L"", L".b"}));
    EXPECT_EQ(saved->children.back()->boolValue, TRUE);
}

TEST_F(SettingsSave, EmptyListWritesOnlyTheStreamFlagAndLoadsBackEmpty)
{
    settings.useForStreams = 0;
    ASSERT_TRUE(SaveSettings(services, settings));
    ASSERT_NE(Saved(), nullptr);
    EXPECT_EQ(ChildNames(*Saved()), (std::vector<std::wstring>{L"UseQPVForStreams"}));

    PluginSettings loaded;
    loaded.excludedExtensions = {L".stale"};
    EXPECT_TRUE(LoadSettings(services, loaded));
    EXPECT_TRUE(loaded.excludedExtensions.empty());
    EXPECT_EQ(loaded.useForStreams, 0);
}

TEST_F(SettingsSave, WithoutRenameServiceStillSavesTheChildren)
{
    settings.excludedExtensions = {L".jpg"};
    services.XMLSetNodeNameW = nullptr;
    EXPECT_TRUE(SaveSettings(services, settings));
    ASSERT_NE(Saved(), nullptr);
    EXPECT_EQ(Saved()->name, L"");  // what this host's new documents are called
    EXPECT_EQ(ChildNames(*Saved()), (std::vector<std::wstring>{L"ExcludedExtension", L"UseQPVForStreams"}));
}

// The host's answer to the rename is not examined: a host that renames and
// answers 0 gets an ordinary, silent save.
TEST_F(SettingsSave, RenameAnsweredZeroStillSaves)
{
    host.renameAnswersZero = true;
    settings.excludedExtensions = {L".jpg"};
    EXPECT_TRUE(SaveSettings(services, settings));
    ASSERT_NE(Saved(), nullptr);
    EXPECT_EQ(Saved()->name, L"DVP_QPV");
    EXPECT_EQ(ChildValues(*Saved(), L"ExcludedExtension"), std::vector<std::wstring>{L".jpg"});
}

TEST_F(SettingsSave, SucceedsWithoutFreeServiceAndCallsNoFree)
{
    services.XMLFreeFile = nullptr;
    EXPECT_TRUE(SaveSettings(services, settings));
    EXPECT_TRUE(host.freeCount.empty());
}

TEST_F(SettingsSave, FailsWithoutHostServices)
{
    PluginSettings orphan;
    EXPECT_FALSE(SaveSettings(SettingsFileServices{}, orphan));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SettingsSave, FailedWalkNeverCallsTheSaveService)
{
    host.Fail("XMLSetNodeValueW");
    settings.excludedExtensions = {L".jpg"};
    EXPECT_FALSE(SaveSettings(services, settings));
    EXPECT_EQ(host.calls, (std::vector<std::wstring>{
                              L"GetConfigPathW 0 260",
                              L"XMLCreateFile",
                              L"XMLSetNodeNameW doc DVP_QPV",
                              L"XMLAddChildNodeW doc ExcludedExtension",
                              L"XMLSetNodeValueW c1 .jpg",
                              L"XMLFreeFile doc",
                          }));
}

// Folder the host reports -> the settings file's path.
struct PathCase {
    const char* name;
    const wchar_t* folder;
    const wchar_t* expected;
};

void PrintTo(const PathCase& row, std::ostream* out)
{
    *out << row.name;
}

class SettingsFilePath : public SettingsSave, public testing::WithParamInterface<PathCase> {};

TEST_P(SettingsFilePath, JoinsTheFileNameWithExactlyOneSeparator)
{
    host.configFolder = GetParam().folder;
    std::wstring path = L"previous";
    EXPECT_TRUE(GetSettingsFilePath(services, path));
    EXPECT_EQ(path, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsFilePath,
                         testing::Values(PathCase{"PlainFolder", L"C:\\Cfg", L"C:\\Cfg\\DVP_QPV.oxc"},
                                         PathCase{"TrailingBackslash", L"C:\\Cfg\\", L"C:\\Cfg\\DVP_QPV.oxc"},
                                         PathCase{"TrailingSlash", L"C:/Cfg/", L"C:/Cfg/DVP_QPV.oxc"},
                                         PathCase{"DriveRoot", L"C:\\", L"C:\\DVP_QPV.oxc"}),
                         RowName{});

// A configuration service the host lacks or gets wrong.
struct PathFailureCase {
    const char* name;
    std::function<void(FakeXmlHost&, SettingsFileServices&)> arrange;
};

void PrintTo(const PathFailureCase& row, std::ostream* out)
{
    *out << row.name;
}

class SettingsFilePathFailure : public SettingsSave, public testing::WithParamInterface<PathFailureCase> {};

TEST_P(SettingsFilePathFailure, LeavesThePathEmptyAndSavesNothing)
{
    GetParam().arrange(host, services);
    std::wstring path = L"previous";
    EXPECT_FALSE(GetSettingsFilePath(services, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(SaveSettings(services, settings));
    EXPECT_TRUE(host.files.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsFilePathFailure,
    testing::Values(
        PathFailureCase{"NoConfigPathService",
                        [](FakeXmlHost&, SettingsFileServices& s) { s.GetConfigPathW = nullptr; }},
        PathFailureCase{"ConfigPathFails", [](FakeXmlHost& h, SettingsFileServices&) { h.Fail("GetConfigPathW"); }},
        PathFailureCase{"FolderUnterminated", [](FakeXmlHost& h, SettingsFileServices&) { h.configUnterminated = true; }},
        PathFailureCase{"EmptyFolder", [](FakeXmlHost& h, SettingsFileServices&) { h.configFolder = L""; }},
        // Relative folders would put the file in whatever folder is current.
        PathFailureCase{"RelativeFolder",
                        [](FakeXmlHost& h, SettingsFileServices&) { h.configFolder = L"Cfg"; }},
        PathFailureCase{"DriveRelativeFolder",
                        [](FakeXmlHost& h, SettingsFileServices&) { h.configFolder = L"C:Cfg"; }},
        PathFailureCase{"RootRelativeFolder",
                        [](FakeXmlHost& h, SettingsFileServices&) { h.configFolder = L"\\Cfg"; }}),
    RowName{});

}  // namespace
