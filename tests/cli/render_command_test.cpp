// The render command against the emulator's direct render: every input
// format and working depth gives the pixels the plug-in renders for the same
// working image. Frame-number placeholders and the progress line.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "Commands.h"
#include "EffectParams.h"
#include "Errors.h"
#include "FramePattern.h"
#include "ImageIO.h"
#include "ParamValues.h"
#include "Progress.h"
#include "SyntheticFrame.h"
#include "TestSupport.h"

namespace {

using clitest::TempDir;
using vcli::Raster;
using vcli::SampleKind;

constexpr int kWidth = 96, kHeight = 54;

// Groups 1 and 3 of the synthetic scene, blurred about their own centres:
// set on a host by index, and as the tool's --set values.
vtest::GroupValues SceneGroup(int g) {
  vtest::GroupValues v = vtest::SceneGroupValues(vemu::SyntheticCelScene(kWidth, kHeight), g);
  v.blurAmount = 12.0;
  v.range = 8.0;
  return v;
}

std::vector<std::string> SceneSettings() {
  auto rgb = [](const PF_Pixel &c) {
    return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
  };
  std::vector<std::string> sets;
  for (int g : {1, 3}) {
    const vtest::GroupValues v = SceneGroup(g);
    const std::string p = std::to_string(g) + " : ";
    sets.insert(sets.end(),
                {p + "Enable Color Group=on", p + "Color A=" + rgb(v.colorA), p + "Color B=" + rgb(v.colorB),
                 p + "Blur Center=" + vcli::FormatNumber(v.centerX) + "," + vcli::FormatNumber(v.centerY),
                 p + "Blur Amount=12", p + "Range=8"});
  }
  return sets;
}

// The plug-in's own render of the working image, through the host emulator.
vemu::Image DirectRender(vemu::Image &input) {
  auto host = vtest::MakeHost(2);
  host->setLayerSize(input.width(), input.height());
  vtest::ApplyEffect(*host);
  for (int g : {1, 3}) vtest::SetGroup(*host, g, SceneGroup(g));
  vemu::Image output(input.width(), input.height(), input.format());
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_NONE);
  EXPECT_EQ(host->leaks(), "");
  return output;
}

TEST(RenderCommand, EveryFormatAndDepthMatchesTheDirectRender) {
  TempDir dir;
  const struct {
    const char *input;
    SampleKind kind;
    int depth;
    const char *output;
    PF_PixelFormat working;
  } cases[] = {
      {"a.png", SampleKind::U8, 0, "a_out.png", PF_PixelFormat_ARGB32},
      {"b.png", SampleKind::U16, 0, "b_out.png", PF_PixelFormat_ARGB64},
      {"c.tif", SampleKind::U8, 0, "c_out.TIF", PF_PixelFormat_ARGB32},
      {"d.tiff", SampleKind::U16, 0, "d_out.tif", PF_PixelFormat_ARGB64},
      {"e.tif", SampleKind::F32, 0, "e_out.tiff", PF_PixelFormat_ARGB128},
      {"f.exr", SampleKind::F32, 0, "f_out.exr", PF_PixelFormat_ARGB128},
      {"g.png", SampleKind::U8, 16, "g_out.png", PF_PixelFormat_ARGB64},
      {"h.png", SampleKind::U16, 32, "h_out.exr", PF_PixelFormat_ARGB128},
      {"i.exr", SampleKind::F32, 8, "i_out.tif", PF_PixelFormat_ARGB32},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.output);
    // Alpha that is not opaque has to survive reading and writing too.
    Raster input = clitest::CelRaster(kWidth, kHeight, c.kind);
    for (size_t i = 3; i < input.sampleCount(); i += 4 * 7) {
      if (c.kind == SampleKind::U8) input.setSample<uint8_t>(i, static_cast<uint8_t>(i % 251));
      if (c.kind == SampleKind::U16) input.setSample<uint16_t>(i, static_cast<uint16_t>(i * 7 % 65521));
      if (c.kind == SampleKind::F32) input.setSample<float>(i, static_cast<float>(i % 97) / 96.0f);
    }
    vcli::WriteImage(dir.file(c.input), input);
    vcli::RenderCommand command;
    command.input = dir.file(c.input);
    command.output = dir.file(c.output);
    command.options.depth = c.depth;
    command.options.sets = SceneSettings();
    ASSERT_EQ(vcli::RunRender(command, nullptr), 0);
    vemu::Image working = vcli::ToWorking(input, c.working);
    const Raster written = vcli::ReadImage(dir.file(c.output));
    EXPECT_EQ(written.kind, vcli::FileKindOfWorking(c.working));
    EXPECT_EQ(written.bytes, vcli::FromWorking(DirectRender(working)).bytes);
    EXPECT_NE(written.bytes, vcli::FromWorking(working).bytes); // the effect did something
  }
}

TEST(FramePattern, PlaceholdersNameTheFramesFiles) {
  // Frames 7 and 12345; a text without a placeholder names one file.
  const std::pair<const char *, const char *> cases[] = {
      {"a_####.png", "a_0007.png a_12345.png"},
      {"dir.v2/a_%04d.png", "dir.v2/a_0007.png dir.v2/a_12345.png"},
      {"#.tif", "7.tif 12345.tif"},
      {"50%%_%06d.png", "50%_000007.png 50%_012345.png"},
      {"100%.png", "100%.png 100%.png"},
      {"a_%4d.png", "a_%4d.png a_%4d.png"},
      {"take_##/50%%.png", "take_##/50%%.png take_##/50%%.png"},
      {"take_##%%/#.png", "take_##%%/7.png take_##%%/12345.png"},
  };
  for (const auto &[text, paths] : cases) {
    const vcli::FramePattern pattern(text);
    EXPECT_EQ(pattern.path(7) + " " + pattern.path(12345), paths);
  }
  EXPECT_EQ(vcli::ParseFrameRange("3-12").first, 3);
  EXPECT_EQ(vcli::ParseFrameRange("3-12").last, 12);
  EXPECT_EQ(vcli::ParseFrameRange("0").last, 0);
  for (const char *bad : {"", "-3", "3-", "a-b", "5-4", "1-2-3", "1 - 2", "-1-2"})
    EXPECT_THROW(vcli::ParseFrameRange(bad), vcli::UsageError) << bad;
}

TEST(Progress, LineShowsFramesRateAndTimeLeft) {
  EXPECT_EQ(vcli::FormatProgress(0, 10, 0.0, 10), "[..........] 0/10 frames");
  EXPECT_EQ(vcli::FormatProgress(5, 10, 2.0, 10), "[#####.....] 5/10 frames  2.50 fps  0:02 left");
  EXPECT_EQ(vcli::FormatProgress(1, 3, 30.0, 6), "[##....] 1/3 frames  0.03 fps  1:00 left");
  EXPECT_EQ(vcli::FormatProgress(3, 3, 1.0, 4), "[####] 3/3 frames  3.00 fps  0:00 left");
  EXPECT_EQ(vcli::FormatDuration(59.6), "1:00");
  EXPECT_EQ(vcli::FormatDuration(3723.0), "1:02:03");
}

} // namespace
