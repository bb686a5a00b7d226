// The plug-in started in this process as a version-13 host starts it, and
// the stand-in image library's steering functions bound from the module the
// plug-in mapped. What every measurement shares is passed as BenchContext.
#pragma once

#include <string>

#include "bench/bench_files.h"
#include "bench/bench_report.h"
#include "plugin/host_records.h"
#include "testbed/imagelib/gfl_testbed_control.h"

struct LibrarySteering {
    TestbedResetFn reset = nullptr;
    TestbedSetFormatsFn setFormats = nullptr;
    TestbedGetCountersFn getCounters = nullptr;
};

// The record a host of version 13.0.0.0 passes to DVP_InitEx.
InitExRecord Version13Record() noexcept;

// Registers this executable as the plug-in's module, points the stand-in
// host's configuration folder at configFolder (which holds no settings file,
// so the 68 default exclusions apply) and runs the first DVP_InitEx. Stops
// the benchmark when the plug-in does not start.
void StartPlugin(const std::wstring& configFolder);

// Binds the steering functions from the library DVP_InitEx mapped.
LibrarySteering BindSteering();

struct BenchContext {
    ScratchFolder& scratch;
    LibrarySteering steering;
    Report& report;
    int repetitions;
};
