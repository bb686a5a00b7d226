// The handled-extensions string the plug-in reports to its host: every
// extension of every format the library can read, as ".ext" in lower case,
// sorted by unsigned bytes, unique, joined with ';'.
#pragma once

// Builds the string from the library's format table. The result is new[]'d
// (non-throwing) and owned by the caller; null only when the final
// conversion to wide text fails. A library that is not bound gives "".
wchar_t* buildHandledExtensions() noexcept;

// 8-bit text in the ANSI code page to a new[]'d wide string (non-throwing),
// owned by the caller; null on failure. A trailing unpaired high surrogate
// is dropped.
wchar_t* widenAnsi(const char* text) noexcept;
