// GflLibrary: the binding of the image library. The plug-in holds exactly
// one, in its process-wide state: prepared at module load, bound by the
// first successful DVP_InitEx, and released only at module unload (its
// destructor); DVP_Uninit leaves it bound.
//
// Users take no lock around library calls: they test loaded() immediately
// before each call. The entry points are stored under the lock before
// loaded() turns true (release) and read only after it reads true (acquire),
// and never change again.
#pragma once

#include <windows.h>

#include <atomic>

#include "imagelib/gfl_records.h"
#include "win32/critical_section.h"
#include "win32/unique_handle.h"

// The sixteen entry points, in binding order, with their types: the one list
// from which the table's slots and the names looked up are both generated.
#define GFL_ENTRY_POINTS(X)                                           \
    X(gflLibraryInit, GflLibraryInitFn)                               \
    X(gflGetVersion, GflGetVersionFn)                                 \
    X(gflLibraryExit, GflLibraryExitFn)                               \
    X(gflSetPluginsPathnameW, GflSetPluginsPathnameWFn)               \
    X(gflEnableLZW, GflEnableLzwFn)                                   \
    X(gflGetNumberOfFormat, GflGetNumberOfFormatFn)                   \
    X(gflGetFormatInformationByIndex, GflGetFormatInformationByIndexFn) \
    X(gflFormatIsReadableByIndex, GflFormatIsReadableByIndexFn)       \
    X(gflGetFileInformationW, GflGetFileInformationWFn)               \
    X(gflGetFileInformationFromHandle, GflGetFileInformationFromHandleFn) \
    X(gflLoadBitmapW, GflLoadBitmapWFn)                               \
    X(gflLoadBitmapFromHandle, GflLoadBitmapFromHandleFn)             \
    X(gflGetDefaultLoadParams, GflGetDefaultLoadParamsFn)             \
    X(gflFreeBitmap, GflFreeBitmapFn)                                 \
    X(gflFreeFileInformation, GflFreeFileInformationFn)               \
    X(gflChangeColorDepth, GflChangeColorDepthFn)

struct GflEntryPoints {
#define GFL_ENTRY_SLOT(name, type) type name = nullptr;
    GFL_ENTRY_POINTS(GFL_ENTRY_SLOT)
#undef GFL_ENTRY_SLOT
};

class GflLibrary {
public:
    GflLibrary() noexcept = default;
    // Module unload: exits and unmaps a bound library, unless the process is
    // ending (see leaveForProcessExit).
    ~GflLibrary();
    GflLibrary(const GflLibrary&) = delete;
    GflLibrary& operator=(const GflLibrary&) = delete;

    // Maps the library at the full path, binds the sixteen entry points,
    // checks the version text against "2.20", points the library at its
    // plug-ins folder "dvp_qpv_plugins" beside it and initialises it. True
    // when bound, now or by an earlier call (which makes this a no-op).
    bool load(const wchar_t* path) noexcept EXCLUDES(lock);

    bool loaded() const noexcept { return loaded_.load(std::memory_order_acquire); }
    // Valid once loaded() has read true.
    const GflEntryPoints& api() const noexcept { return api_; }
    HMODULE module() const noexcept { return loaded() ? moduleHandle_ : nullptr; }

    // The process is ending: the loader has detached the library already
    // (it was loaded after the plug-in), so module unload must neither call
    // its exit nor unmap it.
    void leaveForProcessExit() noexcept { leftForProcessExit_ = true; }

    // Serialises load; never held around a call into the bound library.
    CriticalSection lock;

private:
    bool bind(const wchar_t* path) noexcept REQUIRES(lock);

    UniqueModule module_ GUARDED_BY(lock);
    HMODULE moduleHandle_ = nullptr;  // written before loaded_ turns true
    GflEntryPoints api_;              // written under lock before loaded_ turns true
    std::atomic<bool> loaded_{false};
    bool leftForProcessExit_ = false;
};
