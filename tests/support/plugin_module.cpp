// Binds the plug-in's exports and the stand-in library's steering functions.
#include "tests/support/plugin_module.h"

#include <cstdio>
#include <cstdlib>

#include "win32/bind_export.h"
#include "tests/support/test_paths.h"

namespace {

template <typename Fn>
void Bind(HMODULE module, Fn& slot, const char* name)
{
    slot = BindExport<Fn>(module, name);
}

}  // namespace

std::wstring ViewersFolder() { return ExecutableFolder() + L"\\Viewers"; }

PluginModule PluginModule::Load(const std::wstring& path)
{
    PluginModule p;
    p.module = LoadLibraryW(path.c_str());
    if (!p.module)
        return p;
    Bind(p.module, p.Init, "DVP_Init");
    Bind(p.module, p.InitEx, "DVP_InitEx");
    Bind(p.module, p.Uninit, "DVP_Uninit");
    Bind(p.module, p.USBSafe, "DVP_USBSafe");
    Bind(p.module, p.Identify, "DVP_IdentifyW");
    Bind(p.module, p.IdentifyFile, "DVP_IdentifyFileW");
    Bind(p.module, p.IdentifyFileStream, "DVP_IdentifyFileStreamW");
    Bind(p.module, p.LoadBitmap, "DVP_LoadBitmapW");
    Bind(p.module, p.LoadBitmapStream, "DVP_LoadBitmapStreamW");
    Bind(p.module, p.Configure, "DVP_Configure");
    return p;
}

PluginModule& PluginModule::Get()
{
    static PluginModule plugin = [] {
        PluginModule p = Load(ViewersFolder() + L"\\DVP_QPV.dll");
        if (!p.module) {
            fprintf(stderr, "cannot load DVP_QPV.dll (error %lu)\n", GetLastError());
            abort();
        }
        return p;
    }();
    return plugin;
}

ImageLibraryControl ImageLibraryControl::Bind(HMODULE module)
{
    ImageLibraryControl c;
    c.module = module;
    ::Bind(c.module, c.Reset, "testbedReset");
    ::Bind(c.module, c.SetVersion, "testbedSetVersion");
    ::Bind(c.module, c.SetFormats, "testbedSetFormats");
    ::Bind(c.module, c.SetFaults, "testbedSetFaults");
    ::Bind(c.module, c.SetDescription, "testbedSetDescription");
    ::Bind(c.module, c.SetCancelPolls, "testbedSetCancelPolls");
    ::Bind(c.module, c.GetCounters, "testbedGetCounters");
    ::Bind(c.module, c.SetBitDepth, "testbedSetBitDepth");
    ::Bind(c.module, c.SetEntryHook, "testbedSetEntryHook");
    return c;
}

ImageLibraryControl& ImageLibraryControl::Get()
{
    static ImageLibraryControl control = [] {
        HMODULE module = LoadLibraryW((ViewersFolder() + L"\\libgfl64U.dll").c_str());
        if (!module) {
            fprintf(stderr, "cannot load libgfl64U.dll (error %lu)\n", GetLastError());
            abort();
        }
        return Bind(module);
    }();
    return control;
}

TestbedCounters ImageLibraryControl::Counters() const
{
    TestbedCounters counters{};
    if (GetCounters)
        GetCounters(&counters);
    return counters;
}

InitExRecord HostRecord(uint16_t major, uint16_t minor, uint16_t third, uint16_t fourth)
{
    InitExRecord record{};
    record.size = sizeof(record);
    record.hostVersionHigh = static_cast<uint32_t>(major) << 16 | minor;
    record.hostVersionLow = static_cast<uint32_t>(third) << 16 | fourth;
    return record;
}
