// A settings file whose bytes the plug-in has not read in whole, or written
// itself, is the user's data all the same: before the dialog's Apply saves
// over it, its bytes are kept beside it in DVP_QPV.oxc.bak, unless it is
// empty or a backup holds its bytes already. That first backup is never
// replaced (a host that failed once to read a sound file must not push it
// out); later files go to DVP_QPV.oxc.latest.bak, read-only or not. No
// backup carries the file's read-only attribute over. A file that was read,
// and a file the plug-in saved itself, are saved over as usual with no copy.
#include "testbed/host/host_testbed_control.h"
#include "tests/support/config_dialog_session.h"
#include "tests/support/saved_settings.h"
#include "tests/support/row_name.h"

namespace {

const std::string kGoodFile = SettingsDocument(SettingsChildren({L".abc"}, true));
const std::string kOlderBackup = "an older backup";

enum class Backup {
    None,             // no .bak afterwards
    OfTheFile,        // the file's bytes, writable
    LeftAsItWas,      // the older backup: same bytes, same time stamp
    BesideTheOlder,   // the older backup left as it was, the file's bytes in .latest.bak
};

struct SettingsFileBytes {
    const char* name;
    std::string bytes;
    bool readable;
    const char* olderBackup;  // the bytes of a .bak that is there already, or null
    Backup expected;
    bool readOnlyFile = false;
    const char* failsOnce = nullptr;  // a host service whose first call at the start-up fails
    const char* olderLatest = nullptr;  // the bytes of a read-only .latest.bak there already, or null
    const char* rewritten = nullptr;    // the bytes another program writes over the file after start-up
};

void PrintTo(const SettingsFileBytes& row, std::ostream* out) { *out << row.name; }

class SettingsBackup : public ConfigDialog, public testing::WithParamInterface<SettingsFileBytes> {};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FILETIME LastWritten(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// A time stamp no copy made now can carry: 1 January 2001.
bool StampLongAgo(const std::wstring& path)
{
    const FILETIME longAgo{0xC89DC000u, 0x01C07385u};
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool stamped = file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &longAgo);
    CloseHandle(file);
    return stamped;
}

TEST_P(SettingsBackup, KeepsAnUnreadableFileBeforeApplySavesOverIt)
{
    const SettingsFileBytes& row = GetParam();
    const std::wstring file = SettingsFile();
    const std::wstring backup = config.file(L"DVP_QPV.oxc.bak");
    const std::wstring latest = config.file(L"DVP_QPV.oxc.latest.bak");
    ASSERT_TRUE(WriteFileBytes(file, row.bytes));
    FILETIME olderStamp{};
    if (row.olderBackup) {
        ASSERT_TRUE(WriteFileBytes(backup, row.olderBackup));
        ASSERT_TRUE(StampLongAgo(backup));
        olderStamp = LastWritten(backup);
    }
    if (row.readOnlyFile)
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    if (row.olderLatest) {
        ASSERT_TRUE(WriteFileBytes(latest, row.olderLatest));
        SetFileAttributesW(latest.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    if (row.failsOnce) {
        ASSERT_TRUE(HostTestbedFailService(row.failsOnce, 1));
    }
    Start();
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (row.rewritten) {
        ASSERT_TRUE(WriteFileBytes(file, row.rewritten));
    }

    // The second Apply saves over the plug-in's own file: no copy of it.
    Open();
    for (int apply = 0; apply < 2; ++apply) {
        Click(dialog, kStreams);  // on in both the defaults and the good file
        Click(dialog, kApply);
    }
    DestroyWindow(dialog);
    PumpPending(nullptr);

    const SavedSettings saved = Saved();
    EXPECT_TRUE(saved.loaded) << "Apply saved the new settings";
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
    EXPECT_EQ(saved.excluded.size(), row.readable ? 1u : 68u);
    const std::string kept = row.rewritten ? row.rewritten : row.bytes;

    const bool besideTheOlder = row.expected == Backup::BesideTheOlder;
    switch (row.expected) {
    case Backup::None:
        EXPECT_FALSE(Exists(backup)) << "a copy of a file that loaded or held nothing";
        break;
    case Backup::OfTheFile:
        EXPECT_EQ(ReadFileText(backup), kept) << "the unread file's bytes are gone";
        EXPECT_EQ(GetFileAttributesW(backup.c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "a later copy cannot replace it";
        break;
    case Backup::LeftAsItWas:
    case Backup::BesideTheOlder: {
        EXPECT_EQ(ReadFileText(backup), row.olderBackup) << "the first backup was replaced";
        const FILETIME stamp = LastWritten(backup);
        EXPECT_EQ(CompareFileTime(&olderStamp, &stamp), 0) << "the backup was rewritten";
        break;
    }
    }
    if (besideTheOlder)
        EXPECT_EQ(ReadFileText(latest), kept) << "the newer unread file's bytes are gone";
    else if (row.olderLatest)
        EXPECT_EQ(ReadFileText(latest), row.olderLatest) << "the latest backup replaced by nothing new";
    else
        EXPECT_FALSE(Exists(latest)) << "a second backup of nothing new";
}

std::string Truncated() { return kGoodFile.substr(0, kGoodFile.size() / 2); }

std::string WrongRoot() { return SettingsDocument(SettingsEntry(".abc"), "Settings"); }

std::string RefusedValue()
{
    return SettingsDocument(SettingsEntry(".abc") + "<UseQPVForStreams>perhaps</UseQPVForStreams>");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsBackup,
    testing::Values(
        SettingsFileBytes{"NotXml", "\x89PNG\r\n\x1A\n not settings", false, nullptr, Backup::OfTheFile},
        SettingsFileBytes{"Truncated", Truncated(), false, nullptr, Backup::OfTheFile},
        SettingsFileBytes{"WrongRoot", WrongRoot(), false, nullptr, Backup::OfTheFile},
        SettingsFileBytes{"ValueTheReaderRefuses", RefusedValue(), false, nullptr, Backup::OfTheFile},
        SettingsFileBytes{"NotXmlGoesBesideAnOlderBackup", "not xml", false, kOlderBackup.c_str(),
                          Backup::BesideTheOlder},
        SettingsFileBytes{"ReadOnlyFileGivesAWritableBackup", "not xml", false, nullptr, Backup::OfTheFile, true},
        SettingsFileBytes{"EmptyMakesNoBackup", "", false, nullptr, Backup::None},
        SettingsFileBytes{"EmptyLeavesAnOlderBackup", "", false, kOlderBackup.c_str(), Backup::LeftAsItWas},
        SettingsFileBytes{"IdenticalLeavesTheBackup", "not xml", false, "not xml", Backup::LeftAsItWas},
        SettingsFileBytes{"Readable", kGoodFile, true, nullptr, Backup::None},
        SettingsFileBytes{"ReadableLeavesAnOlderBackup", kGoodFile, true, kOlderBackup.c_str(),
                          Backup::LeftAsItWas},
        SettingsFileBytes{"ReadableRefusedOnceGoesBesideAnOlderBackup", kGoodFile, false, kOlderBackup.c_str(),
                          Backup::BesideTheOlder, false, "XMLLoadFileW"},
        SettingsFileBytes{"NotXmlTheStartUpNeverSawIsKeptBeforeTheSave", "not xml", false, nullptr, Backup::OfTheFile,
                          false, "GetConfigPathW"},
        SettingsFileBytes{"ReadableTheStartUpNeverSawIsKept", kGoodFile, false, nullptr, Backup::OfTheFile,
                          false, "GetConfigPathW"},
        SettingsFileBytes{"NotXmlReplacesAReadOnlyLatestBackup", "not xml", false, kOlderBackup.c_str(),
                          Backup::BesideTheOlder, false, nullptr, "an older latest backup"},
        SettingsFileBytes{"ReadableRewrittenAfterTheStartUpIsKept", kGoodFile, true, nullptr, Backup::OfTheFile,
                          false, nullptr, nullptr, "rewritten by another program"}),
    RowName{});

}  // namespace
