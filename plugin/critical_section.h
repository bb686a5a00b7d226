// A recursive Win32 critical section and its scoped guard.
//
// Lock order, everywhere in the plug-in: the init lock (PluginState) before
// the library lock (GflLibrary) or the process-wide settings lock; the
// process-wide settings lock before a dialog copy's lock. Never the reverse.
#pragma once

#include <windows.h>

class CriticalSection {
public:
    CriticalSection() noexcept { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() noexcept { EnterCriticalSection(&section_); }
    void leave() noexcept { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class Lock {
public:
    explicit Lock(CriticalSection& section) noexcept : section_(section) { section_.enter(); }
    ~Lock() { section_.leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& section_;
};
