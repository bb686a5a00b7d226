// The plug-in's own GDI objects, counted exactly: its imports of the device
// context and DIB section functions are pointed at counting wrappers, so
// every creation and release it makes is seen, and nothing the platform or
// the harness does is. A DIB section returned to the host is the host's
// from then on and leaves the plug-in's count.
#pragma once

#include <windows.h>

#include <cstdint>

struct PluginGdiOutstanding {
    int64_t memoryDcs = 0;   // CreateCompatibleDC answers not yet given to DeleteDC
    int64_t windowDcs = 0;   // GetDC answers not yet given to ReleaseDC
    int64_t sections = 0;    // CreateDIBSection answers neither deleted nor returned to the host
};

// Points the module's imports at the wrappers (again, for a module already
// patched). False when an import the plug-in makes was not found.
bool TallyPluginGdi(HMODULE plugin);
// A DIB section the plug-in returned: the host's now.
void NoteSectionHandedOver(HBITMAP section);
PluginGdiOutstanding OutstandingPluginGdi();
// Every count back to 0, at the start of a scenario.
void ResetPluginGdiTally();
