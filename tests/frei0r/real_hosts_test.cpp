// FFmpeg and MLT, the real hosts, load vortane.so from a folder that holds
// only it (FREI0R_PATH) and render two-frame sequences whose pixels equal
// those of the vortane tool with the same settings, bit for bit. Inputs and
// outputs are RGBA PNG files, and both hosts are asked for RGBA output, so
// no host conversion touches the pixels.
#include <gtest/gtest.h>

#include <sys/wait.h>

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

template <typename... Values> std::string Printed(const char *format, Values... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// Runs a host program in folder with only our plug-in folder to search, under
// locale (LC_ALL) when one is given; returns its exit status, with what it
// wrote kept in *log.
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

// The tool's arguments to render f_0001.png and f_0002.png with these settings
// to t_0001.png and t_0002.png.
std::vector<std::string> ToolArgs(const std::vector<Setting> &settings) {
  std::vector<std::string> args = {"render", "f_%04d.png", "t_%04d.png", "--quiet"};
  for (const Setting &s : settings) {
    std::string value = Printed("%.17g", s.host[0]);
    if (s.kind == SettingKind::Color) value = Printed("%d,%d,%d", int(s.host[0]), int(s.host[1]), int(s.host[2]));
    if (s.kind == SettingKind::Point) value += Printed(",%.17g", s.host[1]);
    args.insert(args.end(), {"--set", s.name + "=" + value});
  }
  return args;
}

// ffmpeg's arguments: filter_params, unless no settings are given, list every
// parameter in order, separated by '|' (bools y or n, numbers, colours r/g/b,
// positions x/y), as a new instance given these settings reports them.
std::vector<std::string> FfmpegArgs(const std::vector<Setting> &settings, int width, int height) {
  std::unique_ptr<void, void (*)(void *)> instance(f0r_construct(width, height), f0r_destruct);
  Apply(instance.get(), settings);
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  std::string filter = "frei0r=filter_name=vortane";
  for (int i = 0; i < plugin.num_params && !settings.empty(); ++i) {
    f0r_param_info_t info;
    f0r_get_param_info(&info, i);
    const std::vector<double> v = Value(instance.get(), i);
    std::string token = info.type == F0R_PARAM_BOOL ? (v[0] >= 0.5 ? "y" : "n") : Printed("%.17g", v[0]);
    if (info.type == F0R_PARAM_COLOR) token = Printed("%.9g/%.9g/%.9g", v[0], v[1], v[2]);
    if (info.type == F0R_PARAM_POSITION) token += Printed("/%.17g", v[1]);
    filter += (i ? "|" : ":filter_params=") + token;
  }
  return {"-nostdin",   "-v",  "error", "-y",       "-start_number", "1",         "-i",
          "f_%04d.png", "-vf", filter,  "-pix_fmt", "rgba",          "o_%04d.png"};
}

// melt's arguments, after writing an MLT project to dir: the frame sequence
// with the filter, its properties named as the effect registers them.
std::vector<std::string> MeltArgs(const clitest::TempDir &dir, const std::vector<Setting> &settings, int width,
                                  int height) {
  std::ofstream project(dir.file("project.mlt"));
  project << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<mlt>\n"
          << "  <profile width=\"" << width << "\" height=\"" << height
          << "\" progressive=\"1\" sample_aspect_num=\"1\" sample_aspect_den=\"1\" display_aspect_num=\"16\" "
             "display_aspect_den=\"9\" frame_rate_num=\"25\" frame_rate_den=\"1\" colorspace=\"709\"/>\n"
          << "  <producer id=\"frames\" in=\"0\" out=\"1\">\n"
          << "    <property name=\"resource\">f_%04d.png</property>\n    <property name=\"begin\">1</property>\n"
          << "    <filter mlt_service=\"frei0r.vortane\">\n";
  for (const Setting &s : settings) {
    project << "      <property name=\"" << s.name << "\">"
            << (s.kind == SettingKind::Color ? Printed("#%02x%02x%02x", int(s.host[0]), int(s.host[1]), int(s.host[2]))
                                             : Printed("%.17g", s.f0r[0]))
            << "</property>\n";
  }
  project << "    </filter>\n  </producer>\n</mlt>\n";
  return {"-quiet", "project.mlt", "-consumer", "avformat:o_%04d.png", "vcodec=png", "pix_fmt=rgba"};
}

TEST(Frei0rRealHosts, FfmpegAndMeltRenderTheToolsPixels) {
  ASSERT_STRNE(VORTANE_FFMPEG, "") << "ffmpeg is missing: run scripts/setup.sh";
  ASSERT_STRNE(VORTANE_MELT, "") << "melt is missing: run scripts/setup.sh";
  // MLT hands frei0r filters no position parameters (it sets bools, numbers,
  // colours and strings only), so the centres stay at their defaults there.
  std::vector<Setting> noPoints = {Number("View", 0.2, 3)};
  for (const Setting &s : FourGroups(64, 36))
    if (s.kind != SettingKind::Point) noPoints.push_back(s);
  const struct {
    const char *what;
    bool melt;
    int width, height;
    std::vector<Setting> settings;
    const char *locale;
  } cases[] = {
      {"ffmpeg, no parameters given", false, 64, 36, {}, ""},
      {"ffmpeg, four colour groups", false, 64, 36, FourGroups(64, 36), ""},
      // The plug-in reads stored defaults under the user's locale; ffmpeg
      // then still parses its decimal points, after the instance was made.
      {"ffmpeg, extract view, second group, inverted blur, odd height, under a decimal-comma locale",
       false,
       48,
       27,
       {Number("View", 0.2, 3), Number("1 : Blur Amount", 0.03, 30), Number("1 : Invert", 1, 1),
        Number("1 : Keep Division", 0, 0), Number("2 : Enable Color Group", 1, 1), Color("2 : Color B", 72, 112, 168),
        Number("2 : Blur Offset", 0.25, 25), Point("2 : Blur Center", -0.25, 1.5, 48, 27)},
       "de_DE.UTF-8"},
      {"melt, named properties of four groups on an image sequence", true, 64, 36, noPoints, ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    // Frames 1 and 2 (the second mirrored) as RGBA PNG files, rendered by
    // the tool and by the host; the host's frames hold the tool's bytes.
    clitest::TempDir dir;
    for (int n = 1; n <= 2; ++n) {
      const std::vector<uint32_t> rgba = TestFrame(c.width, c.height, n == 2);
      vcli::Raster raster(c.width, c.height, vcli::SampleKind::U8);
      std::memcpy(raster.bytes.data(), rgba.data(), raster.bytes.size());
      vcli::WriteImage(dir.file(Printed("f_%04d.png", n)), raster);
    }
    const clitest::ToolRun run = clitest::RunTool(dir.path(), ToolArgs(c.settings));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> args =
        c.melt ? MeltArgs(dir, c.settings, c.width, c.height) : FfmpegArgs(c.settings, c.width, c.height);
    std::string log;
    ASSERT_EQ(RunHost(dir.path(), c.melt ? VORTANE_MELT : VORTANE_FFMPEG, args, &log, c.locale), 0) << log;
    for (int n = 1; n <= 2; ++n) {
      const vcli::Raster host = vcli::ReadImage(dir.file(Printed("o_%04d.png", n)));
      const vcli::Raster tool = vcli::ReadImage(dir.file(Printed("t_%04d.png", n)));
      EXPECT_TRUE(host.kind == vcli::SampleKind::U8 && host.width == tool.width && host.height == tool.height) << n;
      EXPECT_TRUE(host.bytes == tool.bytes) << "frame " << n;
    }
  }
}

} // namespace
