// The library's read/tell/seek callbacks over a host IStream.
#include "viewer/stream_source.h"

namespace {

IStream* AsStream(void* handle) noexcept { return static_cast<IStream*>(handle); }

// Library origins 0, 1, 2 map one to one onto the stream's SET, CUR, END.
bool MapOrigin(int32_t origin, DWORD& streamOrigin) noexcept
{
    switch (origin) {
    case 0: streamOrigin = STREAM_SEEK_SET; return true;
    case 1: streamOrigin = STREAM_SEEK_CUR; return true;
    case 2: streamOrigin = STREAM_SEEK_END; return true;
    default: return false;
    }
}

}  // namespace

uint32_t StreamRead(void* handle, void* buffer, uint32_t size)
{
    IStream* stream = AsStream(handle);
    if (!stream)
        return kStreamError;
    ULONG read = 0;
    // S_FALSE and short reads are failures: the library asked for exact bytes.
    if (stream->Read(buffer, size, &read) != S_OK || read != size)
        return kStreamError;
    return size;
}

uint32_t StreamTell(void* handle)
{
    IStream* stream = AsStream(handle);
    if (!stream)
        return kStreamError;
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    if (stream->Seek(zero, STREAM_SEEK_CUR, &position) != S_OK)
        return kStreamError;
    return static_cast<uint32_t>(position.QuadPart);
}

// From the start (origin 0) the offset is an absolute 32-bit position, the
// same unsigned value StreamTell reports, so it is zero-extended: every
// position the library was told can be sought back to, up to 4 GiB. From the
// current position or the end (origins 1 and 2) it is a signed displacement
// and is sign-extended, so the library can move backwards.
uint32_t StreamSeek(void* handle, int32_t offset, int32_t origin)
{
    IStream* stream = AsStream(handle);
    DWORD streamOrigin = 0;
    if (!stream || !MapOrigin(origin, streamOrigin))
        return kStreamError;
    LARGE_INTEGER displacement{};
    displacement.QuadPart = streamOrigin == STREAM_SEEK_SET
                                ? static_cast<LONGLONG>(static_cast<uint32_t>(offset))
                                : static_cast<LONGLONG>(offset);
    ULARGE_INTEGER position{};
    if (stream->Seek(displacement, streamOrigin, &position) != S_OK)
        return kStreamError;
    return static_cast<uint32_t>(position.QuadPart);
}

void InstallStreamCallbacks(GflStreamCallbacks& callbacks) noexcept
{
    callbacks.read = StreamRead;
    callbacks.tell = StreamTell;
    callbacks.seek = StreamSeek;
}
