// The reference-counted start-up and shut-down behind DVP_InitEx and
// DVP_Uninit. Each holds the state's init lock for its whole run.
#pragma once

#include "plugin/host_records.h"
#include "plugin/plugin_state.h"

// Counts one start-up. The first of a cycle binds the host's services, gates
// on the host's version (9.0.0.0 at least), binds the image library from the
// host's Viewers folder, builds the handled-extensions string and loads the
// settings (or the defaults), and publishes them; any failure unwinds as a
// DVP_Uninit would and answers false. Later calls only count; they read no
// record.
bool InitializePlugin(PluginState& state, const InitExRecord* record) noexcept EXCLUDES(state.initLock);

// Counts one shut-down; the one that brings the count to 0 releases what
// the first start-up published. The image library stays bound.
void UninitializePlugin(PluginState& state) noexcept EXCLUDES(state.initLock);
