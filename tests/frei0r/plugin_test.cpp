// The frei0r API as a host calls it, in-process: what the plug-in tells a
// host, defaults, pixels equal to the emulated host's render, instances on
// several threads, and everything a careless or hostile host may do.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

#include "Frei0rTestSupport.h"
#include "SettingsSandbox.h"

namespace {

using namespace f0rtest;

struct InstanceDeleter {
  void operator()(void *instance) const { f0r_destruct(instance); }
};
using InstancePtr = std::unique_ptr<void, InstanceDeleter>;

InstancePtr Construct(unsigned width, unsigned height) { return InstancePtr(f0r_construct(width, height)); }

double GetNumber(f0r_instance_t instance, const std::string &name) {
  double v = -1.0;
  f0r_get_param_value(instance, &v, Frei0rIndex(name));
  return v;
}

std::vector<uint32_t> Update(f0r_instance_t instance, const std::vector<uint32_t> &frame) {
  std::vector<uint32_t> out(frame.size(), 0xdeadbeef);
  f0r_update(instance, 0.0, frame.data(), out.data());
  return out;
}

TEST(Frei0rPlugin, DescribesAFilterWithTheRegisteredParameters) {
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  EXPECT_STREQ(plugin.name, "vortane");
  EXPECT_EQ(plugin.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(plugin.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(plugin.frei0r_version, FREI0R_MAJOR_VERSION);
  // 54 host parameters less four group headings and four group ends.
  ASSERT_EQ(plugin.num_params, 46);
  const struct {
    int index;
    const char *name;
    int type;
    const char *explanation;
  } expected[] = {
      {0, "View", F0R_PARAM_DOUBLE, "0 Normal, 0.2 Extract, 0.4 Group 1, 0.6 Group 2, 0.8 Group 3, 1 Group 4"},
      {1, "Master Blur Amount", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 1000 pixels (default 0 pixels)"},
      {2, "1 : Enable Color Group", F0R_PARAM_BOOL, "on (1) or off (0); default on"},
      {3, "1 : Blur Center", F0R_PARAM_POSITION,
       "position as a fraction of the frame's width and height (default 0.5, 0.5); may lie outside the frame"},
      {4, "1 : Color A", F0R_PARAM_COLOR, "red, green and blue, each 0 to 1, rounded to 8 bits"},
      {6, "1 : Range", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 100 % (default 0 %)"},
      {7, "1 : Blur Amount", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 1000 pixels (default 10 pixels)"},
      {9, "1 : Softness", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 100 (default 10)"},
      {10, "1 : Softness Threshold", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 100 % (default 50 %)"},
      {13, "2 : Enable Color Group", F0R_PARAM_BOOL, "on (1) or off (0); default off"},
      {45, "4 : Invert", F0R_PARAM_BOOL, "on (1) or off (0); default off"},
  };
  for (const auto &e : expected) {
    f0r_param_info_t info;
    f0r_get_param_info(&info, e.index);
    EXPECT_STREQ(info.name, e.name) << e.index;
    EXPECT_EQ(info.type, e.type) << e.name;
    EXPECT_STREQ(info.explanation, e.explanation) << e.name;
    // The strings stay valid: a second call hands out the same ones.
    f0r_param_info_t again;
    f0r_get_param_info(&again, e.index);
    EXPECT_EQ(again.name, info.name);
  }
}

TEST(Frei0rPlugin, StartsFromTheRegisteredAndStoredDefaults) {
  vtest::SettingsSandbox sandbox;
  // Stored defaults as the options dialog writes them under a locale with a
  // decimal comma; the host process keeps its own locale.
  const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  std::setlocale(LC_ALL, "C");
  if (german) setenv("LC_ALL", "de_DE.UTF-8", 1);
  ASSERT_EQ(system(("mkdir -p '" + sandbox.config() + "/Tovra/Tandro'").c_str()), 0);
  std::ofstream(sandbox.settingsPath()) << "[Version=1.0]\nView=3\n1 : Blur Amount=" << (german ? "25,500000" : "25.500000")
                                        << "\n2 : Color B.r=255\n2 : Color B.g=0\n2 : Color B.b=51\n";
  InstancePtr instance = Construct(64, 36);
  unsetenv("LC_ALL");
  ASSERT_TRUE(instance);
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");

  EXPECT_EQ(GetNumber(instance.get(), "View"), 0.2);
  EXPECT_EQ(GetNumber(instance.get(), "1 : Blur Amount"), 0.0255);
  EXPECT_EQ(GetNumber(instance.get(), "2 : Blur Amount"), 0.01);
  EXPECT_EQ(GetNumber(instance.get(), "1 : Enable Color Group"), 1.0);
  EXPECT_EQ(GetNumber(instance.get(), "2 : Enable Color Group"), 0.0);
  EXPECT_EQ(GetNumber(instance.get(), "4 : Softness Threshold"), 0.5);
  f0r_param_color_t color;
  f0r_get_param_value(instance.get(), &color, Frei0rIndex("2 : Color B"));
  EXPECT_EQ(color.r, 1.0f);
  EXPECT_EQ(color.g, 0.0f);
  EXPECT_EQ(color.b, 0.2f);
  f0r_get_param_value(instance.get(), &color, Frei0rIndex("1 : Color A"));
  EXPECT_EQ(color.g, 180 / 255.0f);
  f0r_param_position_t center;
  f0r_get_param_value(instance.get(), &center, Frei0rIndex("3 : Blur Center"));
  EXPECT_EQ(center.x, 0.5);
  EXPECT_EQ(center.y, 0.5);
}

// Instances on several threads at once, each at its own size (and a new
// instance at a new size, as hosts make on a size change), give the pixels of
// the emulated host's render with the same settings.
TEST(Frei0rPlugin, InstancesOnSeveralThreadsRenderTheHostsPixels) {
  struct Job {
    int width, height;
    std::vector<Setting> settings;
    std::vector<uint32_t> frame, expected, got;
  };
  std::vector<Job> jobs = {
      {160, 90, FourGroups(160, 90), {}, {}, {}},
      {97, 61, {Number("View", 0.2, 3), Number("1 : Blur Amount", 0.03, 30), Number("1 : Invert", 1, 1)}, {}, {}, {}},
      {48, 27, FourGroups(48, 27), {}, {}, {}},
      {1, 1, {}, {}, {}, {}},
      {3, 5, {Number("View", 0.4, 4), Number("1 : Range", 1, 100)}, {}, {}, {}},
  };
  for (Job &job : jobs) {
    job.frame = TestFrame(job.width, job.height, job.width % 2 == 1);
    job.expected = HostRender(job.frame, job.width, job.height, job.settings);
  }
  auto run = [](Job &job) {
    InstancePtr instance = Construct(job.width, job.height);
    if (!instance) return;
    Apply(instance.get(), job.settings);
    job.got = Update(instance.get(), job.frame);
    // A second frame of the same instance renders alike.
    if (Update(instance.get(), job.frame) != job.got) job.got.clear();
  };
  std::vector<std::thread> threads;
  for (size_t i = 1; i < jobs.size(); i += 2) threads.emplace_back([&, i] {
    run(jobs[i]);
    if (i + 1 < jobs.size()) run(jobs[i + 1]);
  });
  run(jobs[0]);
  for (std::thread &t : threads) t.join();
  for (const Job &job : jobs) EXPECT_TRUE(job.got == job.expected) << job.width << " x " << job.height;
}

TEST(Frei0rPlugin, CarelessHostsGetSoundResults) {
  const int w = 7, h = 5;
  const std::vector<uint32_t> frame = TestFrame(w, h);
  const std::vector<uint32_t> defaults = HostRender(frame, w, h, {});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // Output with guard words before and after the frame.
  const uint32_t kGuard = 0x5a5a5a5a;
  auto guarded = [](size_t n) { return std::vector<uint32_t>(n + 8, 0x5a5a5a5a); };
  auto guardsIntact = [&](const std::vector<uint32_t> &buffer) {
    for (size_t i = 0; i < 4; ++i)
      if (buffer[i] != kGuard || buffer[buffer.size() - 1 - i] != kGuard) return false;
    return true;
  };

  // Sizes the host's largest layer cannot hold are refused; calls on the
  // null instance that a host may make anyway do nothing.
  for (unsigned side : {30001u, 0xffffffffu}) {
    EXPECT_EQ(f0r_construct(side, 4), nullptr);
    EXPECT_EQ(f0r_construct(4, side), nullptr);
  }
  double value = 0.5;
  f0r_set_param_value(nullptr, &value, 0);
  f0r_get_param_value(nullptr, &value, 0);
  f0r_update(nullptr, 0.0, frame.data(), nullptr);
  f0r_destruct(nullptr);

  // Empty frames: nothing to write, parameters still work.
  for (auto size : {std::pair<unsigned, unsigned>{0, 0}, {0, 9}, {9, 0}}) {
    InstancePtr empty = Construct(size.first, size.second);
    ASSERT_TRUE(empty);
    std::vector<uint32_t> out = guarded(0);
    f0r_update(empty.get(), 0.0, frame.data(), out.data() + 4);
    f0r_update(empty.get(), 0.0, nullptr, out.data() + 4);
    EXPECT_TRUE(guardsIntact(out));
    f0r_set_param_value(empty.get(), &value, Frei0rIndex("1 : Blur Amount"));
    EXPECT_EQ(GetNumber(empty.get(), "1 : Blur Amount"), 0.5);
  }

  InstancePtr instance = Construct(w, h);
  ASSERT_TRUE(instance);
  // Before any parameter is set: the defaults, exactly inside the frame.
  std::vector<uint32_t> out = guarded(frame.size());
  f0r_update(instance.get(), 0.0, frame.data(), out.data() + 4);
  EXPECT_TRUE(guardsIntact(out));
  EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), out.begin() + 4));
  // In place, as some hosts render.
  std::vector<uint32_t> inPlace = frame;
  f0r_update(instance.get(), 0.0, inPlace.data(), inPlace.data());
  EXPECT_TRUE(inPlace == defaults);
  // A null input frame counts as transparent; a null output is left alone.
  out = guarded(frame.size());
  f0r_update(instance.get(), 0.0, nullptr, out.data() + 4);
  EXPECT_TRUE(guardsIntact(out));
  EXPECT_TRUE(std::all_of(out.begin() + 4, out.end() - 4, [](uint32_t v) { return v == 0; }));
  f0r_update(instance.get(), 0.0, frame.data(), nullptr);

  // Unknown indices and null values change nothing and write nothing.
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  // Every value as the host reads it back, channels and coordinates apart.
  auto snapshot = [&] {
    std::vector<double> values;
    for (int i = 0; i < plugin.num_params; ++i) {
      f0r_param_info_t info;
      f0r_get_param_info(&info, i);
      if (info.type == F0R_PARAM_COLOR) {
        f0r_param_color_t c{-1, -1, -1};
        f0r_get_param_value(instance.get(), &c, i);
        values.insert(values.end(), {c.r, c.g, c.b});
      } else if (info.type == F0R_PARAM_POSITION) {
        f0r_param_position_t p{-1, -1};
        f0r_get_param_value(instance.get(), &p, i);
        values.insert(values.end(), {p.x, p.y});
      } else {
        double v = -1;
        f0r_get_param_value(instance.get(), &v, i);
        values.push_back(v);
      }
    }
    return values;
  };
  const std::vector<double> before = snapshot();
  for (int index : {-1, plugin.num_params, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    f0r_set_param_value(instance.get(), &value, index);
    double untouched = -7.0;
    f0r_get_param_value(instance.get(), &untouched, index);
    EXPECT_EQ(untouched, -7.0);
    f0r_param_info_t info;
    f0r_get_param_info(&info, index);
    EXPECT_STREQ(info.name, "");
  }
  for (int i = 0; i < plugin.num_params; ++i) {
    f0r_set_param_value(instance.get(), nullptr, i);
    f0r_get_param_value(instance.get(), nullptr, i);
  }
  f0r_get_param_info(nullptr, 0);
  f0r_get_plugin_info(nullptr);
  EXPECT_EQ(snapshot(), before);

  // NaN, infinite and out-of-range values of every type: NaN keeps the
  // value, the others count as the nearer end; every value read back is a
  // frei0r value again, and the frame renders.
  for (double v : {nan, inf, -inf, -0.5, 1.5, 1e300}) {
    for (int i = 0; i < plugin.num_params; ++i) {
      f0r_param_info_t info;
      f0r_get_param_info(&info, i);
      f0r_param_color_t color{static_cast<float>(v), static_cast<float>(v), static_cast<float>(v)};
      f0r_param_position_t position{v, v};
      void *param = info.type == F0R_PARAM_COLOR ? static_cast<void *>(&color)
                    : info.type == F0R_PARAM_POSITION ? static_cast<void *>(&position)
                                                      : static_cast<void *>(&v);
      f0r_set_param_value(instance.get(), param, i);
    }
    if (std::isnan(v)) {
      EXPECT_EQ(snapshot(), before);
    }
    for (double got : snapshot()) EXPECT_TRUE(std::isfinite(got)) << v;
    f0r_param_position_t center;
    f0r_get_param_value(instance.get(), &center, Frei0rIndex("2 : Blur Center"));
    EXPECT_LE(std::fabs(center.x * w), 32768.0) << v;
    out = guarded(frame.size());
    f0r_update(instance.get(), 0.0, frame.data(), out.data() + 4);
    EXPECT_TRUE(guardsIntact(out)) << v;
  }
  EXPECT_EQ(GetNumber(instance.get(), "1 : Blur Amount"), 1.0);
  EXPECT_EQ(GetNumber(instance.get(), "View"), 1.0);
}

} // namespace
