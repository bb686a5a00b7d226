// The configuration dialog, in the order a message flows through it: the
// context the dialog owns; the procedure, which handles each message in two
// stages (first the message's own immediate actions, which may request
// follow-up steps and set the result; then the requested steps, always in
// the same order: defaults, refill, Add-state refresh, default-button
// update, commit, close); the steps; and opening the dialog.
//
// The context lives in the dialog's DWLP_USER slot from WM_INITDIALOG until
// the dialog closes; a message that finds the slot empty does nothing.
// Nothing leaves the procedure by exception: a failed allocation ends the
// message's handling, and the dialog stays as it is.
#include "settings/config_dialog.h"

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "resources/config_dialog_ids.h"
#include "settings/dialog_controls.h"
#include "settings/dialog_placement.h"
#include "settings/save_failed_message.h"
#include "settings/settings_persistence.h"

namespace {

// What one open dialog owns. A commit calls into the host, whose services
// may pump messages, so the dialog can be closed or destroyed inside it:
// while a commit runs, closing only marks the context released (and the
// quit message to post), and the last commit to finish frees it and posts
// the quit message, after any failed-save message it showed.
struct ConfigDialogContext {
    ConfigDialogContext(std::shared_ptr<PluginSettings> process, const SettingsFileServices& host)
        : processSettings(std::move(process)), services(host), workingCopy(*processSettings)
    {
    }

    std::shared_ptr<PluginSettings> processSettings;  // the commit's target
    SettingsFileServices services;                    // the host's, as at opening
    PluginSettings workingCopy;
    int commitsRunning = 0;
    bool released = false;
    bool quitPending = false;
};

// What OpenConfigDialog hands the dialog as its creation parameter. The
// dialog takes the context out at WM_INITDIALOG; if creation fails before
// that, the launch record still owns it and frees it.
struct ConfigDialogLaunch {
    std::unique_ptr<ConfigDialogContext> context;
};

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
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the window's user slot holds the context's address
    return reinterpret_cast<ConfigDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// --- Immediate actions --------------------------------------------------

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
    const bool clicked = notification == BN_CLICKED;
    switch (control) {
    case IDOK:
        return clicked ? Outcome{TRUE, kCommit | kClose} : Outcome{};
    case IDCANCEL:
        return clicked ? Outcome{TRUE, kClose} : Outcome{};
    case IDC_DEFAULTS:
        if (!clicked)
            return {};
        EnableControl(dialog, IDC_APPLY);
        return {TRUE, kDefaults};
    case IDC_APPLY:
        if (!clicked)
            return {};
        DisableControl(dialog, IDC_APPLY);
        return {FALSE, kCommit};
    case IDC_EXTENSION_LIST:
        if ((notification != LBN_SELCHANGE && notification != LBN_SELCANCEL) || !controlWindow)
            return {};
        HandleSelection(dialog, controlWindow);
        return {FALSE, kRefreshAdd};
    case IDC_ADD:
        return clicked && HandleAdd(dialog) ? Outcome{FALSE, kRefreshAdd} : Outcome{};
    case IDC_REMOVE:
        if (!clicked)
            return {};
        HandleRemove(dialog);
        return {FALSE, kRefreshAdd};
    case IDC_EXTENSION_EDIT:
        if (notification == EN_CHANGE)
            return {FALSE, kRefreshAdd};
        if (notification == EN_SETFOCUS || notification == EN_KILLFOCUS)
            return {FALSE, kUpdateDefaultButton};
        return {};
#define DVP_SWITCH_CASE(member, node, byDefault, control) case control:
        DVP_SWITCH_SETTINGS(DVP_SWITCH_CASE)
#undef DVP_SWITCH_CASE
        if (!clicked)
            return {};
        EnableControl(dialog, IDC_APPLY);
        return {TRUE, 0};
    default:
        return {};
    }
}

// --- Follow-up steps ------------------------------------------------------

// Add is enabled exactly when the edit box holds an extension (with its dot
// supplied) that the list box does not list, compared case-insensitively.
void UpdateAddButton(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_EXTENSION_EDIT);
    HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST);
    std::wstring candidate;
    if (!edit || !list || !GetControlText(edit, candidate))
        return;
    if (!candidate.empty() && candidate.front() != L'.')
        candidate.insert(candidate.begin(), L'.');

    // LB_FINDSTRINGEXACT from -1 searches the whole list, whole strings,
    // ignoring case.
    const bool enable = !candidate.empty() &&
                        SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(candidate.c_str())) == LB_ERR;
    if (enable)
        EnableControl(dialog, IDC_ADD);
    else
        DisableControl(dialog, IDC_ADD);
}

// The switches' values, as the check boxes show them: copied out of the
// working copy, or into it, under its lock.
struct SwitchValues {
#define DVP_SWITCH_VALUE(member, node, byDefault, control) int32_t member = 0;
    DVP_SWITCH_SETTINGS(DVP_SWITCH_VALUE)
#undef DVP_SWITCH_VALUE
};

// The list box and the check boxes from the working copy, then the
// Add-state refresh.
void RefillControls(HWND dialog, PluginSettings& copy)
{
    ExtensionList extensions;
    SwitchValues switches;
    {
        Lock guard(copy.lock);
        extensions = copy.excludedExtensions;
#define DVP_COPY_OUT(member, node, byDefault, control) switches.member = copy.member;
        DVP_SWITCH_SETTINGS(DVP_COPY_OUT)
#undef DVP_COPY_OUT
    }
    if (HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST)) {
        LRESULT remaining = SendMessageW(list, LB_GETCOUNT, 0, 0);
        while (remaining > 0)
            remaining = SendMessageW(list, LB_DELETESTRING, 0, 0);
        for (const std::wstring& extension : extensions)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(extension.c_str()));
    }
#define DVP_SHOW_SWITCH(member, node, byDefault, control) \
    CheckDlgButton(dialog, control, switches.member ? BST_CHECKED : BST_UNCHECKED);
    DVP_SWITCH_SETTINGS(DVP_SHOW_SWITCH)
#undef DVP_SHOW_SWITCH
    UpdateAddButton(dialog);
}

// The built-in defaults into the working copy only (the process-wide
// settings and the file stay as they are), then a refill.
void LoadDefaults(HWND dialog, PluginSettings& copy)
{
    {
        Lock guard(copy.lock);
        copy.ResetToDefaults();
    }
    RefillControls(dialog, copy);
}

// Enter means Add while the edit box has the focus and OK elsewhere.
void UpdateDefaultButton(HWND dialog) noexcept
{
    HWND ok = GetDlgItem(dialog, IDOK);
    HWND edit = GetDlgItem(dialog, IDC_EXTENSION_EDIT);
    HWND add = GetDlgItem(dialog, IDC_ADD);
    HWND focus = GetFocus();
    if (!ok || !edit || !add || !focus)
        return;
    const bool editFocused = focus == edit;
    SendMessageW(dialog, DM_SETDEFID, editFocused ? IDC_ADD : IDOK, 0);
    SendMessageW(ok, BM_SETSTYLE, editFocused ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
    SendMessageW(add, BM_SETSTYLE, editFocused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// The list box's items, in its displayed order, into the working copy.
// Unreadable or empty items are skipped; a list box that cannot report its
// count leaves the list as it was.
void CollectExtensions(HWND dialog, PluginSettings& copy)
{
    HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST);
    if (!list)
        return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        return;
    ExtensionList extensions;
    std::wstring text;
    for (LRESULT index = 0; index < count; ++index) {
        if (GetListItemText(list, static_cast<int>(index), text) && !text.empty())
            extensions.push_back(text);
    }
    Lock guard(copy.lock);
    copy.excludedExtensions.swap(extensions);
}

// Where the failed-save message goes: over the dialog while it is open;
// over the dialog's owner when the dialog was closed or destroyed inside the
// save, since a box owned by a window that is going away would vanish with
// it, and the user who pressed OK or Apply must still learn that nothing
// reached the disk. An owner of another thread would tie the two threads'
// input together while the box waits: the box then stands on its own.
HWND MessageOwner(HWND dialog, HWND dialogOwner, const ConfigDialogContext& context) noexcept
{
    if (!context.released && IsWindow(dialog))
        return dialog;
    if (!IsWindow(dialogOwner) || GetWindowThreadProcessId(dialogOwner, nullptr) != GetCurrentThreadId())
        return nullptr;
    return dialogOwner;
}

// The working copy as the save reads it; false when memory ran out.
bool SaveWorkingCopy(ConfigDialogContext& context) noexcept
{
    try {
        const PluginSettings snapshot(context.workingCopy);
        Lock guard(snapshot.lock);
        return SaveSettings(context.services, snapshot);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Apply and OK: the controls into the working copy, the working copy into
// the process-wide settings (the process-wide lock first, then the copy's),
// then the save. The save runs on its own copy of the settings, holding only
// that copy's lock: identification is never held up by the file, and a
// Defaults handled inside the host's save services changes the working copy,
// never what the save is reading. A Cancel or DestroyWindow handled there
// only marks the context released (RunCommit frees it afterwards). Once the
// settings are assigned, whatever keeps them from the disk (the host's
// services, or no memory for the save's copy) is a failed save, and the
// user is told.
void CommitSettings(HWND dialog, ConfigDialogContext& context)
{
    PluginSettings& copy = context.workingCopy;
    CollectExtensions(dialog, copy);
    SwitchValues switches;
#define DVP_READ_CHECK_BOX(member, node, byDefault, control) \
    switches.member = IsDlgButtonChecked(dialog, control) == BST_CHECKED ? 1 : 0;
    DVP_SWITCH_SETTINGS(DVP_READ_CHECK_BOX)
#undef DVP_READ_CHECK_BOX
    {
        Lock guard(copy.lock);
#define DVP_COPY_IN(member, node, byDefault, control) copy.member = switches.member;
        DVP_SWITCH_SETTINGS(DVP_COPY_IN)
#undef DVP_COPY_IN
    }
    *context.processSettings = copy;  // on failure the destination is left unchanged

    HWND dialogOwner = GetWindow(dialog, GW_OWNER);
    if (!SaveWorkingCopy(context))
        MessageBoxW(MessageOwner(dialog, dialogOwner, context), kSaveFailedText, kMessageCaption,
                    MB_OK | MB_ICONEXCLAMATION);
}

// Empties the slot first, so nothing reached from here on can find the
// context, then frees it unless a commit is still using it. The quit message
// a close asks for (the host ends its loop and destroys the window on it)
// waits for the last commit too: posted while a save still runs, it would
// end the failed-save message box that commit may yet show.
void ReleaseContext(HWND dialog, ConfigDialogContext* context, bool postQuit) noexcept
{
    SetWindowLongPtrW(dialog, DWLP_USER, 0);
    if (context->commitsRunning > 0) {
        context->released = true;
        context->quitPending = context->quitPending || postQuit;
        return;
    }
    delete context;
    if (postQuit)
        PostQuitMessage(0);
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
            if (--context_.commitsRunning != 0 || !context_.released)
                return;
            const bool postQuit = context_.quitPending;
            delete &context_;
            if (postQuit)
                PostQuitMessage(0);
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
        LoadDefaults(dialog, context.workingCopy);
    else if (steps & kRefill)
        RefillControls(dialog, context.workingCopy);
    else if (steps & kRefreshAdd)
        UpdateAddButton(dialog);  // the refill above ends with this refresh itself
    if (steps & kUpdateDefaultButton)
        UpdateDefaultButton(dialog);
    if ((steps & kCommit) && !RunCommit(dialog, context))
        return;
    if (steps & kClose)
        ReleaseContext(dialog, &context, true);
}

// --- The procedure --------------------------------------------------------

Outcome HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, ConfigDialogContext*& context)
{
    if (message == WM_INITDIALOG) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_INITDIALOG carries the creation parameter, a pointer
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
        // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_COMMAND carries the control's window in lParam
        return HandleCommand(dialog, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NCDESTROY:
        // The host destroyed the window without closing the dialog first:
        // the context has no other owner left.
        ReleaseContext(dialog, context, false);
        context = nullptr;
        return {};
    default:
        return {};
    }
}

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

// A host may make its final DVP_Uninit and unload the plug-in while a dialog
// it was given is still open; its messages would then run in an unmapped
// module. So the module that holds this procedure stays mapped for the rest
// of the process once a dialog exists: a reference dropped from the dialog's
// own code could not be dropped safely, as that code would return into the
// unmapped module. A dialog that could not be created pins nothing.
void PinModuleForDialogs() noexcept
{
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ConfigDialogProc), &pinned);
}

}  // namespace

HWND OpenConfigDialog(HMODULE module, HWND parent, std::shared_ptr<PluginSettings> processSettings,
                      const SettingsFileServices& services) noexcept
{
    if (!processSettings)
        return nullptr;
    ConfigDialogLaunch launch;
    try {
        launch.context = std::make_unique<ConfigDialogContext>(std::move(processSettings), services);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    // From WM_INITDIALOG on, the dialog owns the context; if creation fails
    // before that, launch still owns it and frees it here.
    HWND dialog = CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_CONFIG_DIALOG), parent, ConfigDialogProc,
                                     reinterpret_cast<LPARAM>(&launch));
    if (dialog)
        PinModuleForDialogs();
    return dialog;
}
