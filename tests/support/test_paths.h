// Where tests find their files, as Windows paths: the committed sample data
// (tests/data, reached under Wine through the Z: drive), the test program's
// own folder, and a fresh temporary folder for each test.
#pragma once

#include <string>

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
