// The plug-in's on/off settings, each declared once: its member of
// PluginSettings, the node of the settings file that stores it, its default
// and the dialog's check box for it. The model, its copy rules and defaults,
// the file's read and write, and the dialog all expand this list, in its
// order, so a new switch is one line here, a check box in the dialog
// template and the code that heeds it (README, "Adding a setting").
//
//   X(member, node name, default (0 or 1), check box id)
#pragma once

#include "resources/config_dialog_ids.h"

#define DVP_SWITCH_SETTINGS(X) X(useForStreams, L"UseQPVForStreams", 1, IDC_USE_FOR_STREAMS)
