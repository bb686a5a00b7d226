// The DLL entry point: the init lock and the module handle, nothing more.
#include <windows.h>

#include "plugin/plugin_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
        AttachModule(instance);
    else if (reason == DLL_PROCESS_DETACH)
        DetachModule();
    return TRUE;
}
