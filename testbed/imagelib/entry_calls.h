// What happens at the start of every entry-point call of the stand-in: the
// call is counted and its place in the call order recorded, a hook a test
// armed for it runs, and a call after the loader detached the library ends
// the process when a test asked for that check.
#pragma once

#include "testbed/imagelib/gfl_testbed_control.h"

namespace testbed {

void BeginCall(TestbedEntry entry) noexcept;

// DLL_PROCESS_DETACH reached the library.
void MarkDetached() noexcept;

void SetEntryHook(int32_t entry, TestbedHook hook, void* context) noexcept;
void TrapCallsAfterDetach() noexcept;

// Counts and order back to zero; armed hooks stay armed.
void ResetCallRecord() noexcept;
void CopyCallRecord(TestbedCounters& counters) noexcept;

}  // namespace testbed
