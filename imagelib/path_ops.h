// Path operations on wide strings; both '\' and '/' count as separators.
#pragma once

#include <string>

// Appends component to path with exactly one '\' between them (none when the
// path is empty or already ends in a separator). Leading separators of the
// component are skipped; an all-separator component leaves the path as it
// is. A null path gives null; a null component returns the path unchanged.
std::wstring* JoinPath(std::wstring* path, const wchar_t* component);

// Cuts path to its parent folder: trailing separators go, then everything
// from the last separator on, then trailing separators again; a bare drive
// ("C:", "\\?\C:") is repaired to its root. No separator gives "".
void ParentPath(std::wstring* path);

// True for a drive-absolute path ("C:\dir", "C:/dir") or a UNC path
// ("\\server\share...", "\\?\C:\..."): the only kinds that name the same
// place whatever the process's current drive and folder are.
bool IsAbsolutePath(const std::wstring& path) noexcept;
