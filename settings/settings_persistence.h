// Where the settings file lives, and loading and saving it as one host XML
// document through the host's services. Neither operation takes the
// settings' lock: the caller holds it (start-up on the instance it is about
// to publish, the dialog on the copy it saves). Nothing here throws: a
// failed allocation is a failed load or save.
#pragma once

#include <string>

#include "settings/plugin_settings.h"
#include "settings/settings_file_services.h"

// <configuration folder>\DVP_QPV.oxc; false (and an empty path) when the
// host names no usable folder.
bool GetSettingsFilePath(const SettingsFileServices& host, std::wstring& path);

// Empties the list, then reads the file into the settings. True when a
// settings document was found, had the right root name and every recognised
// child could be read; on false the caller applies the defaults. A file read
// in whole counts as read: a later save may replace it without a copy.
bool LoadSettings(const SettingsFileServices& host, PluginSettings& settings) REQUIRES(settings.lock);

// True when the host reports the document saved. A failed walk saves
// nothing, so the file stays as it was; a file whose bytes were neither read
// in whole nor written by a save of this process is first kept in a copy
// beside it, and when no copy can be made nothing is saved either.
bool SaveSettings(const SettingsFileServices& host, const PluginSettings& settings) REQUIRES(settings.lock);
