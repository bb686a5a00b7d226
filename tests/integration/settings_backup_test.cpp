// A settings file the plug-in cannot read is the user's data all the same:
// before the dialog's Apply saves over it, its bytes are kept beside it in
// DVP_QPV.oxc.bak (replacing an older copy). A file that was read is saved
// over as usual and gets no copy.
#include "tests/support/config_dialog_session.h"
#include "tests/support/row_name.h"

namespace {

const std::string kGoodFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DVP_QPV><ExcludedExtension>.abc</ExcludedExtension>"
    "<UseQPVForStreams>true</UseQPVForStreams></DVP_QPV>\r\n";
const std::string kOlderBackup = "an older backup";

struct SettingsFileBytes {
    const char* name;
    std::string bytes;
    bool readable;
    bool olderBackup;  // a .bak is there already
};

void PrintTo(const SettingsFileBytes& row, std::ostream* out) { *out << row.name; }

class SettingsBackup : public ConfigDialog, public testing::WithParamInterface<SettingsFileBytes> {};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST_P(SettingsBackup, KeepsAnUnreadableFileBeforeApplySavesOverIt)
{
    const SettingsFileBytes& row = GetParam();
    const std::wstring file = SettingsFile();
    const std::wstring backup = config.file(L"DVP_QPV.oxc.bak");
    ASSERT_TRUE(WriteFileBytes(file, row.bytes));
    if (row.olderBackup) {
        ASSERT_TRUE(WriteFileBytes(backup, kOlderBackup));
    }
    Start();

    Open();
    Click(dialog, kStreams);  // on in both the defaults and the good file
    Click(dialog, kApply);
    DestroyWindow(dialog);
    PumpPending(nullptr);

    const SavedSettings saved = Saved();
    EXPECT_TRUE(saved.loaded) << "Apply saved the new settings";
    EXPECT_EQ(saved.useForStreams, std::vector<int>{0});
    EXPECT_EQ(saved.excluded.size(), row.readable ? 1u : 68u);
    if (!row.readable) {
        EXPECT_EQ(ReadFileText(backup), row.bytes) << "the unreadable file's bytes are gone";
    } else if (row.olderBackup) {
        EXPECT_EQ(ReadFileText(backup), kOlderBackup) << "a file that loaded needs no copy";
    } else {
        EXPECT_FALSE(Exists(backup)) << "a file that loaded needs no copy";
    }
}

std::string Truncated() { return kGoodFile.substr(0, kGoodFile.size() / 2); }

std::string WrongRoot()
{
    return "<?xml version=\"1.0\"?>\r\n<Settings><ExcludedExtension>.abc</ExcludedExtension></Settings>\r\n";
}

std::string RefusedValue()
{
    return "<?xml version=\"1.0\"?>\r\n<DVP_QPV><ExcludedExtension>.abc</ExcludedExtension>"
           "<UseQPVForStreams>perhaps</UseQPVForStreams></DVP_QPV>\r\n";
}

INSTANTIATE_TEST_SUITE_P(Rows, SettingsBackup,
                         testing::Values(SettingsFileBytes{"NotXml", "\x89PNG\r\n\x1A\n not settings", false, false},
                                         SettingsFileBytes{"Truncated", Truncated(), false, false},
                                         SettingsFileBytes{"WrongRoot", WrongRoot(), false, false},
                                         SettingsFileBytes{"ValueTheReaderRefuses", RefusedValue(), false, false},
                                         SettingsFileBytes{"NotXmlReplacesAnOlderBackup", "not xml", false, true},
                                         SettingsFileBytes{"Readable", kGoodFile, true, false},
                                         SettingsFileBytes{"ReadableLeavesAnOlderBackup", kGoodFile, true, true}),
                         RowName{});

}  // namespace
