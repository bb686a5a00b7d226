// The configuration dialog's follow-up steps, which ConfigDialogProc runs
// after a message's immediate actions, always in this order: defaults,
// refill, Add-state refresh, default-button update, commit, close.
#pragma once

#include <windows.h>

struct ConfigDialogContext;

// The built-in defaults into the working copy only, then a refill.
void LoadDefaults(HWND dialog, ConfigDialogContext& context);
// The list box and the check box from the working copy, then the Add-state
// refresh.
void RefillControls(HWND dialog, ConfigDialogContext& context);
// Add is enabled exactly when the edit box holds an extension (with its dot
// supplied) that the list box does not list, compared case-insensitively.
void UpdateAddButton(HWND dialog);
// Enter means Add while the edit box has the focus and OK elsewhere.
void UpdateDefaultButton(HWND dialog) noexcept;
// The controls into the working copy, the working copy into the process-wide
// settings (while they still exist), then the save; a failed save shows the
// plug-in's one message box.
void CommitSettings(HWND dialog, ConfigDialogContext& context);
