// Whole frames through the entry point: group selection, views, radius and
// centre derivation, the classic and smart paths, error flow, leaks, thread
// counts and concurrent frames.
#include <gtest/gtest.h>

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

vemu::Image Frame(PF_PixelFormat format, int w = kW, int h = kH) {
  return vemu::ConvertFrame(vemu::SyntheticCelFrame(w, h), format);
}

GroupValues SceneGroup(int g) { return vtest::SceneGroupValues(vemu::SyntheticCelScene(kW, kH), g); }

bool AllTransparentBlack(const vemu::Image &image) {
  for (uint8_t b : image.pixelBytes())
    if (b) return false;
  return true;
}

// Alpha of pixel (x, y) as a fraction of full scale.
double AlphaOf(const vemu::Image &image, int x, int y) {
  switch (image.format()) {
  case PF_PixelFormat_ARGB32:
    return image.at<PF_Pixel>(x, y).alpha / 255.0;
  case PF_PixelFormat_ARGB64:
    return image.at<PF_Pixel16>(x, y).alpha / 32768.0;
  default:
    return image.at<PF_PixelFloat>(x, y).alpha;
  }
}

TEST(Render, WithoutGroupsNormalCopiesAndOtherViewsClear) {
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    host->setCheckbox(vtest::ParamIndex(*host, "1 : Enable Color Group"), false);
    vemu::Image input = Frame(format), output(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(input));
    vtest::SetView(*host, 3);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(AllTransparentBlack(output));
    // Group 2 shown alone while group 2 is off: nothing to show.
    vtest::SetGroup(*host, 1, SceneGroup(1));
    vtest::SetView(*host, 5);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(AllTransparentBlack(output));
    EXPECT_EQ(host->counters().worldsMade, 0) << "nothing is allocated without groups";
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST(Render, GroupViewProcessesOnlyThatGroupAndProgressEndsAtHalf) {
  auto host = Applied();
  for (int g = 1; g <= 4; ++g) vtest::SetGroup(*host, g, SceneGroup(g));
  vtest::SetView(*host, 4);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), output(kW, kH, PF_PixelFormat_ARGB64);
  host->resetLogs();
  ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
  const auto log = host->progressLog();
  ASSERT_FALSE(log.empty());
  for (const auto &p : log) EXPECT_EQ(p.second, 100);
  EXPECT_EQ(log.back().first, 50);

  // The same picture as group 1 alone under View Extract.
  auto alone = Applied();
  vtest::SetGroup(*alone, 1, SceneGroup(1));
  vtest::SetView(*alone, 3);
  vemu::Image expected(kW, kH, PF_PixelFormat_ARGB64);
  ASSERT_EQ(alone->renderSmart(input, expected), PF_Err_NONE);
  EXPECT_TRUE(output.samePixels(expected));
}

TEST(Render, ExtractViewHidesPixelsOfNoGroup) {
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    vtest::SetGroup(*host, 1, SceneGroup(1));
    vemu::Image input = Frame(format), normal(kW, kH, format), extract(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, normal), PF_Err_NONE);
    vtest::SetView(*host, 3);
    ASSERT_EQ(host->renderSmart(input, extract), PF_Err_NONE);
    const int bpp = vemu::BytesPerPixel(format);
    const int alphaBytes = bpp / 4;
    int hidden = 0, shown = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const uint8_t *n = normal.row(y) + x * bpp, *e = extract.row(y) + x * bpp;
        // Colour channels are those of the Normal view in every pixel.
        EXPECT_EQ(std::memcmp(n + alphaBytes, e + alphaBytes, bpp - alphaBytes), 0) << x << "," << y;
        if (AlphaOf(extract, x, y) == 0.0) {
          ++hidden;
        } else {
          ++shown;
          EXPECT_EQ(std::memcmp(n, e, alphaBytes), 0);
        }
      }
    }
    EXPECT_GT(hidden, 0);
    EXPECT_GT(shown, 0);
  }
}

TEST(Render, RadiusOneWithoutSofteningLeavesThePixels) {
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    GroupValues g = SceneGroup(3);
    g.blurAmount = 0.0;
    g.softness = 0.0;
    vtest::SetGroup(*host, 1, g);
    vemu::Image input = Frame(format), output(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.samePixels(input)) << vtest::DepthName(format);
  }
}

TEST(Render, ResolutionScaleIsTheSmallerDownsampleFactor) {
  // Blur 8 at x 1/2, y 1/4 gives R = (int)(8 x 0.25 + 0.5) + 1 = 3, as Blur 2
  // at full resolution does; the point is placed at the scaled position.
  GroupValues g = SceneGroup(3);
  g.softness = 0.0;
  g.keepDivision = false;
  auto reduced = Applied();
  reduced->setDownsample(1, 2, 1, 4);
  g.blurAmount = 8.0;
  g.centerX = 60.0;
  g.centerY = 80.0;
  vtest::SetGroup(*reduced, 1, g);
  auto full = Applied();
  g.blurAmount = 2.0;
  g.centerX = 30.0;
  g.centerY = 20.0;
  vtest::SetGroup(*full, 1, g);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), a(kW, kH, PF_PixelFormat_ARGB64), b(kW, kH, PF_PixelFormat_ARGB64);
  ASSERT_EQ(reduced->renderSmart(input, a), PF_Err_NONE);
  ASSERT_EQ(full->renderSmart(input, b), PF_Err_NONE);
  EXPECT_TRUE(a.samePixels(b));
  EXPECT_FALSE(a.samePixels(input)) << "the group was blurred";
}

TEST(Render, CentreIsRoundedAndMadeRelativeToTheBufferOrigin) {
  // (100.5, 20.25) in a buffer placed at (10, 0) gives the centre (91, 20) of
  // the buffer; the same buffer at (0, 0) with the point (91, 20) agrees.
  GroupValues g = SceneGroup(3);
  g.softness = 0.0;
  g.blurAmount = 6.0;
  g.keepDivision = false;
  auto shifted = Applied();
  g.centerX = 100.5;
  g.centerY = 20.25;
  vtest::SetGroup(*shifted, 1, g);
  auto plain = Applied();
  g.centerX = 91.0;
  g.centerY = 20.0;
  vtest::SetGroup(*plain, 1, g);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), a(kW, kH, PF_PixelFormat_ARGB64), b(kW, kH, PF_PixelFormat_ARGB64);
  vemu::Image inputShifted = input;
  inputShifted.setOrigin(10, 0);
  ASSERT_EQ(shifted->renderSmart(inputShifted, a), PF_Err_NONE);
  ASSERT_EQ(plain->renderSmart(input, b), PF_Err_NONE);
  EXPECT_TRUE(a.samePixels(b));
  g.centerX = 90.0; // one pixel off gives another picture
  vtest::SetGroup(*plain, 1, g);
  ASSERT_EQ(plain->renderSmart(input, b), PF_Err_NONE);
  EXPECT_FALSE(a.samePixels(b));
}

TEST(Render, ClassicAndSmartPathsGiveTheSamePixels) {
  for (PF_PixelFormat format : kFormats) {
    auto host = Applied();
    vtest::SetGroup(*host, 1, SceneGroup(1));
    GroupValues g2 = SceneGroup(2);
    g2.keepDivision = false;
    vtest::SetGroup(*host, 2, g2);
    vemu::Image input = Frame(format), smart(kW, kH, format), classic(kW, kH, format);
    ASSERT_EQ(host->renderSmart(input, smart), PF_Err_NONE);
    ASSERT_EQ(host->renderClassic(input, classic), PF_Err_NONE);
    EXPECT_TRUE(smart.samePixels(classic)) << vtest::DepthName(format);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST(Render, PartialClassicRenderPlacesTheBlurWhereAFullRenderDoes) {
  // A group lying inside the extent with room for its walks (R = 4, walks
  // of up to 8 pixels): the partial render's pixels in the extent equal the
  // full render's.
  auto host = Applied();
  GroupValues g = SceneGroup(1);
  g.softness = 0.0;
  g.blurAmount = 3.0;
  g.keepDivision = false;
  vtest::SetGroup(*host, 1, g);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), full(kW, kH, PF_PixelFormat_ARGB64),
              partial(kW, kH, PF_PixelFormat_ARGB64);
  ASSERT_EQ(host->renderClassic(input, full), PF_Err_NONE);
  const PF_LRect extent{6, 0, 52, 40};
  partial = input;
  ASSERT_EQ(host->renderClassic(input, partial, &extent), PF_Err_NONE);
  long differing = 0;
  for (int y = extent.top; y < extent.bottom; ++y)
    for (int x = extent.left; x < extent.right; ++x)
      if (std::memcmp(&full.at<PF_Pixel16>(x, y), &partial.at<PF_Pixel16>(x, y), 8) != 0) ++differing;
  EXPECT_EQ(differing, 0);
  EXPECT_FALSE(full.samePixels(input));
}

TEST(Render, ExtentReachingPastTheWorldIsKeptInsideIt) {
  auto host = Applied();
  GroupValues g = SceneGroup(1);
  g.keepDivision = false;
  vtest::SetGroup(*host, 1, g);
  vemu::Image input = Frame(PF_PixelFormat_ARGB32), full(kW, kH, PF_PixelFormat_ARGB32),
              wide(kW, kH, PF_PixelFormat_ARGB32);
  ASSERT_EQ(host->renderClassic(input, full), PF_Err_NONE);
  const PF_LRect extent{-20, -10, kW + 30, kH + 5};
  ASSERT_EQ(host->renderClassic(input, wide, &extent), PF_Err_NONE);
  EXPECT_TRUE(wide.samePixels(full));
  EXPECT_FALSE(full.samePixels(input));
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
    vemu::Image in = Frame(kFormats[i % 3]);
    in.setOrigin(i, 0); // four different frames
    inputs.push_back(in);
    serial.emplace_back(kW, kH, kFormats[i % 3]);
    concurrent.emplace_back(kW, kH, kFormats[i % 3]);
  }
  for (int i = 0; i < 4; ++i) ASSERT_EQ(host->renderSmart(inputs[i], serial[i]), PF_Err_NONE);
  std::vector<PF_Err> results(4, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { results[i] = host->renderSmart(inputs[i], concurrent[i]); });
  for (std::thread &t : threads) t.join();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(results[i], PF_Err_NONE);
    EXPECT_TRUE(concurrent[i].samePixels(serial[i])) << "frame " << i;
  }
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

TEST(RenderErrors, HostFailuresEndTheFrameWithTheirCodeAndLeakNothing) {
  struct Case {
    vemu::Fault fault;
    PF_Err err;
    int successes;
    PF_Err expected;
  } cases[] = {
      {vemu::Fault::Progress, PF_Interrupt_CANCEL, 0, PF_Interrupt_CANCEL},
      {vemu::Fault::IterateGeneric, PF_Err_INTERNAL_STRUCT_DAMAGED, 3, PF_Err_INTERNAL_STRUCT_DAMAGED},
      // The first copy: the 8-bit driver makes no host copy after it.
      {vemu::Fault::WorldCopy, PF_Err_BAD_CALLBACK_PARAM, 0, PF_Err_BAD_CALLBACK_PARAM},
      {vemu::Fault::RGBtoHLS, PF_Err_INVALID_CALLBACK, 0, PF_Err_INVALID_CALLBACK},
      {vemu::Fault::NewWorld, PF_Err_OUT_OF_MEMORY, 0, PF_Err_OUT_OF_MEMORY}, // the first working image
      {vemu::Fault::CheckoutLayerPixels, PF_Err_INVALID_INDEX, 0, PF_Err_INVALID_INDEX},
      {vemu::Fault::CheckoutOutput, PF_Err_INVALID_INDEX, 0, PF_Err_INVALID_INDEX},
      {vemu::Fault::CheckinLayerPixels, PF_Err_INVALID_INDEX, 0, PF_Err_INVALID_INDEX},
  };
  for (const Case &c : cases) {
    for (PF_PixelFormat format : kFormats) {
      auto host = Applied();
      vtest::SetGroup(*host, 1, SceneGroup(1));
      vtest::SetView(*host, 3);
      vemu::Image input = Frame(format), output(kW, kH, format);
      host->injectFault(c.fault, c.err, c.successes);
      EXPECT_EQ(host->renderSmart(input, output), c.expected) << static_cast<int>(c.fault);
      host->clearFaults();
      // A check-in the host refused leaves its layer with it; nothing else may stay.
      if (c.fault != vemu::Fault::CheckinLayerPixels) {
        EXPECT_EQ(host->leaks(), "") << static_cast<int>(c.fault);
      }
      EXPECT_EQ(host->liveWorlds(), 0);
      EXPECT_EQ(host->outstandingSuites(), 0);
      EXPECT_EQ(host->liveHandles(), 1) << "only the sequence record remains";
    }
  }
}

TEST(RenderErrors, UnknownPixelFormatIsRefusedAfterCheckinAndSizesMustMatch) {
  auto host = Applied();
  vtest::SetGroup(*host, 1, SceneGroup(1));
  vemu::Image input(kW, kH, PF_PixelFormat_BGRA32), output(kW, kH, PF_PixelFormat_BGRA32);
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_UNRECOGNIZED_PARAM_TYPE);
  EXPECT_EQ(host->counters().layerPixelCheckins, 1);
  EXPECT_EQ(host->leaks(), "");

  vemu::Image input8 = Frame(PF_PixelFormat_ARGB32), narrow(kW - 1, kH, PF_PixelFormat_ARGB32);
  const std::vector<uint8_t> before = narrow.pixelBytes();
  EXPECT_EQ(host->renderClassic(input8, narrow), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(narrow.pixelBytes(), before);
  EXPECT_EQ(host->leaks(), "");
}

TEST(RenderErrors, MissingSuitesAreReportedThroughTheErrorMessage) {
  auto host = Applied();
  vtest::SetGroup(*host, 1, SceneGroup(1));
  host->withholdSuite(kPFWorldTransformSuite, 1);
  vemu::Image input = Frame(PF_PixelFormat_ARGB64), output(kW, kH, PF_PixelFormat_ARGB64);
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->returnMessage(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
  EXPECT_EQ(host->leaks(), "");
}

TEST(SmartRender, PreRenderMergesRectanglesAndHandsOverItsData) {
  auto host = Applied();
  vemu::PreRenderResult result;
  vemu::SmartRenderOptions options;
  options.useRequest = true;
  options.request = PF_LRect{4, 5, 20, 30};
  ASSERT_EQ(host->preRenderOnly(options, &result), PF_Err_NONE);
  EXPECT_EQ(result.resultRect.left, 4);
  EXPECT_EQ(result.resultRect.bottom, 30);
  EXPECT_EQ(result.maxResultRect.right, kW);
  EXPECT_TRUE(result.deleteFunctionGiven);
  // The input is checked out for exactly the requested area.
  const auto checkouts = host->layerCheckouts();
  ASSERT_EQ(checkouts.size(), 1u);
  EXPECT_EQ(std::memcmp(&checkouts[0].request.rect, &options.request, sizeof options.request), 0);

  options.preRenderResult = PF_LRect{0, 0, 10, 10};
  options.preRenderMaxResult = PF_LRect{-5, -5, 2, 2};
  ASSERT_EQ(host->preRenderOnly(options, &result), PF_Err_NONE);
  EXPECT_EQ(result.resultRect.left, 0);
  EXPECT_EQ(result.resultRect.top, 0);
  EXPECT_EQ(result.resultRect.right, 20);
  EXPECT_EQ(result.resultRect.bottom, 30);
  EXPECT_EQ(result.maxResultRect.left, -5);
  EXPECT_EQ(result.maxResultRect.right, kW);
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
