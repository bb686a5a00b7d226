// The driver's commands, each run between the plug-in's start-up and shut-
// down, and the exit codes they end with.
#pragma once

#include <string>
#include <vector>

#include "testbed/host/plugin_binding.h"

enum class ExitCode : int {
    Ok = 0,
    Failed = 1,       // the plug-in refused or failed what was asked
    Usage = 2,        // the command line made no sense
    NoPlugin = 3,     // DVP_QPV.dll missing, unloadable or without a needed export
    InitRefused = 4,  // DVP_InitEx answered 0
};

ExitCode RunInfo(const dvp::PluginExports& plugin);
// identify [--stream] FILE...
ExitCode RunIdentify(const dvp::PluginExports& plugin, const std::vector<std::wstring>& arguments);
// render [--stream] FILE OUT.png
ExitCode RunRender(const dvp::PluginExports& plugin, const std::vector<std::wstring>& arguments);
ExitCode RunConfigure(const dvp::PluginExports& plugin);
