// The configuration dialog's procedure, shared by DVP_Configure (which
// creates the dialog) and nothing else.
#pragma once

#include <windows.h>

#include <memory>

struct ConfigDialogContext;

// What DVP_Configure hands the dialog as its creation parameter. The dialog
// takes the context out at WM_INITDIALOG; if creation fails before that, the
// launch record still owns it and frees it.
struct ConfigDialogLaunch {
    std::unique_ptr<ConfigDialogContext> context;
};

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
