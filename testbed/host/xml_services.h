// The stand-in host's XML document services, exported from dopus.exe under
// these names with the signatures the plug-in binds. A document handle is
// also its root element's node. Text lengths are in wide characters; reads
// copy NUL-terminated text into a buffer whose capacity is passed by pointer.
#pragma once

#include <windows.h>

extern "C" {
// A document parsed from a file; null when the file is missing, unreadable,
// not well-formed or without a root element.
HANDLE WINAPI XMLLoadFileW(LPCWSTR path);
// Writes indented UTF-8 XML. All or nothing: a failed save leaves an
// existing file as it was.
BOOL WINAPI XMLSaveFileW(HANDLE document, LPCWSTR path);
// A new document whose root element is named "root".
HANDLE WINAPI XMLCreateFile();
BOOL WINAPI XMLFreeFile(HANDLE document);
// Appends a child element to a node (a document: to its root).
HANDLE WINAPI XMLAddChildNodeW(HANDLE parent, LPCWSTR name);
HANDLE WINAPI XMLFirstChildNode(HANDLE node);
HANDLE WINAPI XMLNextNode(HANDLE node);
// With a null buffer: stores the length the name needs, terminator
// included, and succeeds. With a buffer: copies the name when *capacity
// holds it and its terminator, else fails. *capacity is changed only by the
// null-buffer query.
BOOL WINAPI XMLGetNodeNameW(HANDLE node, LPWSTR buffer, int* capacity);
BOOL WINAPI XMLSetNodeNameW(HANDLE node, LPCWSTR name);
// The same contract as XMLGetNodeNameW, for the element's text.
BOOL WINAPI XMLGetNodeValueW(HANDLE node, LPWSTR buffer, int* capacity);
BOOL WINAPI XMLSetNodeValueW(HANDLE node, LPCWSTR text);
// Reads "true"/"false" or "1"/"0" (letter case and surrounding whitespace
// aside); fails for any other text.
BOOL WINAPI XMLGetNodeBoolValue(HANDLE node, BOOL* value);
// Writes "true" for any non-zero value, else "false".
BOOL WINAPI XMLSetNodeBoolValue(HANDLE node, BOOL value);
}

// The text XMLSetNodeBoolValue stores.
inline constexpr wchar_t kXmlTrue[] = L"true";
inline constexpr wchar_t kXmlFalse[] = L"false";
// The root element's name in a new document.
inline constexpr wchar_t kXmlDefaultRootName[] = L"root";

// Back to the ordinary answers (HostTestbedSetXmlQuirks).
void ResetXmlQuirks() noexcept;
