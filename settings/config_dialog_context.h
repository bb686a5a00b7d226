// ConfigDialogContext: what one open configuration dialog owns. DVP_Configure
// creates it; the dialog owns it from WM_INITDIALOG until it closes (or its
// window is destroyed) and keeps it in its DWLP_USER slot.
//
// The dialog may outlive the initialisation cycle it was opened in: a final
// DVP_Uninit frees the process-wide settings and host services table while
// the window stays open. So the context never relies on either after
// opening. The working copy saves through the context's own copy of the
// host services table (plain data: the host's export addresses), and the
// commit touches processSettings only under the init lock and only while
// initGeneration is still the current cycle (config_dialog_commit.cpp).
#pragma once

#include <cstdint>

#include "plugin/host_services.h"
#include "settings/plugin_settings.h"

struct ConfigDialogContext {
    // The caller holds the init lock, and process is the live process-wide
    // instance of cycle generation, whose host services table is live.
    ConfigDialogContext(PluginSettings& process, uint32_t generation, const HostServices* liveServices);
    ConfigDialogContext(const ConfigDialogContext&) = delete;
    ConfigDialogContext& operator=(const ConfigDialogContext&) = delete;

    PluginSettings* processSettings;  // not owned; valid only while initGeneration is current
    uint32_t initGeneration;          // the cycle the dialog was opened in
    HostServices hostServices;        // the dialog's own copy; outlives workingCopy
    PluginSettings workingCopy;       // its hostServices points at the copy above

    // A commit calls into the host, whose services may pump messages: the
    // dialog can be closed or destroyed inside it. While a commit runs, the
    // close only marks the context released; the last commit to finish
    // frees it.
    int commitsRunning = 0;
    bool released = false;
};
