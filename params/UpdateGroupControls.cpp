// Placeholder until the parameter objects land.
#include "UpdateGroupControls.h"

PF_Err UpdateGroupControls(PF_InData *, PF_ParamDef *[]) { return PF_Err_NONE; }
