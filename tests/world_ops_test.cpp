// copyWorld, copyWorldArea and clearWorld through the host's suites: which
// copy is chosen by quality, whole-image and rectangle results at every
// depth, the emulator's reuse of released worlds, suite release, and the
// integer 516 for a missing suite as the entry point's capture reports it.
#include <gtest/gtest.h>

#include <cstring>

#include "AEWorldSuite.h"
#include "host/ErrorCapture.h"
#include "pipeline_fixtures.h"
#include "stage/WorldOps.h"

namespace {

const PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

vemu::Image NoisyImage(PF_PixelFormat format, uint32_t seed) {
  vemu::Image image(7, 5, format);
  ptest::Rng rng(seed);
  const int bytes = vemu::BytesPerPixel(format) * image.width();
  for (int y = 0; y < image.height(); ++y)
    for (int i = 0; i < bytes; ++i) image.row(y)[i] = static_cast<uint8_t>(rng.next());
  return image;
}

TEST(WorldOps, CopyUsesTheHighQualityCopyOnlyAtHighQuality) {
  for (PF_PixelFormat format : kFormats) {
    for (PF_Quality quality : {PF_Quality_HI, PF_Quality_LO}) {
      auto host = vtest::MakeHost();
      host->setQuality(quality);
      vemu::Host::DirectCall call(*host);
      vemu::Image source = NoisyImage(format, 11), destination = NoisyImage(format, 12);
      EXPECT_EQ(copyWorld(call.in(), source.world(), destination.world()), PF_Err_NONE);
      EXPECT_TRUE(destination.samePixels(source));
      EXPECT_EQ(host->counters().worldCopiesHq, quality == PF_Quality_HI ? 1 : 0);
      EXPECT_EQ(host->counters().worldCopies, quality == PF_Quality_HI ? 0 : 1);
      EXPECT_EQ(host->suiteAcquisitions()["PF World Transform Suite/1"], 1);
      EXPECT_EQ(host->leaks(), "");
    }
  }
}

TEST(WorldOps, AreaCopyTouchesOnlyItsRectangle) {
  for (PF_PixelFormat format : kFormats) {
    auto host = vtest::MakeHost();
    vemu::Host::DirectCall call(*host);
    vemu::Image source = NoisyImage(format, 3), destination = NoisyImage(format, 4);
    const vemu::Image before = destination;
    EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 2, 4}), PF_Err_NONE);
    EXPECT_EQ(host->counters().worldCopies + host->counters().worldCopiesHq, 0); // empty: no host call
    EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 5, 4}), PF_Err_NONE);
    const int bpp = vemu::BytesPerPixel(format);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const vemu::Image &expected = x >= 2 && x < 5 && y >= 1 && y < 4 ? source : before;
        EXPECT_EQ(std::memcmp(destination.row(y) + x * bpp, expected.row(y) + x * bpp, bpp), 0) << x << "," << y;
      }
    EXPECT_EQ(host->leaks(), "");
  }
}

// The emulator's new_world takes a released buffer of the same size again,
// and still fills it with the marker unless told not to.
TEST(WorldOps, NewWorldsReuseReleasedBuffersWithTheMarker) {
  for (bool mark : {true, false}) {
    auto host = vtest::MakeHost();
    host->setMarkNewWorlds(mark);
    vemu::Host::DirectCall call(*host);
    void *first = nullptr;
    {
      AEUtil::EffectWorldPtr world = AEUtil::WorldSuite::newWorld(call.in(), 9, 4, 0, PF_PixelFormat_ARGB64);
      first = world->data;
      std::memset(world->data, 0x11, static_cast<size_t>(world->rowbytes) * 4);
    }
    AEUtil::EffectWorldPtr again = AEUtil::WorldSuite::newWorld(call.in(), 9, 4, 0, PF_PixelFormat_ARGB64);
    EXPECT_EQ(again->data, first);
    const auto *bytes = reinterpret_cast<const uint8_t *>(again->data);
    EXPECT_EQ(bytes[again->rowbytes * 3 + 5], mark ? 0xA5 : 0x11);
  }
}

TEST(WorldOps, ClearFillsTheWholeWorldWithTransparentBlack) {
  for (PF_PixelFormat format : kFormats) {
    auto host = vtest::MakeHost();
    vemu::Host::DirectCall call(*host);
    vemu::Image world = NoisyImage(format, 5), zero(7, 5, format);
    EXPECT_EQ(clearWorld(call.in(), world.world()), PF_Err_NONE);
    EXPECT_TRUE(world.samePixels(zero));
    EXPECT_EQ(host->suiteAcquisitions()["PF Fill Matte Suite/2"], 1);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST(WorldOps, HostErrorsComeBackAndMissingSuitesThrow516) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  vemu::Image a = NoisyImage(PF_PixelFormat_ARGB64, 1), b = NoisyImage(PF_PixelFormat_ARGB64, 2);
  const vemu::Image before = b;
  host->injectFault(vemu::Fault::WorldCopy, PF_Err_INTERNAL_STRUCT_DAMAGED, 0, true);
  host->injectFault(vemu::Fault::WorldFill, PF_Err_OUT_OF_MEMORY, 0, true);
  EXPECT_EQ(copyWorld(call.in(), a.world(), b.world()), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(clearWorld(call.in(), b.world()), PF_Err_OUT_OF_MEMORY);
  EXPECT_TRUE(b.samePixels(before));

  host->withholdSuite("PF World Transform Suite", 1);
  host->withholdSuite("PF Fill Matte Suite", 2);
  PF_OutData out{};
  EXPECT_EQ(CaptureErrors(&out, [&] { return copyWorld(call.in(), a.world(), b.world()); }),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_NE(std::string(out.return_msg).find("516"), std::string::npos) << out.return_msg;
  try {
    clearWorld(call.in(), b.world());
    ADD_FAILURE() << "no exception";
  } catch (A_long code) {
    EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_TRUE(b.samePixels(before));
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
