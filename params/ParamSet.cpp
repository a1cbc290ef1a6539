// Placeholder until the parameter objects land: registers nothing.
#include "ParamSet.h"

void DefineParams(PF_InData *) {}
PF_Err RegisterParams(PF_InData *, PF_OutData *out_data) {
  out_data->num_params = 1;
  return PF_Err_NONE;
}
void DestroyParams() {}
PF_Err ReadParams(RenderSettings *, ParamGetter &) { return PF_Err_NONE; }
PF_Err ReleaseParams(ParamGetter &) { return PF_Err_NONE; }
