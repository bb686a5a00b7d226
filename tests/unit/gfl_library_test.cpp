// Binding the image library: refusals release it, a good one is bound once,
// its plug-ins folder is set and it is initialised.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "imagelib/gfl_library.h"
#include "tests/support/stand_in_library.h"
#include "tests/support/test_files.h"

namespace {

// True while some reference to the module at path remains in the process.
bool IsMapped(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

TEST(GflLibraryLoad, RefusesMissingFileThenBindsAGoodOne)
{
    GflLibrary library;
    EXPECT_FALSE(library.load(L"C:\\no\\such\\folder\\libgfl64U.dll"));
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(library.load(nullptr));

    const LibraryControl& control = StandInLibrary();
    control.Reset();
    ASSERT_TRUE(library.load(StandInLibraryPath().c_str()));
    EXPECT_TRUE(library.loaded());
    const TestbedCounters counters = control.Counters();
    EXPECT_EQ(counters.calls[kTbSetPluginsPathnameW], 1);
    EXPECT_EQ(counters.calls[kTbLibraryInit], 1);
    EXPECT_EQ(counters.calls[kTbEnableLZW], 0) << "bound but never called";
    EXPECT_EQ(std::wstring(counters.pluginsPath), ViewersFolder() + L"\\dvp_qpv_plugins");
}

// The library finds its own plug-ins while it initialises: the folder must
// be set before, never after.
TEST(GflLibraryLoad, ChecksTheVersionThenSetsThePluginsFolderThenInitialises)
{
    GflLibrary library;
    const LibraryControl& control = StandInLibrary();
    control.Reset();
    ASSERT_TRUE(library.load(StandInLibraryPath().c_str()));
    const TestbedCounters counters = control.Counters();
    const std::vector<int> order(counters.order, counters.order + std::min(counters.orderLength, kTestbedOrderCapacity));
    EXPECT_EQ(order, (std::vector<int>{kTbGetVersion, kTbSetPluginsPathnameW, kTbLibraryInit}));
}

TEST(GflLibraryLoad, BoundLibraryIsNotMappedOrCheckedAgain)
{
    GflLibrary library;
    const LibraryControl& control = StandInLibrary();
    control.Reset();
    ASSERT_TRUE(library.load(StandInLibraryPath().c_str()));
    control.Reset();
    control.SetVersion("1.0");  // would be refused if it were checked again
    EXPECT_TRUE(library.load(L"C:\\elsewhere\\libgfl64U.dll"));
    const TestbedCounters counters = control.Counters();
    for (int entry = 0; entry < kTbEntryCount; ++entry)
        EXPECT_EQ(counters.calls[entry], 0) << "entry point " << entry << " was called";
}

TEST(GflLibraryLoad, RefusesAndReleasesALibraryLackingAnExport)
{
    GflLibrary library;
    const std::wstring path = StandInWithoutLzwPath();
    ASSERT_FALSE(IsMapped(path));
    EXPECT_FALSE(library.load(path.c_str()));
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(IsMapped(path)) << "the refused library must be released";
    EXPECT_EQ(library.api().gflGetVersion, nullptr) << "entry points are cleared";
}

TEST(GflLibraryLoad, RefusesVersionsOrderedBefore220AndReleasesThem)
{
    GflLibrary library;
    const std::wstring path = StandInLibraryPath();
    for (const char* version : {"2.19", "2.2", "10.0", "2.1", "2.10", ""}) {
        HMODULE held = LoadLibraryW(path.c_str());
        ASSERT_NE(held, nullptr);
        const LibraryControl control = LibraryControl::Bind(held);
        control.SetVersion(version);
        EXPECT_FALSE(library.load(path.c_str())) << version;
        EXPECT_EQ(control.Counters().calls[kTbLibraryInit], 0) << "a refused library is never initialised";
        FreeLibrary(held);
        EXPECT_FALSE(IsMapped(path)) << "version " << version << " left the library mapped";
    }
    EXPECT_FALSE(library.loaded());
}

// The library's own DLLs come from its folder: a copy planted in the current
// folder (the one the user is browsing) is never mapped into the host.
TEST(GflLibraryLoad, TakesTheLibrarysOwnDllsFromItsFolder)
{
    wchar_t full[MAX_PATH] = {};
    ASSERT_NE(GetFullPathNameW(StandInWithCompanionPath().c_str(), MAX_PATH, full, nullptr), 0u);
    std::wstring companion = full;
    companion.replace(companion.rfind(L'\\') + 1, std::wstring::npos, L"gfl_companion.dll");
    const std::wstring browsed = FreshTempFolder();
    ASSERT_TRUE(CopyFileW(companion.c_str(), (browsed + L"\\gfl_companion.dll").c_str(), TRUE));
    wchar_t current[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(browsed.c_str()));
    {
        GflLibrary library;
        const bool loaded = library.load(full);
        SetCurrentDirectoryW(current);
        ASSERT_TRUE(loaded);
        wchar_t mapped[MAX_PATH] = {};
        ASSERT_NE(GetModuleFileNameW(GetModuleHandleW(L"gfl_companion.dll"), mapped, MAX_PATH), 0u);
        EXPECT_EQ(_wcsicmp(mapped, companion.c_str()), 0) << "mapped from " << testing::PrintToString(mapped);
    }
    EXPECT_EQ(GetModuleHandleW(L"gfl_companion.dll"), nullptr) << "released with the library";
}

class GflLibraryAcceptedVersion : public testing::TestWithParam<const char*> {};

TEST_P(GflLibraryAcceptedVersion, IsBound)
{
    GflLibrary library;
    const LibraryControl& control = StandInLibrary();
    control.Reset();
    control.SetVersion(GetParam());
    EXPECT_TRUE(library.load(StandInLibraryPath().c_str())) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(TextOrder, GflLibraryAcceptedVersion,
                         testing::Values("2.20", "2.20a", "2.21", "2.3", "3.0"));

}  // namespace
