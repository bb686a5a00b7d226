// A scoped hold on the process-wide init lock (PluginState::initLock), for
// code outside the lifecycle exports that must not overlap a DVP_InitEx or
// DVP_Uninit: the configuration dialog opening on, and committing to, the
// process-wide settings. The lock is re-entrant; it comes before every
// settings lock in the lock order.
#pragma once

#include "plugin/plugin_state.h"

class InitLockScope {
public:
    InitLockScope() noexcept { EnterCriticalSection(&State().initLock); }
    ~InitLockScope() { LeaveCriticalSection(&State().initLock); }
    InitLockScope(const InitLockScope&) = delete;
    InitLockScope& operator=(const InitLockScope&) = delete;
};
