// The settings file's known bytes, and the copies kept before a save
// replaces bytes that are not known. Files are read and written here with
// the platform's plain file calls: a copy holds the file's raw bytes, never a
// document rebuilt from them.
#include "settings/settings_file_keeper.h"

#include <windows.h>

#include <new>
#include <optional>
#include <utility>

#include "win32/critical_section.h"
#include "win32/unique_handle.h"

namespace {

// A file's whole content: nothing when the file is missing; Unreadable when
// it is there but cannot be read to its end (a folder of that name, no
// access, no memory).
struct FileContent {
    enum class State { Missing, Read, Unreadable };
    State state = State::Unreadable;
    std::string bytes;
};

FileContent ReadWholeFile(const std::wstring& path) noexcept
{
    FileContent content;
    const UniqueKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            content.state = FileContent::State::Missing;
        return content;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > content.bytes.max_size())
        return content;
    try {
        content.bytes.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return content;
    }
    for (size_t done = 0; done < content.bytes.size();) {
        const size_t left = content.bytes.size() - done;
        const DWORD want = left < (1u << 30) ? static_cast<DWORD>(left) : (1u << 30);
        DWORD got = 0;
        if (!ReadFile(file.get(), content.bytes.data() + done, want, &got, nullptr) || got == 0)
            return content;  // an error, or a file cut short while being read
        done += got;
    }
    content.state = FileContent::State::Read;
    return content;
}

bool Holds(const std::wstring& path, const std::string& bytes) noexcept
{
    const FileContent content = ReadWholeFile(path);
    return content.state == FileContent::State::Read && content.bytes == bytes;
}

// Writes bytes into a file that must not exist yet. A file only partly
// written is removed again, so a failed copy never looks like a copy.
bool WriteNewFile(const std::wstring& path, const std::string& bytes) noexcept
{
    HANDLE created =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return false;
    bool written = true;
    {
        const UniqueKernelHandle file(created);
        for (size_t done = 0; written && done < bytes.size();) {
            const size_t left = bytes.size() - done;
            const DWORD want = left < (1u << 30) ? static_cast<DWORD>(left) : (1u << 30);
            DWORD put = 0;
            written = WriteFile(file.get(), bytes.data() + done, want, &put, nullptr) && put == want;
            done += put;
        }
        written = written && FlushFileBuffers(file.get());
    }
    if (!written)
        DeleteFileW(path.c_str());
    return written;
}

// Replaces the file at path by one holding bytes, through a fresh file
// beside it, so the copy it replaces is lost only once the new one is
// whole. A read-only copy someone left there is replaced all the same.
bool ReplaceWithFreshCopy(const std::wstring& path, const std::wstring& fresh, const std::string& bytes) noexcept
{
    DeleteFileW(fresh.c_str());  // left over from a copy that was cut off
    if (!WriteNewFile(fresh, bytes))
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(fresh.c_str());
    return false;
}

// The first copy is created only where no file of its name exists, so two
// processes keeping different bytes at once cannot replace each other's
// first copy: the second goes to the latest copy.
bool KeepBeside(const std::wstring& path, const std::string& bytes) noexcept
{
    try {
        const std::wstring first = path + L".bak";
        const std::wstring latest = path + L".latest.bak";
        if (Holds(first, bytes) || Holds(latest, bytes))
            return true;
        return WriteNewFile(first, bytes) || ReplaceWithFreshCopy(latest, latest + L".new", bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// What the plug-in last read in whole, or had the host write, and where.
class KnownBytes {
public:
    void remember(std::wstring path, std::string bytes) noexcept EXCLUDES(lock_)
    {
        Lock guard(lock_);
        path_.swap(path);
        bytes_.swap(bytes);
    }

    void forget() noexcept EXCLUDES(lock_) { remember({}, {}); }

    bool holds(const std::wstring& path, const std::string& bytes) const noexcept EXCLUDES(lock_)
    {
        Lock guard(lock_);
        return !path_.empty() && path_ == path && bytes_ == bytes;
    }

private:
    mutable CriticalSection lock_;
    std::wstring path_ GUARDED_BY(lock_);
    std::string bytes_ GUARDED_BY(lock_);
};

KnownBytes& Known() noexcept
{
    static KnownBytes known;
    return known;
}

}  // namespace

void RememberSettingsFileBytes(const std::wstring& path) noexcept
{
    FileContent content = ReadWholeFile(path);
    if (content.state != FileContent::State::Read) {
        Known().forget();
        return;
    }
    try {
        Known().remember(path, std::move(content.bytes));
    } catch (const std::bad_alloc&) {
        Known().forget();
    }
}

bool KeepUnknownBytesBeforeReplacing(const std::wstring& path) noexcept
{
    const FileContent content = ReadWholeFile(path);
    switch (content.state) {
    case FileContent::State::Missing:
        return true;
    case FileContent::State::Unreadable:
        return false;
    case FileContent::State::Read:
        break;
    }
    if (content.bytes.empty() || Known().holds(path, content.bytes))
        return true;
    return KeepBeside(path, content.bytes);
}
