// The stand-in library's steering functions (gfl_testbed_control.h) bound
// by name from a loaded libgfl64U.dll, for the programs that steer it: the
// tests, the benchmarks and the stand-in host's driver. A slot is null when
// the module is not the stand-in.
#pragma once

#include <windows.h>

#include "testbed/imagelib/gfl_testbed_control.h"

// X(slot) lists the functions; the export's name is "testbed" followed by
// the slot's.
#define TESTBED_CONTROLS(X)                                                                               \
    X(Reset) X(SetVersion) X(SetFormats) X(SetFaults) X(SetDescription) X(SetCancelPolls) X(GetCounters) \
        X(SetBitDepth) X(SetEntryHook) X(TrapCallsAfterDetach) X(SetDeviation) X(GetDeviationCounts)        \
            X(GetLastDescribed) X(TakeThreadDrawn)

// Each slot has the type of the function it holds, as declared for the
// stand-in's own build.
struct LibraryControl {
    decltype(&testbedReset) Reset = nullptr;
    decltype(&testbedSetVersion) SetVersion = nullptr;
    decltype(&testbedSetFormats) SetFormats = nullptr;
    decltype(&testbedSetFaults) SetFaults = nullptr;
    decltype(&testbedSetDescription) SetDescription = nullptr;
    decltype(&testbedSetCancelPolls) SetCancelPolls = nullptr;
    decltype(&testbedGetCounters) GetCounters = nullptr;
    decltype(&testbedSetBitDepth) SetBitDepth = nullptr;
    decltype(&testbedSetEntryHook) SetEntryHook = nullptr;
    decltype(&testbedTrapCallsAfterDetach) TrapCallsAfterDetach = nullptr;
    decltype(&testbedSetDeviation) SetDeviation = nullptr;
    decltype(&testbedGetDeviationCounts) GetDeviationCounts = nullptr;
    decltype(&testbedGetLastDescribed) GetLastDescribed = nullptr;
    decltype(&testbedTakeThreadDrawn) TakeThreadDrawn = nullptr;

    // The functions of a library module the caller holds.
    static LibraryControl Bind(HMODULE module) noexcept;
    // True when every function was found: the module is the stand-in.
    bool complete() const noexcept;
    // The counters, all zero when the module is not the stand-in.
    TestbedCounters Counters() const noexcept;
};
