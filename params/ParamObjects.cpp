// The parameter definition objects: registration with the host, reading
// values into RenderSettings, check-in, and storing defaults.
#include "ParamObjects.h"

#include <cstring>

#include "records/RenderSettings.h"
#include "settings/SettingsFile.h"

A_long NextParamIndex = 1;

bool IsOldHost(const PF_InData *in_data) {
  return in_data->version.major < 12 || (in_data->version.major == 12 && in_data->version.minor < 12);
}

namespace {

// Stored defaults are read only with a settings path on a host that uses them.
bool UsesStoredDefaults(const PF_InData *in_data, const char *settingsPath) {
  return settingsPath && !IsOldHost(in_data);
}

} // namespace

// ---- BaseParam ----

BaseParam::BaseParam(const char *name, A_long recordOffset, A_long valueSize, const PF_ParamDef *tmpl)
    : name(name), index(NextParamIndex++), recordOffset(recordOffset), valueSize(valueSize) {
  if (tmpl) {
    def = *tmpl;
  } else {
    std::memset(&def, 0, sizeof def);
  }
}

BaseParam::~BaseParam() = default;

PF_Err BaseParam::ReadValue(RenderSettings *record, ParamGetter &getter) {
  if (valueSize == 0) return PF_Err_NONE;
  const bool temporary = getter.UsesTemporaryCopy();
  PF_ParamDef temp;
  PF_ParamDef *target = temporary ? &temp : &def;
  PF_Err err = getter.GetParam(index, target);
  if (err != PF_Err_NONE) return err;
  if (record) std::memcpy(reinterpret_cast<unsigned char *>(record) + recordOffset, &target->u, valueSize);
  // A temporary copy goes back to the host as soon as its value is taken, so
  // nothing stays checked out after a read in temporary mode.
  if (temporary) return getter.ReleaseParam(&temp);
  checkedOut_ = true;
  return PF_Err_NONE;
}

PF_Err BaseParam::ReleaseValue(ParamGetter &getter) {
  // Only a definition that this object's last read checked out goes back.
  if (valueSize == 0 || getter.UsesTemporaryCopy() || !checkedOut_) return PF_Err_NONE;
  checkedOut_ = false;
  return getter.ReleaseParam(&def);
}

void BaseParam::StoreDefault(PF_InData *, const char *) {}

void BaseParam::BeginDef(PF_InData *in_data, PF_ParamType type, bool withName) {
  def.param_type = type;
  if (withName) in_data->utils->ansi.strcpy(def.name, name);
}

PF_Err BaseParam::AddDef(PF_InData *in_data, A_long diskId) {
  def.uu.id = diskId;
  return in_data->inter.add_param(in_data->effect_ref, -1, &def);
}

// ---- group start and end ----

ParamAddTopic::ParamAddTopic(const char *name, const PF_ParamDef *tmpl) : BaseParam(name, 0, 0, tmpl) {}

PF_Err ParamAddTopic::AddToHost(PF_InData *in_data, A_long diskId, const char *) {
  BeginDef(in_data, PF_Param_GROUP_START);
  return AddDef(in_data, diskId);
}

ParamEndTopic::ParamEndTopic() : BaseParam("", 0, 0, nullptr) {}

PF_Err ParamEndTopic::AddToHost(PF_InData *in_data, A_long diskId, const char *) {
  BeginDef(in_data, PF_Param_GROUP_END, false);
  return AddDef(in_data, diskId);
}

// ---- point ----

ParamAddPoint::ParamAddPoint(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, PF_Fixed xDefault,
                             PF_Fixed yDefault, bool restrictBounds)
    : BaseParam(name, recordOffset, sizeof(PF_FixedPoint), tmpl), xDefault(xDefault), yDefault(yDefault),
      restrictBounds(restrictBounds ? 1 : 0) {}

PF_Err ParamAddPoint::AddToHost(PF_InData *in_data, A_long diskId, const char *) {
  BeginDef(in_data, PF_Param_POINT);
  // The host takes whole percentages: the fraction bits are dropped.
  def.u.td.restrict_bounds = static_cast<PF_Boolean>(restrictBounds);
  def.u.td.x_dephault = static_cast<PF_Fixed>(static_cast<A_u_long>(xDefault) & 0xFFFF0000u);
  def.u.td.y_dephault = static_cast<PF_Fixed>(static_cast<A_u_long>(yDefault) & 0xFFFF0000u);
  def.u.td.x_value = def.u.td.x_dephault;
  def.u.td.y_value = def.u.td.y_dephault;
  return AddDef(in_data, diskId);
}

// ---- popup ----

ParamAddPopup::ParamAddPopup(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, A_short numChoices,
                             A_short defaultChoice, const char *choices)
    : BaseParam(name, recordOffset, sizeof(A_long), tmpl), numChoices(numChoices), defaultChoice(defaultChoice),
      choices(choices) {}

PF_Err ParamAddPopup::AddToHost(PF_InData *in_data, A_long diskId, const char *settingsPath) {
  A_long stored = defaultChoice;
  if (UsesStoredDefaults(in_data, settingsPath)) stored = ReadStoredInt(name, settingsPath, defaultChoice);
  const A_short d = static_cast<A_short>(stored); // the low 16 bits, sign-extended
  BeginDef(in_data, PF_Param_POPUP);
  def.u.pd.value = d;
  def.u.pd.dephault = d;
  def.u.pd.num_choices = numChoices;
  def.u.pd.u.namesptr = choices;
  return AddDef(in_data, diskId);
}

void ParamAddPopup::StoreDefault(PF_InData *, const char *settingsPath) {
  WriteStoredInt(name, settingsPath, def.u.pd.value);
}

// ---- float slider ----

ParamAddFloatSlider::ParamAddFloatSlider(const char *name, A_long recordOffset, const PF_ParamDef *tmpl,
                                         const FloatSliderRange &range, A_FpShort defaultValue, A_short precision,
                                         PF_ValueDisplayFlags displayFlags, bool wantPhase)
    : BaseParam(name, recordOffset, sizeof(A_FpLong), tmpl), validMin(range.validMin), validMax(range.validMax),
      sliderMin(range.sliderMin), sliderMax(range.sliderMax), defaultValue(defaultValue), precision(precision),
      displayFlags(displayFlags), wantPhase(wantPhase ? 1u : 0u) {}

PF_Err ParamAddFloatSlider::AddToHost(PF_InData *in_data, A_long diskId, const char *settingsPath) {
  A_FpShort d = defaultValue;
  if (UsesStoredDefaults(in_data, settingsPath))
    d = static_cast<A_FpShort>(ReadStoredFloat(name, settingsPath, defaultValue));
  BeginDef(in_data, PF_Param_FLOAT_SLIDER);
  PF_FloatSliderDef &fs = def.u.fs_d;
  fs.valid_min = validMin;
  fs.valid_max = validMax;
  fs.slider_min = sliderMin;
  fs.slider_max = sliderMax;
  fs.value = d;
  fs.dephault = d;
  fs.precision = precision;
  fs.display_flags = displayFlags;
  if (wantPhase) fs.fs_flags |= PF_FSliderFlag_WANT_PHASE;
  fs.curve_tolerance = AEFX_AUDIO_DEFAULT_CURVE_TOLERANCE;
  return AddDef(in_data, diskId);
}

void ParamAddFloatSlider::StoreDefault(PF_InData *, const char *settingsPath) {
  WriteStoredFloat(name, settingsPath, def.u.fs_d.value);
}

// ---- checkbox ----

ParamAddCheckbox::ParamAddCheckbox(const char *name, A_long recordOffset, const PF_ParamDef *tmpl,
                                   const char *label, bool defaultOn, PF_ParamFlags extraFlags)
    : BaseParam(name, recordOffset, 1, tmpl), label(label), defaultOn(defaultOn ? 1 : 0),
      extraFlags(static_cast<A_u_long>(extraFlags)) {}

PF_Err ParamAddCheckbox::AddToHost(PF_InData *in_data, A_long diskId, const char *settingsPath) {
  A_long stored = defaultOn;
  if (UsesStoredDefaults(in_data, settingsPath)) stored = ReadStoredInt(name, settingsPath, defaultOn);
  const auto d = static_cast<signed char>(stored); // the low 8 bits: 256 reads as off
  BeginDef(in_data, PF_Param_CHECKBOX);
  def.flags |= static_cast<PF_ParamFlags>(extraFlags);
  def.u.bd.u.nameptr = label;
  def.u.bd.value = d;
  def.u.bd.dephault = static_cast<PF_Boolean>(d);
  return AddDef(in_data, diskId);
}

void ParamAddCheckbox::StoreDefault(PF_InData *, const char *settingsPath) {
  WriteStoredInt(name, settingsPath, def.u.bd.value);
}

// ---- colour ----

ParamAddColor::ParamAddColor(const char *name, A_long recordOffset, const PF_ParamDef *tmpl,
                             const PF_Pixel &defaultColor)
    : BaseParam(name, recordOffset, sizeof(PF_Pixel), tmpl), defaultColor(defaultColor) {}

PF_Err ParamAddColor::AddToHost(PF_InData *in_data, A_long diskId, const char *settingsPath) {
  PF_Pixel d = defaultColor;
  if (UsesStoredDefaults(in_data, settingsPath)) d = ReadStoredColor(name, settingsPath, defaultColor);
  BeginDef(in_data, PF_Param_COLOR);
  // Colours are always opaque, whatever alpha the default or the file has.
  def.u.cd.value = PF_Pixel{255, d.red, d.green, d.blue};
  def.u.cd.dephault = def.u.cd.value;
  return AddDef(in_data, diskId);
}

void ParamAddColor::StoreDefault(PF_InData *, const char *settingsPath) {
  WriteStoredColor(name, settingsPath, def.u.cd.value);
}
