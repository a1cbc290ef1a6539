// The vortane tool given hostile input, one class of fault a test: frame
// placeholders of any width, frame numbers at the limits, tiny files that
// declare huge images, preset values that cannot be read whole, empty or
// malformed option values, long output names, inputs that are not files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "ImageIO.h"

namespace {

using clitest::RunTool;
using clitest::TempDir;
using vcli::SampleKind;

// What a run must end with: its status and, for a failure, the one line it
// prints (this text in it).
struct Outcome {
  int status;
  std::string message;
};

void ExpectOutcome(const clitest::ToolRun &run, const Outcome &expected, const std::string &what) {
  EXPECT_EQ(run.status, expected.status) << what << ": " << run.err;
  if (expected.status == 0) {
    EXPECT_EQ(run.err, "") << what;
    return;
  }
  EXPECT_NE(run.err.find(expected.message), std::string::npos) << what << ": " << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << what << ": " << run.err;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// ---- hostile files, a few bytes each ----

std::string LittleEndian(uint64_t value, int bytes) {
  std::string out;
  for (int b = 0; b < bytes; ++b) out += static_cast<char>(value >> (8 * b));
  return out;
}

std::string BigEndian32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

uint32_t Crc32(const std::string &bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

std::string PngChunk(const std::string &type, const std::string &data) {
  return BigEndian32(static_cast<uint32_t>(data.size())) + type + data + BigEndian32(Crc32(type + data));
}

// A valid PNG header (RGBA) and an empty image data chunk.
std::string PngDeclaring(uint32_t width, uint32_t height, int bitDepth, bool interlaced) {
  const std::string header = BigEndian32(width) + BigEndian32(height) + static_cast<char>(bitDepth) + '\x06' + '\x00' +
                             '\x00' + static_cast<char>(interlaced ? 1 : 0);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", "") + PngChunk("IEND", "");
}

// A little-endian TIFF of one directory whose entries (tag, type 3 SHORT or
// 4 LONG, value) each hold one value.
std::string TiffDeclaring(std::vector<std::array<uint32_t, 3>> entries) {
  std::sort(entries.begin(), entries.end());
  std::string out = "II*" + std::string(1, '\0') + LittleEndian(8, 4) + LittleEndian(entries.size(), 2);
  for (const auto &e : entries)
    out += LittleEndian(e[0], 2) + LittleEndian(e[1], 2) + LittleEndian(1, 4) + LittleEndian(e[2], 4);
  return out + LittleEndian(0, 4);
}

// An OpenEXR header of float R, G and B over width x height, in scan lines
// or in square tiles of this size, and no pixel data.
std::string ExrDeclaring(int width, int height, int tile) {
  auto attribute = [](const std::string &name, const std::string &type, const std::string &data) {
    return name + '\0' + type + '\0' + LittleEndian(data.size(), 4) + data;
  };
  std::string channels;
  for (const char *name : {"B", "G", "R"})
    channels +=
        std::string(name) + '\0' + LittleEndian(2, 4) + LittleEndian(0, 4) + LittleEndian(1, 4) + LittleEndian(1, 4);
  const std::string box =
      LittleEndian(0, 4) + LittleEndian(0, 4) + LittleEndian(width - 1, 4) + LittleEndian(height - 1, 4);
  std::string header = attribute("channels", "chlist", channels + '\0') +
                       attribute("compression", "compression", std::string(1, '\0')) +
                       attribute("dataWindow", "box2i", box) + attribute("displayWindow", "box2i", box) +
                       attribute("lineOrder", "lineOrder", std::string(1, '\0')) +
                       attribute("pixelAspectRatio", "float", LittleEndian(0x3f800000, 4)) +
                       attribute("screenWindowCenter", "v2f", LittleEndian(0, 8)) +
                       attribute("screenWindowWidth", "float", LittleEndian(0x3f800000, 4));
  if (tile) header += attribute("tiles", "tiledesc", LittleEndian(tile, 4) + LittleEndian(tile, 4) + '\0');
  return std::string("\x76\x2f\x31\x01", 4) + LittleEndian(tile ? 0x202 : 2, 4) + header + '\0';
}

constexpr uint32_t kShort = 3, kLong = 4;

TEST(HostileInput, FramePlaceholdersOfAnyWidthKeepTheFrameNumber) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(16, 9, SampleKind::U8);
  const std::string padding(39, '0');  // frames 1 to 3 in 40 digits
  std::vector<std::string> files;
  for (const std::string f : {"1", "2", "3"})
    for (const std::string &name : {"f_" + f + ".png", "w_" + padding + f + ".png"}) {
      vcli::WriteImage(dir.file(name), frame);
      files.push_back(name);
    }
  const std::string hashes40(40, '#'), hashes300(300, '#');
  const struct Case {
    std::vector<std::string> args;
    Outcome outcome;
    std::vector<std::string> written;
  } cases[] = {
      {{"f_%d.png", "a_" + hashes40 + ".png", "--frames", "1-3"},
       {0, ""},
       {"a_" + padding + "1.png", "a_" + padding + "2.png", "a_" + padding + "3.png"}},
      {{"f_%d.png", "b_%040d.png"},
       {0, ""},
       {"b_" + padding + "1.png", "b_" + padding + "2.png", "b_" + padding + "3.png"}},
      {{"w_" + hashes40 + ".png", "c_%d.png", "--frames", "1-3"}, {0, ""}, {"c_1.png", "c_2.png", "c_3.png"}},
      {{"w_%040d.png", "d_%d.png"}, {0, ""}, {"d_1.png", "d_2.png", "d_3.png"}},
      {{"f_%d.png", "e_" + hashes300 + ".png"}, {2, "vortane: OUT e_###"}, {}},
      {{"f_%d.png", "e_%0300d.png"}, {2, "vortane: OUT e_%0300d.png: its file names would be longer than the "}, {}},
      {{"f_" + hashes300 + ".png", "e_%d.png", "--frames", "1-3"},
       {2, ": its file names would be longer than the "},
       {}},
      // Frame 1 would write f_11.png, the input of frame 11.
      {{"f_%d.png", "f_1%d.png", "--frames", "1-12"},
       {2, "vortane: OUT f_1%d.png: frame 1 would be written over f_11.png, the input of frame 11"},
       {}},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"render", "-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOutcome(RunTool(dir.path(), args), c.outcome, c.args[0] + " " + c.args[1]);
    files.insert(files.end(), c.written.begin(), c.written.end());
    EXPECT_EQ(dir.entries(), Sorted(files)) << c.args[1];
  }
}

TEST(HostileInput, FrameRangesAreCheckedToTheLargestFrameNumber) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(16, 9, SampleKind::U8);
  for (const char *name : {"f_5.png", "f_9223372036854775806.png", "f_9223372036854775807.png"})
    vcli::WriteImage(dir.file(name), frame);
  const std::string roomForOneDigit(250, 'x');
  const struct Case {
    std::vector<std::string> args;
    Outcome outcome;
    std::vector<std::string> written;
  } cases[] = {
      {{"f_%d.png", "g_%d.png", "--frames", "9223372036854775807"}, {0, ""}, {"g_9223372036854775807.png"}},
      {{"f_%d.png", "h_####.png", "--frames", "9223372036854775806-9223372036854775807"},
       {0, ""},
       {"h_9223372036854775806.png", "h_9223372036854775807.png"}},
      {{"f_%d.png", "g_%d.png", "--frames", "9223372036854775808"},
       {2, "vortane: --frames 9223372036854775808: expected A-B"},
       {}},
      {{"f_%d.png", "g_%d.png", "--frames", "5-9223372036854775808"}, {2, "expected A-B"}, {}},
      {{"f_%d.png", "g_%d.png", "--frames", "0-9223372036854775807"}, {2, "too many frames (at most 10000000"}, {}},
      {{"f_%d.png", roomForOneDigit + "%d.png", "--frames", "5-12"},
       {2, "%d.png: frame 12 is past the largest frame number its file names can hold (9)"},
       {}},
      // Not one frame of a huge range exists: reported before any is tried.
      {{"f_%d.png", "g_%d.png", "--frames", "10-9999999"},
       {1, "vortane: no files match f_%d.png in frames 10-9999999"},
       {}},
  };
  std::vector<std::string> files = {"f_5.png", "f_9223372036854775806.png", "f_9223372036854775807.png"};
  for (const Case &c : cases) {
    std::vector<std::string> args = {"render", "-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOutcome(RunTool(dir.path(), args), c.outcome, c.args[3]);
    files.insert(files.end(), c.written.begin(), c.written.end());
    EXPECT_EQ(dir.entries(), Sorted(files)) << c.args[3];
  }
}

TEST(HostileInput, TinyFilesDeclaringHugeImagesAreRefusedWithLittleMemory) {
  // Each is read under an address-space limit far below what its declared
  // image needs, with the pixel limit raised to the largest image.
  constexpr long kAddressSpaceMiB = 256;
  TempDir dir;
  vcli::WriteImage(dir.file("small.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const std::vector<std::array<uint32_t, 3>> grey = {{256, kLong, 30000}, {257, kLong, 30000}, {258, kShort, 8},
                                                     {259, kShort, 1},    {262, kShort, 1},    {277, kShort, 1}};
  auto with = [](std::vector<std::array<uint32_t, 3>> entries, std::vector<std::array<uint32_t, 3>> more) {
    entries.insert(entries.end(), more.begin(), more.end());
    return entries;
  };
  const struct Case {
    const char *name;
    std::string bytes;
    std::vector<std::string> args;
    Outcome outcome;
  } cases[] = {
      {"bomb.png", PngDeclaring(30000, 30000, 8, false), {}, {1, "cannot read bomb.png: truncated or corrupt PNG"}},
      {"adam7.png", PngDeclaring(30000, 30000, 16, true), {}, {1, "cannot read adam7.png: truncated or corrupt PNG"}},
      {"wide.png",
       PngDeclaring(30001, 1, 8, false),
       {},
       {1, "cannot read wide.png: image size 30001 x 1 is outside 1 to 30000 pixels a side"}},
      {"samples.tif",
       TiffDeclaring({{256, kLong, 1000},
                      {257, kLong, 1000},
                      {258, kShort, 8},
                      {259, kShort, 1},
                      {262, kShort, 2},
                      {273, kLong, 500},
                      {277, kShort, 2000},
                      {278, kLong, 1000},
                      {279, kLong, 2000000000}}),
       {},
       {1, "cannot read samples.tif: unsupported TIFF layout (2000 samples a pixel; at most 16 are supported)"}},
      {"strip.tif",
       TiffDeclaring(with(grey, {{273, kLong, 500}, {278, kLong, 30000}, {279, kLong, 900000000}})),
       {},
       {1, "cannot read strip.tif: truncated or corrupt TIFF"}},
      {"tiles.tif",
       TiffDeclaring(with(grey, {{322, kLong, 8192}, {323, kLong, 8192}, {324, kLong, 500}, {325, kLong, 10}})),
       {},
       {1, "cannot read tiles.tif: truncated or corrupt TIFF (tile data missing)"}},
      {"bigtiles.tif",
       TiffDeclaring(with(grey, {{322, kLong, 16384}, {323, kLong, 16384}, {324, kLong, 500}, {325, kLong, 10}})),
       {},
       {1, "cannot read bigtiles.tif: unsupported TIFF layout (tiles of 16384 x 16384 pixels hold more than 64 MiB)"}},
      {"lines.exr", ExrDeclaring(30000, 30000, 0), {}, {1, "cannot read lines.exr: truncated or corrupt OpenEXR file"}},
      {"tiles.exr", ExrDeclaring(30000, 30000, 1), {}, {1, "cannot read tiles.exr: truncated or corrupt OpenEXR file"}},
      // The pixel limit itself, at and just below a small image's size.
      {"small.png",
       "",
       {"--max-pixels", "143"},
       {1, "cannot read small.png: image size 16 x 9 (144 pixels) is above the limit of 143 pixels; --max-pixels "
           "raises it"}},
      {"small.png", "", {"--max-pixels", "144"}, {0, ""}},
  };
  for (const Case &c : cases) {
    if (!c.bytes.empty()) clitest::WriteText(dir.file(c.name), c.bytes);
    std::vector<std::string> args = {"render", c.name, "out.tif", "-q", "--threads", "1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (c.args.empty()) args.insert(args.end(), {"--max-pixels", "900000000"});
    ExpectOutcome(RunTool(dir.path(), args, kAddressSpaceMiB), c.outcome, c.name);
    EXPECT_EQ(clitest::FileExists(dir.file("out.tif")), c.outcome.status == 0) << c.name;
    unlink(dir.file("out.tif").c_str());
  }
}

TEST(HostileInput, PresetValuesAreTakenWholeOrRefusedNamingTheKey) {
  TempDir dir;
  vcli::WriteImage(dir.file("small.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const std::string section = "[Version=1.0]\n";
  const std::string outOfRange = "1 : Blur Amount: 5000 is outside the valid range 0 to 1000";
  std::string otherKeys;
  while (otherKeys.size() < (2u << 20)) otherKeys += "Unknown " + std::to_string(otherKeys.size()) + "=1\n";
  const struct Case {
    std::string text;
    Outcome outcome;
  } cases[] = {
      {section + "1 : Blur Amount=" + std::string(300, '0') + "5000\n", {2, "vortane: preset p.ini: " + outOfRange}},
      {section + "1 : Blur Amount=" + std::string(300, '0') + "25\n", {0, ""}},
      {section + "1 : Blur Amount=25" + std::string(1, '\0') + "00\n",
       {2, "vortane: preset p.ini: 1 : Blur Amount: the value holds a NUL byte"}},
      {section + "1 : Color B.g=" + std::string(1025, '1') + "\n",
       {2, "vortane: preset p.ini: 1 : Color B.g: the value is longer than 1024 bytes"}},
      {section + "View=" + std::string(100000, ' ') + "1\n", {2, "vortane: preset p.ini: View: the value is longer"}},
      // Read the way the plug-in reads its settings: a long line passed
      // over, names without regard to case, blanks and one pair of quotes
      // around values ignored, the first line of a key and the first section
      // of the name counting.
      {section + ";" + std::string(200000, '-') + "\n1 : BLUR AMOUNT = \"5000\"\r\n", {2, outOfRange}},
      {section + "1 : Blur Amount=25\n1 : Blur Amount=5000\n", {0, ""}},
      {section + "View=1\n" + section + "1 : Blur Amount=5000\n", {0, ""}},
      {section + otherKeys + "1 : Blur Amount=5000\n", {2, outOfRange}},
  };
  for (const Case &c : cases) {
    clitest::WriteText(dir.file("p.ini"), c.text);
    const clitest::ToolRun run = RunTool(dir.path(), {"render", "small.png", "out.png", "-q", "--preset", "p.ini"});
    ExpectOutcome(run, c.outcome, c.text.substr(0, 60));
    EXPECT_EQ(clitest::FileExists(dir.file("out.png")), c.outcome.status == 0);
    unlink(dir.file("out.png").c_str());
  }
}

TEST(HostileInput, EmptyAndMalformedOptionValuesAreUsageErrors) {
  TempDir dir;
  vcli::WriteImage(dir.file("in.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"render", "in.png", "out.png", "--depth", ""}, "vortane: --depth: \"\" is not a whole number"},
      {{"render", "in.png", "out.png", "--threads", ""}, "vortane: --threads: \"\" is not a whole number"},
      {{"render", "in.png", "out.png", "--max-pixels", ""}, "vortane: --max-pixels: \"\" is not a whole number"},
      {{"render", "in.png", "out.png", "--preset", ""}, "vortane: --preset: an empty value is not allowed"},
      {{"render", "in.png", "out.png", "--set", ""}, "vortane: --set: an empty value is not allowed"},
      {{"render", "i_#.png", "o_#.png", "--frames", ""}, "vortane: --frames: an empty value is not allowed"},
      {{"render", "", "out.png"}, "vortane: IN: an empty value is not allowed"},
      {{"render", "in.png", ""}, "vortane: OUT: an empty value is not allowed"},
      {{"demo", "out.png", "--depth", ""}, "vortane: --depth: \"\" is not a whole number"},
      {{"render", "in.png", "out.png", "--depth", " 8"}, "vortane: --depth: \" 8\" is not a whole number"},
      {{"render", "in.png", "out.png", "--depth", "8.0"}, "vortane: --depth: \"8.0\" is not a whole number"},
      {{"render", "in.png", "out.png", "--threads", "+2"}, "vortane: --threads: \"+2\" is not a whole number"},
      {{"render", "in.png", "out.png", "--max-pixels", "1e6"}, "vortane: --max-pixels: \"1e6\" is not a whole number"},
      {{"render", "in.png", "out.png", "--max-pixels", "0"}, "vortane: --max-pixels: Value 0 not in range"},
      {{"render", "in.png", "out.png", "--max-pixels", "99999999999999999999999"}, "vortane: --max-pixels: "},
      {{"render", "i_#.png", "o_#.png", "--frames", "1-"}, "vortane: --frames 1-: expected A-B"},
  };
  for (const Case &c : cases) {
    ExpectOutcome(RunTool(dir.path(), c.args), {2, c.message}, c.args[c.args.size() - 2] + " " + c.args.back());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.png"});
  }
}

TEST(HostileInput, OutputNamesUpToTheFileSystemsLimitAreWritten) {
  TempDir dir;
  const vcli::Raster frame = clitest::CelRaster(16, 9, SampleKind::U8);
  vcli::WriteImage(dir.file("f_1.png"), frame);
  vcli::WriteImage(dir.file("f_2.png"), frame);
  const size_t limit = vcli::FileNameLimit(dir.file("x"));
  auto named = [](size_t bytes) { return std::string(bytes - 4, 'n') + ".png"; };
  std::string accented;
  while (accented.size() + 2 + 4 <= limit) accented += "\xC3\xA9";  // é
  const struct Case {
    std::vector<std::string> args;
    Outcome outcome;
    std::vector<std::string> written;
  } cases[] = {
      {{"f_1.png", named(limit - 16)}, {0, ""}, {named(limit - 16)}},
      {{"f_1.png", named(limit - 1)}, {0, ""}, {named(limit - 1)}},
      {{"f_1.png", named(limit)}, {0, ""}, {named(limit)}},
      {{"f_1.png", accented + ".png"}, {0, ""}, {accented + ".png"}},
      {{"f_%d.png", std::string(limit - 5, 's') + "%d.png", "--frames", "1-2"},
       {0, ""},
       {std::string(limit - 5, 's') + "1.png", std::string(limit - 5, 's') + "2.png"}},
      {{"f_1.png", named(limit + 1)}, {2, "the file name is longer than the " + std::to_string(limit) + " bytes"}, {}},
      {{"f_%d.png", std::string(limit - 5, 's') + "%d.png", "--frames", "1-10"},
       {2, "frame 10 is past the largest frame number its file names can hold (9)"},
       {}},
  };
  std::vector<std::string> files = {"f_1.png", "f_2.png"};
  for (const Case &c : cases) {
    std::vector<std::string> args = {"render", "-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOutcome(RunTool(dir.path(), args), c.outcome, std::to_string(c.args[1].size()) + " bytes");
    files.insert(files.end(), c.written.begin(), c.written.end());
    // No temporary file is left behind.
    EXPECT_EQ(dir.entries(), Sorted(files)) << c.args[1].size();
  }
}

TEST(HostileInput, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
  TempDir dir;
  vcli::WriteImage(dir.file("in.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.file("folder.png").c_str(), 0700), 0);
  ASSERT_EQ(symlink("in.png", dir.file("link.png").c_str()), 0);
  const struct Case {
    std::vector<std::string> args;
    Outcome outcome;
  } cases[] = {
      {{"pipe.png", "out.png"}, {1, "vortane: cannot read pipe.png: it is a named pipe, not a file\n"}},
      {{"folder.png", "out.png"}, {1, "vortane: cannot read folder.png: it is a folder\n"}},
      {{"/dev/zero", "out.png"}, {1, "vortane: cannot read /dev/zero: it is a character device, not a file\n"}},
      {{"in.png", "out.png", "--preset", "pipe.png"}, {1, "vortane: cannot read preset pipe.png: it is a named pipe"}},
      {{"in.png", "out.png", "--preset", "folder.png"},
       {1, "vortane: cannot read preset folder.png: it is a folder\n"}},
      {{"in.png", "out.png", "--preset", "/dev/zero"}, {1, "vortane: cannot read preset /dev/zero: it is a character"}},
      {{"link.png", "out.png"}, {0, ""}},
  };
  for (const Case &c : cases) {
    std::vector<std::string> args = {"render", "-q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOutcome(RunTool(dir.path(), args), c.outcome, c.args.back());
    EXPECT_EQ(clitest::FileExists(dir.file("out.png")), c.outcome.status == 0) << c.args.back();
    unlink(dir.file("out.png").c_str());
  }
}

} // namespace
