// Defaults, refill, Add-state refresh and default-button update: the
// follow-up steps that only touch the dialog's controls and its working copy.
#include "settings/config_dialog_steps.h"

#include <string>

#include "settings/config_dialog_context.h"
#include "settings/config_dialog_controls.h"
#include "settings/config_dialog_ids.h"

void LoadDefaults(HWND dialog, ConfigDialogContext& context)
{
    context.workingCopy.ResetToDefaults();  // the process-wide settings and the file stay as they are
    RefillControls(dialog, context);
}

void RefillControls(HWND dialog, ConfigDialogContext& context)
{
    PluginSettings& copy = context.workingCopy;
    if (HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST)) {
        ExtensionList extensions;
        {
            Lock guard(copy.lock);
            extensions = copy.excludedExtensions;
        }
        LRESULT remaining = SendMessageW(list, LB_GETCOUNT, 0, 0);
        while (remaining > 0)
            remaining = SendMessageW(list, LB_DELETESTRING, 0, 0);
        for (const std::wstring& extension : extensions)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(extension.c_str()));
    }

    int32_t useForStreams = 0;
    {
        Lock guard(copy.lock);
        useForStreams = copy.useForStreams;
    }
    CheckDlgButton(dialog, IDC_USE_FOR_STREAMS, useForStreams ? BST_CHECKED : BST_UNCHECKED);

    UpdateAddButton(dialog);
}

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
    const bool enable =
        !candidate.empty() &&
        SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(candidate.c_str())) ==
            LB_ERR;
    if (enable)
        EnableControl(dialog, IDC_ADD);
    else
        DisableControl(dialog, IDC_ADD);
}

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
