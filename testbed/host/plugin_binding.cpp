// Loads DVP_QPV.dll and binds its exports through the typed helper.
#include "testbed/host/plugin_binding.h"

#include "win32/bind_export.h"

bool LoadPlugin(const std::wstring& path, PluginBinding& plugin, std::wstring& error)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = L"plug-in not found: " + path;
        return false;
    }
    // Its own dependencies are looked up beside it first, as a host does for
    // the plug-ins of its Viewers folder.
    plugin.module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!plugin.module) {
        error = L"could not load " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    HMODULE module = plugin.module.get();
    plugin.Init = BindExport<DvpInitFn>(module, "DVP_Init");
    plugin.InitEx = BindExport<DvpInitExFn>(module, "DVP_InitEx");
    plugin.Uninit = BindExport<DvpUninitFn>(module, "DVP_Uninit");
    plugin.USBSafe = BindExport<DvpUsbSafeFn>(module, "DVP_USBSafe");
    plugin.IdentifyW = BindExport<DvpIdentifyFn>(module, "DVP_IdentifyW");
    plugin.IdentifyFileW = BindExport<DvpIdentifyFileFn>(module, "DVP_IdentifyFileW");
    plugin.IdentifyFileStreamW = BindExport<DvpIdentifyFileStreamFn>(module, "DVP_IdentifyFileStreamW");
    plugin.LoadBitmapW = BindExport<DvpLoadBitmapFn>(module, "DVP_LoadBitmapW");
    plugin.LoadBitmapStreamW = BindExport<DvpLoadBitmapStreamFn>(module, "DVP_LoadBitmapStreamW");
    plugin.Configure = BindExport<DvpConfigureFn>(module, "DVP_Configure");
    return true;
}
