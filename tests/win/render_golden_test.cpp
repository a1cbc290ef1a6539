// The Windows build renders the reference frames bit for bit like the Linux
// build: same scenes, same stored pixels, through the loaded T_Vortane.aex.
#include <gtest/gtest.h>

#include "GoldenScenes.h"
#include "Host.h"
#include "PluginModule.h"

namespace {

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
