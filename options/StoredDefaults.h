// The two actions of the options dialog on the per-user settings file of
// stored defaults. Both compute the settings path themselves and create its
// folder first; failures are not reported.
#pragma once

#include "AEHost.h"

// "Set current parameter values to default": refreshes every parameter
// object's definition from the command's parameter array and writes each
// value that can carry a stored default to the settings file.
void StoreCurrentParamsAsDefaults(PF_InData *in_data, PF_ParamDef *params[]);

// "Restore initial default parameter values": deletes the settings file and
// removes the folders it leaves empty, up to the application-data folder.
void RestoreInitialDefaults(PF_InData *in_data);
