// The vortane tool as a user runs it: command lines that ask for the
// impossible, the demo, parameter values by display name, sequences that
// render what they can at every depth as the plug-in renders through the host
// emulator, frame-number placeholders, progress, the listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "CliTestSupport.h"
#include "Commands.h"
#include "EffectInstance.h"
#include "EffectParams.h"
#include "Errors.h"
#include "FramePattern.h"
#include "ImageIO.h"
#include "ParamValues.h"
#include "Progress.h"
#include "TestSupport.h"

namespace {

using clitest::RunTool;
using clitest::TempDir;
using vcli::SampleKind;

TEST(Tool, CommandLinesAndValuesAskingTheImpossibleWriteNothingAndTheDemoWritesItsFrame) {
  TempDir dir;
  vcli::WriteImage(dir.file("in.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const std::vector<clitest::ToolCase> cases = {
      {{"in.png", "o.png", "--set", ""}, 2, "vortane: --set: an empty value is not allowed\n"},
      {{"in.png", "o.png", "--depth", "12"}, 2, "vortane: --depth: 12 not in {8,16,32}"},
      {{"in.png", "o.png", "--depth", ""}, 2, "vortane: --depth: \"\" is not a whole number"},
      {{"in.png", "o.png", "--depth", "8.0"}, 2, "vortane: --depth: \"8.0\" is not a whole number"},
      {{"in.png", "o.png", "--threads", "0"}, 2, "vortane: --threads: Value 0 not in range 1 to"},
      {{"in.png", "o.gif"}, 2, "vortane: cannot tell the format of o.gif"},
      {{"in.png", "o.exr"}, 2, "vortane: OpenEXR holds float samples only, not 8-bit output"},
      {{"in.png", "o.png", "--depth", "32"}, 2, "vortane: PNG cannot hold 32-bit float output"},
      {{"a_####.png", "o.png"}, 2, "vortane: IN and OUT must both be frame patterns"},
      {{"in.png", "o.png", "--frames", "1-3"}, 2, "vortane: --frames needs IN and OUT with a frame-number"},
      {{"i_#.png", "o_#_#.png"}, 2, "vortane: o_#_#.png: more than one frame-number placeholder"},
  };
  clitest::ExpectRuns(dir, cases, {"render"});
  // Values refused, naming the problem.
  const std::vector<clitest::ToolCase> refused = {
      {{"Blur Amount=3"}, 2, R"(unknown parameter "Blur Amount"; did you mean "Master Blur Amount", "1 : Blur)"},
      {{"Zoom=3"}, 2, R"(unknown parameter "Zoom" (vortane params lists them))"},
      {{"1 : Blur Amount"}, 2, R"(expected NAME=VALUE)"},
      {{"1 : Blur Amount=1000.5"}, 2, "1 : Blur Amount: 1000.5 is outside the valid range 0 to 1000"},
      {{"1 : Range=-1"}, 2, "1 : Range: -1 is outside the valid range 0 to 100"},
      {{"1 : Range=5%%"}, 2, R"(1 : Range: "5%" is not a number)"},
      {{"Master Blur Amount=nan"}, 2, R"("nan" is not a number)"},
      {{"Master Blur Amount=1e999"}, 2, R"("1e999" is not a number)"},
      {{"1 : Blur Amount=25%"}, 2, R"("25%" is not a number)"},
      {{"View=2"}, 2, R"(View: "2" is not a choice; choose 1 "Normal", 3 "Extract", 4 "Group 1")"},
      {{"View=8"}, 2, R"(View: "8" is not a choice)"},
      {{"View=(-"}, 2, R"(View: "(-" is not a choice)"},
      {{"1 : Invert=yes please"}, 2, R"(1 : Invert: "yes please" is not on or off)"},
      {{"1 : Color A=1,2"}, 2, R"(1 : Color A: "1,2" is not a colour)"},
      {{"1 : Color A=#12345"}, 2, R"("#12345" is not a colour)"},
      {{"1 : Color A=#12345g"}, 2, R"("#12345g" is not a colour)"},
      {{"1 : Color A=10,256,0"}, 2, "1 : Color A: green 256 is outside 0 to 255"},
      {{"1 : Color A=10,-1,0"}, 2, "green -1 is outside 0 to 255"},
      {{"1 : Color A=10,1.5,0"}, 2, R"(green "1.5" is not a whole number 0 to 255)"},
      {{"1 : Blur Center=5"}, 2, R"(1 : Blur Center: "5" is not a point; use "x,y" in layer pixels)"},
      {{"1 : Blur Center=5,y"}, 2, R"("5,y" is not a point)"},
      {{"1 : Blur Center=5,40000"}, 2, "1 : Blur Center: 40000 is outside the point range -32768 to 32767"},
      {{"Color Group 2=on"}, 2, R"("Color Group 2" is a group heading, not a value)"},
  };
  clitest::ExpectRuns(dir, refused, {"render", "in.png", "o.png", "--set"});
  clitest::ExpectRuns(dir, {{{"frobnicate"}, 2, "vortane: "}, {{"demo", "-q", "demo.tif"}, 0, "", {"demo.tif"}}}, {});
  // The demo: the 1920 x 1080 cel frame rendered, at 8 bits by default.
  const vcli::Raster demo = vcli::ReadImage(dir.file("demo.tif"));
  EXPECT_EQ(std::make_tuple(demo.width, demo.height, demo.kind), std::make_tuple(1920, 1080, SampleKind::U8));
  EXPECT_NE(demo.bytes, clitest::CelRaster(1920, 1080, SampleKind::U8).bytes);
}

TEST(Tool, SequencesRenderEveryFrameTheyCanAndReportTheOthers) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(48, 27, SampleKind::U8);
  for (const char *name : {"in_0001.png", "in_0002.png", "in_0003.png"}) vcli::WriteImage(dir.file(name), frame);
  clitest::Truncate(dir.file("in_0002.png"), -30);
  vcli::WriteImage(dir.file("in_0004.png"), clitest::CelRaster(48, 28, SampleKind::U8));
  auto render = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    for (const std::string &set : vcli::DemoSettings(48, 27)) args.insert(args.end(), {"--set", set});
    return RunTool(dir.path(), args);
  };

  clitest::ToolRun run = render({"in_####.png", "out_%04d.png", "--frames", "1-5"});
  EXPECT_EQ(run.status, 1);
  // Off a terminal: one progress line a frame, frame errors as they happen.
  for (const char *line : {"vortane: frame 2: cannot read in_0002.png: truncated or corrupt PNG",
                           "\nvortane: frame 4: in_0004.png: frame size 48 x 28 differs from the sequence's 48 x 27\n",
                           "\nvortane: frame 5: cannot read in_0005.png: No such file or directory\n", "] 5/5 frames",
                           "\nrendered 2 of 5 frames in ", ", 8-bit\nvortane: 3 of 5 frames failed\n"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;

  // Frames 1 and 3 are the single image render of their file, which is the
  // plug-in's own render of the frame through the host emulator, with the
  // demo's settings for this size set by the host.
  run = render({"in_0001.png", "single.png", "--threads", "1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.rfind("wrote single.png (48 x 27, 8-bit) in ", 0), 0u) << run.err;
  const vcli::Raster single = vcli::ReadImage(dir.file("single.png"));
  auto host = vtest::MakeHost(1);
  host->setLayerSize(48, 27);
  vtest::ApplyEffect(*host);
  const double blur[4] = {2.25, 1.125, 1.5, 0.875}; // 90, 45, 60 and 35 at 1920 pixels wide
  for (int g = 1; g <= 4; ++g) {
    vtest::GroupValues v = vtest::SceneGroupValues(vemu::SyntheticCelScene(48, 27), g);
    v.blurAmount = blur[g - 1];
    v.range = 8.0;
    vtest::SetGroup(*host, g, v);
  }
  vemu::Image input = vemu::SyntheticCelFrame(48, 27), direct(48, 27, input.format());
  ASSERT_EQ(host->renderSmart(input, direct), PF_Err_NONE);
  EXPECT_TRUE(vcli::ToWorking(single, PF_PixelFormat_ARGB32).samePixels(direct));
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0001.png")).bytes, single.bytes);
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0003.png")).bytes, single.bytes);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in_0001.png", "in_0002.png", "in_0003.png", "in_0004.png",
                                                     "out_0001.png", "out_0003.png", "single.png"}));

  // The working depth is the input's unless --depth chooses one; the output
  // is written at it.
  vcli::WriteImage(dir.file("in16.tif"), clitest::CelRaster(48, 27, SampleKind::U16));
  vcli::WriteImage(dir.file("in32.exr"), clitest::CelRaster(48, 27, SampleKind::F32));
  const std::pair<std::vector<std::string>, SampleKind> depths[] = {
      {{"in16.tif", "o16.png"}, SampleKind::U16},
      {{"in32.exr", "o8.png", "--depth", "8"}, SampleKind::U8},
      {{"in16.tif", "d32.exr", "--depth", "32"}, SampleKind::F32}};
  for (const auto &[args, kind] : depths) {
    EXPECT_EQ(render(args).status, 0) << args[1];
    EXPECT_EQ(vcli::ReadImage(dir.file(args[1])).kind, kind) << args[1];
  }
}

TEST(Tool, ListsTheRegistrationWithStoredDefaults) {
  TempDir dir;
  // A stored default of the user changes what the plug-in registers.
  std::filesystem::create_directories(dir.file("config/Tovra/Tandro"));
  clitest::WriteText(dir.file("config/Tovra/Tandro/T_Vortane.ini"), "[Version=1.0]\r\n1 : Blur Amount=25.5\r\n");

  clitest::ToolRun run = RunTool(dir.path(), {"params", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 56);
  const char *objects[] = {
      "[\n  " R"({"index": 1, "id": 1, "type": "popup", "name": "View", "flags": 32, "default": 1, )"
      R"("choices": ["Normal", "(-", "Extract", "Group 1", "Group 2", "Group 3", "Group 4"]},)",
      R"({"index": 9, "id": 57, "type": "float slider", "name": "1 : Blur Amount", "flags": 32, "default": 25.5, )"
      R"("valid_min": 0, "valid_max": 1000, "slider_min": 0, "slider_max": 100, "precision": 1, "percent": false},)",
      R"("name": "2 : Blur Center", "flags": 32, "default": {"x_percent": 50, "y_percent": 50}},)",
      R"(  {"index": 54, "id": 201, "type": "group end", "name": "", "flags": 0})" "\n]\n"};
  for (const char *object : objects) EXPECT_NE(run.out.find(object), std::string::npos) << object;
  run = RunTool(dir.path(), {"params"});
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 55);
  EXPECT_NE(run.out.find("\n   18  103  point         2 : Blur Center             50 %, 50 % of the layer   x,y in"),
            std::string::npos);
  EXPECT_NE(run.out.find("\n    8   56  float slider  1 : Range                   0 %      "), std::string::npos);
}

TEST(FramePattern, PlaceholdersNameTheFramesFiles) {
  // Frames 7 and 12345; a text without a placeholder names one file.
  const std::pair<const char *, const char *> cases[] = {
      {"dir.v2/a_%04d.png", "dir.v2/a_0007.png dir.v2/a_12345.png"},
      {"50%%_%06d.png", "50%_000007.png 50%_012345.png"},
      {"100%.png", "100%.png 100%.png"},
      {"a_%4d.png", "a_%4d.png a_%4d.png"},
      {"take_##%%/#.png", "take_##%%/7.png take_##%%/12345.png"},
  };
  for (const auto &[text, paths] : cases)
    EXPECT_EQ(vcli::FramePattern(text).path(7) + " " + vcli::FramePattern(text).path(12345), paths) << text;
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

TEST(ParamValues, EverySyntaxParsesToTheHostValue) {
  TempDir dir;
  vcli::EffectInstance instance(1);
  const std::tuple<const char *, int, std::vector<double>> values[] = {
      {"view= group 2 ", 1, {5}},
      {"View=7", 1, {7}},
      {"1 : Blur Amount=1000", 9, {1000}},
      {"1 : Blur Amount=+0", 9, {0}},
      {"2 : Range=5%", 21, {5}},
      {"4 : Softness Threshold=99.95", 51, {99.95}},
      {"2 : Enable Color Group=ON", 17, {1}},
      {"1 : Invert=1", 14, {1}},
      {"1 : Keep Division=off", 13, {0}},
      {"2 : Color B=#3366cC", 20, {255, 0x33, 0x66, 0xcc}},
      {"4 : Color A= 0, 128 ,255", 45, {255, 0, 128, 255}},
      {"1 : Color A=+12,0,+7", 6, {255, 12, 0, 7}},
      {"3 : Blur Center=960.25,-40", 31, {960.25, -40}},
  };
  for (const auto &[assignment, index, numbers] : values) {
    const vcli::ParamValue v = instance.catalog().parseAssignment(assignment);
    EXPECT_EQ(v.index, index) << assignment;
    // A colour as alpha, red, green, blue; a point as x, y.
    const PF_Pixel &c = v.color;
    const std::vector<double> colour = {double(c.alpha), double(c.red), double(c.green), double(c.blue)};
    const std::vector<double> got = v.type == PF_Param_COLOR   ? colour
                                    : v.type == PF_Param_POINT ? std::vector<double>{v.x, v.y}
                                                               : std::vector<double>{v.number};
    EXPECT_EQ(got, numbers) << assignment;
  }
}

} // namespace
