// The effect's parameter set: the View popup, Master Blur Amount and four
// colour groups of eleven controls, built once into the parameter table;
// registration at parameter setup and the passes over the whole table.
#include "ParamSet.h"

#include <cstddef>

#include "EffectParamIds.h"
#include "ParamObjects.h"
#include "ParamTable.h"
#include "records/RenderSettings.h"
#include "settings/SettingsFile.h"

namespace {

// Each value lands in RenderSettings byte for byte: the record's fields have
// the sizes of the host values they mirror.
static_assert(sizeof(RenderSettings::view) == sizeof(A_long), "popup value");
static_assert(sizeof(RenderSettings::masterBlurAmount) == sizeof(A_FpLong), "float slider value");
static_assert(sizeof(GroupSettings::colorA) == 4 && sizeof(GroupSettings::colorB) == 4, "colour value");
static_assert(sizeof(GroupSettings::blurCenter) == 8, "point value");
static_assert(sizeof(GroupSettings::enable) == 1 && sizeof(GroupSettings::invert) == 1 &&
                  sizeof(GroupSettings::keepDivision) == 1,
              "checkbox value (low byte)");

constexpr const char *kViewChoices = "Normal|(-|Extract|Group 1|Group 2|Group 3|Group 4";
constexpr A_short kViewChoiceCount = 7;
constexpr A_short kViewNormal = 1;

struct GroupNames {
  const char *group, *enable, *blurCenter, *colorA, *colorB, *range, *blurAmount, *blurOffset, *softness,
      *softnessThreshold, *keepDivision, *invert;
};

#define VORTANE_GROUP_NAMES(n)                                                                                   \
  {                                                                                                              \
    "Color Group " #n, #n " : Enable Color Group", #n " : Blur Center", #n " : Color A", #n " : Color B",        \
        #n " : Range", #n " : Blur Amount", #n " : Blur Offset", #n " : Softness", #n " : Softness Threshold",  \
        #n " : Keep Division", #n " : Invert"                                                                    \
  }
const GroupNames kGroupNames[kColorGroupCount] = {VORTANE_GROUP_NAMES(1), VORTANE_GROUP_NAMES(2),
                                                  VORTANE_GROUP_NAMES(3), VORTANE_GROUP_NAMES(4)};
#undef VORTANE_GROUP_NAMES

constexpr PF_Pixel kDefaultColor = {255, 3, 180, 245}; // alpha, red, green, blue
constexpr PF_Fixed kLayerCentrePercent = 50 << 16;

constexpr FloatSliderRange kBlurLengthRange = {0.0f, 1000.0f, 0.0f, 100.0f};
constexpr FloatSliderRange kRangeRange = {0.0f, 100.0f, 0.0f, 50.0f};
constexpr FloatSliderRange kPercentRange = {0.0f, 100.0f, 0.0f, 100.0f};
constexpr FloatSliderRange kSoftnessRange = {0.0f, 100.0f, 0.0f, 10.0f};
constexpr A_short kOneDecimal = 1;

void AddParam(BaseParam *object, A_long id) {
  object->id = id;
  ParamTable::Add(object);
}

} // namespace

void DefineParams(PF_InData *) {
  ParamTable::Clear();

  // Everything starts collapsed except the first colour group (and the group
  // ends, which take an all-zero definition of their own).
  PF_ParamDef collapsed{};
  collapsed.flags = PF_ParamFlag_START_COLLAPSED;
  PF_ParamDef open{};

  AddParam(new ParamAddPopup("View", offsetof(RenderSettings, view), &collapsed, kViewChoiceCount, kViewNormal,
                             kViewChoices),
           kIdView);
  AddParam(new ParamAddFloatSlider("Master Blur Amount", offsetof(RenderSettings, masterBlurAmount), &collapsed,
                                   kBlurLengthRange, 0.0f, kOneDecimal, PF_ValueDisplayFlag_NONE),
           kIdMasterBlurAmount);

  for (int g = 0; g < kColorGroupCount; ++g) {
    const GroupNames &n = kGroupNames[g];
    const A_long base = ColorGroupIdBase(g + 1);
    const bool first = g == 0;
#define FIELD(member) static_cast<A_long>(VORTANE_GROUP_FIELD_OFFSET(g, member))
    AddParam(new ParamAddTopic(n.group, first ? &open : &collapsed), base + kGroupStartId);
    AddParam(new ParamAddCheckbox(n.enable, FIELD(enable), &collapsed, "", first), base + kEnableId);
    AddParam(new ParamAddPoint(n.blurCenter, FIELD(blurCenter), &collapsed, kLayerCentrePercent,
                               kLayerCentrePercent, false),
             base + kBlurCenterId);
    AddParam(new ParamAddColor(n.colorA, FIELD(colorA), &collapsed, kDefaultColor), base + kColorAId);
    AddParam(new ParamAddColor(n.colorB, FIELD(colorB), &collapsed, kDefaultColor), base + kColorBId);
    AddParam(new ParamAddFloatSlider(n.range, FIELD(range), &collapsed, kRangeRange, 0.0f, kOneDecimal,
                                     PF_ValueDisplayFlag_PERCENT),
             base + kRangeId);
    AddParam(new ParamAddFloatSlider(n.blurAmount, FIELD(blurAmount), &collapsed, kBlurLengthRange, 10.0f,
                                     kOneDecimal, PF_ValueDisplayFlag_NONE),
             base + kBlurAmountId);
    AddParam(new ParamAddFloatSlider(n.blurOffset, FIELD(blurOffset), &collapsed, kPercentRange, 0.0f,
                                     kOneDecimal, PF_ValueDisplayFlag_PERCENT),
             base + kBlurOffsetId);
    AddParam(new ParamAddFloatSlider(n.softness, FIELD(softness), &collapsed, kSoftnessRange, 10.0f, kOneDecimal,
                                     PF_ValueDisplayFlag_NONE),
             base + kSoftnessId);
    AddParam(new ParamAddFloatSlider(n.softnessThreshold, FIELD(softnessThreshold), &collapsed, kPercentRange,
                                     50.0f, kOneDecimal, PF_ValueDisplayFlag_PERCENT),
             base + kSoftnessThresholdId);
    AddParam(new ParamAddCheckbox(n.keepDivision, FIELD(keepDivision), &collapsed, "", true),
             base + kKeepDivisionId);
    AddParam(new ParamAddCheckbox(n.invert, FIELD(invert), &collapsed, "", false), base + kInvertId);
    AddEndTopic(base + kGroupEndId);
#undef FIELD
  }

  ParamTable::Finish();
}

PF_Err RegisterParams(PF_InData *in_data, PF_OutData *out_data) {
  char pathBuffer[kSettingsPathSize];
  const char *path = nullptr;
  if (IsOldHost(in_data)) {
    SetSettingsSection("");
  } else {
    // Without a usable path (no application-data folder, or a path too long
    // for its buffer) the built-in defaults are registered.
    if (GetSettingsFilePath(pathBuffer)) path = pathBuffer;
    SetSettingsSection(kSettingsSectionName);
  }
  const PF_Err err =
      ParamTable::Walk([&](BaseParam &object) { return object.AddToHost(in_data, object.id, path); });
  out_data->num_params = NextParamIndex;
  return err;
}

void DestroyParams() { ParamTable::Clear(); }

PF_Err ReadParams(RenderSettings *record, ParamGetter &getter) {
  return ParamTable::Walk([&](BaseParam &object) { return object.ReadValue(record, getter); });
}

PF_Err ReleaseParams(ParamGetter &getter) {
  // Every checked-out definition goes back, also after a failed check-in;
  // the first error is reported.
  PF_Err first = PF_Err_NONE;
  ParamTable::Walk([&](BaseParam &object) {
    const PF_Err err = object.ReleaseValue(getter);
    if (first == PF_Err_NONE) first = err;
    return PF_Err_NONE;
  });
  return first;
}

void StoreParamDefaults(PF_InData *in_data, const char *settingsPath) {
  ParamTable::Walk([&](BaseParam &object) {
    object.StoreDefault(in_data, settingsPath);
    return PF_Err_NONE;
  });
}

A_long ParamCountWithLayer() {
  const BaseParam *last = ParamTable::InIndexOrder(ParamTable::Count() - 1);
  return last ? last->index + 1 : 1;
}
