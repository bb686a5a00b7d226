// Path operations shared by the library binding, start-up and persistence.
#include "imagelib/path_ops.h"

namespace {

bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

bool IsAsciiLetter(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

void DropTrailingSeparators(std::wstring& path)
{
    while (!path.empty() && IsSeparator(path.back()))
        path.pop_back();
}

// "C:" or "\\?\C:" (nothing else) gets its root separator back.
void RepairDriveRoot(std::wstring& path)
{
    if (path.empty() || path.back() != L':')
        return;
    size_t start = path.compare(0, 4, L"\\\\?\\") == 0 ? 4 : 0;
    if (path.size() == start + 2 && IsAsciiLetter(path[start]) && path[start + 1] == L':')
        path.push_back(L'\\');
}

}  // namespace

std::wstring* JoinPath(std::wstring* path, const wchar_t* component)
{
    if (!path)
        return nullptr;
    if (!component)
        return path;
    while (IsSeparator(*component))
        ++component;
    if (*component == L'\0')
        return path;
    if (!path->empty() && !IsSeparator(path->back()))
        path->push_back(L'\\');
    path->append(component);
    return path;
}

void ParentPath(std::wstring* path)
{
    if (!path)
        return;
    DropTrailingSeparators(*path);
    size_t last = path->find_last_of(L"\\/");
    if (last == std::wstring::npos) {
        path->clear();
        return;
    }
    path->erase(last);
    DropTrailingSeparators(*path);
    RepairDriveRoot(*path);
}

bool IsAbsolutePath(const std::wstring& path) noexcept
{
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]))
        return true;
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}
