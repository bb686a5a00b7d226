// Test paths and files. The data folder comes from the build
// (DVP_TEST_DATA_DIR, the source tree's Unix path); everything else is asked
// of Windows.
#include "tests/support/test_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#ifndef DVP_TEST_DATA_DIR
#error "DVP_TEST_DATA_DIR must name the source tree's tests/data folder"
#endif

namespace {

// Removes every folder FreshTempFolder made when the program ends.
class TempFolderRegistry {
public:
    ~TempFolderRegistry()
    {
        for (const auto& folder : folders_) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    void add(const std::wstring& folder)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        folders_.push_back(folder);
    }

private:
    std::mutex mutex_;
    std::vector<std::wstring> folders_;
};

TempFolderRegistry& Registry()
{
    static TempFolderRegistry registry;
    return registry;
}

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// The running test's "Suite.Name" with characters a file name cannot hold
// replaced; "test" outside a test.
std::wstring TestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = info ? Widen(std::string(info->test_suite_name()) + "." + info->name()) : L"test";
    for (auto& c : name) {
        if (wcschr(L"\\/:*?\"<>|", c))
            c = L'_';
    }
    return name;
}

}  // namespace

std::wstring WindowsPathFromUnix(const std::string& unixPath)
{
    std::wstring path = L"Z:" + Widen(unixPath);
    for (auto& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    return path;
}

std::wstring TestDataFolder() { return WindowsPathFromUnix(DVP_TEST_DATA_DIR); }

std::wstring TestDataFile(const wchar_t* name) { return TestDataFolder() + L"\\" + name; }

std::wstring ExecutableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring ViewersFolder() { return ExecutableFolder() + L"\\Viewers"; }

std::wstring FreshTempFolder()
{
    static std::atomic<unsigned> sequence{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"dvp_qpv_" + TestName() + L"_" +
                                std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++sequence);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder, ignored);
    Registry().add(folder);
    return folder;
}

bool WriteFileBytes(const std::wstring& path, std::string_view bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes)
{
    return WriteFileBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

std::string ReadFileText(const std::wstring& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

ScratchFolder::ScratchFolder() : path_(FreshTempFolder()) {}
