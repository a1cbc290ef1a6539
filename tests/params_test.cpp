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

const PF_ParamDef &Registered(const vemu::Host &host, const std::string &name) {
  const int index = host.findParam(name);
  EXPECT_GT(index, 0) << name;
  return host.registeredParams().at(static_cast<size_t>(index - 1));
}

// The layout of the effect's controls: two global parameters, then four
// groups of thirteen host parameters each, checked on the host's record and
// in the table that finds a host index by disk id.
void ExpectLayout(const vemu::Host &host) {
  EXPECT_EQ(host.outData().num_params, 55);
  const std::vector<PF_ParamDef> &defs = host.registeredParams();
  ASSERT_EQ(defs.size(), 54u);
  struct Row {
    A_long id; // for groups, added to 50 * g
    const char *name;
    PF_ParamType type;
  };
  const Row global[] = {{1, "View", PF_Param_POPUP}, {3, "Master Blur Amount", PF_Param_FLOAT_SLIDER}};
  const Row group[] = {{0, "Color Group N", PF_Param_GROUP_START},   {2, "N : Enable Color Group", PF_Param_CHECKBOX},
                       {3, "N : Blur Center", PF_Param_POINT},       {4, "N : Color A", PF_Param_COLOR},
                       {5, "N : Color B", PF_Param_COLOR},           {6, "N : Range", PF_Param_FLOAT_SLIDER},
                       {7, "N : Blur Amount", PF_Param_FLOAT_SLIDER}, {8, "N : Blur Offset", PF_Param_FLOAT_SLIDER},
                       {11, "N : Softness", PF_Param_FLOAT_SLIDER},   {12, "N : Softness Threshold", PF_Param_FLOAT_SLIDER},
                       {15, "N : Keep Division", PF_Param_CHECKBOX}, {16, "N : Invert", PF_Param_CHECKBOX},
                       {1, "", PF_Param_GROUP_END}};
  for (int index = 1; index <= 54; ++index) {
    const int g = (index - 3) / 13 + 1;
    const Row &r = index <= 2 ? global[index - 1] : group[(index - 3) % 13];
    const A_long id = index <= 2 ? r.id : 50 * g + r.id;
    const bool open = r.type == PF_Param_GROUP_END || (r.type == PF_Param_GROUP_START && g == 1);
    const PF_ParamDef &d = defs[static_cast<size_t>(index - 1)];
    SCOPED_TRACE(index);
    EXPECT_EQ(d.uu.id, id);
    EXPECT_EQ(d.name, index <= 2 ? std::string(r.name) : WithDigit(r.name, g));
    EXPECT_EQ(d.param_type, r.type);
    EXPECT_EQ(d.flags, open ? 0 : kCollapsed);
    EXPECT_EQ(d.ui_flags, 0);
    EXPECT_EQ(ParamTable::FindIndexById(id), index);
    EXPECT_EQ(ParamTable::InIndexOrder(index - 1)->index, index);
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
    ExpectLayout(*host);
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

TEST_F(ParamsTest, BuiltInDefaultsRangesAndDisplay) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  const PF_PopupDef &view = Registered(*host, "View").u.pd;
  EXPECT_EQ(view.num_choices, 7);
  EXPECT_EQ(view.dephault, 1);
  // Six entries and the divider "(-"; "Extract" is value 3, "Group 2" value 5.
  EXPECT_EQ(host->registeredChoiceTexts().at(0), "Normal|(-|Extract|Group 1|Group 2|Group 3|Group 4");

  struct Slider {
    const char *name; // "N" stands for the group digit
    float validMax, sliderMax, value;
    PF_ValueDisplayFlags display;
  } sliders[] = {{"Master Blur Amount", 1000, 100, 0, 0},
                 {"N : Range", 100, 50, 0, PF_ValueDisplayFlag_PERCENT},
                 {"N : Blur Amount", 1000, 100, 10, 0},
                 {"N : Blur Offset", 100, 100, 0, PF_ValueDisplayFlag_PERCENT},
                 {"N : Softness", 100, 10, 10, 0},
                 {"N : Softness Threshold", 100, 100, 50, PF_ValueDisplayFlag_PERCENT}};
  for (int g = 1; g <= 4; ++g) {
    SCOPED_TRACE(g);
    for (const Slider &s : sliders) {
      const PF_FloatSliderDef &fs = Registered(*host, WithDigit(s.name, g)).u.fs_d;
      EXPECT_EQ(fs.valid_min, 0.0f) << s.name;
      EXPECT_EQ(fs.slider_min, 0.0f) << s.name;
      EXPECT_EQ(fs.valid_max, s.validMax) << s.name;
      EXPECT_EQ(fs.slider_max, s.sliderMax) << s.name;
      EXPECT_EQ(fs.value, s.value) << s.name;
      EXPECT_EQ(fs.dephault, s.value) << s.name;
      EXPECT_EQ(fs.precision, 1) << s.name;
      EXPECT_EQ(fs.display_flags, s.display) << s.name;
      EXPECT_EQ(fs.fs_flags & PF_FSliderFlag_WANT_PHASE, 0u) << s.name;
      EXPECT_EQ(fs.curve_tolerance, 0.05f) << s.name;
    }
    const struct {
      const char *name;
      bool on;
    } boxes[] = {{"N : Enable Color Group", g == 1}, {"N : Keep Division", true}, {"N : Invert", false}};
    for (const auto &b : boxes) {
      const PF_CheckBoxDef &box = Registered(*host, WithDigit(b.name, g)).u.bd;
      EXPECT_EQ(box.value, b.on ? 1 : 0) << b.name;
      EXPECT_EQ(box.dephault, b.on ? 1 : 0) << b.name;
      ASSERT_NE(box.u.nameptr, nullptr);
      EXPECT_STREQ(box.u.nameptr, "");
    }
    for (const char *color : {"N : Color A", "N : Color B"}) {
      const PF_ColorDef &c = Registered(*host, WithDigit(color, g)).u.cd;
      const A_u_char expected[4] = {255, 3, 180, 245}; // alpha, red, green, blue
      EXPECT_EQ(std::memcmp(&c.value, expected, 4), 0) << color;
      EXPECT_EQ(std::memcmp(&c.dephault, expected, 4), 0) << color;
    }
    const PF_PointDef &center = Registered(*host, WithDigit("N : Blur Center", g)).u.td;
    for (PF_Fixed v : {center.x_dephault, center.y_dephault, center.x_value, center.y_value}) EXPECT_EQ(v, 50 << 16);
    EXPECT_EQ(center.restrict_bounds, 0);
  }
}

// Registration arithmetic of single objects, against the host's record of
// add_param.
TEST_F(ParamsTest, ObjectsRoundDefaultsAsTheHostTakesThem) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  // A point's percentage loses its fraction bits: 50.5 becomes 50.0.
  ParamAddPoint point("P", 0, nullptr, static_cast<PF_Fixed>(50.5 * 65536), static_cast<PF_Fixed>(25.75 * 65536),
                      true);
  // A float slider's default is single precision in value and default.
  ParamAddFloatSlider slider("S", 0, nullptr, {0, 100, 0, 100}, 12.3456789f, 3, PF_ValueDisplayFlag_PIXEL, true);
  // A colour is always registered opaque.
  ParamAddColor color("C", 0, nullptr, PF_Pixel{0, 10, 20, 30});
  ParamAddCheckbox box("B", 0, nullptr, "label", true, PF_ParamFlag_CANNOT_TIME_VARY);
  ParamAddPopup popup("U", 0, nullptr, 3, 2, "a|b|c");
  ParamEndTopic end;
  BaseParam *objects[] = {&point, &slider, &color, &box, &popup, &end};
  A_long id = 900;
  for (BaseParam *object : objects) ASSERT_EQ(object->AddToHost(call.in(), id++, nullptr), PF_Err_NONE);

  const std::vector<PF_ParamDef> &defs = host->registeredParams();
  ASSERT_EQ(defs.size(), 6u);
  for (size_t i = 0; i < defs.size(); ++i) EXPECT_EQ(defs[i].uu.id, static_cast<A_long>(900 + i));
  const PF_PointDef &p = defs[0].u.td;
  EXPECT_EQ(p.x_dephault, 50 << 16);
  EXPECT_EQ(p.x_value, 50 << 16);
  EXPECT_EQ(p.y_dephault, 25 << 16);
  EXPECT_EQ(p.y_value, 25 << 16);
  EXPECT_EQ(p.restrict_bounds, 1);
  const PF_FloatSliderDef &s = defs[1].u.fs_d;
  EXPECT_EQ(s.dephault, 12.345679f);
  EXPECT_EQ(s.value, static_cast<double>(12.345679f));
  EXPECT_EQ(s.precision, 3);
  EXPECT_EQ(s.display_flags, PF_ValueDisplayFlag_PIXEL);
  EXPECT_EQ(s.fs_flags & PF_FSliderFlag_WANT_PHASE, static_cast<PF_FSliderFlags>(PF_FSliderFlag_WANT_PHASE));
  EXPECT_EQ(defs[2].u.cd.value.alpha, 255);
  EXPECT_EQ(defs[2].u.cd.dephault.alpha, 255);
  EXPECT_EQ(defs[2].u.cd.value.blue, 30);
  EXPECT_EQ(defs[3].flags, PF_ParamFlag_CANNOT_TIME_VARY);
  EXPECT_STREQ(defs[3].u.bd.u.nameptr, "label");
  EXPECT_STREQ(defs[3].name, "B");
  EXPECT_EQ(defs[4].u.pd.value, 2);
  EXPECT_EQ(defs[4].u.pd.num_choices, 3);
  EXPECT_EQ(defs[5].param_type, PF_Param_GROUP_END);
  EXPECT_STREQ(defs[5].name, "");
  // These objects took host indices; later tests of the same process get the
  // effect's own numbering again.
  DefineParams(nullptr);
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

// Value-carrying parameters before "2 : Color A": the global two and group
// 1's eleven, then group 2's checkbox and centre.
constexpr int kValuesBeforeColorA2 = 15;

TEST_F(ParamsTest, FailedCheckoutStopsReadingAndLeavesLaterFieldsAlone) {
  const RenderSettings fresh;
  for (bool temporary : {true, false}) {
    SCOPED_TRACE(temporary);
    auto host = vtest::MakeHost();
    vtest::ApplyEffect(*host);
    host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
    host->setPoint(host->findParam("2 : Blur Center"), 10.0, 20.0);
    host->injectFault(vemu::Fault::CheckoutParam, PF_Err_INVALID_INDEX, kValuesBeforeColorA2);
    vemu::Host::DirectCall call(*host);
    RenderSettings record;
    GetParamByCheckout getter(call.in(), temporary);
    EXPECT_EQ(ReadParams(&record, getter), PF_Err_INVALID_INDEX);
    EXPECT_EQ(record.groups[0].blurAmount, 10.0);
    GroupSettings &g2 = record.groups[1];
    EXPECT_EQ(g2.enable, 1); // read before the failure
    EXPECT_EQ(g2.blurCenter.x, 10 << 16);
    // Nothing from "2 : Color A" on was written.
    g2.enable = 0;
    g2.blurCenter = fresh.groups[1].blurCenter;
    EXPECT_EQ(std::memcmp(&record.groups[1], &fresh.groups[1], 3 * sizeof(GroupSettings)), 0);
    // Only what was checked out goes back: nothing more, nothing less.
    EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
    EXPECT_EQ(host->counters().paramCheckins, host->counters().paramCheckouts);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(ParamsTest, FailedCheckinStillReleasesTheRestAndReportsTheError) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  vemu::Host::DirectCall call(*host);
  GetParamByCheckout getter(call.in(), false);
  ASSERT_EQ(ReadParams(nullptr, getter), PF_Err_NONE);
  host->injectFault(vemu::Fault::CheckinParam, PF_Err_BAD_CALLBACK_PARAM, 3, true);
  EXPECT_EQ(ReleaseParams(getter), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->counters().paramCheckins, 45); // every object but the refused one
  // A second pass hands back nothing already returned.
  EXPECT_EQ(ReleaseParams(getter), PF_Err_NONE);
  EXPECT_EQ(host->counters().paramCheckins, 45);
}

TEST_F(ParamsTest, ClassicRenderWithFailedCheckoutRendersNothingAndChecksEverythingIn) {
  auto host = vtest::MakeHost();
  host->setLayerSize(16, 8);
  vtest::ApplyEffect(*host);
  host->injectFault(vemu::Fault::CheckoutParam, PF_Err_OUT_OF_MEMORY, kValuesBeforeColorA2);
  vemu::Image input(16, 8, PF_PixelFormat_ARGB32);
  vemu::Image output(16, 8, PF_PixelFormat_ARGB32);
  const A_u_char sentinel[4] = {7, 8, 9, 10};
  output.fillBytes(sentinel);
  const std::vector<uint8_t> before = output.pixelBytes();
  EXPECT_EQ(host->renderClassic(input, output), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(output.pixelBytes(), before);
  EXPECT_EQ(host->counters().paramCheckouts, kValuesBeforeColorA2);
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
