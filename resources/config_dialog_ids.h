// The configuration dialog's template and control numbers, shared by the
// resource script (resources/config_dialog.rc) and the dialog procedure.
// Plain macros, because the resource compiler reads this file too.
#pragma once

#define IDD_CONFIG_DIALOG 101

#define IDC_DEFAULTS 1004
#define IDC_APPLY 1010
#define IDC_EXTENSION_LIST 1013
#define IDC_ADD 1014
#define IDC_REMOVE 1015
#define IDC_EXTENSION_EDIT 1018
#define IDC_USE_FOR_STREAMS 1027
