// Parameter UI updates: each colour group's ten controls follow the group's
// Enable Color Group checkbox; every call updates all four groups.
#include "UpdateGroupControls.h"

#include "EffectParamIds.h"
#include "ParamSet.h"
#include "ParamTable.h"

namespace {

struct ReleaseRow {
  A_short major, minor;
  A_long release;
};
constexpr ReleaseRow kReleases[] = {{13, 2, 110}, {13, 1, 105}, {13, 0, 100}, {12, 14, 90},
                                    {12, 13, 80}, {12, 12, 70}, {12, 11, 65}};
constexpr A_long kUnknownRelease = 9999;
constexpr A_long kFirstReleaseWithSuite3 = 110;

// The controls a group's checkbox enables, in the order they are updated.
constexpr A_long kSwitchedControls[] = {kBlurCenterId, kInvertId,      kColorBId,   kRangeId,
                                        kBlurAmountId, kBlurOffsetId, kSoftnessId, kSoftnessThresholdId,
                                        kKeepDivisionId, kColorAId};

} // namespace

A_long HostReleaseNumber(const PF_InData *in_data) {
  const A_short major = in_data->version.major;
  const A_short minor = in_data->version.minor;
  for (const ReleaseRow &row : kReleases)
    if (row.major == major && row.minor == minor) return row.release;
  if (major < 12 || (major == 12 && minor >= 0 && minor <= 10)) return 0;
  return kUnknownRelease;
}

ParamUtilsSuite::ParamUtilsSuite(const PF_InData *in_data)
    : basic_(in_data->pica_basicP), name_(kPFParamUtilsSuite),
      version_(HostReleaseNumber(in_data) >= kFirstReleaseWithSuite3 ? kPFParamUtilsSuiteVersion3
                                                                       : kPFParamUtilsSuiteVersion1) {
  // The enumeration value, not an integer: the entry point reports it as an
  // unknown error (512).
  if (!basic_) throw PF_Err_BAD_CALLBACK_PARAM;
  const void *suite = nullptr;
  if (basic_->AcquireSuite(name_, version_, &suite) != kSPNoError || !suite) throw PF_Err_BAD_CALLBACK_PARAM;
  suite_ = suite;
  // PF_UpdateParamUI is the first entry of both versions.
  if (version_ == kPFParamUtilsSuiteVersion3)
    update_ = static_cast<const PF_ParamUtilsSuite3 *>(suite_)->PF_UpdateParamUI;
  else
    update_ = static_cast<const PF_ParamUtilsSuite1 *>(suite_)->PF_UpdateParamUI;
}

ParamUtilsSuite::~ParamUtilsSuite() {
  if (suite_) basic_->ReleaseSuite(name_, version_);
}

PF_Err UpdateGroupControls(PF_InData *in_data, PF_ParamDef *params[]) {
  const ParamUtilsSuite suite(in_data);
  // The array must hold every parameter this reads.
  if (!params || in_data->num_params < ParamCountWithLayer()) return PF_Err_BAD_CALLBACK_PARAM;
  for (int g = 1; g <= kColorGroupCount; ++g) {
    const A_long base = ColorGroupIdBase(g);
    const A_long switchIndex = ParamTable::FindIndexById(base + kEnableId);
    if (switchIndex <= 0) continue;
    const bool on = params[switchIndex]->u.bd.value != 0;
    for (A_long offset : kSwitchedControls) {
      const A_long index = ParamTable::FindIndexById(base + offset);
      if (index <= 0) continue;
      PF_ParamDef copy = *params[index];
      if (on)
        copy.ui_flags &= ~PF_PUI_DISABLED;
      else
        copy.ui_flags |= PF_PUI_DISABLED;
      // The host's answer does not stop the other controls.
      suite.UpdateParamUI(in_data->effect_ref, index, &copy);
    }
  }
  return PF_Err_NONE;
}
