// Committing the configuration dialog: Defaults, Cancel, OK and Apply, the
// stream switch, what reaches the file and what is in force, and the one
// message a failed save shows.
#include <thread>

#include "testbed/host/host_testbed_control.h"
#include "tests/support/config_dialog_session.h"

namespace {

TEST_F(ConfigDialog, DefaultsThenCancelLeavesSettingsAndFileUntouched)
{
    // Cancel by its button and by the caption's close box.
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        WriteSettings({L".abc"}, false);
        const std::vector<uint8_t> before = ReadFileBytes(SettingsFile());
        Start();
        Open();
        Click(dialog, kDefaults);
        EXPECT_EQ(AsSet(Items()), kDefaultExclusions) << "the defaults are shown at once";
        EXPECT_EQ(IsDlgButtonChecked(dialog, kStreams), BST_CHECKED);
        EXPECT_TRUE(IsEnabled(dialog, kApply));
        EXPECT_TRUE(Serves(L".png")) << "Defaults alone changes nothing in force";

        if (closeBox)
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        else
            Click(dialog, IDCANCEL);
        ExpectClosed();
        EXPECT_EQ(Saves(), 0);
        EXPECT_EQ(ReadFileBytes(SettingsFile()), before);
        EXPECT_TRUE(Serves(L".png"));
        EXPECT_FALSE(Serves(L".abc"));
        EXPECT_FALSE(ServesStreams());
        Stop();
    }
}

TEST_F(ConfigDialog, DefaultsThenOkStoresTheDefaults)
{
    WriteSettings({L".abc"}, false);
    Start();
    Open();
    Click(dialog, kDefaults);
    const std::vector<std::wstring> shown = Items();
    Click(dialog, IDOK);
    ExpectClosed();

    const SavedSettings saved = Saved();
    EXPECT_EQ(saved.rootName, L"DVP_QPV");
    EXPECT_EQ(saved.excluded, shown);
    EXPECT_EQ(AsSet(saved.excluded), kDefaultExclusions);
    EXPECT_EQ(saved.excluded.size(), 68u);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});
    EXPECT_TRUE(saved.otherNodes.empty());
    EXPECT_FALSE(Serves(L".png"));
    EXPECT_TRUE(Serves(L".abc"));
    EXPECT_TRUE(ServesStreams());
}

TEST_F(ConfigDialog, OkWithoutChangesStillWritesTheFileAndLaterMessagesDoNothing)
{
    Start();
    Open();
    ASSERT_FALSE(Saved().loaded) << "no file before the first commit";
    Click(dialog, IDOK);
    int exitCode = -1;
    ASSERT_TRUE(PumpUntilQuit(dialog, 5000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Saves(), 1);
    const SavedSettings saved = Saved();
    EXPECT_EQ(AsSet(saved.excluded), kDefaultExclusions);
    EXPECT_EQ(saved.useForStreams, std::vector<int>{1});

    // Closed but not yet destroyed by the host: the window no longer acts.
    Click(dialog, kDefaults);
    EXPECT_FALSE(IsEnabled(dialog, kApply));
    Click(dialog, IDOK);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kApply, BN_CLICKED), 0);
    EXPECT_EQ(Saves(), 1);
    EXPECT_FALSE(PumpUntilQuit(dialog, 200)) << "a second quit message";
    DestroyWindow(dialog);
    dialog = nullptr;
}

TEST_F(ConfigDialog, CheckBoxCommitsTheStreamSwitch)
{
    Start();
    Open();
    ASSERT_TRUE(ServesStreams());
    Click(dialog, kStreams);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kStreams), BST_UNCHECKED);
    EXPECT_TRUE(IsEnabled(dialog, kApply));
    EXPECT_TRUE(ServesStreams()) << "not before Apply";
    Click(dialog, kApply);
    EXPECT_FALSE(ServesStreams());
    EXPECT_EQ(Saved().useForStreams, std::vector<int>{0});
    EXPECT_TRUE(Serves(L".xyz")) << "files are still served";

    Click(dialog, kStreams);
    Click(dialog, kApply);
    EXPECT_TRUE(ServesStreams());
    EXPECT_EQ(Saved().useForStreams, std::vector<int>{1});
    EXPECT_EQ(Saves(), 2);
}

TEST_F(ConfigDialog, FailedSaveShowsTheMessageAndKeepsTheNewSettingsInForce)
{
    // Apply keeps the dialog open; OK still closes once the box is dismissed.
    for (int button : {kApply, IDOK}) {
        SCOPED_TRACE(button == IDOK ? "OK" : "Apply");
        Start();
        Open();
        HostTestbedFailSave();
        SelectExtensions({L".png"});
        Click(dialog, kRemove);

        MessageBoxWatcher watcher(kMessageCaption);
        Click(dialog, button);  // returns once the watcher has dismissed the box
        const MessageBoxSeen& seen = watcher.Stop();
        ASSERT_TRUE(seen.found) << "no message box";
        EXPECT_EQ(seen.owner, dialog);
        EXPECT_EQ(seen.text, kSaveFailedText);
        EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_TRUE(seen.exclamationIcon);

        EXPECT_TRUE(Serves(L".png")) << "the new settings are in force in memory";
        EXPECT_FALSE(Saved().loaded) << "nothing reached the disk";
        if (button == IDOK) {
            ExpectClosed();
        } else {
            EXPECT_TRUE(IsWindow(dialog));
            EXPECT_FALSE(PumpUntilQuit(dialog, 200));
            Click(dialog, IDCANCEL);
            ExpectClosed();
        }
        HostTestbedStopFailing("XMLSaveFileW");
        Stop();
    }
}

// The host destroys the dialog inside its failing save service: the user
// who pressed OK or Apply is still told, over the dialog's owner, or on its
// own when there is none.
TEST_F(ConfigDialog, FailedSaveOfADialogDestroyedMeanwhileStillShowsTheMessage)
{
    for (bool withOwner : {true, false}) {
        SCOPED_TRACE(withOwner ? "owned, OK" : "no owner, Apply");
        Start();
        HWND owner = withOwner ? CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                                 nullptr, nullptr, nullptr, nullptr)
                               : nullptr;
        Open(owner);
        HostTestbedFailSave();
        HostTestbedHookService("XMLSaveFileW", [window = dialog] { DestroyWindow(window); });

        MessageBoxWatcher watcher(kMessageCaption);
        Click(dialog, withOwner ? IDOK : kApply);
        const MessageBoxSeen& seen = watcher.Stop();
        EXPECT_FALSE(IsWindow(dialog));
        dialog = nullptr;
        ASSERT_TRUE(seen.found) << "the failed save went untold";
        EXPECT_EQ(seen.owner, owner);
        EXPECT_EQ(seen.text, kSaveFailedText);
        PumpPending(nullptr);
        if (owner)
            DestroyWindow(owner);
        HostTestbedStopFailing("XMLSaveFileW");
        Stop();
    }
}

// A host whose save pumps messages may deliver Cancel while the save runs:
// the dialog closes, but its quit message waits until the commit has shown
// the failed-save message, which the quit would otherwise end unread.
TEST_F(ConfigDialog, CancelDuringAFailingSaveStillShowsTheMessageThenQuits)
{
    Start();
    Open();
    HostTestbedFailSave();
    HostTestbedHookService("XMLSaveFileW", [window = dialog] {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });

    MessageBoxWatcher watcher(kMessageCaption);
    Click(dialog, kApply);
    const MessageBoxSeen& seen = watcher.Stop();
    ASSERT_TRUE(seen.found) << "the failed save went untold";
    EXPECT_FALSE(seen.closedByItself) << "the quit message dismissed the box";
    ExpectClosed();
    HostTestbedStopFailing("XMLSaveFileW");
}

// An owner of another thread would tie both threads' input to the box: once
// the dialog is gone, the message stands on its own instead.
TEST_F(ConfigDialog, FailedSaveOfADestroyedDialogOwnedFromAnotherThreadHasNoOwner)
{
    Start();
    HWND owner = nullptr;
    DWORD ownerThreadId = 0;
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread ownerThread([&owner, &ownerThreadId, created] {
        ownerThreadId = GetCurrentThreadId();
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
        SetEvent(created);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        DestroyWindow(owner);
    });
    WaitForSingleObject(created, INFINITE);
    CloseHandle(created);
    Open(owner);
    HostTestbedFailSave();
    HostTestbedHookService("XMLSaveFileW", [window = dialog] { DestroyWindow(window); });

    MessageBoxWatcher watcher(kMessageCaption);
    Click(dialog, kApply);
    const MessageBoxSeen& seen = watcher.Stop();
    dialog = nullptr;
    PostThreadMessageW(ownerThreadId, WM_QUIT, 0, 0);
    ownerThread.join();
    ASSERT_TRUE(seen.found) << "the failed save went untold";
    EXPECT_EQ(seen.owner, nullptr);
    HostTestbedStopFailing("XMLSaveFileW");
}

TEST_F(ConfigDialog, SuccessfulSaveShowsNoMessage)
{
    Start();
    Open();
    MessageBoxWatcher watcher(kMessageCaption, 500);
    Click(dialog, kApply);
    Sleep(600);
    PumpPending(dialog);
    EXPECT_FALSE(watcher.Stop().found);
    EXPECT_EQ(Saves(), 1);
}

}  // namespace
