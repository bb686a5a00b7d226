// PluginState: the one process-wide state of the plug-in, in static storage.
//
// Module load constructs it (the presence atom, then the image library's
// binding, then the init lock) before the DLL entry point records the module
// handle; module unload destroys it in the reverse order, after the entry
// point's detach.
//
// What the first DVP_InitEx builds (the host services table, the settings,
// the handled-extensions string) is published in one step once it is all
// built, and released by the DVP_Uninit that brings the count back to 0.
// The exports that take no lock read the published pointers with acquire
// ordering: a null settings pointer means "not initialised". Module unload
// frees what a start-up left behind only when the host unloads the plug-in;
// when the process ends, none of it is touched.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "imagelib/gfl_library.h"
#include "plugin/host_services.h"
#include "settings/plugin_settings.h"
#include "win32/critical_section.h"
#include "win32/unique_handle.h"

// A configuration dialog's share of the started plug-in: the live settings
// (null while not initialised) and the host's settings-file services.
struct DialogShare {
    std::shared_ptr<PluginSettings> settings;
    SettingsFileServices services;
};

class PluginState {
    // Declared first: module load registers the atom, then prepares the
    // library's binding, then the init lock; unload goes in reverse.
    UniqueGlobalAtom presenceAtom_;
    GflLibrary library_;

public:
    // Held for the whole of DVP_InitEx and DVP_Uninit. Lock order: the init
    // lock before the library's lock and before any settings lock.
    CriticalSection initLock ACQUIRED_BEFORE(library_.lock);

    PluginState() noexcept;
    ~PluginState();
    PluginState(const PluginState&) = delete;
    PluginState& operator=(const PluginState&) = delete;

    // Process attach and detach, from the DLL entry point (and from tests
    // that link the plug-in's code directly). A detach while the process
    // ends leaves the image library alone: the loader has detached it
    // already, as it was loaded after the plug-in.
    void attach(HMODULE module) noexcept { module_ = module; }
    void detach(bool processTerminating) noexcept;

    HMODULE module() const noexcept { return module_; }
    GflLibrary& library() noexcept { return library_; }

    // Published state, for the exports that take no lock.
    const PluginSettings* settings() const noexcept { return settings_.load(std::memory_order_acquire); }
    const wchar_t* handledExtensions() const noexcept { return handledExtensions_.load(std::memory_order_acquire); }

    // Counts one DVP_InitEx; true when it is the first of a cycle.
    bool countInit() REQUIRES(initLock) { return initCount_++ == 0; }
    // Counts one DVP_Uninit; true when it ends the cycle. A count of 0
    // stays 0.
    bool countUninit() REQUIRES(initLock);
    int32_t initCount() const REQUIRES(initLock) { return initCount_; }

    // Publishes what a first DVP_InitEx built, all at once.
    void publish(const HostServices& services, std::shared_ptr<PluginSettings> settings,
                 std::unique_ptr<wchar_t[]> handledExtensions) REQUIRES(initLock);
    // Unpublishes and releases it (a dialog may still share the settings).
    void release() REQUIRES(initLock);

    // What a configuration dialog needs: a share of the live settings and
    // the host's settings-file services; no settings while not initialised.
    // Taken without the init lock, so a dialog never waits for a start-up.
    DialogShare shareForDialog() const EXCLUDES(shareLock_);

private:
    // What one start-up built, owned as one block, so that the end of the
    // process can leave it alone as a whole.
    struct Started {
        HostServices hostServices;
        std::shared_ptr<PluginSettings> settings;
        std::unique_ptr<wchar_t[]> handledExtensions;
    };

    HMODULE module_ = nullptr;
    bool processTerminating_ = false;
    int32_t initCount_ GUARDED_BY(initLock) = 0;
    std::unique_ptr<Started> started_ GUARDED_BY(initLock);
    // Held only to copy or swap the dialog's share, never around a call out.
    mutable CriticalSection shareLock_ ACQUIRED_AFTER(initLock);
    DialogShare dialogShare_ GUARDED_BY(shareLock_);
    std::atomic<const PluginSettings*> settings_{nullptr};
    std::atomic<const wchar_t*> handledExtensions_{nullptr};
};

PluginState& State() noexcept;

// The wide string DVP_USBSafe hands the host: the plug-in's extra file.
inline constexpr wchar_t kImageLibraryFileName[] = L"libgfl64U.dll";
