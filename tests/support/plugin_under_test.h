// The plug-in a test program drives, reached through the host's view of its
// ten exports. Each test program links exactly one definition of ThePlugin():
// loaded_plugin.cpp binds the built DVP_QPV.dll by name from the program's
// Viewers folder; linked_plugin.cpp fills the table from the plug-in's code
// linked into the program itself. Tests written against the table run
// either way.
#pragma once

#include <windows.h>

#include "testbed/host/plugin_contract.h"

struct PluginUnderTest {
    HMODULE module = nullptr;  // holds the plug-in's resources: the DLL, or the program itself
    dvp::PluginExports exports;
};

// Bound once per process; a program whose plug-in cannot be reached stops.
const PluginUnderTest& ThePlugin();
