// The plug-in module's own lifetime, in a program that loads and unloads the
// DLL itself: a host process that exits with the plug-in still loaded, a
// host that unloads it, and a dialog left open across the unload. These
// tests run alone (RUN_SERIAL): the presence atom is global to every process
// of the Wine server, and other test programs hold it while they run.
#include <gtest/gtest.h>

#include <filesystem>

#include "testbed/host/host_testbed_control.h"
#include "testbed/host/plugin_binding.h"
#include "tests/support/config_dialog_session.h"
#include "tests/support/stand_in_library.h"
#include "tests/support/test_files.h"

namespace {

constexpr wchar_t kPresenceAtom[] = L"{6B1E3A52-0D47-4C8B-9A3E-5F2C71D9B804}";

std::wstring PluginPath() { return ViewersFolder() + L"\\DVP_QPV.dll"; }

// A process that crashed while it held the plug-in never released its
// reference; nothing else holds one while this program runs alone.
void DropLeakedAtomReferences()
{
    for (int i = 0; i < 1000 && GlobalFindAtomW(kPresenceAtom) != 0; ++i)
        GlobalDeleteAtom(GlobalFindAtomW(kPresenceAtom));
    ASSERT_EQ(GlobalFindAtomW(kPresenceAtom), 0);
}

// Runs the command line to its end; its exit code, or ~0u when it could not
// start or did not end within a minute.
DWORD RunToEnd(std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The stand-in host started the plug-in, decoded a file and called
// ExitProcess(0): the loader detaches the library before the plug-in, so
// the plug-in's own detach must not call into it (the stand-in would end the
// process with its own exit code), yet the atom, which outlives the process,
// must still go.
TEST(ProcessExit, LeavesTheLibraryAloneAndReleasesThePresenceAtom)
{
    DropLeakedAtomReferences();
    ScratchFolder config;
    ScratchFolder output;
    const std::wstring driver = ExecutableFolder() + L"\\..\\..\\dist\\dopus.exe";
    const std::wstring source = output.file(L"gradient.image");  // an extension no one excludes
    ASSERT_TRUE(CopyFileW(TestDataFile(L"gradient.png").c_str(), source.c_str(), FALSE));
    const std::wstring picture = output.file(L"out.png");
    const DWORD code = RunToEnd(Quoted(driver) + L" --config " + Quoted(config.path()) + L" --exit-loaded render " +
                                Quoted(source) + L" " + Quoted(picture));
    EXPECT_EQ(code, 0u) << std::hex << "exit code 0x" << code << " (0x" << kTestbedCalledAfterDetachExitCode
                        << ": the library was called after the loader detached it)";
    EXPECT_TRUE(std::filesystem::exists(picture)) << "the child decoded nothing";
    EXPECT_EQ(GlobalFindAtomW(kPresenceAtom), 0) << "the presence atom outlived the process";
}

// A plug-in loaded by this program and started with a config folder of its
// own; each test decides how the module goes.
class LoadedAndStarted : public testing::Test {
protected:
    ScratchFolder config;
    LoadedPlugin loaded;

    void SetUp() override
    {
        DropLeakedAtomReferences();
        HostTestbedReset();
        HostTestbedSetConfigFolder(config.path().c_str());
        std::wstring error;
        LoadPlugin(PluginPath(), loaded, error);
        ASSERT_NE(loaded.module.get(), nullptr) << error;
        EXPECT_NE(GlobalFindAtomW(kPresenceAtom), 0) << "registered while loaded";
        dvp::InitExRecord record = dvp::HostRecord(13);
        ASSERT_EQ(loaded.exports.InitEx(&record), TRUE);
    }
};

// A host that unloads the plug-in: the library gets its exit call and the
// plug-in's reference goes, and so does the atom.
class DynamicUnload : public LoadedAndStarted {};

TEST_F(DynamicUnload, ExitsAndReleasesTheLibraryAndThePresenceAtom)
{
    const dvp::PluginExports& plugin = loaded.exports;
    dvp::FileInfoRecord info{};
    HBITMAP bitmap = plugin.LoadBitmapW(nullptr, TestDataFile(L"gradient.png").c_str(), &info, nullptr, nullptr);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    plugin.Uninit();

    HMODULE held = LoadLibraryW(StandInLibraryPath().c_str());  // keeps the counters readable
    ASSERT_NE(held, nullptr);
    const LibraryControl library = LibraryControl::Bind(held);
    library.Reset();
    loaded.module.reset();
    EXPECT_EQ(GetModuleHandleW(PluginPath().c_str()), nullptr);
    EXPECT_EQ(library.Counters().calls[kTbLibraryExit], 1);
    FreeLibrary(held);
    EXPECT_EQ(GetModuleHandleW(StandInLibraryPath().c_str()), nullptr) << "the plug-in kept its reference to the library";
    EXPECT_EQ(GlobalFindAtomW(kPresenceAtom), 0);
}

// A dialog that could not be created runs no code of the plug-in's later:
// the module goes with the host's unload as usual.
TEST_F(DynamicUnload, AfterADialogThatFailedToOpen)
{
    const dvp::PluginExports& plugin = loaded.exports;
    HWND destroyedOwner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          nullptr, nullptr);
    ASSERT_NE(destroyedOwner, nullptr);
    DestroyWindow(destroyedOwner);  // a dialog cannot be owned by it
    ASSERT_EQ(plugin.Configure(destroyedOwner, nullptr, 0), nullptr);
    plugin.Uninit();
    loaded.module.reset();
    EXPECT_EQ(GetModuleHandleW(PluginPath().c_str()), nullptr) << "a dialog that never existed pinned the plug-in";
    EXPECT_EQ(GlobalFindAtomW(kPresenceAtom), 0);
}

// The dialog's procedure is the plug-in's code: once a dialog was opened,
// unloading the plug-in must not leave the window running into unmapped
// memory.
class DialogAfterUnload : public LoadedAndStarted {};

TEST_F(DialogAfterUnload, KeepsWorkingAndSaving)
{
    const dvp::PluginExports& plugin = loaded.exports;
    HWND dialog = plugin.Configure(nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    PumpPending(dialog);
    plugin.Uninit();
    loaded.module.reset();

    SetText(dialog, kEdit, L"zzz");
    Click(dialog, kAdd);
    Click(dialog, kApply);
    const SavedSettings saved = ReadSavedSettings(config.file(L"DVP_QPV.oxc"));
    EXPECT_TRUE(saved.loaded);
    EXPECT_EQ(saved.excluded.size(), 69u);
    Click(dialog, IDOK);
    EXPECT_TRUE(PumpUntilQuit(dialog, 5000)) << "OK posted no quit message";
    DestroyWindow(dialog);
}

}  // namespace
