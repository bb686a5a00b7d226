// PluginSettings: the copy rules under the per-instance locks, and the reset
// to the built-in exclusions.
#include "settings/plugin_settings.h"

#include <algorithm>
#include <utility>

#define DVP_COPY_SWITCH(member, node, byDefault, control) member = other.member;

// The new object's own lock is already initialised by its member; only the
// source's lock is held, so a copy never shows a half-updated list.
PluginSettings::PluginSettings(const PluginSettings& other)
{
    Lock source(other.lock);
    excludedExtensions = other.excludedExtensions;
    DVP_SWITCH_SETTINGS(DVP_COPY_SWITCH)
}

// Destination lock first, then the source's: the dialog assigns its working
// copy to the process-wide instance, whose lock comes first in the lock
// order. The list is copied before any field changes, so a failed allocation
// leaves the destination as it was.
PluginSettings& PluginSettings::operator=(const PluginSettings& other)
{
    if (this == &other)
        return *this;
    Lock destination(lock);
    Lock source(other.lock);
    ExtensionList list = other.excludedExtensions;
    excludedExtensions.swap(list);
    DVP_SWITCH_SETTINGS(DVP_COPY_SWITCH)
    return *this;
}

// Sorted by plain UTF-16 code units: std::wstring's operator< compares
// wchar_t values (16-bit, unsigned here) with no case folding or locale.
void PluginSettings::ResetToDefaults()
{
    ExtensionList defaults(DefaultExcludedExtensions.begin(), DefaultExcludedExtensions.end());
    std::sort(defaults.begin(), defaults.end());
    excludedExtensions.swap(defaults);
#define DVP_RESET_SWITCH(member, node, byDefault, control) member = byDefault;
    DVP_SWITCH_SETTINGS(DVP_RESET_SWITCH)
#undef DVP_RESET_SWITCH
}

#undef DVP_COPY_SWITCH
