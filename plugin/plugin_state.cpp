// The process-wide state and what module load and unload do to it.
//
// Module load runs the static initialisers of this file first (the presence
// atom, then the library binding's static part, each registering its release
// for unload) and then the DLL entry point (AttachModule). Unload runs the
// entry point (DetachModule) and then the registered releases, last first.
#include "plugin/plugin_state.h"

#include <cstdlib>

#include "imagelib/gfl_library.h"

namespace {

PluginState g_state;

// A fixed GUID of the plug-in's own, registered while the module is loaded.
constexpr wchar_t kPresenceAtomName[] = L"{6B1E3A52-0D47-4C8B-9A3E-5F2C71D9B804}";
static_assert(sizeof(kPresenceAtomName) / sizeof(wchar_t) == 39);

void ReleasePresenceAtom()
{
    if (g_state.presenceAtom != 0) {
        GlobalDeleteAtom(g_state.presenceAtom);
        g_state.presenceAtom = 0;
    }
}

// Runs after the entry point's detach. When the process is ending, the
// library was detached before the plug-in and its exit would run on a
// torn-down library under the loader lock: it is left alone, as the process
// takes it down anyway.
void ShutdownImageLibrary() { GflLibrary::shutdown(g_state.processTerminating); }

bool RegisterModuleStatics() noexcept
{
    g_state.presenceAtom = GlobalAddAtomW(kPresenceAtomName);
    std::atexit(ReleasePresenceAtom);
    GflLibrary::initializeStatic();
    std::atexit(ShutdownImageLibrary);
    return true;
}

[[maybe_unused]] const bool g_moduleStaticsRegistered = RegisterModuleStatics();

}  // namespace

PluginState& State() noexcept { return g_state; }

void AttachModule(HMODULE module) noexcept
{
    InitializeCriticalSection(&g_state.initLock);
    g_state.module = module;
}

void DetachModule(bool processTerminating) noexcept
{
    g_state.processTerminating = processTerminating;
    DeleteCriticalSection(&g_state.initLock);
}
