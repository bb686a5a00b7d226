// configure: opens the plug-in's modeless dialog and runs the host's side of
// it, a message loop that ends at the quit message the dialog posts when it
// closes, after which the window is the host's to destroy.
#include "testbed/host/console_output.h"
#include "testbed/host/driver_commands.h"

ExitCode RunConfigure(const dvp::PluginExports& plugin)
{
    std::wstring error;
    if (!RequireExport(plugin.Configure, L"DVP_Configure", error)) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }
    HWND dialog = plugin.Configure(nullptr, nullptr, 0);
    if (!dialog) {
        PrintError(L"DVP_Configure opened no dialog");
        return ExitCode::Failed;
    }
    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    if (got < 0) {
        PrintError(L"the message loop failed");
        return ExitCode::Failed;
    }
    PrintLine(L"configuration dialog closed");
    return ExitCode::Ok;
}
