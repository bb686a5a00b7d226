// The DLL entry point: the init lock and the module handle, nothing more.
#include <windows.h>

#include "plugin/plugin_state.h"

// On process detach, a non-null reserved argument says the process is
// ending rather than the host unloading the plug-in.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        AttachModule(instance);
    else if (reason == DLL_PROCESS_DETACH)
        DetachModule(reserved != nullptr);
    return TRUE;
}
