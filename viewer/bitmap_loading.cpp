// Bitmap loading: decode, transparency, conversion, DIB.
#include "viewer/bitmap_loading.h"

#include <utility>

#include "imagelib/gfl_owners.h"
#include "viewer/dib_conversion.h"
#include "viewer/stream_source.h"
#include "win32/unique_handle.h"

namespace {

struct Transparency {
    bool hasColor = false;
    uint32_t color = 0;  // red | green << 8 | blue << 16
};

// Decides transparency from the bitmap as decoded, before conversion, and
// ORs the host's transparency flag in where the image has any.
Transparency MarkTransparency(const GflBitmap& bitmap, FileInfoRecord* record) noexcept
{
    Transparency result;
    const int index = bitmap.transparentIndex;
    if (index != -1) {
        if (!bitmap.colorMap) {
            result.hasColor = true;
            result.color = index == 0 ? 0x000000u : 0xFFFFFFu;
        } else if (index >= 0 && index < 256) {
            result.hasColor = true;
            const uint8_t* map = bitmap.colorMap;
            result.color = map[index] | map[256 + index] << 8 | map[512 + index] << 16;
        }
        // An index the 256-entry colour map cannot hold names no colour: the
        // image still declares transparency, the alpha bytes stay as decoded.
    } else if ((bitmap.layout & kGflAlphaLayouts) == 0) {
        return result;
    }
    if (record)
        record->flags |= kFileInfoHasTransparency;
    return result;
}

// Steps after a successful decode, shared by both entry points. Only a
// decode that answered success hands its bitmap here: a failed one may have
// stored a pointer through the out-argument that it already freed.
HBITMAP ConvertDecoded(const GflLibrary& library, HWND window, GflBitmap* decoded, FileInfoRecord* record) noexcept
{
    const LibraryBitmap bitmap(library, decoded);
    if (!bitmap.get())
        return nullptr;
    const Transparency transparency = MarkTransparency(*bitmap.get(), record);
    if (!library.loaded())
        return nullptr;
    if (library.api().gflChangeColorDepth(bitmap.get(), nullptr, kGflModeToBgra, 0) != kGflNoError)
        return nullptr;
    UniqueWindowDc windowDc(window);
    if (!windowDc)
        return nullptr;
    return ConvertToDib(std::move(windowDc), *bitmap.get(), transparency.hasColor, transparency.color);
}

// The library's defaults plus load option 0x100, in the room the library
// may fill; zeroed when not bound.
void FillDefaultLoadParams(const GflLibrary& library, GflRecordRoom<GflLoadParams>& room) noexcept
{
    if (library.loaded())
        library.api().gflGetDefaultLoadParams(&room.record);
    room.record.flags |= kGflLoadOption;
}

// True only when the library describes the file and its description shows
// a bitmap no DIB section can hold: then the decode, which would fill the
// host's memory with gigabytes of pixels only to be refused, is not made.
// A file the library can decode but not describe is decoded as before.
// Dimensions that are not positive prove nothing about the decode and do
// not refuse either.
bool DescribedTooLargeForDib(const GflLibrary& library, const wchar_t* path) noexcept
{
    LibraryFileInformation information(library);
    if (!library.loaded() || library.api().gflGetFileInformationW(path, -1, information.get()) != kGflNoError)
        return false;
    information.markFilled();
    const GflFileInformation& described = information.record();
    return described.width > 0 && described.height > 0 && DibByteCount(described.width, described.height) == 0;
}

}  // namespace

// Never blocks: the wait has a zero time-out.
GflBool AbortRequested(void* userValue)
{
    HANDLE abortEvent = static_cast<HANDLE>(userValue);
    if (!abortEvent)
        return 0;
    return WaitForSingleObject(abortEvent, 0) == WAIT_OBJECT_0 ? 1 : 0;
}

HBITMAP LoadBitmapFromFile(const GflLibrary& library, HWND window, const wchar_t* path, FileInfoRecord* record,
                           HANDLE abortEvent) noexcept
{
    GflRecordRoom<GflLoadParams> params;
    FillDefaultLoadParams(library, params);
    params.record.cancelCallback = AbortRequested;
    params.record.cancelUserValue = abortEvent;
    if (!path || !library.loaded() || DescribedTooLargeForDib(library, path))
        return nullptr;

    GflBitmap* decoded = nullptr;
    if (!library.loaded() || library.api().gflLoadBitmapW(path, &decoded, &params.record, nullptr) != kGflNoError)
        return nullptr;
    return ConvertDecoded(library, window, decoded, record);
}

HBITMAP LoadBitmapFromStream(const GflLibrary& library, HWND window, IStream* stream, FileInfoRecord* record) noexcept
{
    GflRecordRoom<GflLoadParams> params;
    FillDefaultLoadParams(library, params);
    InstallStreamCallbacks(params.record.callbacks);
    if (!stream || !library.loaded())
        return nullptr;

    GflBitmap* decoded = nullptr;
    if (library.api().gflLoadBitmapFromHandle(stream, &decoded, &params.record, nullptr) != kGflNoError)
        return nullptr;
    return ConvertDecoded(library, window, decoded, record);
}
