// Whole frames through the entry point: group selection, views, radius and
// centre derivation, the classic and smart paths, error flow, leaks, thread
// counts and concurrent frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "EffectParams.h"
#include "GoldenScenes.h"
#include "SyntheticFrame.h"
#include "TestSupport.h"

namespace {

using vtest::GroupValues;

const PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};
constexpr int kW = 128, kH = 72;

// A host with the effect applied to a kW x kH layer.
std::unique_ptr<vemu::Host> Applied(int threads = 2) {
  auto host = vtest::MakeHost(threads);
  host->setLayerSize(kW, kH);
  vtest::ApplyEffect(*host);
  return host;
}

vemu::Image Frame(PF_PixelFormat format) { return vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), format); }

GroupValues SceneGroup(int g) { return vtest::SceneGroupValues(vemu::SyntheticCelScene(kW, kH), g); }

TEST(Render, WithoutGroupsNormalCopiesAndOtherViewsClear) {
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    host->setCheckbox(vtest::ParamIndex(*host, "1 : Enable Color Group"), false);
    vemu::Image input = Frame(format), output(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(input));
    vtest::SetView(*host, 3);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(vemu::Image(kW, kH, format)));
    // Group 2 shown alone while group 2 is off: nothing to show.
    vtest::SetGroup(*host, 1, SceneGroup(1));
    vtest::SetView(*host, 5);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(vemu::Image(kW, kH, format)));
    ASSERT_TRUE(host->failCall("fill", 1, PF_Err_OUT_OF_MEMORY));
    EXPECT_EQ(host->renderSmart(input, output), PF_Err_OUT_OF_MEMORY) << "a failed clear ends the frame";
    EXPECT_EQ(host->counters().worldsMade, 0) << "nothing is allocated without groups";
    EXPECT_EQ(host->leaks(), "");
  }
}

// One group (open, not softened) at 16 bits, on an optionally reduced host
// and a buffer optionally placed off the layer's origin.
vemu::Image RenderGroup(const GroupValues &g, int downX = 1, int downY = 1, int originX = 0) {
  auto host = Applied();
  host->setDownsample(1, downX, 1, downY);
  vtest::SetGroup(*host, 1, g);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), output(kW, kH, PF_PixelFormat_ARGB64);
  input.setOrigin(originX, 0);
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_NONE);
  return output;
}

TEST(Render, RadiusAndCentreFollowTheResolutionAndTheBufferOrigin) {
  GroupValues g = SceneGroup(3);
  g.softness = 0.0;
  g.keepDivision = false;
  // Blur 0 gives R = 1, which leaves the pixels at every depth.
  g.blurAmount = 0.0;
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    vtest::SetGroup(*host, 1, g);
    vemu::Image input = Frame(format), output(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(input)) << vtest::DepthName(format);
  }
  // Blur 8 at x 1/2, y 1/4 gives R = (int)(8 x 0.25 + 0.5) + 1 = 3, as Blur 2
  // at full resolution does; the point is placed at the scaled position.
  g.blurAmount = 2.0;
  g.centerX = 30.0;
  g.centerY = 20.0;
  const vemu::Image full = RenderGroup(g);
  EXPECT_FALSE(full.samePixels(Frame(PF_PixelFormat_ARGB64))) << "the group was blurred";
  g.blurAmount = 8.0;
  g.centerX = 60.0;
  g.centerY = 80.0;
  EXPECT_TRUE(RenderGroup(g, 2, 4).samePixels(full));
  // (100.5, 20.25) in a buffer placed at (10, 0) is the centre (91, 20) of
  // the buffer, as (91, 20) is at (0, 0); one pixel off is another picture.
  g.blurAmount = 6.0;
  g.centerX = 100.5;
  g.centerY = 20.25;
  const vemu::Image shifted = RenderGroup(g, 1, 1, 10);
  g.centerX = 91.0;
  g.centerY = 20.0;
  EXPECT_TRUE(RenderGroup(g).samePixels(shifted));
  g.centerX = 90.0;
  EXPECT_FALSE(RenderGroup(g).samePixels(shifted));
}

// The classic path gives the smart path's pixels, over a whole frame or in
// an extent: a group inside it with room for its walks (R = 4, walks of up
// to 8 pixels) is placed as in a full render, and an extent reaching past the
// world is kept inside it.
TEST(Render, ClassicPathGivesTheSmartPixelsInItsExtent) {
  // Each depth over the whole frame, then in an extent, then 8 bits past the
  // world; every other case at low quality.
  const PF_LRect whole{0, 0, kW, kH}, part{6, 0, 52, 40}, beyond{-20, -10, kW + 30, kH + 5};
  for (int i = 0; i < 7; ++i) {
    const PF_PixelFormat format = kFormats[i % 3];
    const PF_LRect *extent = i < 3 ? nullptr : i < 6 ? &part : &beyond;
    const PF_LRect &e = extent ? *extent : whole;
    SCOPED_TRACE(testing::Message() << vtest::DepthName(format) << ", extent left " << e.left);
    auto host = Applied();
    host->setQuality(i % 2 ? PF_Quality_LO : PF_Quality_HI);
    GroupValues g = SceneGroup(1);
    g.softness = 0.0;
    g.blurAmount = 3.0;
    vtest::SetGroup(*host, 1, g);
    vtest::SetView(*host, 3);
    vemu::Image input = Frame(format), smart(kW, kH, format), classic = input;
    ASSERT_EQ(host->renderSmart(input, smart), PF_Err_NONE);
    EXPECT_FALSE(smart.samePixels(input));
    ASSERT_EQ(host->renderClassic(input, classic, extent), PF_Err_NONE);
    const int bpp = vemu::BytesPerPixel(format);
    for (int y = std::max(e.top, 0); y < std::min(e.bottom, kH); ++y)
      for (int x = std::max(e.left, 0); x < std::min(e.right, kW); ++x)
        EXPECT_EQ(std::memcmp(smart.row(y) + x * bpp, classic.row(y) + x * bpp, bpp), 0) << x << "," << y;
    // Every copy the host makes is the high-quality one at high quality only.
    EXPECT_EQ(host->counters().worldCopies > 0, i % 2 == 1);
    EXPECT_EQ(host->counters().worldCopiesHq > 0, i % 2 == 0);
    EXPECT_EQ(host->leaks(), "");
  }
}

// The reference frames hold the pixels of the first, one-band-per-processor
// renderer: the chunked distribution of lines and every narrowing of the
// work to a group's area must give them at any thread count and depth.
TEST(Render, GoldenFramesAreReproducedAtAnyThreadCount) {
  const std::string dataDir = VORTANE_TEST_DATA_DIR;
  const bool regenerate = std::getenv("VORTANE_REGENERATE_GOLDEN") != nullptr;
  for (const vtest::GoldenScene &scene : vtest::GoldenScenes()) {
    for (PF_PixelFormat format : kFormats) {
      const std::string path = vtest::GoldenPath(dataDir, scene, format);
      vemu::Image golden(1, 1, format);
      if (!regenerate) {
        ASSERT_TRUE(vtest::ReadImageFile(path, &golden)) << path;
      }
      for (int threads : {1, 2, 3, 7}) {
        auto host = vtest::MakeHost(threads);
        vemu::Image out(1, 1, format);
        ASSERT_EQ(vtest::RenderGoldenScene(*host, scene, format, &out), PF_Err_NONE);
        EXPECT_EQ(host->leaks(), "");
        // One step of twice the group count per group started: the progress ends at half.
        const auto progress = host->progressLog();
        EXPECT_TRUE(!progress.empty() && progress.back() == std::make_pair(A_long{50}, A_long{100}));
        if (regenerate) {
          ASSERT_TRUE(vtest::WriteImageFile(path, out)) << path;
          break;
        }
        int x = -1, y = -1;
        EXPECT_EQ(out.differingPixels(golden, &x, &y), 0)
            << path << ", " << threads << " threads: first difference at " << x << "," << y;
      }
    }
  }
}

TEST(RenderFarm, ConcurrentFramesEqualSerialFrames) {
  auto host = Applied(2);
  for (int g = 1; g <= 4; ++g) vtest::SetGroup(*host, g, SceneGroup(g));
  std::vector<vemu::Image> inputs, serial, concurrent;
  for (int i = 0; i < 4; ++i) {
    inputs.push_back(Frame(kFormats[i % 3]));
    inputs[i].setOrigin(i, 0); // four different frames
    serial.emplace_back(kW, kH, kFormats[i % 3]);
    concurrent.emplace_back(kW, kH, kFormats[i % 3]);
    ASSERT_EQ(host->renderSmart(inputs[i], serial[i]), PF_Err_NONE);
  }
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { EXPECT_EQ(host->renderSmart(inputs[i], concurrent[i]), PF_Err_NONE); });
  for (std::thread &t : threads) t.join();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(concurrent[i].samePixels(serial[i])) << "frame " << i;
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

TEST(RenderErrors, UnknownFormatsOtherSizesAndMissingSuitesAreRefused) {
  auto host = Applied();
  vtest::SetGroup(*host, 1, SceneGroup(1));
  vemu::Image input(kW, kH, PF_PixelFormat_BGRA32), output(kW, kH, PF_PixelFormat_BGRA32);
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_UNRECOGNIZED_PARAM_TYPE);
  EXPECT_EQ(host->counters().layerPixelCheckins, 1);

  vemu::Image input8 = Frame(PF_PixelFormat_ARGB32), narrow(kW - 1, kH, PF_PixelFormat_ARGB32);
  EXPECT_EQ(host->renderClassic(input8, narrow), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_TRUE(narrow.samePixels(vemu::Image(kW - 1, kH, PF_PixelFormat_ARGB32)));

  host->withholdSuite(kPFWorldTransformSuite, 1);
  vemu::Image input16 = Frame(PF_PixelFormat_ARGB64), output16(kW, kH, PF_PixelFormat_ARGB64);
  EXPECT_EQ(host->renderSmart(input16, output16), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->returnMessage(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
  EXPECT_EQ(host->leaks(), "");
}

std::string RectText(const PF_LRect &r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(SmartRender, PreRenderMergesRectanglesAndHandsOverItsData) {
  auto host = Applied();
  vemu::PreRenderResult result;
  vemu::SmartRenderOptions options;
  options.useRequest = true;
  options.request = PF_LRect{4, 5, 20, 30};
  ASSERT_EQ(host->preRenderOnly(options, &result), PF_Err_NONE);
  EXPECT_EQ(RectText(result.resultRect), "4,5,20,30");
  EXPECT_EQ(RectText(result.maxResultRect), "0,0,128,72");
  EXPECT_TRUE(result.deleteFunctionGiven);
  // The input is checked out for exactly the requested area.
  ASSERT_EQ(host->layerCheckouts().size(), 1u);
  EXPECT_EQ(RectText(host->layerCheckouts()[0].request.rect), "4,5,20,30");

  options.preRenderResult = PF_LRect{0, 0, 10, 10};
  options.preRenderMaxResult = PF_LRect{-5, -5, 2, 2};
  ASSERT_EQ(host->preRenderOnly(options, &result), PF_Err_NONE);
  EXPECT_EQ(RectText(result.resultRect), "0,0,20,30");
  EXPECT_EQ(RectText(result.maxResultRect), "-5,-5,128,72");
  EXPECT_EQ(host->liveHandles(), 1) << "the pre-render data was freed by its delete function";
  EXPECT_EQ(host->counters().preRenderDeletes, 2);
  EXPECT_EQ(host->outstandingParams(), 0);
}

TEST(SmartRender, WithoutPreRenderDataNothingIsTouched) {
  auto host = Applied();
  PF_SmartRenderInput input{};
  PF_SmartRenderCallbacks callbacks{};
  PF_SmartRenderExtra extra{&input, &callbacks};
  EXPECT_EQ(host->send(PF_Cmd_SMART_RENDER, &extra), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
