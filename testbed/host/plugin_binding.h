// The driver's hold on DVP_QPV.dll: the module and its ten exports, each
// bound by name on its own so that a missing one is reported by name when a
// command needs it rather than stopping every command.
#pragma once

#include <string>

#include "plugin/plugin_exports.h"
#include "win32/unique_handle.h"

struct PluginBinding {
    UniqueModule module;
    DvpInitFn Init = nullptr;
    DvpInitExFn InitEx = nullptr;
    DvpUninitFn Uninit = nullptr;
    DvpUsbSafeFn USBSafe = nullptr;
    DvpIdentifyFn IdentifyW = nullptr;
    DvpIdentifyFileFn IdentifyFileW = nullptr;
    DvpIdentifyFileStreamFn IdentifyFileStreamW = nullptr;
    DvpLoadBitmapFn LoadBitmapW = nullptr;
    DvpLoadBitmapStreamFn LoadBitmapStreamW = nullptr;
    DvpConfigureFn Configure = nullptr;
};

// Loads the DLL from a full path and binds whatever it exports. False, with
// a one-line reason, when the file is missing or cannot be loaded.
bool LoadPlugin(const std::wstring& path, PluginBinding& plugin, std::wstring& error);

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
