// Binding DVP_QPV.dll as a host does: the ten exports looked up by name into
// one table (a missing export leaves its slot null, so a caller can name
// what it lacks), and the module loaded from a full path and held.
#pragma once

#include <string>

#include "testbed/host/plugin_contract.h"
#include "win32/unique_handle.h"

// Every export of the module, slots of missing ones null.
dvp::PluginExports BindPluginExports(HMODULE module) noexcept;

struct LoadedPlugin {
    UniqueModule module;
    dvp::PluginExports exports;
};

// Loads the DLL from a full path, its own dependencies looked up beside it
// first, as a host does for the plug-ins of its Viewers folder. False, with
// a one-line reason, when the file is missing or cannot be loaded.
bool LoadPlugin(const std::wstring& path, LoadedPlugin& plugin, std::wstring& error);

// True when the slot is bound; otherwise sets a one-line reason naming the
// export.
template <typename Fn>
bool RequireExport(Fn slot, const wchar_t* name, std::wstring& error)
{
    if (slot)
        return true;
    error = std::wstring(L"DVP_QPV.dll does not export ") + name;
    return false;
}
