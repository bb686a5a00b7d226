// Reads an image source into memory, whole or only its start: a file by its
// wide path, or a caller's source through the read/tell/seek callbacks. The
// decoders then work on one block of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "testbed/imagelib/gfl_library_records.h"

namespace testbed {

// Sources beyond this are refused rather than read.
inline constexpr size_t kMaxSourceBytes = size_t{1} << 30;

// The allocator gflGetDefaultLoadParams installs in the callback block.
void* DefaultAllocate(size_t size) noexcept;
void DefaultRelease(void* block) noexcept;

// One block of source bytes, released with the allocator it came from.
class SourceBuffer {
public:
    SourceBuffer() = default;
    ~SourceBuffer() { reset(); }
    SourceBuffer(const SourceBuffer&) = delete;
    SourceBuffer& operator=(const SourceBuffer&) = delete;

    // `size` bytes of a source of `wholeSize`.
    bool allocate(size_t size, size_t wholeSize, gfl::AllocateCallback allocateBlock,
                  gfl::ReleaseCallback releaseBlock) noexcept;
    void reset() noexcept;
    uint8_t* data() const noexcept { return data_; }
    size_t size() const noexcept { return size_; }
    // The bytes the source holds (from where it stood), read or not.
    size_t wholeSize() const noexcept { return wholeSize_; }
    bool complete() const noexcept { return size_ == wholeSize_; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t wholeSize_ = 0;
    gfl::ReleaseCallback release_ = nullptr;
};

// Both readers read at most `limit` bytes, the whole source when it holds no
// more.
gfl::Error ReadFileSource(const wchar_t* path, SourceBuffer& out, size_t limit = kMaxSourceBytes) noexcept;

// Reads from where the source stands: the size comes from tell and a seek to
// the end, the source is put back where it stood, and the bytes are read in
// chunks that never ask for more than remains, since a caller's read may fail
// a request it cannot fill. A read of only the start puts the source back
// again, so that a whole read can follow.
gfl::Error ReadCallbackSource(void* handle, const gfl::StreamCallbacks* callbacks, SourceBuffer& out,
                              size_t limit = kMaxSourceBytes) noexcept;

}  // namespace testbed
