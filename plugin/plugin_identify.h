// DVP_IdentifyW's fixed answers.
#pragma once

#include <windows.h>

#include <cstdint>

// The plug-in's identifier, the same in every call and every build.
inline constexpr GUID PluginGuid = {0xa6548b3b, 0xf55e, 0x4612, {0x83, 0x8a, 0x39, 0xb5, 0x02, 0x07, 0x8a, 0xc3}};

inline constexpr uint32_t kPluginInfoFlags = 0x411;
inline constexpr uint32_t kMinimumPluginInfoSize = 160;
