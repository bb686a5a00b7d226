// PluginState: the one process-wide state of the plug-in, in static storage.
//
// The first DVP_InitEx creates hostServices, settings and handledExtensions
// under the init lock; the DVP_Uninit that brings the count back to 0 frees
// them. The exports that never take the init lock (identification,
// configuration, plug-in identification) read the two published pointers
// with acquire ordering; a null settings pointer means "not initialised".
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct HostServices;
class PluginSettings;

struct PluginState {
    HMODULE module = nullptr;              // set at process attach, never cleared
    CRITICAL_SECTION initLock{};           // re-entrant; held for all of InitEx and Uninit
    int32_t initCount = 0;                 // guarded by initLock
    // Counts initialisation cycles: every first DVP_InitEx starts a new one.
    // Guarded by initLock. Lets a dialog opened in one cycle recognise that
    // the settings it was opened on are gone.
    uint32_t initGeneration = 0;
    HostServices* hostServices = nullptr;  // owned; guarded by initLock
    std::atomic<PluginSettings*> settings{nullptr};          // owned
    std::atomic<const wchar_t*> handledExtensions{nullptr};  // owned, new[]
    ATOM presenceAtom = 0;
    // Set by a process detach that comes from the process ending, not from
    // the host unloading the plug-in.
    bool processTerminating = false;
};

PluginState& State() noexcept;

// Process attach and detach, called by the DLL entry point (and by tests that
// link the plug-in's code directly): the init lock and the module handle.
// A detach while the process ends leaves the image library alone: the
// loader has detached it already (it was loaded after the plug-in).
void AttachModule(HMODULE module) noexcept;
void DetachModule(bool processTerminating) noexcept;

// The wide string DVP_USBSafe hands the host: the plug-in's extra file.
inline constexpr wchar_t kImageLibraryFileName[] = L"libgfl64U.dll";
