// Hostile settings files through a real start-up (DVP_InitEx in-process,
// with the stand-in host's XML services reading real files): whatever the
// file holds, the plug-in runs on the built-in defaults or on the file's
// complete contents, never on part of it, and the start-up leaves the file's
// bytes as they were. A file refused as a whole also fails a direct load.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "plugin/host_services.h"
#include "settings/settings_persistence.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/in_process_state.h"

namespace {

enum class Outcome {
    Defaults,             // the file is refused as a whole
    Contents,             // the file is read whole
    DefaultsOrContents,   // the host may refuse it or read it whole
};

struct HostileFile {
    const char* name;
    std::string bytes;
    Outcome outcome;
    ExtensionList contents;  // when read whole
    int32_t streams = 1;     // when read whole
    // When given: a load of the file fails, keeping this much of it (the
    // caller then resets).
    std::optional<ExtensionList> leftover = std::nullopt;
};

void PrintTo(const HostileFile& row, std::ostream* out) { *out << row.name; }

ExtensionList SortedDefaults()
{
    ExtensionList defaults(DefaultExcludedExtensions.begin(), DefaultExcludedExtensions.end());
    std::sort(defaults.begin(), defaults.end());
    return defaults;
}

std::string NotXml()
{
    std::string bytes;
    uint32_t state = 0x2545F491u;
    for (int i = 0; i < 4096; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.push_back(static_cast<char>(state));
    }
    return bytes;
}

std::string Utf16Document()
{
    const std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<DVP_QPV><ExcludedExtension>.\x00E9t\x00E9"
                              L"</ExcludedExtension><UseQPVForStreams>false</UseQPVForStreams></DVP_QPV>\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// Each entity ten times the one before: a billion "lol"s if expanded.
std::string BillionLaughs()
{
    std::string dtd = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE DVP_QPV [\r\n<!ENTITY l0 \"lol\">\r\n";
    for (int i = 1; i < 10; ++i) {
        std::string references;
        for (int j = 0; j < 10; ++j)
            references += "&l" + std::to_string(i - 1) + ";";
        dtd += "<!ENTITY l" + std::to_string(i) + " \"" + references + "\">\r\n";
    }
    return dtd + "]>\r\n<DVP_QPV>" + SettingsEntry("&l9;") + "</DVP_QPV>\r\n";
}

std::string DeepNesting(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<n>";
        close += "</n>";
    }
    return SettingsDocument(open + close + SettingsEntry(".kept"));
}

const std::string kMegabyte(1 << 20, 'M');
const std::wstring kWideMegabyte(kMegabyte.begin(), kMegabyte.end());

std::vector<HostileFile> Rows()
{
    return {
        {"NotXml", NotXml(), Outcome::Defaults, {}},
        {"PlainTextLines", "ExcludedExtension=.jpg\r\n", Outcome::Defaults, {}, 1, ExtensionList{}},
        {"Empty", "", Outcome::Defaults, {}, 1, ExtensionList{}},
        {"OnlyADeclaration", "<?xml version=\"1.0\"?>\r\n", Outcome::Defaults, {}},
        {"Truncated", "<?xml version=\"1.0\"?>\n<DVP_QPV><ExcludedExtension>.jpg", Outcome::Defaults, {}, 1,
         ExtensionList{}},
        {"WrongRoot", SettingsDocument(SettingsEntry(".jpg"), "Settings"), Outcome::Defaults, {}},
        {"OtherRoot", SettingsDocument(SettingsEntry(".jpg"), "Other"), Outcome::Defaults, {}, 1, ExtensionList{}},
        {"RootInOtherCase", SettingsDocument(SettingsEntry(".jpg"), "dvp_qpv"), Outcome::Defaults, {}, 1, ExtensionList{}},
        {"StreamsFlagNotABoolean", SettingsDocument(SettingsEntry(".jpg") + "<UseQPVForStreams>maybe</UseQPVForStreams>"),
         Outcome::Defaults, {}, 1, ExtensionList{L".jpg"}},
        {"GarbageAfterTheRoot", SettingsDocument(SettingsEntry(".jpg")) + "<DVP_QPV>", Outcome::Defaults, {}},
        {"NulByteInAValue", SettingsDocument(SettingsEntry(std::string(".a\0b", 4))), Outcome::Defaults, {}},
        {"NulCharacterReference", SettingsDocument(SettingsEntry(".a&#0;b")), Outcome::Defaults, {}},
        {"EntityExpansion", BillionLaughs(), Outcome::Defaults, {}},
        {"NestingTenThousandDeep", DeepNesting(10000), Outcome::Defaults, {}},
        {"MegabyteValueThenMore",
         SettingsDocument(SettingsEntry(kMegabyte) + SettingsEntry(".tbim") + SettingsSwitch(false)),
         Outcome::Contents, {kWideMegabyte, L".tbim"}, 0},
        {"LongUnknownElementNameIsSkipped",
         SettingsDocument("<" + std::string(5000, 'N') + ">x</" + std::string(5000, 'N') + ">" + SettingsEntry(".kept")),
         Outcome::Contents, {L".kept"}},
        {"Utf16WithByteOrderMark", Utf16Document(), Outcome::Contents, {L".\x00E9t\x00E9"}, 0},
        {"CharacterOutsideTheBasicPlaneAsUtf8", SettingsDocument(SettingsEntry(".\xF0\x9F\x98\x80")), Outcome::Contents,
         {L".\xD83D\xDE00"}},
        {"CharacterOutsideTheBasicPlaneAsReference", SettingsDocument(SettingsEntry(".&#x1F600;")), Outcome::Contents,
         {L".\xD83D\xDE00"}},
        // Surrogates are no characters: UTF-8 may not encode them and a
        // character reference may not name them.
        {"LoneHighSurrogateAsUtf8", SettingsDocument(SettingsEntry(".\xED\xA0\x80")), Outcome::DefaultsOrContents, {L".\xD800"}},
        {"LoneLowSurrogateAsUtf8", SettingsDocument(SettingsEntry(".\xED\xB0\x80")), Outcome::DefaultsOrContents, {L".\xDC00"}},
        {"ReversedPairAsUtf8", SettingsDocument(SettingsEntry(".\xED\xB8\x80\xED\xA0\xBD")), Outcome::DefaultsOrContents,
         {L".\xDE00\xD83D"}},
        {"LoneHighSurrogateAsDecimalReference", SettingsDocument(SettingsEntry(".&#55296;")), Outcome::DefaultsOrContents,
         {L".\xD800"}},
        {"LoneLowSurrogateAsHexReference", SettingsDocument(SettingsEntry(".&#xDC00;")), Outcome::DefaultsOrContents, {L".\xDC00"}},
        {"PairAsTwoReferences", SettingsDocument(SettingsEntry(".&#xD83D;&#xDE00;")), Outcome::DefaultsOrContents,
         {L".\xD83D\xDE00"}},
    };
}

class HostileSettingsFile : public PluginSession, public testing::WithParamInterface<HostileFile> {};

TEST_P(HostileSettingsFile, RunsOnTheDefaultsOrTheWholeFileAndLeavesItsBytes)
{
    const HostileFile& row = GetParam();
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), row.bytes));

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start()) << "a settings file never stops the start-up";
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(20)) << "start-up took too long over this file";

    const PluginSettings* settings = ProcessSettings();
    ASSERT_NE(settings, nullptr);
    const bool defaults = settings->excludedExtensions == SortedDefaults() && settings->useForStreams == 1;
    const bool contents = settings->excludedExtensions == row.contents && settings->useForStreams == row.streams;
    switch (row.outcome) {
    case Outcome::Defaults:
        EXPECT_TRUE(defaults) << "expected the defaults, got " << settings->excludedExtensions.size() << " entries";
        break;
    case Outcome::Contents:
        EXPECT_TRUE(contents) << "expected the file's " << row.contents.size() << " entries, got "
                              << settings->excludedExtensions.size();
        break;
    case Outcome::DefaultsOrContents:
        EXPECT_TRUE(defaults || contents) << "neither the defaults nor the whole file: "
                                          << settings->excludedExtensions.size() << " entries";
        printf("[ settings ] %s: %s\n", row.name, defaults ? "refused, defaults in force" : "read whole");
        break;
    }
    Stop();
    if (row.leftover) {
        PluginSettings loaded;
        loaded.excludedExtensions = {L".stale"};
        EXPECT_FALSE(LoadSettings(HostServices::Bind().settingsFile(), loaded));
        EXPECT_EQ(loaded.excludedExtensions, *row.leftover) << "what a failed load keeps of the file";
    }
    EXPECT_EQ(ReadFileText(SettingsFile()), row.bytes) << "the file changed";
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
    EXPECT_EQ(HostTestbedInvalidHandleCalls(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileSettingsFile, testing::ValuesIn(Rows()), RowName{});

class HostileSettings : public PluginSession {};

TEST_F(HostileSettings, HundredThousandEntriesLoadWholeAndInOrder)
{
    constexpr int kEntries = 100000;
    std::string children;
    ExtensionList expected;
    for (int i = 0; i < kEntries; ++i) {
        const std::string value = ".e" + std::to_string(i);
        children += SettingsEntry(value) + "\r\n";
        expected.emplace_back(value.begin(), value.end());
    }
    children += SettingsSwitch(false);
    const std::string text = SettingsDocument(children);
    ASSERT_TRUE(WriteFileBytes(SettingsFile(), text));

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    printf("[ settings ] %d entries (%zu bytes) loaded in %lld ms\n", kEntries, text.size(),
           static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    ASSERT_NE(ProcessSettings(), nullptr);
    EXPECT_TRUE(ProcessSettings()->excludedExtensions == expected) << ProcessSettings()->excludedExtensions.size() << " entries";
    EXPECT_EQ(ProcessSettings()->useForStreams, 0) << "the node after them was read too";

    // The last entry is in force for identification.
    const std::wstring path = files.file(L"x.e99999");
    ASSERT_TRUE(WriteFileBytes(path, SolidImage(2, 2, 0xFF000000u).Bytes()));
    dvp::FileInfoRecord record{};
    EXPECT_EQ(plugin.IdentifyFileW(nullptr, path.c_str(), &record, nullptr), FALSE);
    Stop();
    EXPECT_EQ(ReadFileText(SettingsFile()), text);
}

}  // namespace
