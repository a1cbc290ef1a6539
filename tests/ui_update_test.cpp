// Parameter UI updates through the entry point: each group's ten controls
// follow its checkbox, all 40 are updated on every call, the suite version
// follows the host's release, and a missing suite is an unknown error.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "params/UpdateGroupControls.h"

namespace {

// Parameter setup reads settings from an empty folder of the test's own.
class UiUpdateTest : public testing::Test {
 private:
  vtest::SettingsSandbox sandbox_;
};

bool Disabled(const PF_ParamUIFlags flags) { return (flags & PF_PUI_DISABLED) != 0; }

// One call's 40 updates: groups in order, each group's controls in this
// order, the disabled bit set exactly for the groups that are off.
void ExpectOneRound(vemu::Host &host, const std::vector<vemu::ParamUIUpdate> &updates, const bool on[4]) {
  static const char *const kSwitched[] = {"Blur Center", "Invert",   "Color B",            "Range",
                                          "Blur Amount", "Blur Offset", "Softness", "Softness Threshold",
                                          "Keep Division", "Color A"};
  ASSERT_EQ(updates.size(), 40u);
  size_t k = 0;
  for (int g = 1; g <= 4; ++g) {
    for (const char *control : kSwitched) {
      const int index = host.findParam(std::to_string(g) + " : " + control);
      EXPECT_EQ(updates[k].index, index) << "update " << k;
      EXPECT_EQ(Disabled(updates[k].uiFlags), !on[g - 1]) << "update " << k;
      // Apart from the disabled bit, each update is the host's own definition.
      PF_ParamDef expected = host.paramArray()[index][0];
      expected.ui_flags = updates[k].uiFlags;
      EXPECT_EQ(std::memcmp(&updates[k].def, &expected, sizeof expected), 0) << "update " << k;
      ++k;
    }
  }
}

TEST_F(UiUpdateTest, ControlsFollowTheirGroupCheckboxAndNothingElseChanges) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  // A flag the plug-in does not own travels unchanged.
  const int center1 = host->findParam("1 : Blur Center");
  host->paramValue(center1).ui_flags = PF_PUI_ECW_SEPARATOR | PF_PUI_DISABLED;
  std::vector<PF_ParamDef> before;
  for (int index = 1; index < host->paramCount(); ++index) before.push_back(host->paramValue(index));

  const bool rounds[][4] = {{true, false, false, false}, {true, false, true, false}, {false, true, false, true},
                            {true, false, false, false}};
  for (const bool *on : rounds) {
    for (int g = 1; g <= 4; ++g)
      host->setCheckbox(host->findParam(std::to_string(g) + " : Enable Color Group"), on[g - 1]);
    host->resetLogs();
    ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
    ExpectOneRound(*host, host->paramUIUpdates(), on);
  }
  EXPECT_EQ(host->paramUIUpdates()[0].uiFlags, PF_PUI_ECW_SEPARATOR);
  // Values are as before (the checkboxes are back where they started); only
  // the switched controls of groups 2 to 4 end disabled, never a checkbox,
  // heading, group end or global parameter.
  for (int index = 1; index < host->paramCount(); ++index) {
    const PF_ParamDef &now = host->paramValue(index);
    const bool switched = index > 15 && now.param_type != PF_Param_GROUP_START &&
                          now.param_type != PF_Param_GROUP_END && std::strstr(now.name, "Enable") == nullptr;
    EXPECT_EQ(Disabled(now.ui_flags), switched) << now.name;
    EXPECT_EQ(std::memcmp(&now.u, &before[index - 1].u, sizeof now.u), 0) << now.name;
  }

  // The host's errors do not stop the other controls, nor fail the command.
  host->resetLogs();
  host->injectFault(vemu::Fault::UpdateParamUI, PF_Err_INTERNAL_STRUCT_DAMAGED, 3);
  EXPECT_EQ(host->updateParamsUI(), PF_Err_NONE);
  EXPECT_EQ(host->paramUIUpdates().size(), 40u);
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(UiUpdateTest, SuiteVersionFollowsTheHostRelease) {
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
    auto host = vtest::MakeHost();
    host->setApiVersion(c.major, c.minor);
    {
      vemu::Host::DirectCall call(*host);
      EXPECT_EQ(HostReleaseNumber(call.in()), c.release);
    }
    vtest::ApplyEffect(*host);
    ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
    const std::map<std::string, long> acquired = host->suiteAcquisitions();
    const std::string wanted = "PF Param Utils Suite/" + std::to_string(c.suiteVersion);
    EXPECT_EQ(acquired.count(wanted) ? acquired.at(wanted) : 0, 1);
    EXPECT_EQ(acquired.count("PF Param Utils Suite/" + std::to_string(5 - c.suiteVersion)), 0u);
    EXPECT_EQ(host->paramUIUpdates().size(), 40u);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(UiUpdateTest, MissingSuiteOrShortArrayTouchesNoControl) {
  for (int version : {2, 3}) {
    auto host = vtest::MakeHost();
    host->setApiVersion(13, version == 3 ? 2 : 1);
    vtest::ApplyEffect(*host);
    host->withholdSuite("PF Param Utils Suite", version);
    host->resetLogs();
    EXPECT_EQ(host->updateParamsUI(), PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(host->returnMessage(), "\x95s\x96\xbe\x82\xc8\x83G\x83\x89\x81[");
    EXPECT_TRUE(host->paramUIUpdates().empty());
    EXPECT_EQ(host->leaks(), "");
  }
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
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

} // namespace
