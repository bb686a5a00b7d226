// The plug-in's self-description. The texts and the version come from the
// DLL's own version resource at each call, the icon is loaded anew each time
// (the host owns every handle it gets).
#include "plugin/plugin_identify.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "resources/resource_ids.h"
#include "win32/wide_text.h"

namespace {

// The version-information block of one file, freed on every path.
class VersionBlock {
public:
    explicit VersionBlock(const wchar_t* path) noexcept
    {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        if (size == 0)
            return;
        data_.reset(new (std::nothrow) uint8_t[size]);
        if (data_ && !GetFileVersionInfoW(path, 0, size, data_.get()))
            data_.reset();
    }

    explicit operator bool() const noexcept { return data_ != nullptr; }

    // The value at sub-block path, with its length (bytes or characters, as
    // the version API reports it); null when absent.
    const void* query(const wchar_t* subBlock, UINT& length) const noexcept
    {
        void* value = nullptr;
        length = 0;
        if (!VerQueryValueW(data_.get(), subBlock, &value, &length))
            return nullptr;
        return value;
    }

private:
    std::unique_ptr<uint8_t[]> data_;
};

bool ReadFixedVersion(PluginInfoRecord& record, const VersionBlock& block) noexcept
{
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block.query(L"\\", length));
    if (!fixed || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
    record.versionHigh = fixed->dwFileVersionMS;
    record.versionLow = fixed->dwFileVersionLS;
    return true;
}

// Copies one string-table entry, truncated to the host's capacity and
// always terminated. A null destination is skipped.
bool CopyText(wchar_t* destination, uint32_t capacity, const wchar_t* key, const uint8_t (&translation)[4],
              const VersionBlock& block) noexcept
{
    if (!destination)
        return true;
    if (capacity <= 2)
        return false;
    wchar_t subBlock[128] = {};
    // Language word high and low byte, then code page word high and low byte.
    _snwprintf(subBlock, 127, L"\\StringFileInfo\\%02x%02x%02x%02x\\%ls", translation[1], translation[0],
               translation[3], translation[2], key);
    UINT length = 0;
    const auto* value = static_cast<const wchar_t*>(block.query(subBlock, length));
    if (!value)
        return false;
    CopyTruncated(destination, capacity, value);
    return true;
}

bool FillFromVersionResource(PluginInfoRecord& record, HMODULE module) noexcept
{
    if (!module)
        return false;
    wchar_t path[MAX_PATH] = {};
    // A full buffer means a truncated path, which could name another file.
    const DWORD pathLength = GetModuleFileNameW(module, path, MAX_PATH);
    if (pathLength == 0 || pathLength >= MAX_PATH)
        return false;
    const VersionBlock block(path);
    if (!block)
        return false;

    UINT length = 0;
    const void* translationValue = block.query(L"\\VarFileInfo\\Translation", length);
    if (!translationValue || length != 4)
        return false;
    uint8_t translation[4];
    memcpy(translation, translationValue, sizeof(translation));

    if (!ReadFixedVersion(record, block))
        return false;
    if (!CopyText(record.copyright, record.copyrightCapacity, L"LegalCopyright", translation, block) ||
        !CopyText(record.name, record.nameCapacity, L"InternalName", translation, block) ||
        !CopyText(record.description, record.descriptionCapacity, L"FileDescription", translation, block) ||
        !CopyText(record.url, record.urlCapacity, L"CompanyName", translation, block))
        return false;

    // Stored even when null; a missing icon is no failure. The host owns it.
    record.icon = static_cast<HICON>(
        LoadImageW(module, MAKEINTRESOURCEW(IDI_PLUGIN), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    return true;
}

}  // namespace

bool DescribePlugin(PluginInfoRecord& record, HMODULE module, const wchar_t* handledExtensions) noexcept
{
    record.flags = kPluginInfoFlags;
    record.zero80 = 0;
    record.zero88 = 0;
    record.zero96 = 0;
    record.zero104 = 0;
    record.zero112 = 0;
    record.pluginGuid = PluginGuid;
    record.handledExtensions = handledExtensions;
    return FillFromVersionResource(record, module);
}
