// The render command against the emulator's direct render: every input
// format and working depth gives the pixels the plug-in renders for the same
// working image; frame sequences render every frame they can and report the
// others.
#include <gtest/gtest.h>

#include <cstdio>

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

// Groups 1 and 3 of the synthetic scene, blurred about their own centres.
std::vector<std::string> SceneSettings() {
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(kWidth, kHeight);
  std::vector<std::string> sets;
  for (int g : {1, 3}) {
    const vemu::SyntheticGroup &s = scene.groups[g - 1];
    const std::string p = std::to_string(g) + " : ";
    sets.push_back(p + "Enable Color Group=on");
    sets.push_back(p + "Color B=" + std::to_string(s.colorB.red) + "," + std::to_string(s.colorB.green) + "," +
                   std::to_string(s.colorB.blue));
    sets.push_back(p + "Color A=" + std::to_string(s.colorA.red) + "," + std::to_string(s.colorA.green) + "," +
                   std::to_string(s.colorA.blue));
    sets.push_back(p + "Blur Center=" + vcli::FormatNumber(s.centerX) + "," + vcli::FormatNumber(s.centerY));
    sets.push_back(p + "Blur Amount=12");
    sets.push_back(p + "Range=8");
  }
  return sets;
}

// The same settings made by host index through the emulator, and the
// plug-in's render of the working image.
vemu::Image DirectRender(vemu::Image &input) {
  auto host = vtest::MakeHost(2);
  host->setLayerSize(input.width(), input.height());
  vtest::ApplyEffect(*host);
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(kWidth, kHeight);
  for (int g : {1, 3}) {
    const vemu::SyntheticGroup &s = scene.groups[g - 1];
    vtest::GroupValues v;
    v.colorA = s.colorA;
    v.colorB = s.colorB;
    v.centerX = s.centerX;
    v.centerY = s.centerY;
    v.blurAmount = 12.0;
    v.range = 8.0;
    vtest::SetGroup(*host, g, v);
  }
  vemu::Image output(input.width(), input.height(), input.format());
  EXPECT_EQ(host->renderSmart(input, output), PF_Err_NONE);
  EXPECT_EQ(host->leaks(), "");
  return output;
}

TEST(RenderCommand, EveryFormatAndDepthMatchesTheDirectRender) {
  TempDir dir;
  struct Case {
    const char *input;
    SampleKind kind;
    int depth;
    const char *output;
    PF_PixelFormat working;
  } cases[] = {
      {"a.png", SampleKind::U8, 0, "a_out.png", PF_PixelFormat_ARGB32},
      {"b.png", SampleKind::U16, 0, "b_out.png", PF_PixelFormat_ARGB64},
      {"c.tif", SampleKind::U8, 0, "c_out.tif", PF_PixelFormat_ARGB32},
      {"d.tif", SampleKind::U16, 0, "d_out.tif", PF_PixelFormat_ARGB64},
      {"e.tif", SampleKind::F32, 0, "e_out.tif", PF_PixelFormat_ARGB128},
      {"f.exr", SampleKind::F32, 0, "f_out.exr", PF_PixelFormat_ARGB128},
      {"g.png", SampleKind::U8, 16, "g_out.png", PF_PixelFormat_ARGB64},
      {"h.png", SampleKind::U16, 32, "h_out.exr", PF_PixelFormat_ARGB128},
      {"i.exr", SampleKind::F32, 8, "i_out.tif", PF_PixelFormat_ARGB32},
  };
  for (const Case &c : cases) {
    const Raster input = clitest::CelRaster(kWidth, kHeight, c.kind);
    vcli::WriteImage(dir.file(c.input), input);
    vcli::RenderCommand command;
    command.input = dir.file(c.input);
    command.output = dir.file(c.output);
    command.options.depth = c.depth;
    command.options.threads = 2;
    command.options.quiet = true;
    command.options.sets = SceneSettings();
    ASSERT_EQ(vcli::RunRender(command, nullptr), 0) << c.input;

    vemu::Image working = vcli::ToWorking(input, c.working);
    const Raster expected = vcli::FromWorking(DirectRender(working));
    const Raster written = vcli::ReadImage(dir.file(c.output));
    EXPECT_EQ(written.kind, vcli::FileKindOfWorking(c.working)) << c.output;
    EXPECT_EQ(written.bytes, expected.bytes) << c.output;
    // The effect did something.
    EXPECT_NE(written.bytes, vcli::FromWorking(working).bytes) << c.output;
  }
}

TEST(RenderCommand, SequenceRendersTheGoodFramesAndReportsTheBadOnes) {
  TempDir dir;
  const Raster frame = clitest::CelRaster(kWidth, kHeight, SampleKind::U8);
  for (int f = 1; f <= 4; ++f) vcli::WriteImage(dir.file("in_000" + std::to_string(f) + ".png"), frame);
  clitest::Truncate(dir.file("in_0002.png"), clitest::FileSize(dir.file("in_0002.png")) - 30);
  vcli::WriteImage(dir.file("in_0004.png"), clitest::CelRaster(kWidth, kHeight + 1, SampleKind::U8));

  vcli::RenderCommand command;
  command.input = dir.file("in_####.png");
  command.output = dir.file("out_%04d.png");
  command.frames = "1-5";
  command.options.sets = SceneSettings();
  command.options.threads = 2;
  std::FILE *status = std::tmpfile();
  EXPECT_EQ(vcli::RunRender(command, status), vcli::kExitFailure);
  const std::string text = clitest::ReadAll(status);
  std::fclose(status);

  EXPECT_NE(text.find("vortane: frame 2: cannot read " + dir.file("in_0002.png") + ": truncated or corrupt PNG"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("vortane: frame 4: " + dir.file("in_0004.png") + ": frame size 96 x 55 differs from the "
                      "sequence's 96 x 54"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("vortane: frame 5: cannot read " + dir.file("in_0005.png")), std::string::npos) << text;
  EXPECT_NE(text.find("5/5 frames"), std::string::npos) << text;
  EXPECT_NE(text.find("rendered 2 of 5 frames"), std::string::npos) << text;
  EXPECT_NE(text.find("vortane: 3 of 5 frames failed"), std::string::npos) << text;

  // Frames 1 and 3 are the single-image render of the same file.
  vcli::RenderCommand single = command;
  single.input = dir.file("in_0001.png");
  single.output = dir.file("single.png");
  single.frames.clear();
  single.options.quiet = true;
  ASSERT_EQ(vcli::RunRender(single, nullptr), 0);
  const Raster expected = vcli::ReadImage(dir.file("single.png"));
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0001.png")).bytes, expected.bytes);
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0003.png")).bytes, expected.bytes);
  EXPECT_FALSE(clitest::FileExists(dir.file("out_0002.png")));
  EXPECT_FALSE(clitest::FileExists(dir.file("out_0004.png")));
}

TEST(RenderCommand, SequenceWithoutFramesTakesEveryMatchingFile) {
  TempDir dir;
  const Raster frame = clitest::CelRaster(16, 9, SampleKind::U16);
  for (const char *name : {"s.0009.tif", "s.0010.tif", "s.0012.tif", "s.12.tif", "s.00011.tif", "s.0013.png"})
    vcli::WriteImage(dir.file(name), frame);
  vcli::RenderCommand command;
  command.input = dir.file("s.####.tif");
  command.output = dir.file("o%%.%d.png");
  command.options.quiet = true;
  ASSERT_EQ(vcli::RunRender(command, nullptr), 0);
  for (const char *name : {"o%.9.png", "o%.10.png", "o%.12.png"}) {
    EXPECT_TRUE(clitest::FileExists(dir.file(name))) << name;
    EXPECT_EQ(vcli::ReadImage(dir.file(name)).kind, SampleKind::U16) << name;
  }
  EXPECT_EQ(dir.entries().size(), 9u);
  command.input = dir.file("t.####.tif");
  EXPECT_THROW(vcli::RunRender(command, nullptr), vcli::Failure);
}

TEST(RenderCommand, InconsistentSequenceArgumentsAreUsageErrors) {
  TempDir dir;
  vcli::WriteImage(dir.file("a.png"), clitest::CelRaster(8, 8, SampleKind::U8));
  const struct Case {
    const char *input, *output, *frames;
    int depth;
    const char *message;
  } cases[] = {
      {"a_####.png", "b.png", "", 0, "IN and OUT must both be frame patterns"},
      {"a.png", "b_####.png", "", 0, "IN and OUT must both be frame patterns"},
      {"a.png", "b.png", "1-3", 0, "--frames needs IN and OUT with a frame-number placeholder"},
      {"a_####.png", "b_####.png", "3-1", 0, "--frames 3-1: expected A-B"},
      {"a_####.png", "b_##_##.png", "1", 0, "more than one frame-number placeholder"},
      {"a.png", "b.bmp", "", 0, "cannot tell the format of"},
      {"a.png", "b.png", "", 32, "PNG cannot hold 32-bit float output"},
      {"a.png", "b.exr", "", 0, "OpenEXR holds float samples only, not 8-bit output"},
  };
  for (const Case &c : cases) {
    vcli::RenderCommand command;
    command.input = dir.file(c.input);
    command.output = dir.file(c.output);
    command.frames = c.frames;
    command.options.depth = c.depth;
    try {
      vcli::RunRender(command, nullptr);
      ADD_FAILURE() << c.input << " " << c.output;
    } catch (const vcli::UsageError &e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.png"});
}

TEST(FramePattern, PlaceholdersNameTheFramesFiles) {
  const struct Case {
    const char *text;
    bool pattern;
    const char *frame7;
    const char *frame12345;
  } cases[] = {
      {"a_####.png", true, "a_0007.png", "a_12345.png"},
      {"dir.v2/a_%04d.png", true, "dir.v2/a_0007.png", "dir.v2/a_12345.png"},
      {"a_%d.exr", true, "a_7.exr", "a_12345.exr"},
      {"#.tif", true, "7.tif", "12345.tif"},
      {"50%%_%06d.png", true, "50%_000007.png", "50%_012345.png"},
      {"100%.png", false, "100%.png", "100%.png"},
      {"a_%4d.png", false, "a_%4d.png", "a_%4d.png"},
      {"take_##/50%%.png", false, "take_##/50%%.png", "take_##/50%%.png"},
      {"take_##%%/#.png", true, "take_##%%/7.png", "take_##%%/12345.png"},
  };
  for (const Case &c : cases) {
    const vcli::FramePattern p(c.text);
    EXPECT_EQ(p.isPattern(), c.pattern) << c.text;
    EXPECT_EQ(p.path(7), c.frame7) << c.text;
    EXPECT_EQ(p.path(12345), c.frame12345) << c.text;
  }
  EXPECT_THROW(vcli::FramePattern("a_##_%d.png"), vcli::UsageError);

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
