// The Windows build driven through the host emulator: about, global set-up
// and set-down, the refusal of a foreign host, and failed host calls.
#include <gtest/gtest.h>

#include "FaultSweep.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

std::unique_ptr<vemu::Host> MakeHost() {
  auto host = std::make_unique<vemu::Host>(wtest::PluginEntry());
  host->setThreads(2);
  return host;
}

TEST(WindowsHost, ForeignHostIsRefusedAndAfterEffectsIsServed) {
  auto host = MakeHost();
  host->setApplId(0x50724d72); // 'PrMr'
  EXPECT_EQ(host->about(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->globalSetup(), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->outData().my_version, 0u);
  host->setApplId(VORTANE_APPL_ID_AFTER_EFFECTS);
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().my_version, 560653u);
  EXPECT_EQ(host->outData().out_flags, 0x06000070);
  EXPECT_EQ(host->outData().out_flags2, 0x08801419);
}

TEST(WindowsHost, AboutTextWithShiftUp) {
  auto host = MakeHost();
  ASSERT_EQ(host->about(), PF_Err_NONE);
  EXPECT_EQ(host->returnMessage().rfind("T_Vortane 1.1.1 Release\r\r", 0), 0u) << host->returnMessage();
}

TEST(WindowsHost, AboutTextWithShiftDownShowsTheBuild) {
  // Shift as the calling thread sees it: set the thread's keyboard state.
  BYTE keys[256];
  ASSERT_TRUE(GetKeyboardState(keys));
  keys[VK_SHIFT] |= 0x80;
  ASSERT_TRUE(SetKeyboardState(keys));
  auto host = MakeHost();
  PF_Err err = host->about();
  keys[VK_SHIFT] &= ~0x80;
  SetKeyboardState(keys);
  ASSERT_EQ(err, PF_Err_NONE);
  EXPECT_EQ(host->returnMessage().rfind("T_Vortane 1.1.1 Release build:13\r\r", 0), 0u) << host->returnMessage();
}

TEST(WindowsHost, GlobalSetdownThenSetupAgain) {
  auto host = MakeHost();
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
  ASSERT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().my_version, 560653u);
  EXPECT_EQ(host->leaks(), "");
}

TEST(WindowsHost, EveryFailedHostCallGivesAnErrorOrTheCleanFrameAndLeavesNothing) {
  const vtest::FaultSweepResult result = vtest::SweepHostFaults(wtest::PluginEntry());
  EXPECT_GT(result.runs, 0);
}

} // namespace
