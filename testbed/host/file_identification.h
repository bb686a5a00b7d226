// Asking the plug-in about one file, as the host does before it shows or
// loads anything: by path, or through a read-only stream on the file.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <array>
#include <string>

#include "testbed/host/com_owner.h"
#include "testbed/host/plugin_contract.h"

// The host's record with its own description buffer. Not copyable: the
// record points into the object.
class IdentifiedFile {
public:
    IdentifiedFile() noexcept;
    IdentifiedFile(const IdentifiedFile&) = delete;
    IdentifiedFile& operator=(const IdentifiedFile&) = delete;

    dvp::FileInfoRecord record{};
    bool accepted = false;

    std::wstring Description() const;
    // "640 x 480, 24 bits, 72 x 72 dpi, \"description\""
    std::wstring Summary() const;

private:
    std::array<wchar_t, 256> description_{};
};

// A read-only stream on a file, null when it cannot be opened.
ComOwner<IStream> OpenReadStream(const std::wstring& path) noexcept;

// Calls DVP_IdentifyFileW (stream null) or DVP_IdentifyFileStreamW with the
// path as the stream's name. The caller has checked that the export exists.
void Identify(const dvp::PluginExports& plugin, const std::wstring& path, IStream* stream, IdentifiedFile& file);
