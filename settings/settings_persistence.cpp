// The settings file: its path, and the load and save sequences over the
// host's XML services.
#include "settings/settings_persistence.h"

#include <cstring>
#include <new>
#include <optional>

#include "imagelib/path_ops.h"
#include "settings/host_document.h"
#include "settings/settings_xml.h"
#include "win32/unique_handle.h"
#include "win32/wide_text.h"

namespace {

constexpr UINT kConfigPathCapacity = 260;
constexpr int32_t kInitialTextCapacity = 1024;

SettingsRead ReadSettingsFile(const SettingsFileServices& host, const std::wstring& path, PluginSettings& settings)
    REQUIRES(settings.lock)
{
    if (!host.XMLLoadFileW)
        return SettingsRead::NotRead;
    const HostDocument document(host.XMLFreeFile, host.XMLLoadFileW(path.c_str()));
    if (!document)
        return SettingsRead::Unreadable;  // or missing, which the backup tells apart
    // Declared after the document, so the buffer goes before the document.
    SettingsTextBuffer buffer(kInitialTextCapacity);
    if (!buffer.data())
        return SettingsRead::NotRead;
    return ReadSettingsXml(host, document.get(), buffer, settings);
}

// The file's size, or nothing when it is missing, a folder or cannot be read.
std::optional<uint64_t> FileSize(const std::wstring& path) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::nullopt;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

UniqueKernelHandle OpenForReading(const std::wstring& path) noexcept
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return UniqueKernelHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

// True when both files hold the same bytes; false when they differ or
// either cannot be read to its end.
bool SameBytes(const std::wstring& first, const std::wstring& second, uint64_t size) noexcept
{
    const UniqueKernelHandle a = OpenForReading(first);
    const UniqueKernelHandle b = OpenForReading(second);
    if (!a || !b)
        return false;
    constexpr DWORD kChunk = 4096;
    char bufferA[kChunk];
    char bufferB[kChunk];
    for (uint64_t left = size; left > 0;) {
        const DWORD want = left < kChunk ? static_cast<DWORD>(left) : kChunk;
        DWORD gotA = 0;
        DWORD gotB = 0;
        if (!ReadFile(a.get(), bufferA, want, &gotA, nullptr) || !ReadFile(b.get(), bufferB, want, &gotB, nullptr) ||
            gotA != want || gotB != want || memcmp(bufferA, bufferB, want) != 0)
            return false;
        left -= want;
    }
    return true;
}

// A copy of path at backup, made writable (a read-only settings file does
// not make a read-only backup, which a later incident could not replace).
void CopyWritable(const std::wstring& path, const std::wstring& backup) noexcept
{
    if (!CopyFileW(path.c_str(), backup.c_str(), FALSE))
        return;
    const DWORD attributes = GetFileAttributesW(backup.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(backup.c_str(), writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL);
    }
}

bool HoldsTheSameBytes(const std::wstring& backup, const std::wstring& path, uint64_t size) noexcept
{
    return FileSize(backup) == size && SameBytes(path, backup, size);
}

// A settings file that the host's services read and found unusable is the
// user's data all the same: it is kept, byte for byte, beside it before
// anything can save over it, since the defaults now in force would otherwise
// replace the user's list without a trace at the next Apply.
//
// The first such file goes to "DVP_QPV.oxc.bak", which the plug-in never
// replaces: the host cannot tell a damaged file from a sound one it failed
// to read, so a later refusal may well be of a file the plug-in saved
// itself, and must not push the user's own bytes out. Later files of other
// bytes go to "DVP_QPV.oxc.latest.bak", the newest replacing the one before.
// An empty file holds nothing worth keeping, and a file identical to either
// backup leaves both as they are; a backup someone made read-only stays.
void KeepUnreadableFile(const std::wstring& path) noexcept
{
    const std::optional<uint64_t> size = FileSize(path);
    if (!size || *size == 0)
        return;
    try {
        const std::wstring first = path + L".bak";
        if (!FileSize(first)) {
            CopyWritable(path, first);
            return;
        }
        const std::wstring latest = path + L".latest.bak";
        if (HoldsTheSameBytes(first, path, *size) || HoldsTheSameBytes(latest, path, *size))
            return;
        CopyWritable(path, latest);
    } catch (const std::bad_alloc&) {
        // No copy without memory; the load has failed either way.
    }
}

// Has the host read the file at path, and keeps it when the host refuses it.
SettingsRead ExamineSettingsFile(const SettingsFileServices& host, const std::wstring& path,
                                 PluginSettings& settings) REQUIRES(settings.lock)
{
    const SettingsRead read = ReadSettingsFile(host, path, settings);
    if (read == SettingsRead::Unreadable)
        KeepUnreadableFile(path);
    return read;
}

}  // namespace

bool GetSettingsFilePath(const SettingsFileServices& host, std::wstring& path)
{
    path.clear();
    wchar_t folder[kConfigPathCapacity] = {};
    if (!host.GetConfigPathW || !host.GetConfigPathW(0, folder, kConfigPathCapacity))
        return false;
    // A folder text that fills the whole buffer without a terminator is cut
    // short somewhere; a file beside the wrong folder is worse than none.
    // An empty folder would make a relative name, resolved against whatever
    // the host's current directory happens to be: no settings file there.
    const auto text = TerminatedText(folder, kConfigPathCapacity);
    if (!text || text->empty())
        return false;
    try {
        path.assign(*text);
        JoinPath(&path, L"DVP_QPV");
        path.append(L".oxc");
    } catch (const std::bad_alloc&) {
        path.clear();
        return false;
    }
    return true;
}

// The list is emptied first whatever happens: on false the caller applies the
// defaults, so a partly read file never stays in force. Only a file the
// host's services read and refused is kept as a backup; one that was never
// read (a service missing, no memory) is not.
bool LoadSettings(const SettingsFileServices& host, PluginSettings& settings)
{
    settings.excludedExtensions.clear();
    settings.examinedFile.clear();
    std::wstring path;
    if (!GetSettingsFilePath(host, path))
        return false;
    const SettingsRead read = ExamineSettingsFile(host, path, settings);
    if (read != SettingsRead::NotRead)
        settings.examinedFile.swap(path);
    return read == SettingsRead::Read;
}

// The file is only ever written by the host's XMLSaveFileW, and only after
// the whole document was built, so a failed walk leaves the file untouched.
// A file other than the one the start-up looked at (the host answered no
// folder or another one then, or a service was missing) has never been
// judged: it is looked at before it is replaced, and kept as the backup when
// the host refuses it, as the start-up would have.
bool SaveSettings(const SettingsFileServices& host, const PluginSettings& settings)
{
    std::wstring path;
    if (!GetSettingsFilePath(host, path) || !host.XMLCreateFile)
        return false;
    const HostDocument document(host.XMLFreeFile, host.XMLCreateFile());
    if (!document || !WriteSettingsXml(host, document.get(), settings) || !host.XMLSaveFileW)
        return false;
    if (path != settings.examinedFile) {
        PluginSettings unused;
        Lock lock(unused.lock);
        ExamineSettingsFile(host, path, unused);
    }
    return host.XMLSaveFileW(document.get(), path.c_str()) != 0;
}
