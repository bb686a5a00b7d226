// The viewer plug-in contract as a host sees it: the records a host passes
// to DVP_QPV.dll, declared at their documented byte offsets, and the ten
// exports with the host's plain calling convention. The stand-in host, the
// tests and the benchmarks all call the plug-in through this one view, which
// is written from the contract and not from the plug-in's own headers, so a
// mistake in either declaration shows up as a disagreement.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace dvp {

// Passed to DVP_InitEx; the plug-in reads the host version only.
struct InitExRecord {
    uint32_t size;
    uint8_t reserved4[12];
    uint32_t hostVersionHigh;  // major << 16 | minor
    uint32_t hostVersionLow;   // third << 16 | fourth
};
static_assert(offsetof(InitExRecord, hostVersionHigh) == 16);
static_assert(offsetof(InitExRecord, hostVersionLow) == 20);

// Passed to DVP_USBSafe, which stores the name of its extra file.
struct UsbSafeRecord {
    uint32_t size;
    uint8_t reserved4[4];
    const wchar_t* otherExports;
};
static_assert(offsetof(UsbSafeRecord, otherExports) == 8);

// Passed to DVP_IdentifyW: 160 bytes at least; any bytes beyond are the host's.
struct PluginInfoRecord {
    uint32_t size;
    uint32_t flags;
    uint32_t versionHigh;
    uint32_t versionLow;
    const wchar_t* handledExtensions;
    wchar_t* name;
    wchar_t* description;
    wchar_t* copyright;
    wchar_t* url;
    uint8_t reserved56[4];
    uint32_t nameCapacity;
    uint32_t descriptionCapacity;
    uint32_t copyrightCapacity;
    uint32_t urlCapacity;
    uint8_t reserved76[4];
    uint8_t zeros80[36];
    GUID pluginGuid;
    uint8_t reserved132[12];
    HICON icon;
    uint8_t reserved152[8];
};
static_assert(offsetof(PluginInfoRecord, flags) == 4);
static_assert(offsetof(PluginInfoRecord, versionHigh) == 8);
static_assert(offsetof(PluginInfoRecord, versionLow) == 12);
static_assert(offsetof(PluginInfoRecord, handledExtensions) == 16);
static_assert(offsetof(PluginInfoRecord, name) == 24);
static_assert(offsetof(PluginInfoRecord, description) == 32);
static_assert(offsetof(PluginInfoRecord, copyright) == 40);
static_assert(offsetof(PluginInfoRecord, url) == 48);
static_assert(offsetof(PluginInfoRecord, nameCapacity) == 60);
static_assert(offsetof(PluginInfoRecord, descriptionCapacity) == 64);
static_assert(offsetof(PluginInfoRecord, copyrightCapacity) == 68);
static_assert(offsetof(PluginInfoRecord, urlCapacity) == 72);
static_assert(offsetof(PluginInfoRecord, zeros80) == 80);
static_assert(offsetof(PluginInfoRecord, pluginGuid) == 116);
static_assert(offsetof(PluginInfoRecord, icon) == 144);
static_assert(sizeof(PluginInfoRecord) == 160);

// The per-file record identification fills and loading updates: 76 bytes.
#pragma pack(push, 4)
struct FileInfoRecord {
    uint32_t size;
    uint32_t flags;
    uint16_t cleared8;
    uint16_t cleared10;
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    wchar_t* description;          // the host's buffer, may be null
    uint32_t descriptionCapacity;  // characters, terminator included
    uint8_t reserved36[32];
    uint32_t xResolution;  // dots per inch
    uint32_t yResolution;
};
#pragma pack(pop)
static_assert(offsetof(FileInfoRecord, flags) == 4);
static_assert(offsetof(FileInfoRecord, cleared8) == 8);
static_assert(offsetof(FileInfoRecord, cleared10) == 10);
static_assert(offsetof(FileInfoRecord, width) == 12);
static_assert(offsetof(FileInfoRecord, height) == 16);
static_assert(offsetof(FileInfoRecord, bitsPerPixel) == 20);
static_assert(offsetof(FileInfoRecord, description) == 24);
static_assert(offsetof(FileInfoRecord, descriptionCapacity) == 32);
static_assert(offsetof(FileInfoRecord, xResolution) == 68);
static_assert(offsetof(FileInfoRecord, yResolution) == 72);
static_assert(sizeof(FileInfoRecord) == 76);

// Identification stores 0x15 in flags; loading ORs this in for transparency.
inline constexpr uint32_t kFileInfoHasTransparency = 0x100;

using InitFn = BOOL(WINAPI*)();
using InitExFn = BOOL(WINAPI*)(InitExRecord* record);
using UninitFn = void(WINAPI*)();
using UsbSafeFn = BOOL(WINAPI*)(UsbSafeRecord* record);
using IdentifyFn = BOOL(WINAPI*)(PluginInfoRecord* record);
using IdentifyFileFn = BOOL(WINAPI*)(HWND window, LPCWSTR path, FileInfoRecord* record, HANDLE abortEvent);
using IdentifyFileStreamFn = BOOL(WINAPI*)(HWND window, IStream* stream, LPCWSTR name,
                                           FileInfoRecord* record);
// The host passes a wanted size the plug-in does not read; the stream
// variant gets the same six arguments and reads the first four.
using LoadBitmapFn = HBITMAP(WINAPI*)(HWND window, LPCWSTR path, FileInfoRecord* record, LPSIZE wantedSize,
                                      HANDLE abortEvent);
using LoadBitmapStreamFn = HBITMAP(WINAPI*)(HWND window, IStream* stream, LPCWSTR name,
                                            FileInfoRecord* record, LPSIZE wantedSize, HANDLE abortEvent);
// A modeless dialog, or null; the host runs its loop and destroys it.
using ConfigureFn = HWND(WINAPI*)(HWND parent, HWND notifyWindow, DWORD notifyData);

// The ten exports, each slot null until filled. X(slot) lists them; the
// export's name is "DVP_" followed by the slot's.
#define DVP_PLUGIN_EXPORTS(X)                                                                  \
    X(Init) X(InitEx) X(Uninit) X(USBSafe) X(IdentifyW) X(IdentifyFileW) X(IdentifyFileStreamW) \
        X(LoadBitmapW) X(LoadBitmapStreamW) X(Configure)

struct PluginExports {
    InitFn Init = nullptr;
    InitExFn InitEx = nullptr;
    UninitFn Uninit = nullptr;
    UsbSafeFn USBSafe = nullptr;
    IdentifyFn IdentifyW = nullptr;
    IdentifyFileFn IdentifyFileW = nullptr;
    IdentifyFileStreamFn IdentifyFileStreamW = nullptr;
    LoadBitmapFn LoadBitmapW = nullptr;
    LoadBitmapStreamFn LoadBitmapStreamW = nullptr;
    ConfigureFn Configure = nullptr;
};

// The record a host of version major.minor.third.fourth passes to DVP_InitEx.
inline InitExRecord HostRecord(uint16_t major, uint16_t minor = 0, uint16_t third = 0, uint16_t fourth = 0)
{
    InitExRecord record{};
    record.size = sizeof(record);
    record.hostVersionHigh = static_cast<uint32_t>(major) << 16 | minor;
    record.hostVersionLow = static_cast<uint32_t>(third) << 16 | fourth;
    return record;
}

}  // namespace dvp
