// The host's XML services run inside the dialog's commit; a host whose save
// service destroys the dialog, or pumps messages and handles the user's
// Cancel, must not leave the commit running on the freed dialog state. In
// process, with freed memory poisoned, so such use fails instead of reading
// what happens to be left there; the file saved must be the whole document.
#include "testbed/host/host_testbed_control.h"
#include "tests/support/config_dialog_session.h"
#include "tests/support/row_name.h"
#include "tests/unit/poisoned_delete.h"

namespace {

struct SaveTeardown {
    const char* name;
    const char* service;  // the save service that tears the dialog down
    bool cancelInPump;    // else DestroyWindow
};

void PrintTo(const SaveTeardown& row, std::ostream* out) { *out << row.name; }

class DialogTeardown : public ConfigDialog, public testing::WithParamInterface<SaveTeardown> {};

TEST_P(DialogTeardown, DuringTheSaveLeavesNoFreedStateInUse)
{
    ASSERT_TRUE(Start());
    Open();
    SetText(dialog, kEdit, L"zzz");
    Click(dialog, kAdd);

    const bool cancel = GetParam().cancelInPump;
    HostTestbedHookService(GetParam().service, [window = dialog, cancel] {
        if (!cancel) {
            DestroyWindow(window);
            return;
        }
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PumpPending(window);
        DestroyWindow(window);  // the host ends its loop at the quit message
    });
    {
        FreedMemoryPoisoned poisoned;
        Click(dialog, kApply);
    }
    EXPECT_FALSE(IsWindow(dialog));
    PumpPending(nullptr);

    const SavedSettings saved = Saved();
    EXPECT_TRUE(saved.loaded);
    EXPECT_EQ(saved.rootName, L"DVP_QPV");
    EXPECT_EQ(saved.excluded.size(), 69u) << "the defaults and the added .zzz";
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
    EXPECT_EQ(HostTestbedOpenDocuments(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, DialogTeardown,
                         testing::Values(SaveTeardown{"DestroyedInCreateFile", "XMLCreateFile", false},
                                         SaveTeardown{"DestroyedInAddChild", "XMLAddChildNodeW", false},
                                         SaveTeardown{"DestroyedInSaveFile", "XMLSaveFileW", false},
                                         SaveTeardown{"CancelledInAddChild", "XMLAddChildNodeW", true},
                                         SaveTeardown{"CancelledInSaveFile", "XMLSaveFileW", true}),
                         RowName{});

}  // namespace
