// The Windows build through the host emulator: the about text, which names
// the build only while Shift is down (the calling thread's keyboard state),
// and failed host calls in the loaded T_Vortane.aex.
#include <gtest/gtest.h>

#include "FaultSweep.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

TEST(WindowsHost, AboutTextNamesTheBuildOnlyWithShiftDown) {
  for (bool shift : {false, true}) {
    BYTE keys[256];
    ASSERT_TRUE(GetKeyboardState(keys));
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ASSERT_TRUE(SetKeyboardState(keys));
    vemu::Host host(wtest::PluginEntry());
    const PF_Err err = host.about();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    ASSERT_EQ(err, PF_Err_NONE);
    const char *start = shift ? "T_Vortane 1.1.1 Release build:13\r\r" : "T_Vortane 1.1.1 Release\r\r";
    EXPECT_EQ(host.returnMessage().rfind(start, 0), 0u) << host.returnMessage();
  }
}

TEST(WindowsHost, EveryFailedHostCallGivesAnErrorOrTheCleanFrameAndLeavesNothing) {
  EXPECT_GT(vtest::SweepHostFaults(wtest::PluginEntry()).runs, 0);
}

} // namespace
