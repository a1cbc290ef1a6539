// The two ParamGetter implementations: checkout from the host at the
// command's current time, and copies from the command's parameter array.
#include "ParamGetter.h"

#include <cstring>

PF_Err GetParamByCheckout::GetParam(PF_ParamIndex index, PF_ParamDef *outDef) {
  PF_Err err = inData->inter.checkout_param(inData->effect_ref, index, inData->current_time, inData->time_step,
                                            inData->time_scale, outDef);
  if (err != PF_Err_NONE) std::memset(outDef, 0, sizeof *outDef);
  return err;
}

PF_Err GetParamByCheckout::ReleaseParam(PF_ParamDef *def) {
  return inData->inter.checkin_param(inData->effect_ref, def);
}

PF_Err GetParamFromArray::GetParam(PF_ParamIndex index, PF_ParamDef *outDef) {
  *outDef = *params[index];
  return PF_Err_NONE;
}
