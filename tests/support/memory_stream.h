// The host's stream as tests hand it over: a memory stream holding a copy of
// some bytes, released by its owner.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <cstdint>
#include <vector>

#include "win32/unique_handle.h"

inline void ReleaseStream(IStream* stream) noexcept { stream->Release(); }
using UniqueStream = UniqueHandle<IStream*, &ReleaseStream>;

// Empty (null) when the stream cannot be made.
inline UniqueStream MemoryStream(const void* bytes, size_t size) noexcept
{
    return UniqueStream(SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(size)));
}

inline UniqueStream MemoryStream(const std::vector<uint8_t>& bytes) noexcept
{
    return MemoryStream(bytes.empty() ? nullptr : bytes.data(), bytes.size());
}
