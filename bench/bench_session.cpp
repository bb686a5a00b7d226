// Start-up of the in-process plug-in for the benchmarks.
#include "bench/bench_session.h"

#include "plugin/plugin_state.h"
#include "testbed/host/host_testbed_control.h"

void StartPlugin(const dvp::PluginExports& plugin, const std::wstring& configFolder)
{
    HostTestbedSetConfigFolder(configFolder.c_str());
    dvp::InitExRecord record = dvp::HostRecord(13);
    if (!plugin.InitEx(&record))
        Fail("DVP_InitEx refused to start (is Viewers\\libgfl64U.dll beside the program?)");
    if (!State().library().loaded())
        Fail("the image library is not bound after DVP_InitEx");
}

LibraryControl BindLibraryControl()
{
    const LibraryControl control = LibraryControl::Bind(State().library().module());
    if (!control.complete())
        Fail("the bound library is not the stand-in (no steering functions)");
    return control;
}
