// Where tests find their files, as Windows paths: the committed sample data
// (tests/data, reached under Wine through the Z: drive), the test program's
// own folder, and fresh temporary folders; and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "/work/x/y" -> "Z:\work\x\y": Wine maps the Unix root to drive Z:.
std::wstring WindowsPathFromUnix(const std::string& unixPath);

// The source tree's tests\data folder, and one file in it.
std::wstring TestDataFolder();
std::wstring TestDataFile(const wchar_t* name);

// The folder of the running test program (no trailing separator), and its
// Viewers subfolder, where the build puts the DLLs the program needs.
std::wstring ExecutableFolder();
std::wstring ViewersFolder();

// A new, empty folder under the system's temporary folder, named after the
// running test; each call gives another one. The folders are removed with
// their contents when the test program ends.
std::wstring FreshTempFolder();

// A fresh empty folder (FreshTempFolder) for one fixture.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const wchar_t* name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// The bytes written to path as the whole file; false when it cannot be written.
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
std::string ReadFileText(const std::wstring& path);
