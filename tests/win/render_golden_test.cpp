// The Windows build computes like the Linux build: its kernel tables (our
// exp, expf and cos under the mingw runtime) equal the golden file the Linux
// build checks, and the loaded T_Vortane.aex renders the reference frames bit
// for bit: same scenes, same stored pixels.
#include <gtest/gtest.h>

#include <string>

#include "../kernel_tables.h"
#include "GoldenScenes.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

// wine sees the Unix root as drive Z:.
const std::string kDataDir = std::string("Z:") + VORTANE_TEST_DATA_DIR;

TEST(WindowsKernelTables, MatchTheGoldenFile) {
  const std::string golden = ktables::ReadFile(kDataDir + "/kernel_tables.txt");
  ASSERT_FALSE(golden.empty()) << kDataDir;
  EXPECT_EQ(ktables::KernelTablesText(), golden);
}

TEST(WindowsRender, GoldenFramesMatchTheLinuxBuild) {
  const PF_PixelFormat formats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};
  for (const vtest::GoldenScene &scene : vtest::GoldenScenes()) {
    for (PF_PixelFormat format : formats) {
      vemu::Host host(wtest::PluginEntry());
      host.setThreads(3);
      vemu::Image out(1, 1, format);
      ASSERT_EQ(vtest::RenderGoldenScene(host, scene, format, &out), PF_Err_NONE) << scene.name;
      EXPECT_EQ(host.leaks(), "") << scene.name;
      const std::string path = vtest::GoldenPath(VORTANE_TEST_DATA_DIR, scene, format);
      vemu::Image golden(1, 1, format);
      ASSERT_TRUE(vtest::ReadImageFile(path, &golden)) << path;
      int x = -1, y = -1;
      EXPECT_EQ(out.differingPixels(golden, &x, &y), 0) << path << " first difference at " << x << "," << y;
    }
  }
}

} // namespace
