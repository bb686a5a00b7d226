// The ten functions DVP_QPV.dll exports to its host, with the host's plain
// calling convention. Nothing is thrown across them. The typedefs let a host
// (and the tests) bind them by name.
#pragma once

#include <objidl.h>
#include <windows.h>

#include "plugin/host_records.h"
#include "viewer/file_info_record.h"

extern "C" {
BOOL WINAPI DVP_Init() noexcept;
BOOL WINAPI DVP_InitEx(InitExRecord* record) noexcept;
void WINAPI DVP_Uninit() noexcept;
BOOL WINAPI DVP_USBSafe(UsbSafeRecord* record) noexcept;
BOOL WINAPI DVP_IdentifyW(PluginInfoRecord* record) noexcept;
BOOL WINAPI DVP_IdentifyFileW(HWND window, LPCWSTR path, FileInfoRecord* record, HANDLE abortEvent) noexcept;
BOOL WINAPI DVP_IdentifyFileStreamW(HWND window, IStream* stream, LPCWSTR name, FileInfoRecord* record) noexcept;
HBITMAP WINAPI DVP_LoadBitmapW(HWND window, LPCWSTR path, FileInfoRecord* record, LPSIZE wantedSize,
                               HANDLE abortEvent) noexcept;
HBITMAP WINAPI DVP_LoadBitmapStreamW(HWND window, IStream* stream, LPCWSTR name, FileInfoRecord* record,
                                     LPSIZE wantedSize, HANDLE abortEvent) noexcept;
HWND WINAPI DVP_Configure(HWND parent, HWND notifyWindow, DWORD notifyData) noexcept;
}

using DvpInitFn = BOOL(WINAPI*)();
using DvpInitExFn = BOOL(WINAPI*)(InitExRecord*);
using DvpUninitFn = void(WINAPI*)();
using DvpUsbSafeFn = BOOL(WINAPI*)(UsbSafeRecord*);
using DvpIdentifyFn = BOOL(WINAPI*)(PluginInfoRecord*);
using DvpIdentifyFileFn = BOOL(WINAPI*)(HWND, LPCWSTR, FileInfoRecord*, HANDLE);
using DvpIdentifyFileStreamFn = BOOL(WINAPI*)(HWND, IStream*, LPCWSTR, FileInfoRecord*);
using DvpLoadBitmapFn = HBITMAP(WINAPI*)(HWND, LPCWSTR, FileInfoRecord*, LPSIZE, HANDLE);
using DvpLoadBitmapStreamFn = HBITMAP(WINAPI*)(HWND, IStream*, LPCWSTR, FileInfoRecord*, LPSIZE, HANDLE);
using DvpConfigureFn = HWND(WINAPI*)(HWND, HWND, DWORD);
