// PluginSettings: the excluded extensions and the stream switch, with a
// recursive lock of its own per instance. One process-wide instance lives in
// PluginState; the configuration dialog edits a private copy and assigns it
// back. Every access to excludedExtensions and useForStreams holds lock;
// readers copy out under it and work on their copy.
//
// Lock order: the process-wide instance's lock before a copy's lock.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin/critical_section.h"

struct HostServices;

using ExtensionList = std::vector<std::wstring>;

// The 68 built-in exclusions, in the order they are appended before sorting.
extern const std::array<const wchar_t*, 68> DefaultExcludedExtensions;

class PluginSettings {
public:
    PluginSettings(HMODULE module, HostServices* host, uint64_t version) noexcept;
    // Copies under the source's lock; the copy has a lock of its own.
    PluginSettings(const PluginSettings& other);
    // Self-assignment takes no lock; otherwise this lock, then the source's.
    PluginSettings& operator=(const PluginSettings& other);
    ~PluginSettings() = default;

    // The 68 defaults, sorted by UTF-16 code units, and useForStreams = 1.
    void ResetToDefaults();

    // Persistence through the host's XML services. Neither takes the lock:
    // the caller holds it (the process-wide lock at start-up, the working
    // copy's lock when the dialog saves).
    bool GetSettingsFilePath(std::wstring& path) const;
    bool LoadSettings();
    bool ReadSettingsFile(const std::wstring& path);
    bool SaveSettings() const;
    // The walks over one document. The read buffer and its capacity are
    // shared by every read of the document; on entry the capacity is the
    // buffer's length in characters. The buffer may be replaced by a larger
    // one (new[], possibly null after a failed allocation), which the caller
    // then releases.
    bool ReadSettingsXml(HANDLE document, wchar_t*& buffer, int32_t& capacity);
    bool WriteSettingsXml(HANDLE document) const;

    mutable CriticalSection lock;
    HMODULE moduleHandle = nullptr;
    ExtensionList excludedExtensions;
    HostServices* hostServices = nullptr;  // not owned
    uint64_t hostVersion = 0;
    int32_t useForStreams = 1;             // always 0 or 1
};
