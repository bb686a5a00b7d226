// The two walks over a settings document: reading a loaded document's
// children into settings, and building a new document from settings.
// Layout: root "DVP_QPV"; one "ExcludedExtension" per list entry, in list
// order; then one boolean "UseQPVForStreams". Names compare case-sensitively.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "settings/plugin_settings.h"
#include "settings/settings_file_services.h"

// The text buffer every read of one document goes through, and the one
// capacity integer handed to the host by address with each read; the host
// may change that integer. owned() is what the buffer really holds, which
// the reader never lets the host write past.
class SettingsTextBuffer {
public:
    // Allocated without throwing; without a buffer, every read fails.
    explicit SettingsTextBuffer(int32_t capacity) noexcept;

    wchar_t* data() const noexcept { return data_.get(); }
    int32_t* capacity() noexcept { return &capacity_; }
    int32_t owned() const noexcept { return owned_; }
    // Replaces the buffer by one of size characters and sets the capacity
    // integer to it; false (and no buffer) when that allocation fails.
    bool Grow(int32_t size) noexcept;

private:
    std::unique_ptr<wchar_t[]> data_;
    int32_t capacity_;
    int32_t owned_;
};

// How a read of the settings file ended.
enum class SettingsRead {
    Whole,   // every child visited, every recognised one read
    InPart,  // loaded, but a child's name could not be read or the walk could
             // not go on: the file may hold more than the settings now do
    Failed,  // not loaded: the caller applies the defaults
};

// Appends the document's "ExcludedExtension" values to the list verbatim and
// reads "UseQPVForStreams". Failed when the root is not "DVP_QPV", a
// recognised child cannot be read, the host breaks the read contract, or a
// service or memory is missing for the root or a recognised child; the
// entries read before stay for the caller to discard.
SettingsRead ReadSettingsXml(const SettingsFileServices& host, HANDLE document, SettingsTextBuffer& buffer,
                             PluginSettings& settings) REQUIRES(settings.lock);

// Names the root and adds the children; false at the first node or value
// the host cannot add.
bool WriteSettingsXml(const SettingsFileServices& host, HANDLE document, const PluginSettings& settings)
    REQUIRES(settings.lock);
