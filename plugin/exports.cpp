// The ten functions DVP_QPV.dll exports to its host. Each checks its
// arguments, takes what the call needs from the process-wide state, calls
// the subsystem that does the work and turns the outcome into the host's
// BOOL, handle or null. Nothing is thrown across them.
#include "plugin/plugin_exports.h"

#include <memory>
#include <utility>

#include "plugin/plugin_identify.h"
#include "plugin/plugin_lifecycle.h"
#include "plugin/plugin_state.h"
#include "settings/config_dialog.h"
#include "viewer/bitmap_loading.h"
#include "viewer/file_identification.h"

namespace {

BOOL AsBool(bool value) noexcept { return value ? TRUE : FALSE; }

}  // namespace

// A host that knows only this entry gets a refusal.
extern "C" BOOL WINAPI DVP_Init() noexcept { return FALSE; }

extern "C" BOOL WINAPI DVP_InitEx(InitExRecord* record) noexcept
{
    return AsBool(InitializePlugin(State(), record));
}

extern "C" void WINAPI DVP_Uninit() noexcept { UninitializePlugin(State()); }

// The string stays the plug-in's, valid while the DLL is loaded.
extern "C" BOOL WINAPI DVP_USBSafe(UsbSafeRecord* record) noexcept
{
    if (!record)
        return FALSE;
    record->otherExports = kImageLibraryFileName;
    return TRUE;
}

extern "C" BOOL WINAPI DVP_IdentifyW(PluginInfoRecord* record) noexcept
{
    if (!record || record->size < kMinimumPluginInfoSize)
        return FALSE;
    const PluginState& state = State();
    return AsBool(DescribePlugin(*record, state.module(), state.handledExtensions()));
}

extern "C" BOOL WINAPI DVP_IdentifyFileW(HWND /*window*/, LPCWSTR path, FileInfoRecord* record,
                                         HANDLE /*abortEvent*/) noexcept
{
    PluginState& state = State();
    const PluginSettings* settings = state.settings();
    if (!settings || !record)
        return FALSE;
    return AsBool(IdentifyFile(state.library(), *settings, path, *record));
}

extern "C" BOOL WINAPI DVP_IdentifyFileStreamW(HWND /*window*/, IStream* stream, LPCWSTR name,
                                               FileInfoRecord* record) noexcept
{
    PluginState& state = State();
    const PluginSettings* settings = state.settings();
    if (!settings || !record)
        return FALSE;
    return AsBool(IdentifyStream(state.library(), *settings, stream, name, *record));
}

// The returned section belongs to the host; the plug-in keeps no reference.
extern "C" HBITMAP WINAPI DVP_LoadBitmapW(HWND window, LPCWSTR path, FileInfoRecord* record,
                                          LPSIZE /*wantedSize*/, HANDLE abortEvent) noexcept
{
    return LoadBitmapFromFile(State().library(), window, path, record, abortEvent);
}

extern "C" HBITMAP WINAPI DVP_LoadBitmapStreamW(HWND window, IStream* stream, LPCWSTR /*name*/,
                                                FileInfoRecord* record, LPSIZE /*wantedSize*/,
                                                HANDLE /*abortEvent*/) noexcept
{
    return LoadBitmapFromStream(State().library(), window, stream, record);
}

// The dialog's window goes to the host, whose message loop runs it.
extern "C" HWND WINAPI DVP_Configure(HWND parent, HWND /*notifyWindow*/, DWORD /*notifyData*/) noexcept
{
    PluginState& state = State();
    // Not initialised, or a first start-up still running on another thread
    // (it publishes the settings last and holds the init lock meanwhile):
    // no dialog, and no wait for that start-up.
    if (!state.settings())
        return nullptr;
    std::shared_ptr<PluginSettings> settings;
    SettingsFileServices services;
    {
        Lock lock(state.initLock);
        settings = state.shareSettings();
        services = state.settingsFileServices();
    }
    return OpenConfigDialog(state.module(), parent, std::move(settings), services);
}
