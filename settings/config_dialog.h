// The configuration dialog: a modeless dialog over a private working copy of
// the settings. Apply and OK assign the copy to the process-wide settings
// and save it; OK and Cancel post a quit message to the host's loop, which
// destroys the window.
#pragma once

#include <windows.h>

#include <memory>

#include "settings/plugin_settings.h"
#include "settings/settings_file_services.h"

// Opens the dialog from the module's template, owned by parent, and returns
// its window, or null when it could not be created. The dialog shares the
// ownership of processSettings until it closes, so a final DVP_Uninit can
// never free what a later Apply assigns to (the assignment then reaches an
// instance nobody reads any more); it saves through its own copy of the
// host's services. Once a dialog opens, the module stays mapped for the rest
// of the process.
HWND OpenConfigDialog(HMODULE module, HWND parent, std::shared_ptr<PluginSettings> processSettings,
                      const SettingsFileServices& services) noexcept;
