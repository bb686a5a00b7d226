// Settings persistence through the stand-in host's real XML services (bound
// from this dopus.exe as the plug-in binds them), against real files in a
// fresh configuration folder: round trips and hand-written files. Bad files:
// hostile_settings_test.cpp; failing services: settings_load_test.cpp and
// settings_save_failure_test.cpp.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/saved_settings.h"
#include "tests/unit/settings_on_stand_in_host.h"

namespace {

class SettingsFile : public SettingsOnStandInHost {
protected:
    PluginSettings Loaded(bool expected = true, int32_t streamsBefore = 1)
    {
        PluginSettings loaded;
        loaded.excludedExtensions = {L".stale"};
        loaded.useForStreams = streamsBefore;
        EXPECT_EQ(LoadSettings(services, loaded), expected);
        return loaded;
    }
};

TEST_F(SettingsFile, SaveWritesTheRootOneNodePerEntryInOrderThenTheStreamFlag)
{
    settings.excludedExtensions = {L".jpg", L".PNG", L"tif"};
    settings.useForStreams = 0;
    ASSERT_TRUE(SaveSettings(services, settings));

    const SavedSettings saved = ReadSavedSettings(File());
    EXPECT_EQ(saved.rootName, L"DVP_QPV");
    EXPECT_EQ(saved.children, (std::vector<std::wstring>{L"ExcludedExtension", L"ExcludedExtension",
                                                          L"ExcludedExtension", L"UseQPVForStreams"}));
    EXPECT_EQ(saved.excluded, settings.excludedExtensions);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{0});
}

TEST_F(SettingsFile, LoadReadsASavedFileBackInOrder)
{
    for (int32_t streams : {0, 1}) {
        settings.excludedExtensions = {L".jpg", L".PNG", L"", L"tif", L".jpg", L".z"};
        settings.useForStreams = streams;
        ASSERT_TRUE(SaveSettings(services, settings));
        PluginSettings loaded = Loaded(true, 1 - streams);
        EXPECT_EQ(loaded.excludedExtensions, settings.excludedExtensions);
        EXPECT_EQ(loaded.useForStreams, streams);
    }
}

TEST_F(SettingsFile, EmptyListRoundTripsAsEmptyNotAsDefaults)
{
    settings.useForStreams = 1;
    ASSERT_TRUE(SaveSettings(services, settings));
    EXPECT_EQ(ReadSavedSettings(File()).children, std::vector<std::wstring>{L"UseQPVForStreams"});
    PluginSettings loaded = Loaded(true, 0);
    EXPECT_TRUE(loaded.excludedExtensions.empty());
    EXPECT_EQ(loaded.useForStreams, 1);
}

TEST_F(SettingsFile, DefaultsRoundTripInTheirSortedOrder)
{
    settings.ResetToDefaults();
    ASSERT_TRUE(SaveSettings(services, settings));
    EXPECT_EQ(Loaded().excludedExtensions, settings.excludedExtensions);
}

TEST_F(SettingsFile, ConfigFolderEndingInASeparatorGetsNoSecondOne)
{
    for (const wchar_t* separator : {L"\\", L"/"}) {
        const std::wstring configFolder = folder.path() + separator;
        HostTestbedSetConfigFolder(configFolder.c_str());
        std::wstring path;
        ASSERT_TRUE(GetSettingsFilePath(services, path));
        EXPECT_EQ(path, configFolder + L"DVP_QPV.oxc");

        std::filesystem::remove(File());
        settings.excludedExtensions = {std::wstring(L".sep") + separator};
        ASSERT_TRUE(SaveSettings(services, settings));
        EXPECT_TRUE(std::filesystem::exists(File()));
        EXPECT_EQ(Loaded().excludedExtensions, settings.excludedExtensions);
    }
}

TEST_F(SettingsFile, MissingFileFailsLeavesTheStreamSwitchAndCreatesNothing)
{
    PluginSettings loaded = Loaded(false, 0);
    EXPECT_TRUE(loaded.excludedExtensions.empty());
    EXPECT_EQ(loaded.useForStreams, 0);
    EXPECT_FALSE(std::filesystem::exists(File()));
}

// Hand-written files that load.
struct FileCase {
    const char* name;
    std::string children;
    int32_t streamsBefore;
    ExtensionList expectedList;
    int32_t expectedStreams;
};

void PrintTo(const FileCase& row, std::ostream* out) { *out << row.name; }

class SettingsFileContent : public SettingsFile, public testing::WithParamInterface<FileCase> {};

TEST_P(SettingsFileContent, LoadsWhatTheFileHolds)
{
    WriteFileBytes(File(), SettingsDocument(GetParam().children));
    PluginSettings loaded = Loaded(true, GetParam().streamsBefore);
    EXPECT_EQ(loaded.excludedExtensions, GetParam().expectedList);
    EXPECT_EQ(loaded.useForStreams, GetParam().expectedStreams);
}

const std::string kLong(2000, 'L');
const std::string kShorter(1500, 'S');
const std::string kMegabyte(1 << 20, 'M');

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsFileContent,
    testing::Values(
        FileCase{"EmptyDocumentGivesEmptyList", "", 1, {}, 1},
        FileCase{"NoStreamsNodeLeavesOne", "<ExcludedExtension>.a</ExcludedExtension>", 1, {L".a"}, 1},
        FileCase{"LaterOfTwoStreamsNodesWinsFalse",
                 "<UseQPVForStreams>true</UseQPVForStreams><UseQPVForStreams>false</UseQPVForStreams>", 1, {}, 0},
        FileCase{"LaterOfTwoStreamsNodesWinsTrue",
                 "<UseQPVForStreams>false</UseQPVForStreams><UseQPVForStreams>true</UseQPVForStreams>", 0, {}, 1},
        FileCase{"NodeDifferingOnlyInCaseIsIgnored",
                 "<excludedExtension>.lower</excludedExtension><ExcludedExtension>.kept</ExcludedExtension>"
                 "<USEQPVFORSTREAMS>false</USEQPVFORSTREAMS>",
                 1, {L".kept"}, 1},
        FileCase{"OtherNodesAreSkipped",
                 "<Comment>x</Comment><ExcludedExtension>.a</ExcludedExtension><Extra/>"
                 "<ExcludedExtension>.b</ExcludedExtension>",
                 1, {L".a", L".b"}, 1},
        FileCase{"NamesWithTextMoreOrLessAreSkipped",
                 "<ExcludedExtensions>.plural</ExcludedExtensions><ExcludedExtensio>.short</ExcludedExtensio>"
                 "<ExcludedExtension>.kept</ExcludedExtension><UseQPVForStream>false</UseQPVForStream>",
                 1, {L".kept"}, 1},
        FileCase{"ValuesLoadVerbatimInDocumentOrder",
                 "<ExcludedExtension>jpg</ExcludedExtension><ExcludedExtension>.PNG</ExcludedExtension>"
                 "<ExcludedExtension></ExcludedExtension><ExcludedExtension> .gif </ExcludedExtension>"
                 "<ExcludedExtension>jpg</ExcludedExtension>",
                 1, {L"jpg", L".PNG", L"", L" .gif ", L"jpg"}, 1},
        FileCase{"ValuesOver1024CharactersAreReadWhole",
                 "<ExcludedExtension>." + kLong + "</ExcludedExtension><ExcludedExtension>" + kShorter +
                     "</ExcludedExtension><ExcludedExtension>.b</ExcludedExtension>",
                 1,
                 {L"." + std::wstring(kLong.begin(), kLong.end()), std::wstring(kShorter.begin(), kShorter.end()),
                  L".b"},
                 1},
        FileCase{"MegabyteValueIsReadWhole", "<ExcludedExtension>" + kMegabyte + "</ExcludedExtension>", 1,
                 {std::wstring(kMegabyte.begin(), kMegabyte.end())}, 1}),
    RowName{});

TEST_F(SettingsFile, SaveWithoutRenameServiceKeepsTheHostsRootNameAndWritesTheChildren)
{
    services.XMLSetNodeNameW = nullptr;
    settings.excludedExtensions = {L".jpg"};
    ASSERT_TRUE(SaveSettings(services, settings));
    const SavedSettings saved = ReadSavedSettings(File());
    EXPECT_EQ(saved.rootName, L"root");  // the name this host gives a new document
    EXPECT_EQ(saved.excluded, settings.excludedExtensions);
    // A root of another name does not load.
    Loaded(false);
}

}  // namespace
