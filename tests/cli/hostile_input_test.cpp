// The vortane tool given hostile input, one table a class: files that are
// corrupt, cut short, not files at all or tiny but declaring huge images;
// file names, frame numbers and sizes at their limits and one past; preset
// values that cannot be read whole.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "CliTestSupport.h"
#include "ImageIO.h"

namespace {

using clitest::TempDir;
using vcli::SampleKind;

// The value in this many bytes, least significant first or last.
std::string Bytes(uint64_t value, int bytes, bool bigEndian = false) {
  std::string out;
  for (int b = 0; b < bytes; ++b) out += static_cast<char>(value >> (8 * (bigEndian ? bytes - 1 - b : b)));
  return out;
}

std::string PngChunk(const std::string &type, const std::string &data) {
  const std::string body = type + data;
  return Bytes(data.size(), 4, true) + body +
         Bytes(crc32(0, reinterpret_cast<const Bytef *>(body.data()), body.size()), 4, true);
}

// A valid PNG header (RGBA) and an empty image data chunk.
std::string PngDeclaring(uint32_t width, uint32_t height, int bitDepth, bool interlaced) {
  const std::string header = Bytes(width, 4, true) + Bytes(height, 4, true) + static_cast<char>(bitDepth) + '\x06' +
                             '\x00' + '\x00' + static_cast<char>(interlaced ? 1 : 0);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", "") + PngChunk("IEND", "");
}

// Directory entries {tag, type (3 SHORT, 4 LONG), value} of one value each.
using Entries = std::vector<std::array<uint32_t, 3>>;
constexpr uint32_t kShort = 3, kLong = 4;

// A little-endian TIFF of one directory and no data; a later entry of a tag
// replaces an earlier one.
std::string TiffDeclaring(std::initializer_list<Entries> parts) {
  std::map<uint32_t, std::array<uint32_t, 3>> byTag;
  for (const Entries &entries : parts)
    for (const auto &e : entries) byTag[e[0]] = e;
  std::string out = "II*" + std::string(1, '\0') + Bytes(8, 4) + Bytes(byTag.size(), 2);
  for (const auto &[tag, e] : byTag) out += Bytes(tag, 2) + Bytes(e[1], 2) + Bytes(1, 4) + Bytes(e[2], 4);
  return out + Bytes(0, 4);
}

TEST(HostileInput, UnreadableFilesFailNamingTheProblemWithLittleMemory) {
  TempDir dir;
  const Entries grey = {{256, kLong, 30000}, {257, kLong, 30000}, {258, kShort, 8},
                        {259, kShort, 1},    {262, kShort, 1},    {277, kShort, 1}};
  const Entries strip = {{273, kLong, 500}, {279, kLong, 900000000}};
  const Entries tiles = {{322, kLong, 8192}, {323, kLong, 8192}, {324, kLong, 500}, {325, kLong, 10}};
  const std::map<std::string, std::string> made = {
      {"bomb.png", PngDeclaring(30000, 30000, 8, false)},
      {"adam7.png", PngDeclaring(30000, 30000, 16, true)},
      {"wide.png", PngDeclaring(30001, 1, 8, false)},
      {"samples.tif", TiffDeclaring({grey, strip, {{262, kShort, 2}, {277, kShort, 2000}}})},
      {"strip.tif", TiffDeclaring({grey, strip})},
      {"bits.tif", TiffDeclaring({grey, strip, {{258, kShort, 32}}})},
      {"tiles.tif", TiffDeclaring({grey, tiles})},
      {"bigtiles.tif", TiffDeclaring({grey, tiles, {{322, kLong, 16384}, {323, kLong, 16384}}})},
      {"empty.png", ""},
      {"text.png", "hello, not an image"}};
  for (const auto &[name, bytes] : made) clitest::WriteText(dir.file(name), bytes);
  // Written whole, then cut: all pixels but no end chunk, the header, the
  // directory, the last data.
  const std::pair<const char *, long> cuts[] = {
      {"in.png", 0}, {"noend.png", -12}, {"head.png", 20}, {"cut.tif", 100}, {"cut.exr", -100}};
  for (const auto &[name, keep] : cuts) {
    vcli::WriteImage(dir.file(name),
                     clitest::CelRaster(16, 9, name[std::strlen(name) - 1] == 'r' ? SampleKind::F32 : SampleKind::U8));
    if (keep) clitest::Truncate(dir.file(name), keep);
  }
  ASSERT_EQ(mkfifo(dir.file("pipe.png").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.file("folder.png").c_str(), 0700), 0);
  ASSERT_EQ(symlink("in.png", dir.file("link.png").c_str()), 0);
  auto read = [](const std::string &name, const std::string &problem) -> clitest::ToolCase {
    return {{name, "o.tif"}, 1, "vortane: cannot read " + name + ": " + problem};
  };
  const std::vector<clitest::ToolCase> cases = {
      read("bomb.png", "truncated or corrupt PNG"),
      read("adam7.png", "truncated or corrupt PNG"),
      read("wide.png", "image size 30001 x 1 is outside 1 to 30000 pixels a side"),
      read("noend.png", "truncated or corrupt PNG"),
      read("head.png", "corrupt PNG ("),
      read("samples.tif", "unsupported TIFF layout (2000 samples a pixel; at most 16 are supported)"),
      read("strip.tif", "truncated or corrupt TIFF"),
      read("bits.tif", "unsupported TIFF samples (32-bit integer)"),
      read("tiles.tif", "truncated or corrupt TIFF (tile data missing)"),
      read("bigtiles.tif", "unsupported TIFF layout (tiles of 16384 x 16384 pixels hold more than 64 MiB)"),
      read("cut.tif", "corrupt TIFF"),
      read("cut.exr", "truncated"),
      read("empty.png", "the file is empty\n"),
      read("text.png", "not a PNG, TIFF or OpenEXR file\n"),
      {{"two\nlines.png", "o.tif"}, 1, "vortane: cannot read two\\x0Alines.png: No such file or directory\n"},
      read("pipe.png", "it is a named pipe, not a file\n"),
      read("folder.png", "it is a folder\n"),
      read("/dev/zero", "it is a character device, not a file\n"),
      {{"in.png", "o.tif", "--preset", "pipe.png"}, 1, "vortane: cannot read preset pipe.png: it is a named pipe"},
      {{"in.png", "nowhere/o.tif"}, 1, "vortane: output folder does not exist: nowhere\n"},
      {{"link.png", "o.tif"}, 0, "", {"o.tif"}},
  };
  // Each is read under an address-space limit far below what its declared
  // image needs, with the pixel limit raised to the largest image.
  clitest::ExpectRuns(dir, cases, {"render", "-q", "--threads", "1", "--max-pixels", "900000000"}, 256);
}

TEST(HostileInput, FileNamesFrameNumbersAndSizesAtTheirLimitsAndOnePast) {
  TempDir dir;
  const std::string zeros(39, '0'), longest = "9223372036854775807", beforeLongest = "9223372036854775806";
  // Inputs, and names that do not spell a frame as w_%040d.png does.
  std::vector<std::string> files = {"r_" + beforeLongest + ".png", "r_" + longest + ".png", "w_1.png", "w_.png"};
  for (const char *f : {"1", "2"})
    files.insert(files.end(), {"f_" + std::string(f) + ".png", "w_" + zeros + f + ".png"});
  for (const std::string &name : files) vcli::WriteImage(dir.file(name), clitest::CelRaster(16, 9, SampleKind::U8));
  auto ok = [](std::vector<std::string> args, std::vector<std::string> written) {
    return clitest::ToolCase{args, 0, "", written};
  };
  // Names of exactly the limit: a single one, those of a placeholder's widest
  // padding, and those of frames 1 to 9 after the longest prefix.
  const size_t limit = vcli::FileNameLimit(dir.file("x"));
  const std::string named = std::string(limit - 4, 'n') + ".png", prefix(limit - 5, 's');
  const std::string widest = "x_%0" + std::to_string(limit - 6) + "d.png";
  const std::string tooWide = "x_%0" + std::to_string(limit - 5) + "d.png";
  const std::string tooLong = ": its file names would be longer than the " + std::to_string(limit) + " bytes";
  const std::vector<clitest::ToolCase> cases = {
      ok({"f_%d.png", "a_" + std::string(40, '#') + ".png", "--frames", "1-2"},
         {"a_" + zeros + "1.png", "a_" + zeros + "2.png"}),
      ok({"w_%040d.png", "d_%d.png"}, {"d_1.png", "d_2.png"}),
      ok({"f_%d.png", widest, "--frames", "1"}, {"x_" + std::string(limit - 7, '0') + "1.png"}),
      {{"f_%d.png", tooWide, "--frames", "1"}, 2, "vortane: OUT " + tooWide + tooLong},
      {{"f_" + std::string(300, '#') + ".png", "e_%d.png", "--frames", "1-3"}, 2, tooLong},
      ok({"f_1.png", named}, {named}),
      {{"f_1.png", "n" + named}, 2, "the file name is longer than the " + std::to_string(limit) + " bytes"},
      ok({"f_%d.png", prefix + "%d.png", "--frames", "1-2"}, {prefix + "1.png", prefix + "2.png"}),
      {{"f_%d.png", prefix + "%d.png", "--frames", "1-10"}, 2, "frame 10 is past the largest frame number its"},
      {{"f_%d.png", "f_1%d.png", "--frames", "1-12"},
       2,
       "frame 1 would be written over f_11.png, the input of frame 11"},
      ok({"r_%d.png", "h_####.png", "--frames", beforeLongest + "-" + longest},
         {"h_" + beforeLongest + ".png", "h_" + longest + ".png"}),
      {{"r_%d.png", "g_%d.png", "--frames", "9223372036854775808"}, 2, "--frames 9223372036854775808: expected A-B"},
      {{"q_%d.png", "g_%d.png", "--frames", "0-9999999"}, 1, "vortane: no files match q_%d.png in frames 0-9999999"},
      {{"q_%d.png", "g_%d.png", "--frames", "0-10000000"}, 2, "too many frames (at most 10000000 in one run)"},
      {{"q_%d.png", "g_%d.png"}, 1, "vortane: no files match q_%d.png\n"},
      {{"f_1.png", "p.png", "--max-pixels", "143"}, 1, "16 x 9 (144 pixels) is above the limit of 143 pixels; --max"},
      ok({"f_1.png", "p.png", "--max-pixels", "144"}, {"p.png"}),
  };
  clitest::ExpectRuns(dir, cases);
}

TEST(HostileInput, PresetValuesAreTakenWholeOrRefusedNamingTheKey) {
  TempDir dir;
  vcli::WriteImage(dir.file("small.png"), clitest::CelRaster(16, 9, SampleKind::U8));
  const std::string section = "[Version=1.0]\n";
  const std::string outOfRange = ": 1 : Blur Amount: 5000 is outside the valid range 0 to 1000\n";
  std::string otherKeys;
  while (otherKeys.size() < (2u << 20)) otherKeys += "Unknown " + std::to_string(otherKeys.size()) + "=1\n";
  const std::tuple<std::string, int, std::string> presets[] = {
      {section + "1 : Blur Amount=" + std::string(300, '0') + "5000\n", 2, "vortane: preset p0.ini" + outOfRange},
      // The longest value taken, and one byte more.
      {section + "1 : Blur Amount=" + std::string(1022, '0') + "25\n", 0, ""},
      {section + "1 : Color B.g=" + std::string(1025, '1') + "\n", 2, ": 1 : Color B.g: the value is longer than 1024"},
      {section + "View=" + std::string(100000, ' ') + "1\n", 2, "vortane: preset p3.ini: View: the value is longer"},
      {section + "1 : Blur Amount=25" + std::string(1, '\0') + "00\n", 2, ": 1 : Blur Amount: the value holds a NUL"},
      {section + "1 : Color A.g=300\n", 2, "vortane: preset p5.ini: 1 : Color A: green 300 is outside 0 to 255\n"},
      {"View=3\n", 2, "vortane: preset p6.ini sets no parameter: expected a [Version=1.0] section"},
      // Read the way the plug-in reads its settings: a long line passed
      // over, names without regard to case, blanks and one pair of quotes
      // around values ignored, the first line of a key and the first section
      // of the name counting.
      {section + ";" + std::string(200000, '-') + "\n1 : BLUR AMOUNT = \"5000\"\r\n", 2, outOfRange},
      {section + "1 : Blur Amount=25\n1 : Blur Amount=5000\n", 0, ""},
      {"[Other]\n1 : Blur Amount=5000\n" + section + "1 : Blur Amount=25,5\n", 0, ""},
      {section + "2 : Color B.r=10\n" + section + "1 : Blur Amount=5000\n", 0, ""},
      {section + otherKeys + "1 : Blur Amount=5000\n", 2, outOfRange},
  };
  std::vector<clitest::ToolCase> cases;
  for (size_t i = 0; i < std::size(presets); ++i) {
    const auto &[text, status, message] = presets[i];
    const std::string ini = "p" + std::to_string(i) + ".ini", out = "o" + std::to_string(i) + ".png";
    clitest::WriteText(dir.file(ini), text);
    cases.push_back({{"small.png", out, "--preset", ini}, status, message});
    if (status == 0) cases.back().written = {out};
  }
  cases.push_back({{"small.png", "o.png", "--preset", "none.ini"}, 1, "vortane: cannot read preset none.ini: No such"});
  clitest::ExpectRuns(dir, cases);
}

} // namespace
