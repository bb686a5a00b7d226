// The real DVP_QPV.dll, loaded from the test host's Viewers folder, with its
// ten exports bound by name, and the stand-in image library's steering
// functions bound from the module the plug-in mapped.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/plugin_exports.h"
#include "testbed/imagelib/gfl_testbed_control.h"

struct PluginModule {
    HMODULE module = nullptr;
    DvpInitFn Init = nullptr;
    DvpInitExFn InitEx = nullptr;
    DvpUninitFn Uninit = nullptr;
    DvpUsbSafeFn USBSafe = nullptr;
    DvpIdentifyFn Identify = nullptr;
    DvpIdentifyFileFn IdentifyFile = nullptr;
    DvpIdentifyFileStreamFn IdentifyFileStream = nullptr;
    DvpLoadBitmapFn LoadBitmap = nullptr;
    DvpLoadBitmapStreamFn LoadBitmapStream = nullptr;
    DvpConfigureFn Configure = nullptr;

    // Loads <exe folder>\Viewers\DVP_QPV.dll once per process.
    static PluginModule& Get();
    // Loads the DLL at path and binds its exports; the caller owns the
    // reference (FreeLibrary(module)). A null module when it cannot be loaded.
    static PluginModule Load(const std::wstring& path);
};

// The stand-in library's steering functions. The library is mapped from the
// test host's Viewers folder (the same module the plug-in binds).
struct ImageLibraryControl {
    HMODULE module = nullptr;
    TestbedResetFn Reset = nullptr;
    TestbedSetVersionFn SetVersion = nullptr;
    TestbedSetFormatsFn SetFormats = nullptr;
    TestbedSetFaultsFn SetFaults = nullptr;
    TestbedSetDescriptionFn SetDescription = nullptr;
    TestbedSetCancelPollsFn SetCancelPolls = nullptr;
    TestbedGetCountersFn GetCounters = nullptr;
    TestbedSetBitDepthFn SetBitDepth = nullptr;
    TestbedSetEntryHookFn SetEntryHook = nullptr;

    static ImageLibraryControl& Get();
    // Binds the steering functions of a library module the caller holds.
    static ImageLibraryControl Bind(HMODULE module);
    TestbedCounters Counters() const;
};

// <exe folder>\Viewers
std::wstring ViewersFolder();

// An InitExRecord carrying host version a.b.c.d.
InitExRecord HostRecord(uint16_t major, uint16_t minor = 0, uint16_t third = 0, uint16_t fourth = 0);
