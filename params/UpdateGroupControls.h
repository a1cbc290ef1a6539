// Enables or disables each colour group's controls with the group's Enable
// Color Group checkbox, through the host's "PF Param Utils Suite".
#pragma once

#include "AEHost.h"

PF_Err UpdateGroupControls(PF_InData *in_data, PF_ParamDef *params[]);
