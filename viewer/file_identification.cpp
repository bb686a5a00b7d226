// Identification of files and streams.
#include "viewer/file_identification.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <string_view>

#include "imagelib/gfl_owners.h"
#include "viewer/stream_source.h"
#include "win32/wide_text.h"

namespace {

constexpr size_t kDescriptionCapacity = 200;

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

bool DeclinesStreams(const PluginSettings& settings) noexcept
{
    Lock lock(settings.lock);
    return settings.useForStreams == 0;
}

}  // namespace

bool IsExcludedName(const wchar_t* name, size_t length, const PluginSettings& settings)
{
    ExtensionList excluded;
    {
        Lock lock(settings.lock);
        excluded = settings.excludedExtensions;
    }
    const std::wstring_view text(name, length);
    for (const std::wstring& extension : excluded)
        if (EndsWithIgnoringAsciiCase(text, extension))
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
    CopyTruncated(record->description, record->descriptionCapacity, text);
}

bool IdentifyFile(const GflLibrary& library, const PluginSettings& settings, const wchar_t* path,
                  FileInfoRecord& record) noexcept
{
    if (!PassesExclusions(path, settings) || !path || !library.loaded())
        return false;
    LibraryFileInformation info(library);
    if (library.api().gflGetFileInformationW(path, -1, info.get()) != kGflNoError)
        return false;
    info.markFilled();
    FillFileInfoRecord(info.record(), &record);
    return true;
}

bool IdentifyStream(const GflLibrary& library, const PluginSettings& settings, IStream* stream, const wchar_t* name,
                    FileInfoRecord& record) noexcept
{
    if (DeclinesStreams(settings) || !PassesExclusions(name, settings) || !stream || !library.loaded())
        return false;

    GflRecordRoom<GflLoadParams> params;
    library.api().gflGetDefaultLoadParams(&params.record);
    InstallStreamCallbacks(params.record.callbacks);
    LibraryFileInformation info(library);
    if (!library.loaded() ||
        library.api().gflGetFileInformationFromHandle(stream, -1, &params.record.callbacks, info.get()) != kGflNoError)
        return false;
    info.markFilled();
    FillFileInfoRecord(info.record(), &record);
    return true;
}
