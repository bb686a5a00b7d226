// Who the plug-in is and what it handles: the answer DVP_IdentifyW writes
// into the host's PluginInfoRecord.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugin/host_records.h"

// The plug-in's identifier, the same in every call and every build.
inline constexpr GUID PluginGuid = {0xa6548b3b, 0xf55e, 0x4612, {0x83, 0x8a, 0x39, 0xb5, 0x02, 0x07, 0x8a, 0xc3}};

inline constexpr uint32_t kPluginInfoFlags = 0x411;
inline constexpr uint32_t kMinimumPluginInfoSize = 160;

// Fills a record of at least kMinimumPluginInfoSize bytes: the fixed flags,
// zeros and identifier and the handled-extensions pointer (which stays the
// plug-in's; null while not initialised), then the version, the texts the
// host asked for and the icon from the module's own resources. False when
// the version resource could not supply them; what was written stays.
bool DescribePlugin(PluginInfoRecord& record, HMODULE module, const wchar_t* handledExtensions) noexcept;
