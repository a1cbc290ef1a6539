// Placeholder until the options dialog lands.
#include "OptionsDialog.h"

PF_Err ShowOptionsDialog(PF_InData *, PF_ParamDef *[]) { return PF_Err_NONE; }
void ClearDialogWindowMap() {}
