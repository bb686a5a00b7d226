// Binding of the image library: mapped from a full path, bound by export
// name, version-checked, initialised once, released at module unload.
#include "imagelib/gfl_library.h"

#include <cstring>
#include <string>

#include "imagelib/path_ops.h"
#include "plugin/bind_export.h"

CRITICAL_SECTION GflLibrary::lock_;
HMODULE GflLibrary::module_ = nullptr;
std::atomic<bool> GflLibrary::loaded_{false};
GflEntryPoints GflLibrary::api_{};

namespace {

// The entry points in binding order, each with the slot it fills.
struct EntryBinding {
    const char* name;
    RawProc* slot;
};

template <typename Fn>
RawProc* SlotOf(Fn& entry) noexcept
{
    static_assert(sizeof(Fn) == sizeof(RawProc));
    return reinterpret_cast<RawProc*>(&entry);
}

constexpr char kMinimumVersion[] = "2.20";
constexpr wchar_t kPluginsFolderName[] = L"dvp_qpv_plugins";

// True when the library's version text does not order before "2.20":
// compared as C strings, unsigned bytes, up to the first difference or the
// terminator of "2.20".
bool IsRecentEnough(const char* version) noexcept
{
    if (!version)
        return false;
    for (size_t i = 0; i < sizeof(kMinimumVersion); ++i) {
        auto have = static_cast<unsigned char>(version[i]);
        auto want = static_cast<unsigned char>(kMinimumVersion[i]);
        if (have != want)
            return have > want;
        if (want == 0)
            return true;
    }
    return true;
}

}  // namespace

void GflLibrary::initializeStatic() noexcept
{
    module_ = nullptr;
    loaded_.store(false, std::memory_order_relaxed);
    InitializeCriticalSection(&lock_);
}

void GflLibrary::clearEntryPoints() noexcept { api_ = GflEntryPoints{}; }

bool GflLibrary::load(const wchar_t* path) noexcept
{
    EnterCriticalSection(&lock_);
    struct Leave {
        ~Leave() { LeaveCriticalSection(&lock_); }
    } leave;

    if (loaded())
        return true;
    if (!path)
        return false;

    module_ = LoadLibraryW(path);
    if (!module_)
        return false;

    const EntryBinding bindings[] = {
        {"gflLibraryInit", SlotOf(api_.gflLibraryInit)},
        {"gflGetVersion", SlotOf(api_.gflGetVersion)},
        {"gflLibraryExit", SlotOf(api_.gflLibraryExit)},
        {"gflSetPluginsPathnameW", SlotOf(api_.gflSetPluginsPathnameW)},
        {"gflEnableLZW", SlotOf(api_.gflEnableLZW)},
        {"gflGetNumberOfFormat", SlotOf(api_.gflGetNumberOfFormat)},
        {"gflGetFormatInformationByIndex", SlotOf(api_.gflGetFormatInformationByIndex)},
        {"gflFormatIsReadableByIndex", SlotOf(api_.gflFormatIsReadableByIndex)},
        {"gflGetFileInformationW", SlotOf(api_.gflGetFileInformationW)},
        {"gflGetFileInformationFromHandle", SlotOf(api_.gflGetFileInformationFromHandle)},
        {"gflLoadBitmapW", SlotOf(api_.gflLoadBitmapW)},
        {"gflLoadBitmapFromHandle", SlotOf(api_.gflLoadBitmapFromHandle)},
        {"gflGetDefaultLoadParams", SlotOf(api_.gflGetDefaultLoadParams)},
        {"gflFreeBitmap", SlotOf(api_.gflFreeBitmap)},
        {"gflFreeFileInformation", SlotOf(api_.gflFreeFileInformation)},
        {"gflChangeColorDepth", SlotOf(api_.gflChangeColorDepth)},
    };
    static_assert(sizeof(bindings) / sizeof(bindings[0]) * sizeof(RawProc) == sizeof(GflEntryPoints));

    // Every name is looked up before any result is tested.
    bool complete = true;
    for (const EntryBinding& binding : bindings) {
        *binding.slot = BindRawExport(module_, binding.name);
        complete = complete && *binding.slot;
    }
    if (!complete || !IsRecentEnough(api_.gflGetVersion())) {
        clearEntryPoints();
        FreeLibrary(module_);
        module_ = nullptr;
        return false;
    }

    // The library looks for its own plug-ins in "dvp_qpv_plugins" beside it.
    try {
        std::wstring folder = path;
        ParentPath(&folder);
        JoinPath(&folder, kPluginsFolderName);
        api_.gflSetPluginsPathnameW(folder.c_str());
    } catch (...) {
        clearEntryPoints();
        FreeLibrary(module_);
        module_ = nullptr;
        return false;
    }
    api_.gflLibraryInit();

    loaded_.store(true, std::memory_order_release);
    return true;
}

void GflLibrary::shutdown(bool processTerminating) noexcept
{
    if (loaded() && !processTerminating) {
        api_.gflLibraryExit();
        FreeLibrary(module_);
    }
    DeleteCriticalSection(&lock_);
}
