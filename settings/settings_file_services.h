// The host services through which the settings file is found, read and
// written, with the widths the plug-in relies on. Each may be null (the host
// lacks the export); a null service counts as a failed call. Lengths are in
// wide characters; a document handle is also its root element's node.
//
// The settings code receives this table from whoever bound the host's
// exports, and copies of it are plain data.
#pragma once

#include <windows.h>

using GetConfigPathWFn = BOOL(WINAPI*)(int which, LPWSTR buffer, UINT capacity);
using XmlLoadFileWFn = HANDLE(WINAPI*)(LPCWSTR path);
using XmlSaveFileWFn = BOOL(WINAPI*)(HANDLE document, LPCWSTR path);
using XmlCreateFileFn = HANDLE(WINAPI*)();
using XmlFreeFileFn = BOOL(WINAPI*)(HANDLE document);
using XmlAddChildNodeWFn = HANDLE(WINAPI*)(HANDLE parent, LPCWSTR name);
using XmlFirstChildNodeFn = HANDLE(WINAPI*)(HANDLE node);
using XmlNextNodeFn = HANDLE(WINAPI*)(HANDLE node);
using XmlGetNodeNameWFn = BOOL(WINAPI*)(HANDLE node, LPWSTR buffer, int* capacity);
using XmlSetNodeNameWFn = BOOL(WINAPI*)(HANDLE node, LPCWSTR name);
// With a null buffer, stores the length the text needs, terminator included.
using XmlGetNodeValueWFn = BOOL(WINAPI*)(HANDLE node, LPWSTR buffer, int* capacity);
using XmlSetNodeValueWFn = BOOL(WINAPI*)(HANDLE node, LPCWSTR text);
using XmlGetNodeBoolValueFn = BOOL(WINAPI*)(HANDLE node, BOOL* value);
using XmlSetNodeBoolValueFn = BOOL(WINAPI*)(HANDLE node, BOOL value);

struct SettingsFileServices {
    GetConfigPathWFn GetConfigPathW = nullptr;
    XmlLoadFileWFn XMLLoadFileW = nullptr;
    XmlSaveFileWFn XMLSaveFileW = nullptr;
    XmlCreateFileFn XMLCreateFile = nullptr;
    XmlFreeFileFn XMLFreeFile = nullptr;
    XmlAddChildNodeWFn XMLAddChildNodeW = nullptr;
    XmlFirstChildNodeFn XMLFirstChildNode = nullptr;
    XmlNextNodeFn XMLNextNode = nullptr;
    XmlGetNodeNameWFn XMLGetNodeNameW = nullptr;
    XmlSetNodeNameWFn XMLSetNodeNameW = nullptr;
    XmlGetNodeValueWFn XMLGetNodeValueW = nullptr;
    XmlSetNodeValueWFn XMLSetNodeValueW = nullptr;
    XmlGetNodeBoolValueFn XMLGetNodeBoolValue = nullptr;
    XmlSetNodeBoolValueFn XMLSetNodeBoolValue = nullptr;
};
