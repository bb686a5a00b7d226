// What the stand-in host accepts as element names and values: exactly what
// XML 1.0 can carry, so that every document it holds can be saved and read
// back unchanged. Refusing bad text when it is set, not when the file is
// written, keeps a save from producing a file that no longer loads.
#pragma once

#include <string>

// An XML 1.0 name without a namespace prefix (no colon).
bool IsValidXmlName(const std::wstring& name) noexcept;
// Only XML 1.0 characters, with surrogates in pairs.
bool IsValidXmlText(const std::wstring& text) noexcept;
