// The effect's 54 parameters as the host sees them (indices, ids, names,
// defaults, flags), the table, the set rebuilt after global setdown, and
// reading values into RenderSettings with every checkout checked back in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "params/ParamObjects.h"
#include "params/ParamSet.h"
#include "params/ParamTable.h"
#include "records/RenderSettings.h"

namespace {

constexpr PF_ParamFlags kCollapsed = PF_ParamFlag_START_COLLAPSED;

// Every test reads settings from an empty folder of its own, never from the
// user's real configuration.
class ParamsTest : public testing::Test {
 private:
  vtest::SettingsSandbox sandbox_;
};

std::string WithDigit(const char *pattern, int g) {
  std::string s = pattern;
  const size_t at = s.find('N');
  if (at != std::string::npos) s[at] = static_cast<char>('0' + g);
  return s;
}

// The layout of the effect's controls, checked on the host's record of
// add_param and in the table that finds a host index by disk id: two global
// parameters, then four groups of thirteen host parameters each.
void ExpectRegistration(const vemu::Host &host) {
  EXPECT_EQ(host.outData().num_params, 55);
  const std::vector<PF_ParamDef> &defs = host.registeredParams();
  ASSERT_EQ(defs.size(), 54u);
  EXPECT_EQ(host.registeredChoiceTexts().at(0), "Normal|(-|Extract|Group 1|Group 2|Group 3|Group 4");
  struct Row {
    A_long id; // in a group, added to 50 * g
    const char *name;
    PF_ParamType type;
    double value;        // default: a slider's, a checkbox's (-1: group 1 only), a popup's
    float validMax, sliderMax; // of a slider
    bool percent;
  };
  const Row global[] = {{1, "View", PF_Param_POPUP, 1}, {3, "Master Blur Amount", PF_Param_FLOAT_SLIDER, 0, 1000, 100}};
  const Row group[] = {{0, "Color Group N", PF_Param_GROUP_START},
                       {2, "N : Enable Color Group", PF_Param_CHECKBOX, -1},
                       {3, "N : Blur Center", PF_Param_POINT},
                       {4, "N : Color A", PF_Param_COLOR},
                       {5, "N : Color B", PF_Param_COLOR},
                       {6, "N : Range", PF_Param_FLOAT_SLIDER, 0, 100, 50, true},
                       {7, "N : Blur Amount", PF_Param_FLOAT_SLIDER, 10, 1000, 100},
                       {8, "N : Blur Offset", PF_Param_FLOAT_SLIDER, 0, 100, 100, true},
                       {11, "N : Softness", PF_Param_FLOAT_SLIDER, 10, 100, 10},
                       {12, "N : Softness Threshold", PF_Param_FLOAT_SLIDER, 50, 100, 100, true},
                       {15, "N : Keep Division", PF_Param_CHECKBOX, 1},
                       {16, "N : Invert", PF_Param_CHECKBOX, 0},
                       {1, "", PF_Param_GROUP_END}};
  const A_u_char color[4] = {255, 3, 180, 245}; // alpha, red, green, blue
  for (int index = 1; index <= 54; ++index) {
    SCOPED_TRACE(index);
    const int g = (index - 3) / 13 + 1;
    const Row &r = index <= 2 ? global[index - 1] : group[(index - 3) % 13];
    const A_long id = index <= 2 ? r.id : 50 * g + r.id;
    const PF_ParamDef &d = defs[static_cast<size_t>(index - 1)];
    EXPECT_EQ(d.uu.id, id);
    EXPECT_EQ(d.name, WithDigit(r.name, g));
    EXPECT_EQ(d.param_type, r.type);
    const bool open = r.type == PF_Param_GROUP_END || (r.type == PF_Param_GROUP_START && g == 1);
    EXPECT_EQ(d.flags, open ? 0 : kCollapsed);
    EXPECT_EQ(d.ui_flags, 0);
    EXPECT_EQ(ParamTable::FindIndexById(id), index);
    EXPECT_EQ(ParamTable::InIndexOrder(index - 1)->index, index);
    if (r.type == PF_Param_FLOAT_SLIDER) {
      const PF_FloatSliderDef &fs = d.u.fs_d;
      EXPECT_EQ(fs.value, r.value);
      EXPECT_EQ(fs.dephault, r.value);
      EXPECT_EQ(fs.valid_min, 0.0f);
      EXPECT_EQ(fs.slider_min, 0.0f);
      EXPECT_EQ(fs.valid_max, r.validMax);
      EXPECT_EQ(fs.slider_max, r.sliderMax);
      EXPECT_EQ(fs.precision, 1);
      EXPECT_EQ(fs.display_flags, r.percent ? PF_ValueDisplayFlag_PERCENT : 0);
      EXPECT_EQ(fs.fs_flags & PF_FSliderFlag_WANT_PHASE, 0u);
      EXPECT_EQ(fs.curve_tolerance, 0.05f);
    } else if (r.type == PF_Param_CHECKBOX) {
      const int on = r.value < 0 ? g == 1 : static_cast<int>(r.value);
      EXPECT_EQ(d.u.bd.value, on);
      EXPECT_EQ(d.u.bd.dephault, on);
      ASSERT_NE(d.u.bd.u.nameptr, nullptr);
      EXPECT_STREQ(d.u.bd.u.nameptr, "");
    } else if (r.type == PF_Param_COLOR) {
      EXPECT_EQ(std::memcmp(&d.u.cd.value, color, 4), 0);
      EXPECT_EQ(std::memcmp(&d.u.cd.dephault, color, 4), 0);
    } else if (r.type == PF_Param_POINT) {
      const PF_PointDef &p = d.u.td;
      for (PF_Fixed v : {p.x_dephault, p.y_dephault, p.x_value, p.y_value}) EXPECT_EQ(v, 50 << 16);
      EXPECT_EQ(p.restrict_bounds, 0);
    } else if (r.type == PF_Param_POPUP) {
      EXPECT_EQ(d.u.pd.num_choices, 7);
      EXPECT_EQ(d.u.pd.dephault, 1);
      EXPECT_EQ(d.u.pd.value, 1);
    }
  }
  EXPECT_EQ(ParamTable::InIndexOrder(54), nullptr);
  EXPECT_EQ(ParamTable::Count(), 54);
  for (A_long unused : {0, 2, 9, 49, 59, 60, 63, 64, 67, 109, 213, 1000, -1})
    EXPECT_EQ(ParamTable::FindIndexById(unused), 0) << unused;
}

TEST_F(ParamsTest, HostReceives54ParametersAndAgainAfterGlobalSetdown) {
  ParamTable::Clear();
  EXPECT_EQ(ParamTable::FindIndexById(1), 0);
  auto host = vtest::MakeHost();
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
    ASSERT_EQ(host->paramsSetup(), PF_Err_NONE);
    ExpectRegistration(*host);
    ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
  }
  EXPECT_EQ(host->leaks(), "");

  // An error from the host's add_param stops registration and is returned.
  auto failing = vtest::MakeHost();
  failing->injectFault(vemu::Fault::AddParam, PF_Err_OUT_OF_MEMORY, 5);
  EXPECT_EQ(failing->paramsSetup(), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(failing->registeredParams().size(), 5u);
  EXPECT_EQ(failing->outData().num_params, 55);
}

// ---- reading values ----

// Sets a recognisable value on every kind of parameter.
void SetDistinctValues(vemu::Host &host) {
  host.setPopup(host.findParam("View"), 5);
  host.setFloat(host.findParam("Master Blur Amount"), 4.5);
  host.setCheckbox(host.findParam("2 : Enable Color Group"), false);
  host.setColor(host.findParam("1 : Color A"), 255, 0, 0);
  host.setColor(host.findParam("1 : Color B"), 1, 2, 3);
  host.setFloat(host.findParam("1 : Range"), 12.5);
  host.setFloat(host.findParam("1 : Blur Amount"), 33.0);
  host.setFloat(host.findParam("1 : Blur Offset"), 20.0);
  host.setFloat(host.findParam("1 : Softness"), 2.5);
  host.setFloat(host.findParam("1 : Softness Threshold"), 75.0);
  host.setCheckbox(host.findParam("1 : Keep Division"), false);
  host.setCheckbox(host.findParam("1 : Invert"), true);
  host.setPoint(host.findParam("1 : Blur Center"), 100.0, 60.0);
  host.setFloat(host.findParam("4 : Softness"), 7.5);
}

void ExpectDistinctValues(const RenderSettings &r) {
  EXPECT_EQ(r.view, 5);
  EXPECT_EQ(r.masterBlurAmount, 4.5);
  const GroupSettings &g = r.groups[0];
  EXPECT_EQ(g.enable, 1);
  EXPECT_EQ(r.groups[1].enable, 0);
  const A_u_char red[4] = {255, 255, 0, 0}; // alpha first
  EXPECT_EQ(std::memcmp(&g.colorA, red, 4), 0);
  const A_u_char colorB[4] = {255, 1, 2, 3};
  EXPECT_EQ(std::memcmp(&g.colorB, colorB, 4), 0);
  EXPECT_EQ(g.range, 12.5);
  EXPECT_EQ(g.blurAmount, 33.0);
  EXPECT_EQ(g.blurOffset, 20.0);
  EXPECT_EQ(g.softness, 2.5);
  EXPECT_EQ(g.softnessThreshold, 75.0);
  EXPECT_EQ(g.keepDivision, 0);
  EXPECT_EQ(g.invert, 1);
  // Half resolution: the host reports the point at half its layer position.
  EXPECT_EQ(g.blurCenter.x, 50 << 16);
  EXPECT_EQ(g.blurCenter.y, 30 << 16);
  EXPECT_EQ(r.groups[3].softness, 7.5);
  // Defaults of an untouched group, and the members no parameter fills.
  EXPECT_EQ(r.groups[2].blurAmount, 10.0);
  EXPECT_EQ(r.groups[2].softnessThreshold, 50.0);
  EXPECT_EQ(r.groups[2].keepDivision, 1);
  EXPECT_EQ(r.groups[2].blurCenter.x, 100 << 16); // the layer's centre, 400 x 200 at half resolution
  EXPECT_EQ(r.groups[2].blurCenter.y, 50 << 16);
  for (const GroupSettings &each : r.groups) EXPECT_EQ(each.present, 1);
  EXPECT_EQ(r.spare, 1.5);
}

TEST_F(ParamsTest, ValuesReachTheRecordInEveryReadingMode) {
  auto host = vtest::MakeHost();
  host->setLayerSize(400, 200);
  host->setDownsample(1, 2, 1, 2);
  vtest::ApplyEffect(*host);
  SetDistinctValues(*host);
  vemu::Host::DirectCall call(*host);
  {
    // Temporary copies (smart pre-render): each goes back at once.
    RenderSettings record;
    GetParamByCheckout getter(call.in(), true);
    ASSERT_EQ(ReadParams(&record, getter), PF_Err_NONE);
    ExpectDistinctValues(record);
    EXPECT_EQ(host->counters().paramCheckouts, 46); // group starts and ends carry no value
    EXPECT_EQ(host->counters().paramCheckins, 46);
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host->counters().paramCheckins, 46);
  }
  {
    // The objects' own definitions (classic render): released by the pass.
    RenderSettings record;
    GetParamByCheckout getter(call.in(), false);
    ASSERT_EQ(ReadParams(&record, getter), PF_Err_NONE);
    ExpectDistinctValues(record);
    EXPECT_EQ(host->outstandingParams(), 46);
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host->outstandingParams(), 0);
    EXPECT_EQ(ParamTable::InIndexOrder(0)->def.u.pd.value, 5); // the object's definition was refreshed
  }
  {
    // The command's array (options dialog): no host call at all.
    const long checkouts = host->counters().paramCheckouts;
    RenderSettings record;
    GetParamFromArray getter(host->paramArray());
    ASSERT_EQ(ReadParams(&record, getter), PF_Err_NONE);
    ExpectDistinctValues(record);
    ASSERT_EQ(ReadParams(nullptr, getter), PF_Err_NONE);
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host->counters().paramCheckouts, checkouts);
  }
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
