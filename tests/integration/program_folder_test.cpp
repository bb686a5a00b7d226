// The image library is code the plug-in maps into the host: it is loaded only
// from the host's program folder when that folder is absolute. A host that
// answers with an empty, relative, drive-relative or unterminated folder
// gets a failed start-up, and a library planted where such a folder would
// lead (from the current directory) is never mapped.
#include <windows.h>

#include <psapi.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/test_files.h"

namespace {

constexpr size_t kProgramDirCapacity = 260;

// Folders are written with placeholders: %c the current directory (a scratch
// folder), %d its drive ("C:"), %r a folder name for the drive's root, %e the
// test program's own folder.
struct ProgramFolder {
    const char* name;
    const wchar_t* folder;   // what GetProgramDirW reports
    const wchar_t* planted;  // the folder whose Viewers subfolder holds a library
    bool fillsTheBuffer;     // padded with '\' to the whole buffer, no terminator
    bool starts;
};

void PrintTo(const ProgramFolder& row, std::ostream* out) { *out << row.name; }

std::wstring RootFolderName() { return L"dvp_planted_" + std::to_wstring(GetCurrentProcessId()); }

std::wstring Expand(const wchar_t* pattern, const std::wstring& current)
{
    std::wstring text;
    for (const wchar_t* c = pattern; *c; ++c) {
        if (*c != L'%' || !c[1]) {
            text += *c;
            continue;
        }
        switch (*++c) {
        case L'c': text += current; break;
        case L'd': text += current.substr(0, 2); break;
        case L'r': text += RootFolderName(); break;
        default: text += ExecutableFolder(); break;
        }
    }
    return text;
}

// Whether any module of this process was mapped from that file.
bool IsMapped(const std::wstring& path)
{
    std::vector<HMODULE> modules(1024);
    DWORD bytes = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                            &bytes))
        return false;
    modules.resize(std::min<size_t>(bytes / sizeof(HMODULE), modules.size()));
    for (HMODULE module : modules) {
        wchar_t name[MAX_PATH * 2] = {};
        if (GetModuleFileNameW(module, name, MAX_PATH * 2) && lstrcmpiW(name, path.c_str()) == 0)
            return true;
    }
    return false;
}

class ProgramFolders : public PluginSession, public testing::WithParamInterface<ProgramFolder> {
protected:
    std::wstring previousDirectory = std::filesystem::current_path().wstring();
    std::wstring rootFolder;

    void TearDown() override
    {
        PluginSession::TearDown();
        SetCurrentDirectoryW(previousDirectory.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(rootFolder, ignored);
    }
};

TEST_P(ProgramFolders, LoadTheLibraryOnlyFromAnAbsoluteFolder)
{
    const ProgramFolder& row = GetParam();
    ASSERT_TRUE(SetCurrentDirectoryW(files.path().c_str()));
    rootFolder = Expand(L"%d\\%r", files.path());
    const std::wstring planted = Expand(row.planted, files.path()) + L"\\Viewers\\libgfl64U.dll";
    std::filesystem::create_directories(std::filesystem::path(planted).parent_path());
    ASSERT_TRUE(CopyFileW((ViewersFolder() + L"\\libgfl64U.dll").c_str(), planted.c_str(), FALSE));
    std::wstring folder = Expand(row.folder, files.path());
    if (row.fillsTheBuffer)
        folder.resize(kProgramDirCapacity, L'\\');
    HostTestbedSetProgramFolder(folder.c_str(), row.fillsTheBuffer);

    dvp::InitExRecord record = dvp::HostRecord(13);
    const BOOL startResult = plugin.InitEx(&record);
    EXPECT_FALSE(IsMapped(planted)) << "the planted library was mapped";
    EXPECT_EQ(startResult, row.starts ? TRUE : FALSE);
    if (startResult)
        plugin.Uninit();
    EXPECT_EQ(plugin.Configure(nullptr, nullptr, 0), nullptr) << "a refused start-up leaves nothing behind";

    HostTestbedSetProgramFolder(nullptr);
    EXPECT_EQ(plugin.InitEx(&record), TRUE) << "the refusal unwound: the count is back at 0";
    plugin.Uninit();
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgramFolders,
                         testing::Values(ProgramFolder{"Empty", L"", L"%c", false, false},
                                         ProgramFolder{"Relative", L"rel\\dir", L"%c\\rel\\dir", false, false},
                                         ProgramFolder{"Dot", L".", L"%c", false, false},
                                         ProgramFolder{"RootedWithoutDrive", L"\\%r", L"%d\\%r", false, false},
                                         ProgramFolder{"DriveRelative", L"%drel", L"%c\\rel", false, false},
                                         ProgramFolder{"DriveOnly", L"%d", L"%c", false, false},
                                         // Absolute, but whatever a reader cuts
                                         // it to is a guess at the folder meant.
                                         ProgramFolder{"FillsTheBufferWithoutTerminator", L"%c", L"%c", true, false},
                                         // The host's own absolute folder: its
                                         // library, never the planted one.
                                         ProgramFolder{"DriveAbsolute", L"%e", L"%c", false, true},
                                         ProgramFolder{"DriveAbsoluteWithSeparator", L"%e\\", L"%c", false, true}),
                         RowName{});

}  // namespace
