// Start-up and shut-down of the plug-in.
#include "plugin/plugin_lifecycle.h"

#include <memory>
#include <new>
#include <string>

#include "imagelib/handled_extensions.h"
#include "imagelib/path_ops.h"
#include "settings/settings_persistence.h"
#include "win32/wide_text.h"

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
    const GetProgramDirWFn getProgramDir = host.programDir();
    wchar_t folder[MAX_PATH] = {};
    if (!getProgramDir || !getProgramDir(folder, MAX_PATH))
        return {};
    const auto text = TerminatedText(folder, MAX_PATH);
    if (!text)
        return {};
    std::wstring path(*text);
    if (!IsAbsolutePath(path))
        return {};
    JoinPath(&path, kImageLibraryRelativePath);
    return path;
}

// The first start-up of a cycle. Nothing is published before the settings
// are loaded: until then identification finds no settings ("not
// initialised") rather than an empty exclusion list, and a start-up that
// fails never shows anything to another thread.
bool StartFirst(PluginState& state, const InitExRecord& record) REQUIRES(state.initLock)
{
    const HostServices services = HostServices::Bind();
    if (HostVersionOf(record) < kMinimumHostVersion)
        return false;
    const std::wstring libraryPath = ImageLibraryPath(services);
    if (libraryPath.empty() || !state.library().load(libraryPath.c_str()))
        return false;

    std::unique_ptr<wchar_t[]> handledExtensions = buildHandledExtensions(state.library());
    auto settings = std::make_shared<PluginSettings>();
    {
        Lock lock(settings->lock);
        if (!LoadSettings(services.settingsFile(), *settings))
            settings->ResetToDefaults();
    }
    state.publish(services, std::move(settings), std::move(handledExtensions));
    return true;
}

void UninitializeLocked(PluginState& state) REQUIRES(state.initLock)
{
    if (state.countUninit())
        state.release();
}

}  // namespace

bool InitializePlugin(PluginState& state, const InitExRecord* record) noexcept
{
    Lock lock(state.initLock);
    if (!state.countInit())
        return true;
    bool started = false;
    try {
        started = record && StartFirst(state, *record);
    } catch (const std::bad_alloc&) {
        started = false;
    }
    if (!started)
        UninitializeLocked(state);  // the count is 1: back to 0, nothing kept
    return started;
}

void UninitializePlugin(PluginState& state) noexcept
{
    Lock lock(state.initLock);
    UninitializeLocked(state);
}
