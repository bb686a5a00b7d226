// The configuration dialog's lifetime against the plug-in's: a dialog that
// outlives the final shut-down, one whose cycle is still referenced, and one
// the host destroys.
#include <algorithm>

#include "tests/support/config_dialog_session.h"

namespace {

TEST_F(ConfigDialog, OutlivesAFinalUninitWithoutTouchingFreedStateOrLaterCycles)
{
    Start();
    Open();
    Stop();  // the host shuts the plug-in down while the dialog is open
    EXPECT_FALSE(Serves(L".xyz")) << "not initialised any more";

    // Apply now: nothing to assign to, yet the choice still reaches the file
    // through the dialog's own copy of the host's services.
    SelectExtensions({L".png"});
    Click(dialog, kRemove);
    Click(dialog, kApply);
    ASSERT_TRUE(IsWindow(dialog));
    EXPECT_EQ(Saves(), 1);
    SavedSettings saved = Saved();
    EXPECT_EQ(saved.excluded.size(), 67u);
    EXPECT_EQ(std::count(saved.excluded.begin(), saved.excluded.end(), L".png"), 0);
    EXPECT_FALSE(Serves(L".png")) << "still not initialised";

    // A new cycle loads that file. The old dialog's OK must not reach into
    // the new cycle's settings, though it still saves.
    Start();
    EXPECT_TRUE(Serves(L".png"));
    EXPECT_FALSE(Serves(L".tga"));
    SelectExtensions({L".tga"});
    Click(dialog, kRemove);
    Click(dialog, kStreams);
    Click(dialog, IDOK);
    ExpectClosed();
    saved = Saved();
    EXPECT_EQ(saved.excluded.size(), 66u);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{0});
    EXPECT_FALSE(Serves(L".tga")) << "the new cycle's settings are its own";
    EXPECT_TRUE(ServesStreams());

    // A dialog of the new cycle works as usual, and the plug-in shuts down
    // and starts again cleanly.
    Open();
    EXPECT_EQ(Items().size(), 67u) << "opened on the settings the new cycle loaded";
    Click(dialog, IDCANCEL);
    ExpectClosed();
    Stop();
    Start();
    EXPECT_TRUE(Serves(L".tga")) << "loaded from the file the old dialog's OK wrote";
    EXPECT_FALSE(ServesStreams());
}

TEST_F(ConfigDialog, CommitsWhileAnyReferenceOfItsCycleRemains)
{
    Start();
    dvp::InitExRecord record = dvp::HostRecord(13);
    ASSERT_EQ(plugin.InitEx(&record), TRUE);  // a second reference
    Open();
    plugin.Uninit();  // not the final one: the same cycle goes on
    SelectExtensions({L".png"});
    Click(dialog, kRemove);
    Click(dialog, kApply);
    EXPECT_TRUE(Serves(L".png"));
    Click(dialog, IDCANCEL);
    ExpectClosed();
}

TEST_F(ConfigDialog, HostMayDestroyAnOpenDialogAndShutDown)
{
    Start();
    Open();
    DestroyWindow(dialog);
    EXPECT_FALSE(PumpUntilQuit(nullptr, 200)) << "destroying is not closing: no quit message";
    dialog = nullptr;
    Stop();
    Start();
    Open();
    EXPECT_EQ(Items().size(), 68u);
}

}  // namespace
