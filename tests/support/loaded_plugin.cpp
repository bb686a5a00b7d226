// ThePlugin() for the programs that load the built DLL as a host does.
#include <cstdio>
#include <cstdlib>

#include "testbed/host/plugin_binding.h"
#include "tests/support/plugin_under_test.h"
#include "tests/support/test_files.h"

const PluginUnderTest& ThePlugin()
{
    // Loaded for the life of the process, as a host keeps its viewers.
    static const PluginUnderTest plugin = [] {
        LoadedPlugin loaded;
        std::wstring error;
        if (!LoadPlugin(ViewersFolder() + L"\\DVP_QPV.dll", loaded, error)) {
            fprintf(stderr, "%ls\n", error.c_str());
            abort();
        }
        return PluginUnderTest{loaded.module.release(), loaded.exports};
    }();
    return plugin;
}
