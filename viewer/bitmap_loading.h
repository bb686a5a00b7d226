// Decoding for the host: the library decodes, the plug-in marks transparency
// in the host's record, converts to blue-green-red-alpha in place and hands
// the host a new top-down 32-bit DIB section, which the host owns from then
// on (its alpha is straight, not premultiplied). Loading reads no settings:
// it works whenever the library is bound.
#pragma once

#include <objidl.h>
#include <windows.h>

#include "imagelib/gfl_library.h"
#include "viewer/file_info_record.h"

// The file at path, decoded with the library's default load parameters plus
// load option 0x100; the host's abort event (null: never) is polled while
// the library decodes. Null on any failure. The record may be null. A file
// whose header, as the library describes it, shows an image too large for a
// DIB section is refused before the decode.
HBITMAP LoadBitmapFromFile(const GflLibrary& library, HWND window, const wchar_t* path, FileInfoRecord* record,
                           HANDLE abortEvent) noexcept;

// As LoadBitmapFromFile for a host stream, read through the stream callbacks
// from wherever it stands; a stream decode cannot be cancelled.
HBITMAP LoadBitmapFromStream(const GflLibrary& library, HWND window, IStream* stream,
                             FileInfoRecord* record) noexcept;

// The library's cancel query during a file decode; the user value is the
// host's abort event (null: never cancelled). True only once it is signalled.
GflBool AbortRequested(void* userValue);
