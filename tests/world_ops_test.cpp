// copyWorld, copyWorldArea and clearWorld through the host's suites: which
// copy is chosen by quality, whole-image and rectangle results at every
// depth, and suite release.
#include <gtest/gtest.h>

#include <cstring>

#include "pipeline_fixtures.h"
#include "stage/WorldOps.h"

namespace {

TEST(WorldOps, CopiesAndClearAtEveryDepthWithTheCopyOfTheQuality) {
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
    for (PF_Quality quality : {PF_Quality_HI, PF_Quality_LO}) {
      SCOPED_TRACE(testing::Message() << format << ", quality " << quality);
      auto host = vtest::MakeHost();
      host->setQuality(quality);
      vemu::Host::DirectCall call(*host);
      vemu::Image source = ptest::NoisyImage(7, 5, format, 11), destination = ptest::NoisyImage(7, 5, format, 12);
      const vemu::Image before = destination;
      // An empty area makes no host call; an area copies only its pixels.
      EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 2, 4}), PF_Err_NONE);
      EXPECT_EQ(host->counters().worldCopies + host->counters().worldCopiesHq, 0);
      EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 5, 4}), PF_Err_NONE);
      const int bpp = vemu::BytesPerPixel(format);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
          const vemu::Image &expected = x >= 2 && x < 5 && y >= 1 && y < 4 ? source : before;
          EXPECT_EQ(std::memcmp(destination.row(y) + x * bpp, expected.row(y) + x * bpp, bpp), 0) << x << "," << y;
        }
      EXPECT_EQ(copyWorld(call.in(), source.world(), destination.world()), PF_Err_NONE);
      EXPECT_TRUE(destination.samePixels(source));
      EXPECT_EQ(host->counters().worldCopiesHq, quality == PF_Quality_HI ? 2 : 0);
      EXPECT_EQ(host->counters().worldCopies, quality == PF_Quality_HI ? 0 : 2);
      EXPECT_EQ(host->suiteAcquisitions()["PF World Transform Suite/1"], 2);
      EXPECT_EQ(clearWorld(call.in(), destination.world()), PF_Err_NONE);
      EXPECT_TRUE(destination.samePixels(vemu::Image(7, 5, format)));
      EXPECT_EQ(host->suiteAcquisitions()["PF Fill Matte Suite/2"], 1);
      EXPECT_EQ(host->leaks(), "");
    }
  }
}

} // namespace
