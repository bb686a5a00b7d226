// The host's identification call and the record it fills.
#include "testbed/host/file_identification.h"

#include <shlwapi.h>

#include <cwchar>

IdentifiedFile::IdentifiedFile() noexcept
{
    record.size = sizeof(record);
    record.description = description_.data();
    record.descriptionCapacity = static_cast<uint32_t>(description_.size());
}

std::wstring IdentifiedFile::Description() const
{
    // Terminated by the plug-in; the bound keeps a misbehaving one in check.
    return std::wstring(description_.data(), wcsnlen(description_.data(), description_.size()));
}

std::wstring IdentifiedFile::Summary() const
{
    return std::to_wstring(record.width) + L" x " + std::to_wstring(record.height) + L", " +
           std::to_wstring(record.bitsPerPixel) + L" bits, " + std::to_wstring(record.xResolution) + L" x " +
           std::to_wstring(record.yResolution) + L" dpi, \"" + Description() + L"\"";
}

ComOwner<IStream> OpenReadStream(const std::wstring& path) noexcept
{
    IStream* stream = nullptr;
    if (FAILED(SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL,
                                      FALSE, nullptr, &stream)))
        return ComOwner<IStream>();
    return ComOwner<IStream>(stream);
}

void Identify(const dvp::PluginExports& plugin, const std::wstring& path, IStream* stream, IdentifiedFile& file)
{
    const BOOL result = stream ? plugin.IdentifyFileStreamW(nullptr, stream, path.c_str(), &file.record)
                               : plugin.IdentifyFileW(nullptr, path.c_str(), &file.record, nullptr);
    file.accepted = result != FALSE;
}
