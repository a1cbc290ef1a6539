// The vortane tool as a user runs it: command lines that ask for the
// impossible, sequences that render what they can, the listing, the demo.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "CliTestSupport.h"
#include "Commands.h"
#include "ImageIO.h"

namespace {

using clitest::RunTool;
using clitest::TempDir;
using vcli::SampleKind;

TEST(Tool, CommandLinesAskingTheImpossibleAreUsageErrorsThatWriteNothing) {
  TempDir dir;
  vcli::WriteImage(dir.file("in.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const std::string notWhole = "\" is not a whole number";
  const std::vector<clitest::ToolCase> cases = {
      {{"in.png", "o.png", "--set", "1 : Blur Amount=2000"}, 2, "vortane: 1 : Blur Amount: 2000 is outside the valid"},
      {{"in.png", "o.png", "--set", ""}, 2, "vortane: --set: an empty value is not allowed\n"},
      {{"in.png", "o.png", "--depth", "12"}, 2, "vortane: --depth: 12 not in {8,16,32}"},
      {{"in.png", "o.png", "--depth", ""}, 2, "vortane: --depth: \"" + notWhole},
      {{"in.png", "o.png", "--depth", "8.0"}, 2, "vortane: --depth: \"8.0" + notWhole},
      {{"in.png", "o.png", "--threads", "0"}, 2, "vortane: --threads: Value 0 not in range 1 to"},
      {{"in.png", "o.png", "--max-pixels", "0"}, 2, "vortane: --max-pixels: Value 0 not in range"},
      {{"in.png", "o.png", "--max-pixels", "99999999999999999999999"}, 2, "vortane: --max-pixels: "},
      {{"in.png"}, 2, "vortane: OUT is required"},
      {{"in.png", "o.gif"}, 2, "vortane: cannot tell the format of o.gif"},
      {{"in.png", "o.exr"}, 2, "vortane: OpenEXR holds float samples only, not 8-bit output"},
      {{"in.png", "o.png", "--depth", "32"}, 2, "vortane: PNG cannot hold 32-bit float output"},
      {{"a_####.png", "o.png"}, 2, "vortane: IN and OUT must both be frame patterns"},
      {{"in.png", "o_####.png"}, 2, "vortane: IN and OUT must both be frame patterns"},
      {{"in.png", "o.png", "--frames", "1-3"}, 2, "vortane: --frames needs IN and OUT with a frame-number"},
      {{"i_#.png", "o_#.png", "--frames", "1-"}, 2, "vortane: --frames 1-: expected A-B"},
      {{"i_#.png", "o_#.png", "--frames", "3-1"}, 2, "vortane: --frames 3-1: expected A-B"},
      {{"i_#.png", "o_#_#.png"}, 2, "vortane: o_#_#.png: more than one frame-number placeholder"},
  };
  clitest::ExpectRuns(dir, {"in.png"}, cases, {"render"});
  clitest::ExpectRuns(dir, {"in.png"}, {{{"frobnicate"}, 2, "vortane: "}}, {});
}

TEST(Tool, SequencesRenderEveryFrameTheyCanAndReportTheOthers) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(32, 18, SampleKind::U8);
  for (const char *name : {"in_0001.png", "in_0002.png", "in_0003.png"}) vcli::WriteImage(dir.file(name), frame);
  clitest::Truncate(dir.file("in_0002.png"), -30);
  vcli::WriteImage(dir.file("in_0004.png"), clitest::CelRaster(32, 19, SampleKind::U8));
  auto render = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    for (const std::string &set : vcli::DemoSettings(32, 18)) args.insert(args.end(), {"--set", set});
    return RunTool(dir.path(), args);
  };

  clitest::ToolRun run = render({"in_####.png", "out_%04d.png", "--frames", "1-5"});
  EXPECT_EQ(run.status, 1);
  // Off a terminal: one progress line a frame, frame errors as they happen.
  for (const char *line : {"vortane: frame 2: cannot read in_0002.png: truncated or corrupt PNG",
                           "\nvortane: frame 4: in_0004.png: frame size 32 x 19 differs from the sequence's 32 x 18\n",
                           "\nvortane: frame 5: cannot read in_0005.png: No such file or directory\n", "] 5/5 frames",
                           "\nrendered 2 of 5 frames in ", ", 8-bit\nvortane: 3 of 5 frames failed\n"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << "\n" << run.err;

  // Frames 1 and 3 are the single image render of their file.
  run = render({"in_0001.png", "single.png", "--threads", "1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err.rfind("wrote single.png (32 x 18, 8-bit) in ", 0), 0u) << run.err;
  const vcli::Raster single = vcli::ReadImage(dir.file("single.png"));
  EXPECT_NE(single.bytes, frame.bytes);
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0001.png")).bytes, single.bytes);
  EXPECT_EQ(vcli::ReadImage(dir.file("out_0003.png")).bytes, single.bytes);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"in_0001.png", "in_0002.png", "in_0003.png", "in_0004.png",
                                                     "out_0001.png", "out_0003.png", "single.png"}));
}

TEST(Tool, ListsTheRegistrationWithStoredDefaultsAndShowsHelp) {
  TempDir dir;
  // A stored default of the user changes what the plug-in registers.
  ASSERT_EQ(mkdir(dir.file("config/Tovra").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(dir.file("config/Tovra/Tandro").c_str(), 0700), 0);
  clitest::WriteText(dir.file("config/Tovra/Tandro/T_Vortane.ini"), "[Version=1.0]\r\n1 : Blur Amount=25.5\r\n");

  clitest::ToolRun run = RunTool(dir.path(), {"params", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 56);
  for (
      const std::string &object : std::vector<std::string>{
          std::string("[\n  ") +
              R"({"index": 1, "id": 1, "type": "popup", "name": "View", "flags": 32, "default": 1, )" +
              R"("choices": ["Normal", "(-", "Extract", "Group 1", "Group 2", "Group 3", "Group 4"]},)",
          R"({"index": 9, "id": 57, "type": "float slider", "name": "1 : Blur Amount", "flags": 32, "default": 25.5, )"
          R"("valid_min": 0, "valid_max": 1000, "slider_min": 0, "slider_max": 100, "precision": 1, "percent": false},)",
          R"("name": "2 : Blur Amount", "flags": 32, "default": 10,)",
          R"("name": "2 : Blur Center", "flags": 32, "default": {"x_percent": 50, "y_percent": 50}},)",
          R"(  {"index": 54, "id": 201, "type": "group end", "name": "", "flags": 0})" + std::string("\n]\n")})
    EXPECT_NE(run.out.find(object), std::string::npos) << object;
  run = RunTool(dir.path(), {"params"});
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 55);
  EXPECT_NE(run.out.find("\n   18  103  point         2 : Blur Center             50 %, 50 % of the layer   x,y in"),
            std::string::npos);
  EXPECT_NE(run.out.find("\n    8   56  float slider  1 : Range                   0 %      "), std::string::npos);
  run = RunTool(dir.path(), {"render", "--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--preset"), std::string::npos);
}

TEST(Tool, DemoWritesTheFullSizeCelFrame) {
  TempDir dir;
  EXPECT_EQ(RunTool(dir.path(), {"demo", "demo.png", "--threads", "2"}).status, 0);
  const vcli::Raster demo = vcli::ReadImage(dir.file("demo.png"));
  EXPECT_EQ(std::make_tuple(demo.width, demo.height, demo.kind), std::make_tuple(1920, 1080, SampleKind::U8));
  // The four groups are blurred: the frame differs from the plain scene.
  EXPECT_NE(demo.bytes, clitest::CelRaster(1920, 1080, SampleKind::U8).bytes);
}

} // namespace
