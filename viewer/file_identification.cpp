// DVP_IdentifyFileW and DVP_IdentifyFileStreamW. A refusal leaves the host's
// record untouched; the record is written only after the library answered.
#include "viewer/file_identification.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "imagelib/gfl_library.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "settings/plugin_settings.h"
#include "viewer/stream_source.h"

namespace {

constexpr size_t kDescriptionCapacity = 200;

wchar_t FoldAscii(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EndsWithFolded(const wchar_t* name, size_t length, const std::wstring& extension) noexcept
{
    const size_t n = extension.size();
    if (n > length)
        return false;
    const wchar_t* tail = name + (length - n);
    for (size_t i = 0; i < n; ++i)
        if (FoldAscii(tail[i]) != FoldAscii(extension[i]))
            return false;
    return true;
}

// Owns the library's file information until gflFreeFileInformation.
class LibraryFileInformation {
public:
    LibraryFileInformation() = default;
    ~LibraryFileInformation()
    {
        if (filled_ && GflLibrary::loaded())
            GflLibrary::api().gflFreeFileInformation(&room_.record);
    }
    LibraryFileInformation(const LibraryFileInformation&) = delete;
    LibraryFileInformation& operator=(const LibraryFileInformation&) = delete;

    GflFileInformation* get() noexcept { return &room_.record; }
    void markFilled() noexcept { filled_ = true; }

private:
    GflRecordRoom<GflFileInformation> room_;
    bool filled_ = false;
};

// The exclusion test of both entry points; a null or empty name skips it.
// Running out of memory while copying the list refuses the file.
bool PassesExclusions(const wchar_t* name, const PluginSettings& settings) noexcept
{
    if (!name || !*name)
        return true;
    try {
        return !IsExcludedName(name, wcslen(name), settings);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

PluginSettings* CurrentSettings() noexcept { return State().settings.load(std::memory_order_acquire); }

}  // namespace

bool IsExcludedName(const wchar_t* name, size_t length, const PluginSettings& settings)
{
    ExtensionList excluded;
    {
        Lock lock(settings.lock);
        excluded = settings.excludedExtensions;
    }
    for (const std::wstring& extension : excluded)
        if (EndsWithFolded(name, length, extension))
            return true;
    return false;
}

void FillFileInfoRecord(const GflFileInformation& info, FileInfoRecord* record) noexcept
{
    // Flags 0x15 and the two 16-bit fields after them are one 64-bit store.
    const uint64_t flags = kFileInfoIdentifiedFlags;
    memcpy(&record->flags, &flags, sizeof(flags));
    // Two 16-bit values: their product needs all 32 bits, unsigned, and is
    // stored as the record's 32-bit field whatever its sign there.
    const auto bitsPerPixel = static_cast<int32_t>(uint32_t{info.bitsPerComponent} * info.componentsPerPixel);
    record->width = info.width;
    record->height = info.height;
    record->bitsPerPixel = bitsPerPixel;
    record->xResolution = info.xResolution;
    record->yResolution = info.yResolution;
    if (!record->description)
        return;

    // The library's text is at most 64 bytes and need not be terminated.
    char libraryText[sizeof(info.description) + 1] = {};
    memcpy(libraryText, info.description, sizeof(info.description));
    wchar_t text[kDescriptionCapacity] = {};
    _snwprintf(text, kDescriptionCapacity - 1, L"%ld x %ld x %ld %hs", static_cast<long>(info.width),
               static_cast<long>(info.height), static_cast<long>(bitsPerPixel), libraryText);
    text[kDescriptionCapacity - 1] = L'\0';
    const uint32_t capacity = record->descriptionCapacity;
    if (capacity > 0)
        lstrcpynW(record->description, text, capacity > kDescriptionCapacity ? kDescriptionCapacity : static_cast<int>(capacity));
}

extern "C" BOOL WINAPI DVP_IdentifyFileW(HWND /*window*/, LPCWSTR path, FileInfoRecord* record,
                                         HANDLE /*abortEvent*/) noexcept
{
    const PluginSettings* settings = CurrentSettings();
    if (!settings || !record)
        return FALSE;
    if (!PassesExclusions(path, *settings))
        return FALSE;
    if (!path || !GflLibrary::loaded())
        return FALSE;

    LibraryFileInformation info;
    if (GflLibrary::api().gflGetFileInformationW(path, -1, info.get()) != kGflNoError)
        return FALSE;
    info.markFilled();
    FillFileInfoRecord(*info.get(), record);
    return TRUE;
}

extern "C" BOOL WINAPI DVP_IdentifyFileStreamW(HWND /*window*/, IStream* stream, LPCWSTR name,
                                               FileInfoRecord* record) noexcept
{
    const PluginSettings* settings = CurrentSettings();
    if (!settings || !record)
        return FALSE;
    {
        Lock lock(settings->lock);
        if (settings->useForStreams == 0)
            return FALSE;
    }
    if (!PassesExclusions(name, *settings))
        return FALSE;
    if (!stream || !GflLibrary::loaded())
        return FALSE;

    GflRecordRoom<GflLoadParams> params;
    GflLibrary::api().gflGetDefaultLoadParams(&params.record);
    InstallStreamCallbacks(params.record.callbacks);
    LibraryFileInformation info;
    if (!GflLibrary::loaded() ||
        GflLibrary::api().gflGetFileInformationFromHandle(stream, -1, &params.record.callbacks, info.get()) !=
            kGflNoError)
        return FALSE;
    info.markFilled();
    FillFileInfoRecord(*info.get(), record);
    return TRUE;
}
