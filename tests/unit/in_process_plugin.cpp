#include "tests/unit/in_process_plugin.h"

#include <mutex>

#include "testbed/host/host_testbed_control.h"

void AttachInProcessModule()
{
    static std::once_flag attached;
    std::call_once(attached, [] { State().attach(GetModuleHandleW(nullptr)); });
}

void InProcessPlugin::SetUp()
{
    AttachInProcessModule();
    HostTestbedReset();
    HostTestbedSetConfigFolder(config.path().c_str());
    library.Reset();
}

void InProcessPlugin::TearDown()
{
    if (started)
        Stop();
}

bool InProcessPlugin::Start()
{
    InitExRecord record = HostRecord(13);
    started = DVP_InitEx(&record) == TRUE;
    return started;
}

void InProcessPlugin::Stop()
{
    DVP_Uninit();
    started = false;
}
