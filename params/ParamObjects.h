// The parameter definition objects, one per host parameter: registration
// (with stored defaults), reading values into RenderSettings, check-in, and
// storing the current value as the new default.
#pragma once

#include "AEHost.h"
#include "ParamGetter.h"

struct RenderSettings;

// Host index the next constructed parameter object receives. 1 at load (the
// input layer is index 0); after the parameter set is built it equals the
// number of host parameters including the input layer. Restarts at 1 when
// the parameter table is cleared, so a rebuilt set keeps its indices.
extern A_long NextParamIndex;

// Hosts before API 12.12 do not use stored defaults.
bool IsOldHost(const PF_InData *in_data);

class BaseParam {
 public:
  // def starts as a copy of tmpl (all zero without one); index is taken from
  // NextParamIndex; id is set by the caller.
  BaseParam(const char *name, A_long recordOffset, A_long valueSize, const PF_ParamDef *tmpl);
  virtual ~BaseParam();

  // Copies the current value through getter into record + recordOffset
  // (record may be null: then only def is refreshed). In temporary mode the
  // value goes through a local definition, which is checked back in at once.
  virtual PF_Err ReadValue(RenderSettings *record, ParamGetter &getter);
  // Hands def back through getter if ReadValue checked it out.
  virtual PF_Err ReleaseValue(ParamGetter &getter);
  // Builds def (stored default from settingsPath, when given, on hosts that
  // use them) and adds the parameter to the host under disk id `id`.
  virtual PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) = 0;
  // Writes def's current value to the settings file as the new default.
  virtual void StoreDefault(PF_InData *in_data, const char *settingsPath);

  BaseParam(const BaseParam &) = delete;
  BaseParam &operator=(const BaseParam &) = delete;

  const char *name;
  PF_ParamDef def;
  A_long id = 0;
  A_long index;
  A_long recordOffset;
  A_long valueSize; // 0: the object carries no value (group start and end)

 protected:
  // Type and name of def (the name through the host's string copy).
  void BeginDef(PF_InData *in_data, PF_ParamType type, bool withName = true);
  // Sets the disk id and appends def to the host's parameters.
  PF_Err AddDef(PF_InData *in_data, A_long id);

 private:
  // def holds a definition checked out by a non-temporary read.
  bool checkedOut_ = false;
};

class ParamAddTopic : public BaseParam {
 public:
  ParamAddTopic(const char *name, const PF_ParamDef *tmpl);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
};

class ParamEndTopic : public BaseParam {
 public:
  ParamEndTopic();
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
};

class ParamAddPoint : public BaseParam {
 public:
  // Defaults in percent of the layer size, 16.16 fixed point.
  ParamAddPoint(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, PF_Fixed xDefault,
                PF_Fixed yDefault, bool restrictBounds);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;

  PF_Fixed xDefault, yDefault;
  A_u_char restrictBounds;
};

class ParamAddPopup : public BaseParam {
 public:
  ParamAddPopup(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, A_short numChoices,
                A_short defaultChoice, const char *choices);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
  void StoreDefault(PF_InData *in_data, const char *settingsPath) override;

  A_short numChoices;
  A_short defaultChoice; // 1-based
  const char *choices;   // entries separated by '|'
};

struct FloatSliderRange {
  A_FpShort validMin, validMax, sliderMin, sliderMax;
};

class ParamAddFloatSlider : public BaseParam {
 public:
  ParamAddFloatSlider(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, const FloatSliderRange &range,
                      A_FpShort defaultValue, A_short precision, PF_ValueDisplayFlags displayFlags,
                      bool wantPhase = false);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
  void StoreDefault(PF_InData *in_data, const char *settingsPath) override;

  A_FpShort validMin, validMax, sliderMin, sliderMax;
  A_FpShort defaultValue;
  A_short precision;
  PF_ValueDisplayFlags displayFlags;
  A_u_long wantPhase;
};

class ParamAddCheckbox : public BaseParam {
 public:
  ParamAddCheckbox(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, const char *label,
                   bool defaultOn, PF_ParamFlags extraFlags = 0);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
  void StoreDefault(PF_InData *in_data, const char *settingsPath) override;

  const char *label;
  A_u_char defaultOn;
  A_u_long extraFlags;
};

class ParamAddColor : public BaseParam {
 public:
  ParamAddColor(const char *name, A_long recordOffset, const PF_ParamDef *tmpl, const PF_Pixel &defaultColor);
  PF_Err AddToHost(PF_InData *in_data, A_long id, const char *settingsPath) override;
  void StoreDefault(PF_InData *in_data, const char *settingsPath) override;

  PF_Pixel defaultColor;
};
