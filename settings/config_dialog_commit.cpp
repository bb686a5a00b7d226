// CommitSettings: Apply and OK. The list box (in its own displayed order)
// and the check box go into the working copy, the working copy into the
// process-wide settings, and the working copy to the settings file.
//
// The dialog can outlive the settings it was opened on: the host may make
// its final DVP_Uninit while the window is still open, and may even start
// the plug-in again. The assignment therefore runs under the init lock (which
// DVP_InitEx and DVP_Uninit hold throughout) and only while the cycle the
// dialog was opened in is still current; otherwise the process-wide instance
// the context points at is gone and nothing is assigned. The save always
// runs, through the context's own copy of the host's services table, so the
// user's choice still reaches the file the next start loads.
//
// Lock order: the init lock, then the process-wide settings lock (taken by
// the assignment), then the working copy's lock.
#include <string>

#include "plugin/init_lock.h"
#include "plugin/plugin_state.h"
#include "settings/config_dialog_context.h"
#include "settings/config_dialog_controls.h"
#include "settings/config_dialog_ids.h"
#include "settings/config_dialog_steps.h"

namespace {

constexpr wchar_t kSaveFailedText[] = L"ERROR: Could not save config!";
constexpr wchar_t kMessageCaption[] = L"DOpus Pictorama Plugin";

// The list box's items, in its displayed order, into the working copy.
// Unreadable or empty items are skipped; a list box that cannot report its
// count leaves the list as it was.
void CollectExtensions(HWND dialog, PluginSettings& copy)
{
    HWND list = GetDlgItem(dialog, IDC_EXTENSION_LIST);
    if (!list)
        return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        return;
    ExtensionList extensions;
    std::wstring text;
    for (LRESULT index = 0; index < count; ++index) {
        if (GetListItemText(list, static_cast<int>(index), text) && !text.empty())
            extensions.push_back(text);
    }
    Lock guard(copy.lock);
    copy.excludedExtensions.swap(extensions);
}

// The working copy into the process-wide instance, while it is still the one
// the dialog was opened on.
void PublishWorkingCopy(ConfigDialogContext& context)
{
    InitLockScope initLock;
    PluginState& state = State();
    const bool sameCycle = state.initCount > 0 && state.initGeneration == context.initGeneration &&
                           state.settings.load(std::memory_order_acquire) == context.processSettings;
    if (!sameCycle)
        return;

    PluginSettings& process = *context.processSettings;
    process = context.workingCopy;  // on failure the destination is left unchanged
    // The assignment carried over the working copy's table pointer, which
    // points into the context; the process-wide instance keeps the
    // process-wide table, which lives exactly as long as it does.
    Lock guard(process.lock);
    process.hostServices = state.hostServices;
}

}  // namespace

void CommitSettings(HWND dialog, ConfigDialogContext& context)
{
    PluginSettings& copy = context.workingCopy;
    CollectExtensions(dialog, copy);
    const bool checked = IsDlgButtonChecked(dialog, IDC_USE_FOR_STREAMS) == BST_CHECKED;
    {
        Lock guard(copy.lock);
        copy.useForStreams = checked ? 1 : 0;
    }

    PublishWorkingCopy(context);

    // The save runs on its own copies of the settings and the services
    // table: the host's save services may pump messages, and a Defaults,
    // Cancel or DestroyWindow handled inside them changes or frees the
    // context, never what the save is reading.
    HostServices services = context.hostServices;
    PluginSettings snapshot(copy);  // under the copy's lock only: identification is never held up by the file
    {
        Lock guard(snapshot.lock);
        snapshot.hostServices = &services;
    }
    bool saved = false;
    {
        Lock guard(snapshot.lock);
        saved = snapshot.SaveSettings();
    }
    if (!saved && !context.released)
        MessageBoxW(dialog, kSaveFailedText, kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
}
