// How parameter values are obtained at render time and in the options
// dialog: checked out of the host, or copied from the command's array.
#pragma once

#include "AEHost.h"

class ParamGetter {
 public:
  virtual ~ParamGetter() = default;
  // Fills outDef with the definition of host parameter `index`, value included.
  virtual PF_Err GetParam(PF_ParamIndex index, PF_ParamDef *outDef) = 0;
  // Hands a definition obtained by GetParam back.
  virtual PF_Err ReleaseParam(PF_ParamDef *def) = 0;
  // True when values go into a temporary definition instead of the
  // parameter object's own.
  virtual bool UsesTemporaryCopy() = 0;
};

// Checks values out of the host at the command's current time.
class GetParamByCheckout : public ParamGetter {
 public:
  GetParamByCheckout(PF_InData *inData, bool temporary) : inData(inData), temporary(temporary) {}
  PF_Err GetParam(PF_ParamIndex index, PF_ParamDef *outDef) override;
  PF_Err ReleaseParam(PF_ParamDef *def) override;
  bool UsesTemporaryCopy() override { return temporary; }

  PF_InData *inData;
  bool temporary;
};

// Copies definitions out of the parameter array the host passed in.
class GetParamFromArray : public ParamGetter {
 public:
  explicit GetParamFromArray(PF_ParamDef **params) : params(params) {}
  PF_Err GetParam(PF_ParamIndex index, PF_ParamDef *outDef) override;
  PF_Err ReleaseParam(PF_ParamDef *) override { return PF_Err_NONE; }
  bool UsesTemporaryCopy() override { return false; }

  PF_ParamDef **params;
};
