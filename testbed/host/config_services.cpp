// GetProgramDirW and GetConfigPathW: the folder of the running executable and
// the host's configuration folder beneath it, each overridable from tests.
// Both copy a NUL-terminated path into the caller's buffer and answer 0,
// leaving the buffer untouched, when the path does not fit or is unavailable;
// a test may have either fill the whole buffer without a terminator.
// Under a misbehaviour scenario either may also fail, answer an empty or
// unterminated folder, or (GetConfigPathW) a folder that does not exist.
#include "testbed/host/config_services.h"

#include <algorithm>
#include <optional>
#include <string>

#include "win32/critical_section.h"
#include "testbed/host/host_deviation.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/service_registry.h"

namespace {

// A folder a test set, and whether one exactly as long as the caller's
// buffer is copied without a terminator.
struct FolderOverride {
    std::optional<std::wstring> folder;
    bool fillWithoutTerminator = false;
};

struct FolderOverrides {
    CriticalSection lock;
    FolderOverride program;
    FolderOverride config;
};

FolderOverrides& GetOverrides() noexcept
{
    static FolderOverrides overrides;
    return overrides;
}

// The folder holding the running executable, without a trailing separator.
std::optional<std::wstring> ExecutableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return std::nullopt;
        path.resize(path.size() * 2);
    }
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return std::nullopt;
    path.resize(separator);
    return path;
}

std::optional<std::wstring> ProgramFolder()
{
    FolderOverrides& overrides = GetOverrides();
    {
        Lock lock(overrides.lock);
        if (overrides.program.folder)
            return overrides.program.folder;
    }
    return ExecutableFolder();
}

// The overridden folder as given, or <program folder>\ConfigFiles, created
// when missing so that a first save has somewhere to go.
std::optional<std::wstring> ConfigFolder()
{
    FolderOverrides& overrides = GetOverrides();
    {
        Lock lock(overrides.lock);
        if (overrides.config.folder)
            return overrides.config.folder;
    }
    std::optional<std::wstring> folder = ProgramFolder();
    if (!folder)
        return std::nullopt;
    *folder += L"\\ConfigFiles";
    if (!CreateDirectoryW(folder->c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::nullopt;
    return folder;
}

bool FillsWithoutTerminator(FolderOverride FolderOverrides::*which)
{
    FolderOverrides& overrides = GetOverrides();
    Lock lock(overrides.lock);
    const FolderOverride& set = overrides.*which;
    return set.folder && set.fillWithoutTerminator;
}

BOOL CopyOut(const std::optional<std::wstring>& text, LPWSTR buffer, UINT capacity,
             bool fillWithoutTerminator = false) noexcept
{
    if (text && buffer && fillWithoutTerminator && text->size() == capacity) {
        text->copy(buffer, text->size());
        return TRUE;
    }
    if (!text || !buffer || text->size() >= capacity)
        return FALSE;
    text->copy(buffer, text->size());
    buffer[text->size()] = L'\0';
    return TRUE;
}

// The kinds by which one folder service may deviate; Count where it has no
// such kind.
struct FolderDeviations {
    HostDeviation fails;
    HostDeviation unterminated;
    HostDeviation empty;
    HostDeviation missing;
};

// Draws the call's kinds in a fixed order and answers: FALSE, an empty
// folder, a folder that does not exist, or the whole buffer filled without a
// terminator (the folder, then 'x'). Nothing outside buffer[0, capacity) is
// written.
BOOL AnswerFolder(const FolderDeviations& kinds, std::optional<std::wstring> text, LPWSTR buffer, UINT capacity,
                  bool fillWithoutTerminator)
{
    const testbed::Drawn fails = DeviateService(kinds.fails);
    const testbed::Drawn unterminated = DeviateService(kinds.unterminated);
    const testbed::Drawn empty = DeviateService(kinds.empty);
    const testbed::Drawn missing = DeviateService(kinds.missing);
    if (fails)
        return FALSE;
    if (empty && buffer && capacity > 0) {
        buffer[0] = L'\0';
        return TRUE;
    }
    if (text && missing)
        *text += L"\\missing-" + std::to_wstring(missing.Pick(1000000));
    if (text && unterminated && buffer && capacity > 0) {
        const size_t taken = text->copy(buffer, capacity);
        std::fill(buffer + taken, buffer + capacity, L'x');
        return TRUE;
    }
    return CopyOut(text, buffer, capacity, fillWithoutTerminator);
}

constexpr FolderDeviations kProgramDirDeviations = {HostDeviation::ProgramDirFails,
                                                    HostDeviation::ProgramDirUnterminated,
                                                    HostDeviation::ProgramDirEmpty, HostDeviation::Count};
constexpr FolderDeviations kConfigPathDeviations = {HostDeviation::ConfigPathFails,
                                                    HostDeviation::ConfigPathUnterminated,
                                                    HostDeviation::ConfigPathEmpty, HostDeviation::ConfigPathMissing};

void SetOverride(FolderOverride FolderOverrides::*which, const wchar_t* folder, bool fillWithoutTerminator)
{
    FolderOverrides& overrides = GetOverrides();
    Lock lock(overrides.lock);
    FolderOverride& set = overrides.*which;
    if (folder)
        set.folder = folder;
    else
        set.folder.reset();
    set.fillWithoutTerminator = fillWithoutTerminator;
}

}  // namespace

BOOL WINAPI GetProgramDirW(LPWSTR buffer, UINT capacity)
{
    if (BeginServiceCall(ServiceId::GetProgramDirW))
        return FALSE;
    try {
        return AnswerFolder(kProgramDirDeviations, ProgramFolder(), buffer, capacity,
                            FillsWithoutTerminator(&FolderOverrides::program));
    } catch (...) {
        return FALSE;
    }
}

BOOL WINAPI GetConfigPathW(int which, LPWSTR buffer, UINT capacity)
{
    if (BeginServiceCall(ServiceId::GetConfigPathW))
        return FALSE;
    // Only the host's own configuration folder (0) is provided.
    if (which != 0)
        return FALSE;
    try {
        return AnswerFolder(kConfigPathDeviations, ConfigFolder(), buffer, capacity,
                            FillsWithoutTerminator(&FolderOverrides::config));
    } catch (...) {
        return FALSE;
    }
}

void ResetFolderOverrides() noexcept
{
    FolderOverrides& overrides = GetOverrides();
    Lock lock(overrides.lock);
    overrides.program = FolderOverride{};
    overrides.config = FolderOverride{};
}

void HostTestbedSetProgramFolder(const wchar_t* folder, bool fillWithoutTerminator)
{
    SetOverride(&FolderOverrides::program, folder, fillWithoutTerminator);
}

void HostTestbedSetConfigFolder(const wchar_t* folder, bool fillWithoutTerminator)
{
    SetOverride(&FolderOverrides::config, folder, fillWithoutTerminator);
}
