// StreamSource: lets the image library read a host IStream. The source
// handle is the IStream pointer itself (no reference added or released);
// the three callbacks turn the library's reads, tells and seeks into
// IStream::Read and IStream::Seek. Each returns 0xFFFFFFFF on any failure.
#pragma once

#include <objidl.h>

#include <cstdint>

#include "imagelib/gfl_records.h"

inline constexpr uint32_t kStreamError = 0xFFFFFFFFu;

uint32_t StreamRead(void* handle, void* buffer, uint32_t size);
uint32_t StreamTell(void* handle);
uint32_t StreamSeek(void* handle, int32_t offset, int32_t origin);

// Writes the three callbacks into a callback block that the library's
// defaults filled; the block's other members stay as they were.
void InstallStreamCallbacks(GflStreamCallbacks& callbacks) noexcept;
