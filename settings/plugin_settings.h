// PluginSettings: the excluded extensions and the switches (the stream
// switch; settings/switch_settings.h lists them), with a lock of its own per
// instance. One process-wide instance serves identification; the
// configuration dialog edits a private copy and assigns it back. Every
// access to the settings holds lock; readers copy out under it and work on
// their copy.
//
// Lock order: the process-wide instance's lock before a copy's lock (the
// dialog's commit assigns its copy to the process-wide instance).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/default_exclusions.h"
#include "settings/switch_settings.h"
#include "win32/critical_section.h"

using ExtensionList = std::vector<std::wstring>;


class PluginSettings {
public:
    PluginSettings() noexcept = default;
    // Copies under the source's lock; the copy has a lock of its own.
    PluginSettings(const PluginSettings& other) EXCLUDES(other.lock);
    // Self-assignment takes no lock; otherwise this lock, then the source's.
    PluginSettings& operator=(const PluginSettings& other) EXCLUDES(lock, other.lock);
    ~PluginSettings() = default;

    // The 68 defaults, sorted by UTF-16 code units, and every switch at its
    // default.
    void ResetToDefaults() REQUIRES(lock);

    mutable CriticalSection lock;
    ExtensionList excludedExtensions GUARDED_BY(lock);
#define DVP_SWITCH_MEMBER(member, node, byDefault, control) int32_t member GUARDED_BY(lock) = byDefault;
    DVP_SWITCH_SETTINGS(DVP_SWITCH_MEMBER)  // each always 0 or 1
#undef DVP_SWITCH_MEMBER
};
