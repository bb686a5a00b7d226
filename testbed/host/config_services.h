// The stand-in host's two folder services, GetProgramDirW and GetConfigPathW,
// as the plug-in binds them from dopus.exe, and the reset of their test
// overrides.
#pragma once

#include <windows.h>

extern "C" {
BOOL WINAPI GetProgramDirW(LPWSTR buffer, UINT capacity);
BOOL WINAPI GetConfigPathW(int which, LPWSTR buffer, UINT capacity);
}

// Back to the executable's own folder and the default configuration folder.
void ResetFolderOverrides() noexcept;
