// Whole frames through the entry point with every vector instruction set the
// processor offers, against the scalar kernels (VORTANE_SIMD=scalar): the
// same bytes at every depth and thread count.
#include <gtest/gtest.h>

#include "EffectParams.h"
#include "GoldenScenes.h"
#include "SimdOverride.h"
#include "SyntheticFrame.h"
#include "TestSupport.h"

namespace {

using vtest::GroupValues;

// Odd sizes, so rows end in a partial block of lanes.
constexpr int kW = 83, kH = 47;

struct Scene {
  const char *name;
  void (*configure)(vemu::Host &host, const vemu::SyntheticScene &s);
};

GroupValues Group(const vemu::SyntheticScene &s, int g) {
  GroupValues v = vtest::SceneGroupValues(s, g);
  v.range = g % 2 ? 0.0 : 25.0;
  return v;
}

const Scene kScenes[] = {
    // Bounded and open, inward and outward, with offsets; one centre off the
    // frame, so whole blocks of lanes walk outside it.
    {"mixed", [](vemu::Host &host, const vemu::SyntheticScene &s) {
       GroupValues g1 = Group(s, 1);
       g1.blurAmount = 7.0;
       g1.blurOffset = 40.0;
       vtest::SetGroup(host, 1, g1);
       GroupValues g2 = Group(s, 2);
       g2.keepDivision = false;
       g2.invert = true;
       g2.blurAmount = 9.0;
       vtest::SetGroup(host, 2, g2);
       GroupValues g3 = Group(s, 3);
       g3.invert = true;
       g3.blurOffset = 100.0;
       g3.centerX = kW + 30.0;
       g3.centerY = 5.0;
       vtest::SetGroup(host, 3, g3);
       GroupValues g4 = Group(s, 4);
       g4.keepDivision = false;
       g4.blurOffset = 70.0;
       vtest::SetGroup(host, 4, g4);
     }},
    // Heavy settings: walks far longer than the frame.
    {"heavy", [](vemu::Host &host, const vemu::SyntheticScene &s) {
       for (int g = 1; g <= 4; ++g) {
         GroupValues v = Group(s, g);
         v.blurAmount = 100.0;
         v.softness = 50.0;
         v.invert = g == 3 || g == 1;
         v.keepDivision = g != 4;
         vtest::SetGroup(host, g, v);
       }
     }},
};

vemu::Image Render(const Scene &scene, PF_PixelFormat format, int threads) {
  auto host = vtest::MakeHost(threads);
  host->setLayerSize(kW, kH);
  vtest::ApplyEffect(*host);
  scene.configure(*host, vemu::SyntheticCelScene(kW, kH));
  vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), format);
  vemu::Image output(kW, kH, format);
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_NONE);
  return output;
}

TEST(SimdPaths, EveryLevelGivesTheScalarBytesAtEveryDepthAndThreadCount) {
  vtest::SimdOverride simd;
  const int best = static_cast<int>(ProcessorSimdLevel());
  for (const Scene &scene : kScenes) {
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
      simd.use(SimdLevel::Scalar);
      const vemu::Image reference = Render(scene, format, 1);
      EXPECT_FALSE(reference.samePixels(vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), format)));
      for (int level = 0; level <= best; ++level) {
        simd.use(static_cast<SimdLevel>(level));
        for (int threads : {1, 2, 3, 7}) {
          const vemu::Image out = Render(scene, format, threads);
          EXPECT_EQ(out.pixelBytes(), reference.pixelBytes())
              << scene.name << ", " << vtest::DepthName(format) << "-bit, "
              << SimdLevelName(static_cast<SimdLevel>(level)) << ", " << threads << " threads";
        }
      }
    }
  }
}

} // namespace
