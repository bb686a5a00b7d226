// The plug-in's process-wide state as the in-process tests look into it:
// the program links the plug-in's code, so State() is the state the exports
// use.
#pragma once

#include "plugin/plugin_state.h"
#include "settings/plugin_settings.h"

// The process-wide settings object; null while not started. The state
// publishes it read-only; the tests change it as the dialog's commit would.
inline PluginSettings* ProcessSettings() { return const_cast<PluginSettings*>(State().settings()); }

// The number of DVP_InitEx calls not yet balanced.
inline int32_t InitCount()
{
    Lock lock(State().initLock);
    return State().initCount();
}
