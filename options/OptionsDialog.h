// The options dialog: stores the current parameter values as the defaults of
// new instances, or restores the built-in defaults.
#pragma once

#include "AEHost.h"

// PF_Cmd_DO_DIALOG. The entry point ignores the result.
PF_Err ShowOptionsDialog(PF_InData *in_data, PF_ParamDef *params[]);
// Empties the process-wide map of dialog windows (library detach).
void ClearDialogWindowMap();

// The module handle of the library, stored by the entry point when it is
// attached (Windows: the HINSTANCE the dialog resources are loaded from).
void *VortaneModuleHandle();
