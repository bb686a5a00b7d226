#include "tests/support/dialog_driver.h"

#include <chrono>

namespace {

void DispatchOne(HWND dialog, MSG& message)
{
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

std::wstring WindowText(HWND window)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct BoxSearch {
    const wchar_t* caption;
    HWND found;
};

// A visible dialog window of this process with the caption: tests run in
// parallel on one display, so another process's box must not count. The
// caption is read without a message (InternalGetWindowText), since the
// test's thread, which owns the dialogs, may be busy joining this watcher.
BOOL CALLBACK FindOwnBox(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    wchar_t caption[256] = {};
    InternalGetWindowText(window, caption, 256);
    if (ClassOf(window) != L"#32770" || wcscmp(caption, search->caption) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

bool PumpUntilQuit(HWND dialog, DWORD timeoutMs, int* exitCode)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    MSG message{};
    while (GetTickCount64() < deadline) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_QUIT) {
            if (exitCode)
                *exitCode = static_cast<int>(message.wParam);
            return true;
        }
        DispatchOne(dialog, message);
    }
    return false;
}

void PumpPending(HWND dialog)
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // leave it for PumpUntilQuit
            return;
        }
        DispatchOne(dialog, message);
    }
}

void Click(HWND dialog, int controlId) { SendMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0); }

void SetText(HWND dialog, int controlId, const wchar_t* text)
{
    SendMessageW(GetDlgItem(dialog, controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void TypeText(HWND dialog, int controlId, const wchar_t* text)
{
    SendMessageW(GetDlgItem(dialog, controlId), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

std::wstring ControlText(HWND dialog, int controlId) { return WindowText(GetDlgItem(dialog, controlId)); }

bool IsEnabled(HWND dialog, int controlId) { return IsWindowEnabled(GetDlgItem(dialog, controlId)) != FALSE; }

void FocusControl(HWND dialog, int controlId)
{
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, controlId)), TRUE);
    PumpPending(dialog);
}

void PressEnter(HWND dialog)
{
    HWND target = GetFocus();
    if (!target)
        target = dialog;
    PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(target, WM_KEYUP, VK_RETURN, 0xC01C0001);
    PumpPending(dialog);
}

std::vector<std::wstring> ListItems(HWND dialog, int listId)
{
    HWND list = GetDlgItem(dialog, listId);
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        std::wstring text(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        items.push_back(text);
    }
    return items;
}

void SelectItems(HWND dialog, int listId, std::initializer_list<int> indices)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int index : indices)
        SendMessageW(list, LB_SETSEL, TRUE, index);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int FindItem(HWND dialog, int listId, const wchar_t* text)
{
    const LRESULT index = SendMessageW(GetDlgItem(dialog, listId), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text));
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

MessageBoxWatcher::MessageBoxWatcher(const wchar_t* caption, DWORD timeoutMs)
    : caption_(caption), thread_([this, timeoutMs] { Watch(timeoutMs); })
{
}

MessageBoxWatcher::~MessageBoxWatcher() { Stop(); }

const MessageBoxSeen& MessageBoxWatcher::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return seen_;
}

void MessageBoxWatcher::Watch(DWORD timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    HWND box = nullptr;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        BoxSearch search{caption_.c_str(), nullptr};
        EnumWindows(FindOwnBox, reinterpret_cast<LPARAM>(&search));
        box = search.found;
        if (box)
            break;
        Sleep(20);
    }
    if (!box)
        return;

    seen_.found = true;
    seen_.owner = GetWindow(box, GW_OWNER);
    const HICON exclamation = LoadIconW(nullptr, IDI_EXCLAMATION);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        const std::wstring kind = ClassOf(child);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            seen_.buttons.push_back(WindowText(child));
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON)
                seen_.exclamationIcon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == exclamation;
            else if (!WindowText(child).empty())
                seen_.text = WindowText(child);
        }
    }
    // A box that stays up is one the user can read; one that ends on its own
    // was dismissed by something else.
    Sleep(250);
    seen_.closedByItself = !IsWindow(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}
