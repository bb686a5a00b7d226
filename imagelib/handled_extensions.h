// The handled-extensions string the plug-in reports to its host: every
// extension of every format the library can read, as ".ext" in lower case,
// sorted by unsigned bytes, unique, joined with ';'.
#pragma once

#include <memory>

class GflLibrary;

// Builds the string from the library's format table. Allocated without
// throwing; null only when the final conversion to wide text fails. A
// library that is not bound gives "".
std::unique_ptr<wchar_t[]> buildHandledExtensions(const GflLibrary& library) noexcept;

// 8-bit text in the ANSI code page to a wide string, allocated without
// throwing; null on failure. A trailing unpaired high surrogate is dropped.
std::unique_ptr<wchar_t[]> widenAnsi(const char* text) noexcept;
