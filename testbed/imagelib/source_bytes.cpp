// Whole-source reads for the decoders. Files are opened with CreateFileW so
// that any Unicode path works; callback sources are read exactly as the
// callers' adapters expect: never a request beyond the remaining bytes.
#include "testbed/imagelib/source_bytes.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace testbed {
namespace {

constexpr uint32_t kChunkBytes = 64 * 1024;
constexpr int32_t kSeekFromStart = 0;
constexpr int32_t kSeekFromEnd = 2;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~FileHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

void* DefaultAllocate(size_t size) noexcept { return std::malloc(size); }

void DefaultRelease(void* block) noexcept { std::free(block); }

bool SourceBuffer::allocate(size_t size, size_t wholeSize, gfl::AllocateCallback allocateBlock,
                            gfl::ReleaseCallback releaseBlock) noexcept
{
    reset();
    // One spare byte keeps an empty source a valid, non-null block.
    data_ = static_cast<uint8_t*>(allocateBlock(size + 1));
    if (!data_)
        return false;
    size_ = size;
    wholeSize_ = wholeSize;
    release_ = releaseBlock;
    return true;
}

void SourceBuffer::reset() noexcept
{
    if (data_)
        release_(data_);
    data_ = nullptr;
    size_ = 0;
    wholeSize_ = 0;
    release_ = nullptr;
}

gfl::Error ReadFileSource(const wchar_t* path, SourceBuffer& out, size_t limit) noexcept
{
    if (!path || !*path)
        return gfl::kErrorFileOpen;
    FileHandle opened(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (opened.get() == INVALID_HANDLE_VALUE)
        return gfl::kErrorFileOpen;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(opened.get(), &size) || size.QuadPart < 0)
        return gfl::kErrorFileRead;
    if (static_cast<uint64_t>(size.QuadPart) > kMaxSourceBytes)
        return gfl::kErrorFileRead;
    const auto whole = static_cast<size_t>(size.QuadPart);
    if (!out.allocate(std::min(whole, limit), whole, &DefaultAllocate, &DefaultRelease))
        return gfl::kErrorNoMemory;

    size_t done = 0;
    while (done < out.size()) {
        DWORD wanted = static_cast<DWORD>(std::min<size_t>(out.size() - done, kChunkBytes));
        DWORD got = 0;
        if (!ReadFile(opened.get(), out.data() + done, wanted, &got, nullptr) || got == 0)
            return gfl::kErrorFileRead;
        done += got;
    }
    return gfl::kNoError;
}

gfl::Error ReadCallbackSource(void* handle, const gfl::StreamCallbacks* callbacks, SourceBuffer& out,
                              size_t limit) noexcept
{
    if (!callbacks || !callbacks->read || !callbacks->tell || !callbacks->seek)
        return gfl::kErrorBadParameters;
    // The block must carry the allocator from gflGetDefaultLoadParams.
    if (!callbacks->allocate || !callbacks->release)
        return gfl::kErrorBadParameters;

    const uint32_t start = callbacks->tell(handle);
    if (start == gfl::kCallbackFailure)
        return gfl::kErrorFileRead;
    const uint32_t end = callbacks->seek(handle, 0, kSeekFromEnd);
    if (end == gfl::kCallbackFailure || end < start)
        return gfl::kErrorFileRead;
    // The seek back takes a signed offset from the start.
    if (start > static_cast<uint32_t>(INT32_MAX))
        return gfl::kErrorFileRead;
    if (callbacks->seek(handle, static_cast<int32_t>(start), kSeekFromStart) != start)
        return gfl::kErrorFileRead;

    const size_t remaining = end - start;
    if (remaining > kMaxSourceBytes)
        return gfl::kErrorFileRead;
    if (!out.allocate(std::min(remaining, limit), remaining, callbacks->allocate, callbacks->release))
        return gfl::kErrorNoMemory;

    size_t done = 0;
    while (done < out.size()) {
        const uint32_t wanted = static_cast<uint32_t>(std::min<size_t>(out.size() - done, kChunkBytes));
        if (callbacks->read(handle, out.data() + done, wanted) != wanted)
            return gfl::kErrorFileRead;
        done += wanted;
    }
    if (!out.complete() && callbacks->seek(handle, static_cast<int32_t>(start), kSeekFromStart) != start)
        return gfl::kErrorFileRead;
    return gfl::kNoError;
}

}  // namespace testbed
