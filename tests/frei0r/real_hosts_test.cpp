// FFmpeg and MLT, the real hosts, load vortane.so from a folder that holds
// only it (FREI0R_PATH) and render frame sequences whose pixels equal those
// of the vortane tool with the same settings, bit for bit. Inputs and
// outputs are RGBA PNG files, and both hosts are asked for RGBA output, so
// no host conversion touches the pixels.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "CliTestSupport.h"
#include "Frei0rTestSupport.h"
#include "ImageIO.h"

namespace {

using namespace f0rtest;

std::string Quoted(const std::string &text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string Shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string Printed(const char *format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Runs a host program in folder with only our plug-in folder to search;
// returns its exit status, with what it wrote kept in *log.
// locale: LC_ALL of the host process, or empty.
int RunHost(const std::string &folder, const std::string &program, const std::vector<std::string> &args,
            std::string *log, const std::string &locale = "") {
  std::string command = "cd " + Quoted(folder) + " && FREI0R_PATH=" + Quoted(VORTANE_FREI0R_FOLDER) +
                        (locale.empty() ? "" : " LC_ALL=" + Quoted(locale)) + " timeout 300 " + Quoted(program);
  for (const std::string &arg : args) command += " " + Quoted(arg);
  command += " >" + Quoted(folder + "/host.log") + " 2>&1";
  const int status = std::system(command.c_str());
  *log = clitest::ReadText(folder + "/host.log");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// --set arguments of the vortane tool.
std::vector<std::string> ToolArgs(const std::vector<Setting> &settings) {
  std::vector<std::string> args;
  for (const Setting &s : settings) {
    std::string value = Shortest(s.host[0]);
    if (s.kind == SettingKind::Color)
      value = std::to_string(static_cast<int>(s.host[0])) + "," + std::to_string(static_cast<int>(s.host[1])) + "," +
              std::to_string(static_cast<int>(s.host[2]));
    if (s.kind == SettingKind::Point) value = Shortest(s.host[0]) + "," + Shortest(s.host[1]);
    args.insert(args.end(), {"--set", s.name + "=" + value});
  }
  return args;
}

// ffmpeg's filter_params: every parameter in order, separated by '|' (bools
// y or n, numbers, colours r/g/b, positions x/y); those not set with the
// values a new instance reports.
std::string FfmpegParams(const std::vector<Setting> &settings, int width, int height) {
  std::unique_ptr<void, void (*)(void *)> fresh(f0r_construct(width, height), f0r_destruct);
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  std::string text;
  for (int i = 0; i < plugin.num_params; ++i) {
    f0r_param_info_t info;
    f0r_get_param_info(&info, i);
    double v[3];
    f0r_get_param_value(fresh.get(), v, i);
    f0r_param_color_t color;
    std::memcpy(&color, v, sizeof color);
    double number = v[0], x = v[0], y = v[1];
    for (const Setting &s : settings) {
      if (s.name != info.name) continue;
      number = x = s.f0r[0];
      y = s.f0r[1];
      color = {static_cast<float>(s.f0r[0]), static_cast<float>(s.f0r[1]), static_cast<float>(s.f0r[2])};
    }
    std::string token;
    switch (info.type) {
    case F0R_PARAM_BOOL: token = number >= 0.5 ? "y" : "n"; break;
    case F0R_PARAM_COLOR:
      token = Printed("%.9g", color.r) + "/" + Printed("%.9g", color.g) + "/" + Printed("%.9g", color.b);
      break;
    case F0R_PARAM_POSITION: token = Printed("%.17g", x) + "/" + Printed("%.17g", y); break;
    default: token = Printed("%.17g", number); break;
    }
    text += (i ? "|" : "") + token;
  }
  return text;
}

std::string Frame(const std::string &folder, const char *prefix, int n) {
  char name[64];
  std::snprintf(name, sizeof name, "%s_%04d.png", prefix, n);
  return folder + "/" + name;
}

// Frames 1 and 2 (the second mirrored) as RGBA PNG files f_0001.png, ...
void WriteFrames(const std::string &folder, int width, int height) {
  for (int n = 1; n <= 2; ++n) {
    const std::vector<uint32_t> rgba = TestFrame(width, height, n == 2);
    vcli::Raster raster(width, height, vcli::SampleKind::U8);
    std::memcpy(raster.bytes.data(), rgba.data(), raster.bytes.size());
    vcli::WriteImage(Frame(folder, "f", n), raster);
  }
}

// The tool's render of the same frames with the same settings, t_0001.png ...
void ToolRender(const clitest::TempDir &dir, const std::vector<Setting> &settings) {
  std::vector<std::string> args = {"render", "f_%04d.png", "t_%04d.png", "--quiet"};
  const std::vector<std::string> set = ToolArgs(settings);
  args.insert(args.end(), set.begin(), set.end());
  const clitest::ToolRun run = clitest::RunTool(dir.path(), args);
  ASSERT_EQ(run.status, 0) << run.err;
}

void ExpectSamePixels(const clitest::TempDir &dir, const char *prefix, const std::string &what) {
  for (int n = 1; n <= 2; ++n) {
    const vcli::Raster host = vcli::ReadImage(Frame(dir.path(), prefix, n));
    const vcli::Raster tool = vcli::ReadImage(Frame(dir.path(), "t", n));
    ASSERT_EQ(host.kind, vcli::SampleKind::U8) << what;
    EXPECT_EQ(host.width, tool.width) << what;
    EXPECT_EQ(host.height, tool.height) << what;
    ASSERT_EQ(host.bytes.size(), tool.bytes.size()) << what;
    size_t differing = 0, first = 0;
    for (size_t i = host.bytes.size(); i-- > 0;)
      if (host.bytes[i] != tool.bytes[i]) ++differing, first = i;
    EXPECT_EQ(differing, 0u) << what << ", frame " << n << ": first at pixel " << first / 4 << " channel " << first % 4
                             << ", " << int(host.bytes[first]) << " instead of " << int(tool.bytes[first]);
  }
}

TEST(Frei0rRealHosts, FfmpegRendersTheToolsPixels) {
  ASSERT_STRNE(VORTANE_FFMPEG, "") << "ffmpeg is missing: run scripts/setup.sh";
  const struct {
    const char *what;
    int width, height;
    std::vector<Setting> settings;
    bool params;
    const char *locale;
  } cases[] = {
      {"no parameters given", 160, 90, {}, false, ""},
      {"four colour groups", 160, 90, FourGroups(160, 90), true, ""},
      // The plug-in reads stored defaults under the user's locale; ffmpeg
      // then still parses its decimal points, after the instance was made.
      {"extract view, second group, inverted blur, under a decimal-comma locale",
       96,
       54,
       {Number("View", 0.2, 3), Number("1 : Blur Amount", 0.03, 30), Number("1 : Invert", 1, 1),
        Number("1 : Keep Division", 0, 0), Number("2 : Enable Color Group", 1, 1), Color("2 : Color B", 72, 112, 168),
        Number("2 : Blur Offset", 0.25, 25), Point("2 : Blur Center", -0.25, 1.5, 96, 54)},
       true,
       "de_DE.UTF-8"},
  };
  for (const auto &c : cases) {
    clitest::TempDir dir;
    WriteFrames(dir.path(), c.width, c.height);
    std::string filter = "frei0r=filter_name=vortane";
    if (c.params) filter += ":filter_params=" + FfmpegParams(c.settings, c.width, c.height);
    std::string log;
    ASSERT_EQ(RunHost(dir.path(), VORTANE_FFMPEG,
                      {"-nostdin", "-v", "error", "-y", "-start_number", "1", "-i", "f_%04d.png", "-vf", filter,
                       "-pix_fmt", "rgba", "o_%04d.png"},
                      &log, c.locale),
              0)
        << c.what << ": " << log;
    ToolRender(dir, c.settings);
    ExpectSamePixels(dir, "o", c.what);
  }
}

TEST(Frei0rRealHosts, MeltRendersNamedPropertiesOnAnImageSequence) {
  ASSERT_STRNE(VORTANE_MELT, "") << "melt is missing: run scripts/setup.sh";
  const int width = 160, height = 90;
  clitest::TempDir dir;
  WriteFrames(dir.path(), width, height);
  // MLT hands frei0r filters no position parameters (it sets bools, numbers,
  // colours and strings only), so the centres stay at their defaults here.
  std::vector<Setting> settings;
  for (const Setting &s : FourGroups(width, height))
    if (s.kind != SettingKind::Point) settings.push_back(s);
  settings.push_back(Number("View", 0.2, 3));
  // An MLT project: the frame sequence with the filter, its properties named
  // as the effect registers them.
  std::string properties;
  for (const Setting &s : settings) {
    std::string value = Printed("%.17g", s.f0r[0]);
    if (s.kind == SettingKind::Color) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "#%02x%02x%02x", static_cast<int>(s.host[0]), static_cast<int>(s.host[1]),
                    static_cast<int>(s.host[2]));
      value = hex;
    }
    properties += "      <property name=\"" + s.name + "\">" + value + "</property>\n";
  }
  std::ofstream(dir.file("project.mlt"))
      << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<mlt>\n"
      << "  <profile width=\"" << width << "\" height=\"" << height
      << "\" progressive=\"1\" sample_aspect_num=\"1\" sample_aspect_den=\"1\" display_aspect_num=\"16\" "
         "display_aspect_den=\"9\" frame_rate_num=\"25\" frame_rate_den=\"1\" colorspace=\"709\"/>\n"
      << "  <producer id=\"frames\" in=\"0\" out=\"1\">\n"
      << "    <property name=\"resource\">f_%04d.png</property>\n    <property name=\"begin\">1</property>\n"
      << "    <filter mlt_service=\"frei0r.vortane\">\n"
      << properties << "    </filter>\n  </producer>\n</mlt>\n";
  std::string log;
  ASSERT_EQ(RunHost(dir.path(), VORTANE_MELT,
                    {"-quiet", "project.mlt", "-consumer", "avformat:m_%04d.png", "vcodec=png", "pix_fmt=rgba"}, &log),
            0)
      << log;
  ToolRender(dir, settings);
  ExpectSamePixels(dir, "m", "melt");
}

} // namespace
