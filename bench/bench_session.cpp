// Start-up of the in-process plug-in for the benchmarks.
#include "bench/bench_session.h"

#include <windows.h>

#include "plugin/plugin_state.h"
#include "win32/bind_export.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "testbed/host/host_testbed_control.h"

InitExRecord Version13Record() noexcept
{
    InitExRecord record{};
    record.size = sizeof record;
    record.hostVersionHigh = 13u << 16;
    record.hostVersionLow = 0;
    return record;
}

void StartPlugin(const std::wstring& configFolder)
{
    // The plug-in's code is linked into this executable, which is also the
    // host: its module handle stands for the plug-in's DLL.
    State().attach(GetModuleHandleW(nullptr));
    HostTestbedSetConfigFolder(configFolder.c_str());
    InitExRecord record = Version13Record();
    if (!DVP_InitEx(&record))
        Fail("DVP_InitEx refused to start (is Viewers\\libgfl64U.dll beside the program?)");
    if (!State().library().loaded())
        Fail("the image library is not bound after DVP_InitEx");
}

LibrarySteering BindSteering()
{
    HMODULE library = State().library().module();
    LibrarySteering steering;
    steering.reset = BindExport<TestbedResetFn>(library, "testbedReset");
    steering.setFormats = BindExport<TestbedSetFormatsFn>(library, "testbedSetFormats");
    steering.getCounters = BindExport<TestbedGetCountersFn>(library, "testbedGetCounters");
    if (!steering.reset || !steering.setFormats || !steering.getCounters)
        Fail("the bound library is not the stand-in (no steering functions)");
    return steering;
}
