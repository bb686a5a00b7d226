#include "testbed/host/plugin_binding.h"

#include "win32/bind_export.h"

dvp::PluginExports BindPluginExports(HMODULE module) noexcept
{
    dvp::PluginExports exports;
#define BIND_PLUGIN_EXPORT(slot) exports.slot = BindExport<decltype(exports.slot)>(module, "DVP_" #slot);
    DVP_PLUGIN_EXPORTS(BIND_PLUGIN_EXPORT)
#undef BIND_PLUGIN_EXPORT
    return exports;
}

bool LoadPlugin(const std::wstring& path, LoadedPlugin& plugin, std::wstring& error)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = L"plug-in not found: " + path;
        return false;
    }
    plugin.module.reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!plugin.module) {
        error = L"could not load " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    plugin.exports = BindPluginExports(plugin.module.get());
    return true;
}
