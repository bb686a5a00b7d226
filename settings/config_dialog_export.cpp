// DVP_Configure: opens the modeless configuration dialog over a private copy
// of the settings and hands its window to the host, whose message loop runs
// it; the dialog posts a quit message when it is done, and the host destroys
// the window.
#include <memory>
#include <new>

#include "plugin/init_lock.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "settings/config_dialog.h"
#include "settings/config_dialog_context.h"
#include "settings/config_dialog_ids.h"

namespace {

// A context over the live settings, or null when the plug-in is not
// initialised. The init lock keeps a concurrent final DVP_Uninit from
// freeing the settings or the services table while they are copied.
std::unique_ptr<ConfigDialogContext> CreateContext()
{
    InitLockScope initLock;
    PluginState& state = State();
    PluginSettings* settings = state.settings.load(std::memory_order_acquire);
    if (!settings)
        return nullptr;
    return std::unique_ptr<ConfigDialogContext>(
        new ConfigDialogContext(*settings, state.initGeneration, state.hostServices));
}

// A host may make its final DVP_Uninit and unload the plug-in while a
// dialog it was given is still open; its messages would then run in an
// unmapped module. Once a dialog opens, the module stays mapped for the rest
// of the process (a reference dropped from the dialog's own code could not
// be dropped safely: that code would return into the unmapped module).
void PinModuleForDialogs() noexcept
{
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ConfigDialogProc), &pinned);
}

}  // namespace

extern "C" HWND WINAPI DVP_Configure(HWND parent, HWND /*notifyWindow*/, DWORD /*notifyData*/) noexcept
{
    ConfigDialogLaunch launch;
    try {
        launch.context = CreateContext();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!launch.context)
        return nullptr;
    PinModuleForDialogs();
    // From WM_INITDIALOG on, the dialog owns the context; if creation fails
    // before that, launch still owns it and frees it here.
    return CreateDialogParamW(State().module, MAKEINTRESOURCEW(IDD_CONFIG_DIALOG), parent, ConfigDialogProc,
                              reinterpret_cast<LPARAM>(&launch));
}
