// Small helpers over wide text as the host and the library hand it over:
// fixed buffers that may lack a terminator, ASCII-only case folding, and
// copies cut to a caller's capacity.
#pragma once

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <optional>
#include <string_view>

// The text of a buffer of capacity characters, up to its terminator; none
// when the buffer holds no terminator (an answer cut short somewhere).
inline std::optional<std::wstring_view> TerminatedText(const wchar_t* buffer, size_t capacity) noexcept
{
    const size_t length = wcsnlen(buffer, capacity);
    if (length == capacity)
        return std::nullopt;
    return std::wstring_view(buffer, length);
}

// A to Z become a to z; every other character stays as it is.
inline wchar_t FoldAsciiCase(wchar_t c) noexcept
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when text ends with suffix, letters A-Z and a-z compared without
// case and every other character exactly.
inline bool EndsWithIgnoringAsciiCase(std::wstring_view text, std::wstring_view suffix) noexcept
{
    if (suffix.size() > text.size())
        return false;
    const std::wstring_view tail = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i)
        if (FoldAsciiCase(tail[i]) != FoldAsciiCase(suffix[i]))
            return false;
    return true;
}

// Copies text into a caller's buffer of capacity characters: at most
// capacity - 1 characters and always a terminator. A capacity of 0 writes
// nothing.
inline void CopyTruncated(wchar_t* destination, uint32_t capacity, const wchar_t* text) noexcept
{
    if (capacity == 0)
        return;
    lstrcpynW(destination, text, capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity));
}
