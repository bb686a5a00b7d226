// The image library is code the plug-in maps into the host: it is loaded only
// from the host's program folder when that folder is absolute. A host that
// answers with an empty, relative, drive-relative or unterminated folder
// gets a failed start-up, and a library planted where such a folder would
// lead (beside the current directory) is never mapped.
#include <filesystem>
#include <system_error>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

namespace {

constexpr size_t kProgramDirCapacity = 260;

struct ProgramFolder {
    const char* name;
    // The folder the host reports and where a library is planted, from the
    // current directory (a scratch folder) and its drive ("C:").
    std::wstring (*folder)(const std::wstring& current, const std::wstring& drive);
    std::wstring (*planted)(const std::wstring& current, const std::wstring& drive);
    bool fillsTheBuffer;  // reported without a terminator
    bool starts;
};

std::wstring RootFolderName() { return L"dvp_planted_" + std::to_wstring(GetCurrentProcessId()); }

void PrintTo(const ProgramFolder& row, std::ostream* out) { *out << row.name; }

class ProgramFolders : public PluginSession, public testing::WithParamInterface<ProgramFolder> {
protected:
    std::wstring previousDirectory = std::filesystem::current_path().wstring();
    std::wstring plantedFolder;

    void TearDown() override
    {
        PluginSession::TearDown();
        SetCurrentDirectoryW(previousDirectory.c_str());
        if (plantedFolder.find(RootFolderName()) != std::wstring::npos) {
            std::error_code ignored;
            std::filesystem::remove_all(plantedFolder, ignored);
        }
    }

    // Copies the stand-in library to <folder>\Viewers; its full path.
    std::wstring Plant(const std::wstring& folder)
    {
        plantedFolder = folder;
        std::filesystem::create_directories(folder + L"\\Viewers");
        const std::wstring path = folder + L"\\Viewers\\libgfl64U.dll";
        EXPECT_TRUE(CopyFileW((ViewersFolder() + L"\\libgfl64U.dll").c_str(), path.c_str(), FALSE));
        return path;
    }
};

TEST_P(ProgramFolders, LoadTheLibraryOnlyFromAnAbsoluteFolder)
{
    const ProgramFolder& row = GetParam();
    ASSERT_TRUE(SetCurrentDirectoryW(files.path().c_str()));
    const std::wstring drive = files.path().substr(0, 2);
    const std::wstring planted = Plant(row.planted(files.path(), drive));
    const std::wstring folder = row.folder(files.path(), drive);
    ASSERT_TRUE(!row.fillsTheBuffer || folder.size() == kProgramDirCapacity);
    HostTestbedSetProgramFolder(folder.c_str(), row.fillsTheBuffer);

    InitExRecord record = HostRecord(13);
    const BOOL startResult = plugin.InitEx(&record);
    EXPECT_EQ(GetModuleHandleW(planted.c_str()), nullptr) << "the planted library was mapped";
    EXPECT_EQ(startResult, row.starts ? TRUE : FALSE);
    if (startResult)
        plugin.Uninit();
    EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr) << "a refused start-up leaves nothing behind";

    HostTestbedSetProgramFolder(nullptr);
    EXPECT_EQ(plugin.InitEx(&record), TRUE) << "the refusal unwound: the count is back at 0";
    plugin.Uninit();
}

std::wstring Current(const std::wstring& current, const std::wstring&) { return current; }

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgramFolders,
    testing::Values(
        ProgramFolder{"Empty", [](const std::wstring&, const std::wstring&) { return std::wstring(); }, Current,
                      false, false},
        ProgramFolder{"Relative", [](const std::wstring&, const std::wstring&) { return std::wstring(L"rel\\dir"); },
                      [](const std::wstring& current, const std::wstring&) { return current + L"\\rel\\dir"; }, false,
                      false},
        ProgramFolder{"Dot", [](const std::wstring&, const std::wstring&) { return std::wstring(L"."); }, Current,
                      false, false},
        ProgramFolder{"RootedWithoutDrive",
                      [](const std::wstring&, const std::wstring&) { return L"\\" + RootFolderName(); },
                      [](const std::wstring&, const std::wstring& drive) { return drive + L"\\" + RootFolderName(); },
                      false, false},
        ProgramFolder{"DriveRelative", [](const std::wstring&, const std::wstring& drive) { return drive + L"rel"; },
                      [](const std::wstring& current, const std::wstring&) { return current + L"\\rel"; }, false,
                      false},
        ProgramFolder{"DriveOnly", [](const std::wstring&, const std::wstring& drive) { return drive; }, Current,
                      false, false},
        // Absolute, but without a terminator: whatever a reader cuts it to
        // is a guess at the folder the host meant.
        ProgramFolder{"FillsTheBufferWithoutTerminator",
                      [](const std::wstring& current, const std::wstring&) {
                          return current + std::wstring(kProgramDirCapacity - current.size(), L'\\');
                      },
                      Current, true, false},
        // The host's own folder is absolute: its library is used, never the
        // one beside the current directory.
        ProgramFolder{"DriveAbsolute", [](const std::wstring&, const std::wstring&) { return ExecutableFolder(); },
                      Current, false, true},
        ProgramFolder{"DriveAbsoluteWithSeparator",
                      [](const std::wstring&, const std::wstring&) { return ExecutableFolder() + L"\\"; }, Current,
                      false, true}),
    RowName{});

}  // namespace
