// The settings file's path from the folder the stand-in host reports, what a
// missing or failing configuration service leaves of it, and saves through
// host answers the contract allows. Round trips: settings_file_test.cpp;
// failed saves as a whole: settings_save_failure_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/settings_on_stand_in_host.h"

namespace {

class SettingsSave : public SettingsOnStandInHost {
protected:
    PluginSettings Loaded()
    {
        PluginSettings loaded;
        EXPECT_TRUE(LoadSettings(services, loaded));
        return loaded;
    }
};

// The host's answer to the rename is not examined: a host that renames and
// answers 0 gets an ordinary, silent save.
TEST_F(SettingsSave, RenameAnsweredZeroStillSaves)
{
    HostTestbedSetXmlQuirks({.renameAnswersFalse = true});
    settings.excludedExtensions = {L".jpg"};
    EXPECT_TRUE(SaveSettings(services, settings));
    EXPECT_EQ(Loaded().excludedExtensions, settings.excludedExtensions);
}

TEST_F(SettingsSave, SucceedsWithoutTheFreeService)
{
    SettingsFileServices withoutFree = services;
    withoutFree.XMLFreeFile = nullptr;
    settings.excludedExtensions = {L".jpg"};
    EXPECT_TRUE(SaveSettings(withoutFree, settings));
    EXPECT_EQ(HostTestbedFreeOpenDocuments(), 1);
    EXPECT_EQ(Loaded().excludedExtensions, settings.excludedExtensions);
}

// Folder the host reports -> the settings file's path.
struct PathCase {
    const char* name;
    const wchar_t* folder;
    const wchar_t* expected;
};

class SettingsFilePath : public SettingsSave, public testing::WithParamInterface<PathCase> {};

TEST_P(SettingsFilePath, JoinsTheFileNameWithExactlyOneSeparator)
{
    HostTestbedSetConfigFolder(GetParam().folder);
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
    void (*arrange)(SettingsFileServices&);
};

class SettingsFilePathFailure : public SettingsSave, public testing::WithParamInterface<PathFailureCase> {};

TEST_P(SettingsFilePathFailure, LeavesThePathEmptyAndSavesNothing)
{
    GetParam().arrange(services);
    std::wstring path = L"previous";
    EXPECT_FALSE(GetSettingsFilePath(services, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(SaveSettings(services, settings));
    EXPECT_EQ(HostTestbedCallCount("XMLSaveFileW"), 0);
}

void UseFolder(const wchar_t* folder) { HostTestbedSetConfigFolder(folder); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsFilePathFailure,
    testing::Values(
        PathFailureCase{"NoConfigPathService", [](SettingsFileServices& s) { s.GetConfigPathW = nullptr; }},
        PathFailureCase{"ConfigPathFails", [](SettingsFileServices&) { HostTestbedFailConfigPath(); }},
        // The host's whole buffer of 260 filled, no terminator.
        PathFailureCase{"FolderUnterminated",
                        [](SettingsFileServices&) {
                            HostTestbedSetConfigFolder((L"C:\\" + std::wstring(257, L'c')).c_str(), true);
                        }},
        PathFailureCase{"EmptyFolder", [](SettingsFileServices&) { UseFolder(L""); }},
        // Relative folders would put the file in whatever folder is current.
        PathFailureCase{"RelativeFolder", [](SettingsFileServices&) { UseFolder(L"Cfg"); }},
        PathFailureCase{"DriveRelativeFolder", [](SettingsFileServices&) { UseFolder(L"C:Cfg"); }},
        PathFailureCase{"RootRelativeFolder", [](SettingsFileServices&) { UseFolder(L"\\Cfg"); }}),
    RowName{});

}  // namespace
