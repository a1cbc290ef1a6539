// The effect's 54 parameters as the host sees them (ids, names, defaults,
// flags) and their table, and the UI updates: each group's ten controls follow
// its checkbox, through the suite version the host's release asks for.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <map>
#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "params/ParamObjects.h"
#include "params/ParamSet.h"
#include "params/ParamTable.h"
#include "params/UpdateGroupControls.h"

namespace {

constexpr PF_ParamFlags kCollapsed = PF_ParamFlag_START_COLLAPSED;

// Every test reads settings from an empty folder of its own, never from the
// user's real configuration.
class ParamsTest : public testing::Test {
 private:
  vtest::SettingsSandbox sandbox_;
};

// What the host recorded of one add_param after its name and id: flags, UI
// flags, then the fields of its kind (value and default, and a slider's valid
// and slider ranges, precision, display flags, phase flag and tolerance).
std::string Describe(const PF_ParamDef &d) {
  std::ostringstream s;
  s << "flags " << d.flags << " ui " << d.ui_flags;
  const PF_FloatSliderDef &f = d.u.fs_d;
  const PF_PointDef &p = d.u.td;
  if (d.param_type == PF_Param_POPUP)
    s << " popup " << d.u.pd.value << "/" << d.u.pd.dephault << " of " << d.u.pd.num_choices;
  if (d.param_type == PF_Param_CHECKBOX)
    s << " box " << d.u.bd.value << "/" << +d.u.bd.dephault << " '" << d.u.bd.u.nameptr << "'";
  if (d.param_type == PF_Param_POINT)
    s << " point " << p.x_value << "," << p.y_value << "/" << p.x_dephault << "," << p.y_dephault << " r"
      << +p.restrict_bounds;
  if (d.param_type == PF_Param_COLOR) // value then default, alpha first
    for (const PF_Pixel *c : {&d.u.cd.value, &d.u.cd.dephault})
      for (int i = 0; i < 4; ++i) s << (i ? "," : " ") << +reinterpret_cast<const A_u_char *>(c)[i];
  if (d.param_type == PF_Param_FLOAT_SLIDER)
    s << " slider " << f.value << "/" << f.dephault << " " << f.valid_min << ".." << f.valid_max << " " << f.slider_min
      << ".." << f.slider_max << " p" << f.precision << " d" << f.display_flags << " ph"
      << (f.fs_flags & PF_FSliderFlag_WANT_PHASE) << " t" << f.curve_tolerance;
  if (d.param_type == PF_Param_GROUP_START) s << " group";
  if (d.param_type == PF_Param_GROUP_END) s << " end";
  return s.str();
}

// The layout of the effect's controls, checked on the host's record of
// add_param and in the table that finds a host index by disk id: two global
// parameters, then four groups of thirteen host parameters each. "N" is the
// group's digit; group 1 alone starts open ("@": 0 there, else collapsed, 32)
// and enabled ("!": 1 there, else 0). 3276800 is 50 % in 16.16.
void ExpectRegistration(const vemu::Host &host) {
  EXPECT_EQ(host.outData().num_params, 55);
  ASSERT_EQ(host.registeredParams().size(), 54u);
  EXPECT_EQ(host.registeredChoiceTexts().at(0), "Normal|(-|Extract|Group 1|Group 2|Group 3|Group 4");
  const struct {
    A_long id; // in a group, added to 50 * g
    const char *name, *description;
  } global[] = {{1, "View", "flags 32 ui 0 popup 1/1 of 7"},
                {3, "Master Blur Amount", "flags 32 ui 0 slider 0/0 0..1000 0..100 p1 d0 ph0 t0.05"}},
    group[] = {{0, "Color Group N", "flags @ ui 0 group"},
               {2, "N : Enable Color Group", "flags 32 ui 0 box !/! ''"},
               {3, "N : Blur Center", "flags 32 ui 0 point 3276800,3276800/3276800,3276800 r0"},
               {4, "N : Color A", "flags 32 ui 0 255,3,180,245 255,3,180,245"},
               {5, "N : Color B", "flags 32 ui 0 255,3,180,245 255,3,180,245"},
               {6, "N : Range", "flags 32 ui 0 slider 0/0 0..100 0..50 p1 d1 ph0 t0.05"},
               {7, "N : Blur Amount", "flags 32 ui 0 slider 10/10 0..1000 0..100 p1 d0 ph0 t0.05"},
               {8, "N : Blur Offset", "flags 32 ui 0 slider 0/0 0..100 0..100 p1 d1 ph0 t0.05"},
               {11, "N : Softness", "flags 32 ui 0 slider 10/10 0..100 0..10 p1 d0 ph0 t0.05"},
               {12, "N : Softness Threshold", "flags 32 ui 0 slider 50/50 0..100 0..100 p1 d1 ph0 t0.05"},
               {15, "N : Keep Division", "flags 32 ui 0 box 1/1 ''"},
               {16, "N : Invert", "flags 32 ui 0 box 0/0 ''"},
               {1, "", "flags 0 ui 0 end"}};
  for (int index = 1; index <= 54; ++index) {
    const int g = (index - 3) / 13 + 1;
    const auto &r = index <= 2 ? global[index - 1] : group[(index - 3) % 13];
    const A_long id = index <= 2 ? r.id : 50 * g + r.id;
    std::string expected = std::to_string(id) + " " + r.name + ": " + r.description;
    for (size_t at; (at = expected.find_first_of("N@!")) != std::string::npos;)
      expected.replace(at, 1, expected[at] == 'N' ? std::to_string(g) : expected[at] == '@' ? (g == 1 ? "0" : "32")
                                                                                          : (g == 1 ? "1" : "0"));
    const PF_ParamDef &d = host.registeredParams()[static_cast<size_t>(index - 1)];
    EXPECT_EQ(std::to_string(d.uu.id) + " " + d.name + ": " + Describe(d), expected);
    EXPECT_EQ(ParamTable::FindIndexById(id), index) << id;
    EXPECT_EQ(ParamTable::InIndexOrder(index - 1)->index, index);
  }
  EXPECT_EQ(ParamTable::InIndexOrder(54), nullptr);
  for (A_long unused : {0, 2, 9, 49, 59, 60, 63, 64, 67, 109, 213, 1000, -1})
    EXPECT_EQ(ParamTable::FindIndexById(unused), 0) << unused;
}

TEST_F(ParamsTest, HostReceives54ParametersAndAgainAfterGlobalSetdownAndErrorsAreReturned) {
  auto host = vtest::MakeHost();
  // The set is built at the first call after global setdown; renders earlier
  // in this process check values out into it.
  ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
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

  // A refused check-in is reported, and the other definitions still go back.
  auto reader = vtest::AppliedHost();
  vemu::Host::DirectCall call(*reader);
  GetParamByCheckout getter(call.in(), false);
  ASSERT_EQ(ReadParams(nullptr, getter), PF_Err_NONE);
  reader->injectFault(vemu::Fault::CheckinParam, PF_Err_BAD_CALLBACK_PARAM, 3, true);
  EXPECT_EQ(ReleaseParams(getter), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(reader->counters().paramCheckins, 45); // of the 46 that carry a value
}

// ---- UI updates: each group's ten controls follow its checkbox ----

TEST_F(ParamsTest, ControlsFollowTheirGroupCheckboxAndNothingElseChanges) {
  auto host = vtest::AppliedHost();
  // A flag the plug-in does not own travels unchanged.
  const int center1 = host->findParam("1 : Blur Center");
  host->paramValue(center1).ui_flags = PF_PUI_ECW_SEPARATOR | PF_PUI_DISABLED;

  // Each call sends 40 updates: groups in order, each group's controls in
  // this order, each the host's definition with the disabled bit set exactly
  // for the groups that are off.
  static const char *const kSwitched[] = {"Blur Center", "Invert", "Color B", "Range", "Blur Amount", "Blur Offset",
                                          "Softness", "Softness Threshold", "Keep Division", "Color A"};
  const bool rounds[][4] = {{true, false, false, false}, {true, false, true, false}, {false, true, false, true},
                            {true, false, false, false}};
  for (const bool *on : rounds) {
    for (int g = 1; g <= 4; ++g)
      host->setCheckbox(host->findParam(std::to_string(g) + " : Enable Color Group"), on[g - 1]);
    host->resetLogs();
    ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
    const std::vector<vemu::ParamUIUpdate> &updates = host->paramUIUpdates();
    ASSERT_EQ(updates.size(), 40u);
    for (size_t k = 0; k < 40; ++k) {
      const int index = host->findParam(std::to_string(k / 10 + 1) + " : " + kSwitched[k % 10]);
      PF_ParamDef expected = *host->paramArray()[index];
      expected.ui_flags = (index == center1 ? PF_PUI_ECW_SEPARATOR : 0) | (on[k / 10] ? 0 : PF_PUI_DISABLED);
      EXPECT_EQ(updates[k].index, index) << "update " << k;
      EXPECT_EQ(updates[k].uiFlags, expected.ui_flags) << "update " << k;
      EXPECT_EQ(std::memcmp(&updates[k].def, &expected, sizeof expected), 0) << "update " << k;
    }
  }

  // The host's errors do not stop the other controls, nor fail the command.
  host->resetLogs();
  host->injectFault(vemu::Fault::UpdateParamUI, PF_Err_INTERNAL_STRUCT_DAMAGED, 3);
  EXPECT_EQ(host->updateParamsUI(), PF_Err_NONE);
  EXPECT_EQ(host->paramUIUpdates().size(), 40u);

  // A parameter array that lacks the groups is refused, and nothing is sent.
  host->resetLogs();
  {
    vemu::Host::DirectCall call(*host);
    EXPECT_EQ(UpdateGroupControls(call.in(), nullptr), PF_Err_BAD_CALLBACK_PARAM);
    call.in()->num_params = 20; // the array ends inside group 2
    EXPECT_EQ(UpdateGroupControls(call.in(), host->paramArray()), PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_TRUE(host->paramUIUpdates().empty());
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(ParamsTest, SuiteVersionFollowsTheHostReleaseAndItsAbsenceIsAnError) {
  struct Case {
    A_short major, minor;
    A_long release;
    int suiteVersion;
  } cases[] = {{9, 0, 0, 2},     {11, 20, 0, 2},    {12, 0, 0, 2},    {12, 10, 0, 2},    {12, 11, 65, 2},
               {12, 12, 70, 2},  {12, 13, 80, 2},   {12, 14, 90, 2},  {12, 15, 9999, 3}, {12, 40, 9999, 3},
               {13, 0, 100, 2},  {13, 1, 105, 2},   {13, 2, 110, 3},  {13, 3, 9999, 3},  {13, 28, 9999, 3},
               {14, 0, 9999, 3}, {18, 5, 9999, 3}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    auto host = vtest::AppliedHost(c.major, c.minor);
    {
      vemu::Host::DirectCall call(*host);
      EXPECT_EQ(HostReleaseNumber(call.in()), c.release);
    }
    ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
    const std::map<std::string, long> acquired = host->suiteAcquisitions();
    const std::string wanted = "PF Param Utils Suite/" + std::to_string(c.suiteVersion);
    EXPECT_EQ(acquired.count(wanted) ? acquired.at(wanted) : 0, 1);
    EXPECT_EQ(host->leaks(), "");
    // Without that suite: an unknown error, and no control is touched.
    auto bare = vtest::AppliedHost(c.major, c.minor);
    bare->withholdSuite("PF Param Utils Suite", c.suiteVersion);
    EXPECT_EQ(bare->updateParamsUI(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_TRUE(bare->paramUIUpdates().empty());
    EXPECT_EQ(bare->leaks(), "");
  }
}

} // namespace
