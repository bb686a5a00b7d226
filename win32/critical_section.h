// The one lock of the plug-in: a Win32 critical section, and the scoped
// guard that holds it. Both are annotated, so Clang checks at compile time
// that guarded data is touched only with its lock held and that locks are
// taken in the order their declarations state.
//
// A critical section may be entered again by the thread that holds it, but
// the plug-in never relies on that: a function that needs a lock either
// takes it or says REQUIRES and is called with it held.
#pragma once

#include <windows.h>

#include "win32/thread_annotations.h"

class CAPABILITY("mutex") CriticalSection {
public:
    CriticalSection() noexcept { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() noexcept ACQUIRE() { EnterCriticalSection(&section_); }
    void leave() noexcept RELEASE() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_{};
};

class SCOPED_CAPABILITY Lock {
public:
    explicit Lock(CriticalSection& section) noexcept ACQUIRE(section) : section_(section) { section_.enter(); }
    ~Lock() RELEASE() { section_.leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& section_;
};
