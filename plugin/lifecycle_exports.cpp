// DVP_Init, DVP_InitEx, DVP_Uninit and DVP_USBSafe: the reference-counted
// start-up and shut-down of the plug-in.
//
// The first DVP_InitEx builds the host services table, the settings object,
// binds the image library, builds the handled-extensions string and loads
// the settings, all under the init lock; any failure before the settings
// step unwinds through DVP_Uninit. Later calls only count.
#include <cwchar>
#include <memory>
#include <new>
#include <string>

#include "imagelib/gfl_library.h"
#include "imagelib/handled_extensions.h"
#include "imagelib/path_ops.h"
#include "plugin/host_services.h"
#include "plugin/init_lock.h"
#include "plugin/plugin_exports.h"
#include "plugin/plugin_state.h"
#include "settings/plugin_settings.h"

namespace {

constexpr uint64_t kMinimumHostVersion = 0x0009000000000000ull;  // 9.0.0.0
constexpr wchar_t kImageLibraryRelativePath[] = L"Viewers\\libgfl64U.dll";

uint64_t HostVersionOf(const InitExRecord& record) noexcept
{
    return (static_cast<uint64_t>(record.hostVersionHigh) << 32) | record.hostVersionLow;
}

// The image library's full path under the host's program folder, or empty.
// Code is loaded only from an absolute folder: an empty or relative answer
// would send the loader's search through the current folder, where any
// folder the user browses could plant a library. A folder that fills the
// whole buffer without a terminator is cut short somewhere: refused too.
std::wstring ImageLibraryPath(const HostServices& host)
{
    auto getProgramDir = host.config.get<GetProgramDirWFn>(HostConfig::GetProgramDirW);
    if (!getProgramDir)
        return {};
    wchar_t folder[MAX_PATH] = {};
    if (!getProgramDir(folder, MAX_PATH))
        return {};
    const size_t length = wcsnlen(folder, MAX_PATH);
    if (length == MAX_PATH)
        return {};
    std::wstring path(folder, length);
    if (!IsAbsolutePath(path))
        return {};
    JoinPath(&path, kImageLibraryRelativePath);
    return path;
}

// Steps of the first initialisation; the caller holds the init lock and has
// counted this call. False means: unwind through DVP_Uninit.
//
// The settings object and the handled-extensions string are published only
// once the settings are loaded: until then identification finds no settings
// ("not initialised") rather than an empty exclusion list, and a start-up
// that fails never shows them to another thread at all.
bool InitializeFirst(const InitExRecord& record)
{
    PluginState& state = State();
    state.hostServices = new HostServices();
    auto settings = std::make_unique<PluginSettings>(state.module, state.hostServices, HostVersionOf(record));

    if (settings->hostVersion < kMinimumHostVersion)
        return false;
    const std::wstring libraryPath = ImageLibraryPath(*state.hostServices);
    if (libraryPath.empty() || !GflLibrary::load(libraryPath.c_str()))
        return false;

    std::unique_ptr<wchar_t[]> handledExtensions(buildHandledExtensions());
    {
        Lock lock(settings->lock);
        settings->excludedExtensions.clear();
        if (!settings->LoadSettings())
            settings->ResetToDefaults();
    }
    state.handledExtensions.store(handledExtensions.release(), std::memory_order_release);
    state.settings.store(settings.release(), std::memory_order_release);
    return true;
}

}  // namespace

extern "C" BOOL WINAPI DVP_Init() noexcept { return FALSE; }

extern "C" BOOL WINAPI DVP_InitEx(InitExRecord* record) noexcept
{
    InitLockScope initLock;
    PluginState& state = State();
    if (state.initCount++ > 0)
        return TRUE;
    ++state.initGeneration;

    bool initialized = false;
    try {
        initialized = record && InitializeFirst(*record);
    } catch (const std::bad_alloc&) {
        initialized = false;
    }
    if (!initialized)
        DVP_Uninit();  // the count is 1: this releases everything built so far
    return initialized ? TRUE : FALSE;
}

extern "C" void WINAPI DVP_Uninit() noexcept
{
    InitLockScope initLock;
    PluginState& state = State();
    if (state.initCount <= 0)
        return;
    if (--state.initCount > 0)
        return;

    delete[] state.handledExtensions.exchange(nullptr, std::memory_order_acq_rel);
    delete state.settings.exchange(nullptr, std::memory_order_acq_rel);
    delete state.hostServices;
    state.hostServices = nullptr;
}

extern "C" BOOL WINAPI DVP_USBSafe(UsbSafeRecord* record) noexcept
{
    if (!record)
        return FALSE;  // nothing to fill: refused, nothing written
    record->otherExports = kImageLibraryFileName;
    return TRUE;
}
