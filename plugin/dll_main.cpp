// The DLL entry point: it records the module handle, and whether a detach
// comes from the process ending; nothing more.
#include <windows.h>

#include "plugin/plugin_state.h"

// On process detach, a non-null reserved argument says the process is
// ending rather than the host unloading the plug-in.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        State().attach(instance);
    else if (reason == DLL_PROCESS_DETACH)
        State().detach(reserved != nullptr);
    return TRUE;
}
