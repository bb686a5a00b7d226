// Drives a modeless dialog on the test's own thread the way a user and a
// host would: real messages and clicks to its controls, and a host message
// loop (PeekMessage with IsDialogMessageW) bounded by a time-out. Also a
// watcher thread that finds, reads and dismisses a message box the dialog
// shows inside its own message loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

// Runs the host's loop for the dialog until WM_QUIT arrives (true, with its
// exit code) or the time-out passes (false).
bool PumpUntilQuit(HWND dialog, DWORD timeoutMs = 5000, int* exitCode = nullptr);
// Dispatches, through the dialog's loop, every message already queued.
void PumpPending(HWND dialog);

// A click on the control, as BM_CLICK delivers it (notification included).
void Click(HWND dialog, int controlId);
// Replaces the control's text with WM_SETTEXT (the edit box notifies its
// change as if typed).
void SetText(HWND dialog, int controlId, const wchar_t* text);
// Types at the caret, as EM_REPLACESEL does for a keyboard entry.
void TypeText(HWND dialog, int controlId, const wchar_t* text);
std::wstring ControlText(HWND dialog, int controlId);
bool IsEnabled(HWND dialog, int controlId);
// Moves the keyboard focus to the control as the dialog manager does.
void FocusControl(HWND dialog, int controlId);
// Enter pressed in the focused control, through the host's loop.
void PressEnter(HWND dialog);

// The list box's items in its displayed order.
std::vector<std::wstring> ListItems(HWND dialog, int listId);
// Selects exactly these indices (extended selection) and notifies the
// dialog of the change, as the list box does for a user's selection.
void SelectItems(HWND dialog, int listId, std::initializer_list<int> indices);
// The index of the item equal to text ignoring case, or -1.
int FindItem(HWND dialog, int listId, const wchar_t* text);

// What a message box looked like when the watcher found it.
struct MessageBoxSeen {
    bool found = false;
    HWND owner = nullptr;
    std::wstring text;
    std::vector<std::wstring> buttons;  // visible buttons' texts
    bool exclamationIcon = false;
    bool closedByItself = false;  // gone before the watcher pressed OK (a quit message ended it)
};

// Watches, on its own thread, for a top-level dialog window with this
// caption; reads it, then presses its OK button. Stop() (or destruction)
// ends the watch and reports what was seen.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const wchar_t* caption, DWORD timeoutMs = 10000);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    const MessageBoxSeen& Stop();

private:
    void Watch(DWORD timeoutMs);

    std::wstring caption_;
    std::atomic<bool> stop_{false};
    MessageBoxSeen seen_;
    std::thread thread_;
};
