// ConfigDialogProc: every message in two stages. First the message's own
// immediate actions, which may request follow-up steps and set the result;
// then the requested steps, always in the same order (defaults, refill,
// Add-state refresh, default-button update, commit, close), so a message
// that asks for several never sees them interleave differently.
//
// The context lives in the dialog's DWLP_USER slot from WM_INITDIALOG until
// the dialog closes; a message that finds the slot empty does nothing.
// Nothing leaves the procedure by exception: a failed allocation ends the
// message's handling, and the dialog stays as it is.
#include "settings/config_dialog.h"

#include <string>
#include <vector>

#include "settings/config_dialog_context.h"
#include "settings/config_dialog_controls.h"
#include "settings/config_dialog_ids.h"
#include "settings/config_dialog_placement.h"
#include "settings/config_dialog_steps.h"

namespace {

enum FollowUp : unsigned {
    kDefaults = 1u << 0,
    kRefill = 1u << 1,
    kRefreshAdd = 1u << 2,
    kUpdateDefaultButton = 1u << 3,
    kCommit = 1u << 4,
    kClose = 1u << 5,
};

struct Outcome {
    INT_PTR result = FALSE;
    unsigned steps = 0;
};

ConfigDialogContext* ContextOf(HWND dialog) noexcept
{
    return reinterpret_cast<ConfigDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The selected indices, ascending; empty when the list box reports a
// different number than it was asked for.
std::vector<int> SelectedIndices(HWND list, LRESULT count)
{
    std::vector<int> indices(static_cast<size_t>(count));
    const LRESULT fetched = SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                         reinterpret_cast<LPARAM>(indices.data()));
    if (fetched != count)
        indices.clear();
    return indices;
}

// A changed selection: Remove follows it, and the first selected item is
// offered in the edit box (whose change notification then refreshes Add).
void HandleSelection(HWND dialog, HWND list)
{
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) {
        DisableControl(dialog, IDC_REMOVE);
        return;
    }
    EnableControl(dialog, IDC_REMOVE);
    const std::vector<int> indices = SelectedIndices(list, count);
    if (indices.empty())
        return;
    std::wstring text;
    if (GetListItemText(list, indices.front(), text) && !text.empty())
        SetDlgItemTextW(dialog, IDC_EXTENSION_EDIT, text.c_str());
}

// The Add command, which Enter also produces while Add is the default
// button. False when the command is refused because Add is disabled (or
// gone): only a beep then.
bool HandleAdd(HWND dialog)
{
    HWND add = GetDlgItem(dialog, IDC_ADD);
    bool refused = add == nullptr;
    if (!refused) {
        SetLastError(0);
        const LONG_PTR style = GetWindowLongPtrW(add, GWL_STYLE);
        refused = (style == 0 && GetLastError() != 0) || (style & WS_DISABLED) != 0;
    }
    if (refused) {
        MessageBeep(0xFFFFFFFF);
        return false;
    }

    EnableControl(dialog, IDC_APPLY);
    std::wstring text;
    if (!GetControlText(GetDlgItem(dialog, IDC_EXTENSION_EDIT), text) || text.empty())
        return true;
    if (text.front() != L'.')
        text.insert(text.begin(), L'.');  // everything else stays as typed
    if (HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST))
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SetDlgItemTextW(dialog, IDC_EXTENSION_EDIT, L"");
    return true;
}

// Deletes the selected items; each deletion moves the later items up by one,
// hence index minus the number already deleted.
void HandleRemove(HWND dialog)
{
    EnableControl(dialog, IDC_APPLY);
    HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST);
    if (!list)
        return;
    DisableControl(dialog, IDC_REMOVE);
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0)
        return;
    const std::vector<int> indices = SelectedIndices(list, count);
    for (size_t deleted = 0; deleted < indices.size(); ++deleted) {
        const WPARAM index = static_cast<WPARAM>(indices[deleted] - static_cast<int>(deleted));
        if (SendMessageW(list, LB_DELETESTRING, index, 0) <= 0)
            break;
    }
}

Outcome HandleCommand(HWND dialog, WORD control, WORD notification, HWND controlWindow)
{
    Outcome outcome;
    switch (control) {
    case IDOK:
        if (notification == BN_CLICKED)
            outcome = {TRUE, kCommit | kClose};
        break;
    case IDCANCEL:
        if (notification == BN_CLICKED)
            outcome = {TRUE, kClose};
        break;
    case IDC_DEFAULTS:
        if (notification == BN_CLICKED) {
            EnableControl(dialog, IDC_APPLY);
            outcome = {TRUE, kDefaults};
        }
        break;
    case IDC_APPLY:
        if (notification == BN_CLICKED) {
            DisableControl(dialog, IDC_APPLY);
            outcome = {FALSE, kCommit};
        }
        break;
    case IDC_EXTENSION_LIST:
        if ((notification == LBN_SELCHANGE || notification == LBN_SELCANCEL) && controlWindow) {
            HandleSelection(dialog, controlWindow);
            outcome.steps = kRefreshAdd;
        }
        break;
    case IDC_ADD:
        if (notification == BN_CLICKED && HandleAdd(dialog))
            outcome.steps = kRefreshAdd;
        break;
    case IDC_REMOVE:
        if (notification == BN_CLICKED) {
            HandleRemove(dialog);
            outcome.steps = kRefreshAdd;
        }
        break;
    case IDC_EXTENSION_EDIT:
        if (notification == EN_CHANGE)
            outcome.steps = kRefreshAdd;
        else if (notification == EN_SETFOCUS || notification == EN_KILLFOCUS)
            outcome.steps = kUpdateDefaultButton;
        break;
    case IDC_USE_FOR_STREAMS:
        if (notification == BN_CLICKED) {
            EnableControl(dialog, IDC_APPLY);
            outcome.result = TRUE;
        }
        break;
    default:
        break;
    }
    return outcome;
}

// Empties the slot first, so nothing reached from here on can find the
// context, then frees it unless a commit is still using it.
void ReleaseContext(HWND dialog, ConfigDialogContext* context) noexcept
{
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    if (context->commitsRunning > 0)
        context->released = true;
    else
        delete context;
}

// Runs the commit; false when the dialog closed meanwhile. The context is
// then freed here, or by an outer commit that is still running.
bool RunCommit(HWND dialog, ConfigDialogContext& context)
{
    class Running {
    public:
        explicit Running(ConfigDialogContext& running) noexcept : context_(running) { ++context_.commitsRunning; }
        ~Running()
        {
            if (--context_.commitsRunning == 0 && context_.released)
                delete &context_;
        }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        ConfigDialogContext& context_;
    };

    const Running running(context);
    CommitSettings(dialog, context);
    return !context.released;
}

void RunFollowUps(HWND dialog, ConfigDialogContext& context, unsigned steps)
{
    if (steps & kDefaults)
        LoadDefaults(dialog, context);
    else if (steps & kRefill)
        RefillControls(dialog, context);
    else if (steps & kRefreshAdd)
        UpdateAddButton(dialog);  // the refill above ends with this refresh itself
    if (steps & kUpdateDefaultButton)
        UpdateDefaultButton(dialog);
    if ((steps & kCommit) && !RunCommit(dialog, context))
        return;
    if (steps & kClose) {
        ReleaseContext(dialog, &context);
        PostQuitMessage(0);  // the host ends its loop and destroys the window
    }
}

Outcome HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, ConfigDialogContext*& context)
{
    if (message == WM_INITDIALOG) {
        auto* launch = reinterpret_cast<ConfigDialogLaunch*>(lParam);
        if (!launch || !launch->context)
            return {};
        context = launch->context.release();
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
        PlaceDialog(dialog, GetParent(dialog));
        DisableControl(dialog, IDC_APPLY);
        DisableControl(dialog, IDC_ADD);
        DisableControl(dialog, IDC_REMOVE);
        return {TRUE, kRefill};  // TRUE: the dialog manager sets the first focus
    }
    if (!context)
        return {};
    switch (message) {
    case WM_COMMAND:
        return HandleCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NCDESTROY:
        // The host destroyed the window without closing the dialog first:
        // the context has no other owner left.
        ReleaseContext(dialog, context);
        context = nullptr;
        return {};
    default:
        return {};
    }
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        ConfigDialogContext* context = ContextOf(dialog);
        const Outcome outcome = HandleMessage(dialog, message, wParam, lParam, context);
        if (context && outcome.steps != 0)
            RunFollowUps(dialog, *context, outcome.steps);
        return outcome.result;
    } catch (...) {
        return FALSE;  // an allocation failed: this message is dropped
    }
}
