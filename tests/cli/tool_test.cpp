// The vortane tool as a user runs it: exit statuses, one-line messages, no
// output file after an error, sequences, the listing, the demo.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "ImageIO.h"

#include <algorithm>

namespace {

using clitest::RunTool;
using clitest::TempDir;

size_t Lines(const std::string &text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Tool, ErrorsExitWithTheirStatusAndOneLineAndWriteNothing) {
  TempDir dir;
  vcli::WriteImage(dir.file("in.png"), clitest::CelRaster(16, 9, vcli::SampleKind::U8));
  clitest::WriteText(dir.file("bad.png"), "\x89PNG\r\n\x1a\n-- cut short");
  const struct Case {
    std::vector<std::string> args;
    int status;
    const char *message;
  } cases[] = {
      {{"render", "in.png", "out.png", "--set", "1 : Blur Amount=2000"},
       2,
       "vortane: 1 : Blur Amount: 2000 is outside the valid range 0 to 1000\n"},
      {{"render", "in.png", "out.png", "--set", "Zoom=1"}, 2, "vortane: unknown parameter \"Zoom\""},
      {{"render", "in.png", "out.png", "--set", "2 : Color A=red"}, 2, "vortane: 2 : Color A: \"red\" is not a colour"},
      {{"render", "in.png", "out.png", "--depth", "12"}, 2, "vortane: --depth: 12 not in {8,16,32}"},
      {{"render", "in.png", "out.png", "--threads", "0"}, 2, "vortane: --threads"},
      {{"render", "in.png"}, 2, "vortane: OUT is required"},
      {{"render", "in.png", "out.png", "--preset", "none.ini"}, 1, "vortane: cannot read preset none.ini"},
      {{"render", "in.png", "out.gif"}, 2, "vortane: cannot tell the format of out.gif"},
      {{"render", "in.png", "out.exr"}, 2, "vortane: OpenEXR holds float samples only"},
      {{"render", "missing.png", "out.png"}, 1, "vortane: cannot read missing.png: No such file or directory\n"},
      {{"render", "two\nlines.png", "out.png"}, 1, "vortane: cannot read two\\x0Alines.png: No such file or directory\n"},
      {{"render", "bad.png", "out.png"}, 1, "vortane: cannot read bad.png: corrupt PNG"},
      {{"render", "in.png", "nowhere/out.png"}, 1, "vortane: output folder does not exist: nowhere\n"},
      {{"frobnicate"}, 2, "vortane: "},
  };
  for (const auto &c : cases) {
    const clitest::ToolRun run = RunTool(dir.path(), c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_EQ(Lines(run.err), 1u) << run.err;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"bad.png", "in.png"})) << run.err;
  }
}

TEST(Tool, RendersImagesAndSequences) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(32, 18, vcli::SampleKind::U16);
  for (const char *name : {"f_0001.tif", "f_0003.tif"}) vcli::WriteImage(dir.file(name), frame);

  clitest::ToolRun run = RunTool(dir.path(), {"render", "f_0001.tif", "one.png", "--set", "View=Extract", "--threads", "1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err.rfind("wrote one.png (32 x 18, 16-bit) in ", 0), 0u) << run.err;
  EXPECT_EQ(vcli::ReadImage(dir.file("one.png")).kind, vcli::SampleKind::U16);

  run = RunTool(dir.path(), {"render", "f_0001.tif", "quiet.tif", "-q", "--depth", "32"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(vcli::ReadImage(dir.file("quiet.tif")).kind, vcli::SampleKind::F32);

  // Frame 2 is missing: the others are rendered, the run fails.
  run = RunTool(dir.path(), {"render", "f_####.tif", "o_####.tif", "--frames", "1-3", "-q"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "vortane: frame 2: cannot read f_0002.tif: No such file or directory\n"
                     "vortane: 1 of 3 frames failed\n");
  EXPECT_TRUE(clitest::FileExists(dir.file("o_0003.tif")));
}

TEST(Tool, ListsParametersAndShowsHelp) {
  TempDir dir;
  clitest::ToolRun run = RunTool(dir.path(), {"params", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("[\n  {\"index\": 1, \"id\": 1, \"type\": \"popup\", \"name\": \"View\"", 0), 0u) << run.out;
  EXPECT_EQ(Lines(run.out), 56u);

  run = RunTool(dir.path(), {"render", "--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("--preset"), std::string::npos);
}

TEST(Tool, DemoWritesTheFullSizeCelFrame) {
  TempDir dir;
  const clitest::ToolRun run = RunTool(dir.path(), {"demo", "demo.png", "--threads", "2"});
  EXPECT_EQ(run.status, 0) << run.err;
  const vcli::Raster demo = vcli::ReadImage(dir.file("demo.png"));
  EXPECT_EQ(demo.width, 1920);
  EXPECT_EQ(demo.height, 1080);
  EXPECT_EQ(demo.kind, vcli::SampleKind::U8);
  // The four groups are blurred: the frame differs from the plain scene.
  EXPECT_NE(demo.bytes, clitest::CelRaster(1920, 1080, vcli::SampleKind::U8).bytes);
}

} // namespace
