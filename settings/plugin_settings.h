// PluginSettings: the excluded extensions and the stream switch, with a lock
// of its own per instance. One process-wide instance serves identification;
// the configuration dialog edits a private copy and assigns it back. Every
// access to excludedExtensions and useForStreams holds lock; readers copy
// out under it and work on their copy.
//
// Lock order: the process-wide instance's lock before a copy's lock (the
// dialog's commit assigns its copy to the process-wide instance).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/default_exclusions.h"
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

    // The 68 defaults, sorted by UTF-16 code units, and useForStreams = 1.
    void ResetToDefaults() REQUIRES(lock);

    mutable CriticalSection lock;
    ExtensionList excludedExtensions GUARDED_BY(lock);
    int32_t useForStreams GUARDED_BY(lock) = 1;  // always 0 or 1
};
