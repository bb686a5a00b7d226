// HostServices: the host process's own exports, bound by name from the
// already loaded module "dopus.exe" into one table of nullable slots, in the
// order of host_service_list.inc (the config group, then XML, then UI). A
// missing export (or a process without that module) leaves its slot null;
// the caller tests the slot right before each call and treats null as a
// failed call. The table owns nothing and never changes after binding.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "settings/settings_file_services.h"
#include "win32/bind_export.h"

enum class HostService : size_t {
#define HOST_SERVICE(group, name) name,
#include "plugin/host_service_list.inc"
#undef HOST_SERVICE
    Count
};

inline constexpr size_t kHostServiceCount = static_cast<size_t>(HostService::Count);

// The export names, in slot order.
inline constexpr std::array<const char*, kHostServiceCount> kHostServiceNames = {
#define HOST_SERVICE(group, name) #name,
#include "plugin/host_service_list.inc"
#undef HOST_SERVICE
};

// The one service start-up calls itself: the host's program folder.
using GetProgramDirWFn = BOOL(WINAPI*)(LPWSTR buffer, UINT capacity);

struct HostServices {
    std::array<RawProc, kHostServiceCount> slots{};

    // Every slot from the loaded "dopus.exe", in slot order. Never fails.
    static HostServices Bind() noexcept;

    template <typename Fn>
    Fn get(HostService slot) const noexcept
    {
        return CastExport<Fn>(slots[static_cast<size_t>(slot)]);
    }

    GetProgramDirWFn programDir() const noexcept { return get<GetProgramDirWFn>(HostService::GetProgramDirW); }
    // The services through which the settings file is found, read and saved.
    SettingsFileServices settingsFile() const noexcept;
};
