// Parameter UI updates through the entry point: each group's ten controls
// follow its checkbox, all 40 are updated on every call, the suite version
// follows the host's release, and a missing suite is an unknown error.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
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

const char *const kSwitched[] = {"Blur Center", "Invert",  "Color B",            "Range",         "Blur Amount",
                                 "Blur Offset", "Softness", "Softness Threshold", "Keep Division", "Color A"};

std::string Name(int g, const char *control) { return std::to_string(g) + " : " + control; }

// Host indices of group g's controls in the order they are updated.
std::vector<int> SwitchedIndices(const vemu::Host &host, int g) {
  std::vector<int> indices;
  for (const char *control : kSwitched) indices.push_back(host.findParam(Name(g, control)));
  return indices;
}

bool Disabled(const PF_ParamUIFlags flags) { return (flags & PF_PUI_DISABLED) != 0; }

// Checks one call's 40 updates: groups in order, controls in list order, the
// disabled bit set exactly for the groups that are off.
void ExpectOneRound(const vemu::Host &host, const std::vector<vemu::ParamUIUpdate> &updates,
                    const bool on[4]) {
  ASSERT_EQ(updates.size(), 40u);
  size_t k = 0;
  for (int g = 1; g <= 4; ++g) {
    for (int index : SwitchedIndices(host, g)) {
      EXPECT_EQ(updates[k].index, index) << "group " << g << " update " << k;
      EXPECT_EQ(Disabled(updates[k].uiFlags), !on[g - 1]) << "index " << index;
      ++k;
    }
  }
}

TEST_F(UiUpdateTest, DefaultsEnableGroupOneAndDisableTheOthers) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  host->resetLogs();
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  const bool on[4] = {true, false, false, false};
  ExpectOneRound(*host, host->paramUIUpdates(), on);

  // Switches, headings, group ends and the global parameters are never touched.
  std::set<int> updated;
  for (const vemu::ParamUIUpdate &u : host->paramUIUpdates()) updated.insert(u.index);
  for (int index = 1; index < host->paramCount(); ++index) {
    const PF_ParamDef &def = host->paramValue(index);
    const bool isSwitched = updated.count(index) != 0;
    EXPECT_EQ(Disabled(def.ui_flags), isSwitched && index > 15) << def.name;
  }
  EXPECT_EQ(updated.size(), 40u);
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(UiUpdateTest, GroupCheckboxEnablesAndDisablesItsControlsOnly) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  const int enable3 = host->findParam("3 : Enable Color Group");
  std::vector<PF_ParamDef> before;
  for (int index : SwitchedIndices(*host, 3)) before.push_back(host->paramValue(index));

  host->setCheckbox(enable3, true);
  host->resetLogs();
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  const bool on[4] = {true, false, true, false};
  ExpectOneRound(*host, host->paramUIUpdates(), on);
  for (int index : SwitchedIndices(*host, 3)) EXPECT_FALSE(Disabled(host->paramValue(index).ui_flags));

  host->setCheckbox(enable3, false);
  host->resetLogs();
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  const bool off[4] = {true, false, false, false};
  ExpectOneRound(*host, host->paramUIUpdates(), off);
  // Values never change, only the disabled state.
  const std::vector<int> indices = SwitchedIndices(*host, 3);
  for (size_t i = 0; i < indices.size(); ++i) {
    const PF_ParamDef &now = host->paramValue(indices[i]);
    EXPECT_TRUE(Disabled(now.ui_flags));
    EXPECT_EQ(std::memcmp(&now.u, &before[i].u, sizeof now.u), 0) << now.name;
  }
}

TEST_F(UiUpdateTest, EveryCallUpdatesAllFortyControlsWhateverTheHostAnswers) {
  auto host = vtest::MakeHost();
  vtest::ApplyEffect(*host);
  // A flag the plug-in does not own travels unchanged.
  const int center1 = host->findParam("1 : Blur Center");
  host->paramValue(center1).ui_flags = PF_PUI_ECW_SEPARATOR | PF_PUI_DISABLED;
  host->resetLogs();
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
  const std::vector<vemu::ParamUIUpdate> updates = host->paramUIUpdates();
  ASSERT_EQ(updates.size(), 80u);
  const bool on[4] = {true, false, false, false};
  ExpectOneRound(*host, std::vector<vemu::ParamUIUpdate>(updates.begin() + 40, updates.end()), on);

  EXPECT_EQ(updates[0].index, center1);
  EXPECT_EQ(updates[0].uiFlags, PF_PUI_ECW_SEPARATOR);
  // Apart from the disabled bit, each update is the host's own definition.
  PF_ParamDef expected = host->paramArray()[center1][0];
  expected.ui_flags = updates[0].uiFlags;
  EXPECT_EQ(std::memcmp(&updates[0].def, &expected, sizeof expected), 0);

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
  } cases[] = {{9, 0, 0, 2},       {11, 20, 0, 2},    {12, 0, 0, 2},     {12, 10, 0, 2},   {12, 11, 65, 2},
               {12, 12, 70, 2},    {12, 13, 80, 2},   {12, 14, 90, 2},   {12, 15, 9999, 3}, {12, 40, 9999, 3},
               {13, 0, 100, 2},    {13, 1, 105, 2},   {13, 2, 110, 3},   {13, 3, 9999, 3}, {13, 28, 9999, 3},
               {14, 0, 9999, 3},   {18, 5, 9999, 3}};
  for (const Case &c : cases) {
    auto host = vtest::MakeHost();
    host->setApiVersion(c.major, c.minor);
    {
      vemu::Host::DirectCall call(*host);
      EXPECT_EQ(HostReleaseNumber(call.in()), c.release) << c.major << "." << c.minor;
    }
    vtest::ApplyEffect(*host);
    ASSERT_EQ(host->updateParamsUI(), PF_Err_NONE);
    const std::map<std::string, long> acquired = host->suiteAcquisitions();
    const std::string wanted = std::string("PF Param Utils Suite/") + std::to_string(c.suiteVersion);
    const std::string other = std::string("PF Param Utils Suite/") + std::to_string(5 - c.suiteVersion);
    EXPECT_EQ(acquired.count(wanted) ? acquired.at(wanted) : 0, 1) << c.major << "." << c.minor;
    EXPECT_EQ(acquired.count(other), 0u) << c.major << "." << c.minor;
    EXPECT_EQ(host->paramUIUpdates().size(), 40u);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(UiUpdateTest, MissingSuiteEndsAsUnknownErrorWithoutTouchingControls) {
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
}

TEST_F(UiUpdateTest, ParameterArrayThatLacksTheGroupsIsRefused) {
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
