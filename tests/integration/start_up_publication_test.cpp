// Start-up held still half-way, in the library's format count or in the
// host's program-folder service, while another host thread asks about a
// file or opens the configuration dialog: until the settings are loaded the
// plug-in answers "not initialised" at once, without waiting for the
// start-up, and a start-up that fails never answers otherwise.
#include <thread>

#include "win32/unique_handle.h"
#include "testbed/host/host_testbed_control.h"
#include "tests/support/plugin_session.h"
#include "tests/support/row_name.h"
#include "tests/support/test_files.h"

namespace {

// A call held at its start until the test lets it go.
struct Gate {
    UniqueKernelHandle entered{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueKernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    void Hold() const
    {
        SetEvent(entered.get());
        WaitForSingleObject(release.get(), 30000);
    }
    static void HoldCall(void* gate) { static_cast<const Gate*>(gate)->Hold(); }
};

enum class HeldIn { LibraryFormatCount, HostProgramDir };

struct HeldStartUp {
    const char* name;
    bool laterCycle;     // after a full start and final shut-down
    HeldIn heldIn;
    bool startUpFails;   // the held call then fails
};

void PrintTo(const HeldStartUp& row, std::ostream* out) { *out << row.name; }

class StartUpPublication : public PluginSession, public testing::WithParamInterface<HeldStartUp> {
protected:
    std::wstring png = TestDataFile(L"gradient.png");  // excluded by default
    std::wstring tbim;                                 // never excluded

    BOOL IdentifyFile(const std::wstring& file)
    {
        dvp::FileInfoRecord record{};
        return plugin.IdentifyFileW(nullptr, file.c_str(), &record, nullptr);
    }
};

TEST_P(StartUpPublication, AnswersNotInitialisedUntilTheSettingsAreLoaded)
{
    const HeldStartUp& row = GetParam();
    tbim = Write(SolidImage(2, 2, 0xFF102030u));
    if (row.laterCycle) {
        Start();
        Stop();
    }
    Gate gate;
    if (row.heldIn == HeldIn::LibraryFormatCount)
        library.SetEntryHook(kTbGetNumberOfFormat, &Gate::HoldCall, &gate);
    else
        HostTestbedHookService("GetProgramDirW", [&gate] { gate.Hold(); });
    if (row.startUpFails)
        HostTestbedFailProgramDir();

    BOOL startResult = -1;
    std::thread starter([&] {
        dvp::InitExRecord record = dvp::HostRecord(13);
        startResult = plugin.InitEx(&record);
    });
    const bool held = WaitForSingleObject(gate.entered.get(), 20000) == WAIT_OBJECT_0;
    const BOOL pngWhileHeld = IdentifyFile(png);
    const BOOL tbimWhileHeld = IdentifyFile(tbim);
    const wchar_t* handledWhileHeld = HandledExtensions();
    const HWND dialogWhileHeld = plugin.Configure(nullptr, nullptr, 0);
    SetEvent(gate.release.get());
    starter.join();
    started = startResult == TRUE;

    ASSERT_TRUE(held) << "the start-up never reached the held call";
    EXPECT_EQ(pngWhileHeld, FALSE) << "answered from settings not yet loaded";
    EXPECT_EQ(tbimWhileHeld, FALSE) << "answered before start-up finished";
    EXPECT_EQ(handledWhileHeld, nullptr);
    EXPECT_EQ(dialogWhileHeld, nullptr) << "the dialog waited for the start-up and opened after it";
    if (dialogWhileHeld)
        DestroyWindow(dialogWhileHeld);
    EXPECT_EQ(startResult, row.startUpFails ? FALSE : TRUE);
    EXPECT_EQ(IdentifyFile(png), FALSE) << ".png is excluded by default";
    EXPECT_EQ(IdentifyFile(tbim), started ? TRUE : FALSE);
    EXPECT_EQ(HandledExtensions() != nullptr, started);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartUpPublication,
    testing::Values(HeldStartUp{"FirstCycleInFormatCount", false, HeldIn::LibraryFormatCount, false},
                    HeldStartUp{"LaterCycleInFormatCount", true, HeldIn::LibraryFormatCount, false},
                    HeldStartUp{"LaterCycleInProgramDir", true, HeldIn::HostProgramDir, false},
                    HeldStartUp{"LaterCycleInFailingProgramDir", true, HeldIn::HostProgramDir, true}),
    RowName{});

}  // namespace
