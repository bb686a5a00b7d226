// The plug-in started in this process as a version-13 host starts it,
// reached through the host's view of its exports, and the stand-in image
// library's steering functions bound from the module the plug-in mapped.
// What every measurement shares is passed as BenchContext.
#pragma once

#include <string>

#include "bench/bench_files.h"
#include "bench/bench_report.h"
#include "testbed/host/plugin_contract.h"
#include "testbed/imagelib/library_control.h"

// Points the stand-in host's configuration folder at configFolder (which
// holds no settings file, so the 68 default exclusions apply) and runs the
// first DVP_InitEx of the plug-in's code linked into this program. Stops the
// benchmark when the plug-in does not start.
void StartPlugin(const dvp::PluginExports& plugin, const std::wstring& configFolder);

// Binds the steering functions from the library DVP_InitEx mapped.
LibraryControl BindLibraryControl();

struct BenchContext {
    ScratchFolder& scratch;
    const dvp::PluginExports& plugin;
    LibraryControl library;
    Report& report;
    int repetitions;
};
