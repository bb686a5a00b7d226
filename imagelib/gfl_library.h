// GflLibrary: the process-wide binding of the image library. It is prepared
// at module load, bound by the first successful DVP_InitEx, and released
// only at module unload; DVP_Uninit leaves it bound.
//
// Users take no lock around library calls: they test loaded() immediately
// before each call. loaded() is written once, after every entry point is
// stored and the library initialised (release), and read with acquire.
#pragma once

#include <windows.h>

#include <atomic>

#include "imagelib/gfl_records.h"
#include "plugin/critical_section.h"

struct GflEntryPoints {
    GflLibraryInitFn gflLibraryInit;
    GflGetVersionFn gflGetVersion;
    GflLibraryExitFn gflLibraryExit;
    GflSetPluginsPathnameWFn gflSetPluginsPathnameW;
    GflEnableLzwFn gflEnableLZW;
    GflGetNumberOfFormatFn gflGetNumberOfFormat;
    GflGetFormatInformationByIndexFn gflGetFormatInformationByIndex;
    GflFormatIsReadableByIndexFn gflFormatIsReadableByIndex;
    GflGetFileInformationWFn gflGetFileInformationW;
    GflGetFileInformationFromHandleFn gflGetFileInformationFromHandle;
    GflLoadBitmapWFn gflLoadBitmapW;
    GflLoadBitmapFromHandleFn gflLoadBitmapFromHandle;
    GflGetDefaultLoadParamsFn gflGetDefaultLoadParams;
    GflFreeBitmapFn gflFreeBitmap;
    GflFreeFileInformationFn gflFreeFileInformation;
    GflChangeColorDepthFn gflChangeColorDepth;
};

class GflLibrary {
public:
    // Maps the library at the full path, binds the sixteen entry points,
    // checks the version text against "2.20", points the library at its
    // plug-ins folder "dvp_qpv_plugins" beside it and initialises it. True
    // when bound, now or by an earlier call (which makes this a no-op).
    static bool load(const wchar_t* path) noexcept;

    // Module unload: exits and unmaps a bound library, deletes the lock.
    // While the process is ending the library is neither exited nor
    // unmapped: the loader has detached it already.
    static void shutdown(bool processTerminating) noexcept;

    // Module load: not loaded, lock ready, shutdown registered for unload.
    static void initializeStatic() noexcept;

    static bool loaded() noexcept { return loaded_.load(std::memory_order_acquire); }
    static const GflEntryPoints& api() noexcept { return api_; }
    static HMODULE module() noexcept { return module_; }

private:
    static void clearEntryPoints() noexcept;

    static CRITICAL_SECTION lock_;
    static HMODULE module_;
    static std::atomic<bool> loaded_;
    static GflEntryPoints api_;
};
