// Enables or disables each colour group's controls with the group's Enable
// Color Group checkbox, through the host's "PF Param Utils Suite".
#pragma once

#include "AEHost.h"

// Release number of the host's API version (13.2 gives 110; versions the
// table does not know give 9999, versions before 12.11 give 0).
A_long HostReleaseNumber(const PF_InData *in_data);

// "PF Param Utils Suite", version 3 on hosts of release 110 and later,
// version 2 before. Acquired for the scope; a missing suite throws
// PF_Err_BAD_CALLBACK_PARAM as a value of the host's error enumeration.
class ParamUtilsSuite {
 public:
  explicit ParamUtilsSuite(const PF_InData *in_data);
  ~ParamUtilsSuite();
  ParamUtilsSuite(const ParamUtilsSuite &) = delete;
  ParamUtilsSuite &operator=(const ParamUtilsSuite &) = delete;

  PF_Err UpdateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index, const PF_ParamDef *def) const {
    return update_(effect_ref, index, def);
  }
  int32 version() const { return version_; }

 private:
  const SPBasicSuite *basic_;
  const void *suite_ = nullptr;
  const char *name_;
  int32 version_;
  PF_Err (*update_)(PF_ProgPtr, PF_ParamIndex, const PF_ParamDef *) = nullptr;
};

// PF_Cmd_UPDATE_PARAMS_UI: re-applies the enabled state of all 40 group
// controls from the checkboxes in params (indexed by host index).
PF_Err UpdateGroupControls(PF_InData *in_data, PF_ParamDef *params[]);
