// The host's records of the plug-in's lifecycle and self-description, as the
// plug-in reads and writes them. Each is declared once at its documented
// byte offsets; the static_asserts pin every field the plug-in touches.
// Fields the plug-in leaves alone are reserved bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// Passed to DVP_InitEx. Only the host version is read; no size field is checked.
struct InitExRecord {
    uint32_t size;
    uint32_t reserved0;
    uint64_t reserved1;
    uint32_t hostVersionHigh;  // major << 16 | minor
    uint32_t hostVersionLow;   // third << 16 | fourth
};
static_assert(offsetof(InitExRecord, hostVersionHigh) == 16);
static_assert(offsetof(InitExRecord, hostVersionLow) == 20);

// Passed to DVP_USBSafe: receives the extra file the plug-in needs beside it.
struct UsbSafeRecord {
    uint32_t size;
    uint32_t reserved0;
    const wchar_t* otherExports;
};
static_assert(offsetof(UsbSafeRecord, otherExports) == 8);

// Passed to DVP_IdentifyW. At least 160 bytes; bytes beyond are the host's.
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
    uint32_t reserved56;
    uint32_t nameCapacity;
    uint32_t descriptionCapacity;
    uint32_t copyrightCapacity;
    uint32_t urlCapacity;
    uint32_t reserved76;
    uint64_t zero80;
    uint64_t zero88;
    uint64_t zero96;
    uint64_t zero104;
    uint32_t zero112;
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
static_assert(offsetof(PluginInfoRecord, zero80) == 80);
static_assert(offsetof(PluginInfoRecord, zero112) == 112);
static_assert(offsetof(PluginInfoRecord, pluginGuid) == 116);
static_assert(offsetof(PluginInfoRecord, icon) == 144);
static_assert(sizeof(PluginInfoRecord) == 160);
