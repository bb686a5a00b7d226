// Binding of the image library: mapped from a full path, bound by export
// name, version-checked, initialised once, released at module unload.
#include "imagelib/gfl_library.h"

#include <new>
#include <string>

#include "imagelib/path_ops.h"
#include "win32/bind_export.h"

namespace {

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
        const auto have = static_cast<unsigned char>(version[i]);
        const auto want = static_cast<unsigned char>(kMinimumVersion[i]);
        if (have != want)
            return have > want;
        if (want == 0)
            return true;
    }
    return true;
}

// Looks up every name, in binding order, before any result is tested.
bool BindEntryPoints(HMODULE module, GflEntryPoints& api) noexcept
{
    bool complete = true;
#define GFL_BIND_ENTRY(name, type)                  \
    api.name = BindExport<type>(module, #name);     \
    complete = complete && api.name != nullptr;
    GFL_ENTRY_POINTS(GFL_BIND_ENTRY)
#undef GFL_BIND_ENTRY
    return complete;
}

// The library looks for its own plug-ins in "dvp_qpv_plugins" beside it.
bool PluginsFolderBeside(const wchar_t* libraryPath, std::wstring& folder) noexcept
{
    try {
        folder = libraryPath;
        ParentPath(&folder);
        JoinPath(&folder, kPluginsFolderName);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool GflLibrary::load(const wchar_t* path) noexcept
{
    Lock guard(lock);
    if (loaded())
        return true;
    if (!path || !bind(path)) {
        api_ = GflEntryPoints{};
        module_.reset();
        return false;
    }
    moduleHandle_ = module_.get();
    loaded_.store(true, std::memory_order_release);
    return true;
}

// The DLLs the library imports are looked for in the library's own folder,
// then in the system's; never in the current folder (the one the user is
// browsing) nor along PATH. Only this one mapping is steered: the process's
// own search order stays as the host set it. A system that does not know
// the flags refuses them as an invalid parameter, and gets the plain load.
namespace {
HMODULE MapLibrary(const wchar_t* path) noexcept
{
    constexpr DWORD kOwnFolderThenSystem = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
    HMODULE module = LoadLibraryExW(path, nullptr, kOwnFolderThenSystem);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    return LoadLibraryW(path);
}
}  // namespace

// The plug-ins folder is set before the library is initialised: the
// library reads it while it initialises.
bool GflLibrary::bind(const wchar_t* path) noexcept
{
    module_.reset(MapLibrary(path));
    if (!module_)
        return false;
    if (!BindEntryPoints(module_.get(), api_) || !IsRecentEnough(api_.gflGetVersion()))
        return false;
    std::wstring pluginsFolder;
    if (!PluginsFolderBeside(path, pluginsFolder))
        return false;
    api_.gflSetPluginsPathnameW(pluginsFolder.c_str());
    api_.gflLibraryInit();
    return true;
}

// Nothing else runs at module unload, so no lock is taken.
GflLibrary::~GflLibrary()
{
    if (leftForProcessExit_) {
        module_.release();  // the process takes the library down itself
        return;
    }
    if (loaded())
        api_.gflLibraryExit();
    // module_ unmaps the library.
}
