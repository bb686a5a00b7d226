// DVP_LoadBitmapW and DVP_LoadBitmapStreamW: decode with the library, mark
// transparency in the host's record, convert to blue-green-red-alpha in
// place and hand the host a new top-down 32-bit DIB section. Loading reads
// no settings and no process-wide state: it works whenever the library is
// bound, which it stays until the module unloads.
#include <cstring>

#include "imagelib/gfl_library.h"
#include "plugin/plugin_exports.h"
#include "viewer/bitmap_loading.h"
#include "viewer/dib_conversion.h"
#include "viewer/stream_source.h"

namespace {

// Owns one decoded library bitmap; released while the library is bound. It
// takes a bitmap only from a decode that reported success: a failed decode
// may have stored a pointer it already freed, and owns nothing.
class LibraryBitmap {
public:
    explicit LibraryBitmap(GflBitmap* bitmap) noexcept : bitmap_(bitmap) {}
    ~LibraryBitmap()
    {
        if (bitmap_ && GflLibrary::loaded())
            GflLibrary::api().gflFreeBitmap(bitmap_);
    }
    LibraryBitmap(const LibraryBitmap&) = delete;
    LibraryBitmap& operator=(const LibraryBitmap&) = delete;

    GflBitmap* get() const noexcept { return bitmap_; }

private:
    GflBitmap* bitmap_;
};

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

// Steps after a successful decode, shared by both entry points.
HBITMAP ConvertDecoded(HWND window, GflBitmap& bitmap, FileInfoRecord* record) noexcept
{
    const Transparency transparency = MarkTransparency(bitmap, record);
    if (!GflLibrary::loaded())
        return nullptr;
    if (GflLibrary::api().gflChangeColorDepth(&bitmap, nullptr, kGflModeToBgra, 0) != kGflNoError)
        return nullptr;
    HDC windowDc = GetDC(window);
    if (!windowDc)
        return nullptr;
    return ConvertToDib(window, bitmap, transparency.hasColor, transparency.color, windowDc);
}

// The library's defaults plus load option 0x100, in the room the library
// may fill; zeroed when not bound.
void FillDefaultLoadParams(GflRecordRoom<GflLoadParams>& room) noexcept
{
    if (GflLibrary::loaded())
        GflLibrary::api().gflGetDefaultLoadParams(&room.record);
    room.record.flags |= kGflLoadOption;
}

}  // namespace

// The library's cancel query: true once the host's abort event is signalled.
// Never blocks: the wait has a zero time-out.
GflBool AbortRequested(void* userValue)
{
    HANDLE abortEvent = static_cast<HANDLE>(userValue);
    if (!abortEvent)
        return 0;
    return WaitForSingleObject(abortEvent, 0) == WAIT_OBJECT_0 ? 1 : 0;
}

// The returned section belongs to the host; the plug-in keeps no reference.
extern "C" HBITMAP WINAPI DVP_LoadBitmapW(HWND window, LPCWSTR path, FileInfoRecord* record,
                                          LPSIZE /*wantedSize*/, HANDLE abortEvent) noexcept
{
    GflRecordRoom<GflLoadParams> params;
    FillDefaultLoadParams(params);
    params.record.cancelCallback = AbortRequested;
    params.record.cancelUserValue = abortEvent;
    if (!path || !GflLibrary::loaded())
        return nullptr;

    GflBitmap* decoded = nullptr;
    if (GflLibrary::api().gflLoadBitmapW(path, &decoded, &params.record, nullptr) != kGflNoError)
        return nullptr;
    const LibraryBitmap bitmap(decoded);
    if (!bitmap.get())
        return nullptr;
    return ConvertDecoded(window, *bitmap.get(), record);
}

extern "C" HBITMAP WINAPI DVP_LoadBitmapStreamW(HWND window, IStream* stream, LPCWSTR /*name*/,
                                                FileInfoRecord* record, LPSIZE /*wantedSize*/,
                                                HANDLE /*abortEvent*/) noexcept
{
    GflRecordRoom<GflLoadParams> params;
    FillDefaultLoadParams(params);
    InstallStreamCallbacks(params.record.callbacks);
    if (!stream || !GflLibrary::loaded())
        return nullptr;

    GflBitmap* decoded = nullptr;
    if (GflLibrary::api().gflLoadBitmapFromHandle(stream, &decoded, &params.record, nullptr) != kGflNoError)
        return nullptr;
    const LibraryBitmap bitmap(decoded);
    if (!bitmap.get())
        return nullptr;
    return ConvertDecoded(window, *bitmap.get(), record);
}
