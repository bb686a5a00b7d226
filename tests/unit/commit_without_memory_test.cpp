// A commit that runs out of memory once the new settings are assigned: the
// save's own copy of the settings cannot be made. That is a failed save like
// any other: the settings stay in force, the user is told, and OK closes.
#include "testbed/host/host_testbed_control.h"
#include "tests/support/config_dialog_session.h"
#include "tests/unit/failing_allocation.h"

namespace {

// The allocations a commit of unchanged settings makes before the save
// reaches the host's first service: the last of them belongs to the save's
// copy of the settings.
int AllocationsBeforeTheSave(HWND dialog)
{
    int counted = -1;
    HostTestbedHookService("GetConfigPathW", [&counted] { counted = AllocationsCounted(); });
    CountAllocationsOnThisThread();
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), 0);  // Apply is disabled by now
    StopCountingAllocations();
    return counted;
}

TEST_F(ConfigDialog, SaveCopyWithoutMemoryIsAFailedSave)
{
    Start();
    Open();
    SelectExtensions({L".png"});
    Click(dialog, kRemove);
    Click(dialog, kApply);  // from here on every commit assigns what is in force already
    const int beforeSave = AllocationsBeforeTheSave(dialog);
    ASSERT_GT(beforeSave, 0) << "the commit reached no save";
    ASSERT_EQ(Saves(), 2);

    MessageBoxWatcher watcher(kMessageCaption);
    CountAllocationsOnThisThread(beforeSave);  // the same commit again, its last allocation fails
    Click(dialog, IDOK);
    StopCountingAllocations();
    const MessageBoxSeen& seen = watcher.Stop();
    ASSERT_TRUE(seen.found) << "the failed save went untold";
    EXPECT_EQ(seen.owner, dialog);
    EXPECT_EQ(seen.text, kSaveFailedText);
    EXPECT_EQ(Saves(), 2) << "nothing more reached the disk";
    EXPECT_TRUE(Serves(L".png")) << "the settings are in force";
    ExpectClosed();
}

}  // namespace
