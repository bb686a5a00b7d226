#include "testbed/imagelib/library_control.h"

#include "win32/bind_export.h"

LibraryControl LibraryControl::Bind(HMODULE module) noexcept
{
    LibraryControl control;
#define BIND_TESTBED_CONTROL(slot) control.slot = BindExport<decltype(control.slot)>(module, "testbed" #slot);
    TESTBED_CONTROLS(BIND_TESTBED_CONTROL)
#undef BIND_TESTBED_CONTROL
    return control;
}

bool LibraryControl::complete() const noexcept
{
    bool all = true;
#define CHECK_TESTBED_CONTROL(slot) all = all && (slot) != nullptr;
    TESTBED_CONTROLS(CHECK_TESTBED_CONTROL)
#undef CHECK_TESTBED_CONTROL
    return all;
}

TestbedCounters LibraryControl::Counters() const noexcept
{
    TestbedCounters counters{};
    if (GetCounters)
        GetCounters(&counters);
    return counters;
}
