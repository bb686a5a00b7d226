// The stand-in library's entry point: it only notes the detach, so that an
// entry-point call made after it can be told apart (entry_calls.cpp).
#include <windows.h>

#include "testbed/imagelib/entry_calls.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH)
        testbed::MarkDetached();
    return TRUE;
}
