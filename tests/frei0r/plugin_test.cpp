// The frei0r edition in-process: the mapping between frei0r values and host
// values at the ends of every range, and the API as a host calls it: what the
// plug-in tells a host, and everything a careless or hostile host may do.
// That the pixels and values are the vortane tool's is shown through FFmpeg
// and MLT in real_hosts_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "Frei0rTestSupport.h"
#include "Instance.h"
#include "ParamMapping.h"

namespace {

using namespace f0rtest;
using namespace vfrei0r;

using InstancePtr = std::unique_ptr<void, void (*)(void *)>;
InstancePtr Construct(unsigned w, unsigned h) { return InstancePtr(f0r_construct(w, h), f0r_destruct); }

// Renders n pixels from in; checks that nothing is written beyond them.
std::vector<uint32_t> Update(f0r_instance_t instance, const uint32_t *in, size_t n) {
  const uint32_t kGuard = 0x5a5a5a5a;
  std::vector<uint32_t> out(n + 8, kGuard);
  f0r_update(instance, 0.0, in, out.data() + 4);
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(out[i] == kGuard && out[n + 4 + i] == kGuard) << "written outside";
  return std::vector<uint32_t>(out.begin() + 4, out.end() - 4);
}

// At 0, 1, just inside and just outside, infinities and NaN. (That NaN keeps
// a bool's, slider's or position's value is shown through the API below, and
// that values read back are right, through FFmpeg in real_hosts_test.cpp.)
TEST(Frei0rParamMapping, ValuesAtTheEndsOfEveryRange) {
  const MappedParam &amount = Params().at(Frei0rIndex("1 : Blur Amount")); // 0 to 1000
  const MappedParam &range = Params().at(Frei0rIndex("3 : Range"));        // 0 to 100
  const MappedParam &view = Params().at(Frei0rIndex("View")); // 1 Normal, (2 divider), 3 Extract, 4 to 7 groups
  const PF_Pixel current = {255, 10, 20, 30};
  // One row per case: what, the mapped value, the value it must be.
  auto row = [](const char *what, double got, double want) { EXPECT_EQ(got, want) << what; };
  row("slider 1", SliderFromFrei0r(amount, 1.0, 7.0), 1000.0);
  row("slider middle", SliderFromFrei0r(range, 0.5, 7.0), 50.0);
  row("slider just below 0", SliderFromFrei0r(amount, std::nextafter(0.0, -1.0), 7.0), 0.0);
  row("slider back, stored value beyond the range", Frei0rFromSlider(range, 150.0), 1.0);
  row("bool 0.5 is on", BoolFromFrei0r(0.5, false), 1.0);
  row("bool just below 0.5 is off", BoolFromFrei0r(std::nextafter(0.5, 0.0), true), 0.0);
  row("choice just below 0.1", ChoiceFromFrei0r(view, 0.1 - 1e-9, 5), 1.0);
  row("choice 0.1 skips the divider", ChoiceFromFrei0r(view, 0.1, 5), 3.0);
  row("choice 1", ChoiceFromFrei0r(view, 1.0, 5), 7.0);
  row("choice NaN keeps the value", ChoiceFromFrei0r(view, NAN, 5), 5.0);
  row("choice back, Extract", Frei0rFromChoice(view, 3), 0.2);
  row("colour just below half a step", ColorFromFrei0r(std::nextafter(0.5f / 255, 0.0f), 0, 0, current).red, 0.0);
  row("colour half a step", ColorFromFrei0r(0.5f / 255, 0, 0, current).red, 1.0);
  row("colour just below 1", ColorFromFrei0r(std::nextafter(1.0f, 0.0f), 0, 0, current).red, 255.0);
  row("colour NaN keeps the channel", ColorFromFrei0r(0, NAN, 0, current).green, 20.0);
  row("colour back", Frei0rFromChannel(255), 1.0);
  row("position outside the frame is kept", FractionFromFrei0r(-0.25, 160, 0.5), -0.25);
  row("position on an empty frame", FractionFromFrei0r(2.0, 0, 0.5), 1.0);
}

TEST(Frei0rPlugin, DescribesAFilterWithTheRegisteredParameters) {
  EXPECT_EQ(f0r_init(), 1);
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
      {9, "1 : Softness", F0R_PARAM_DOUBLE, "0 to 1 is 0 to 100 (default 10)"},
      {13, "2 : Enable Color Group", F0R_PARAM_BOOL, "on (1) or off (0); default off"},
  };
  for (const auto &e : expected) {
    f0r_param_info_t info, again;
    f0r_get_param_info(&info, e.index);
    f0r_get_param_info(&again, e.index);
    EXPECT_STREQ(info.name, e.name) << e.index;
    EXPECT_EQ(info.type, e.type) << e.name;
    EXPECT_STREQ(info.explanation, e.explanation) << e.name;
    EXPECT_EQ(again.name, info.name); // the strings stay valid: the same ones each time
  }
}

TEST(Frei0rPlugin, CarelessHostsGetSoundResults) {
  const int w = 7, h = 5;
  const std::vector<uint32_t> frame = TestFrame(w, h);

  // Sizes the host's largest layer cannot hold are refused; calls on the
  // null instance, or with null info, that a host may make anyway do nothing.
  EXPECT_TRUE(Construct(30000, 1));
  for (unsigned side : {30001u, 0xffffffffu}) {
    EXPECT_EQ(f0r_construct(side, 4), nullptr);
    EXPECT_EQ(f0r_construct(4, side), nullptr);
  }
  double value = 0.5;
  f0r_set_param_value(nullptr, &value, 0);
  f0r_get_param_value(nullptr, &value, 0);
  f0r_update(nullptr, 0.0, frame.data(), nullptr);
  f0r_destruct(nullptr);
  f0r_get_param_info(nullptr, 0);
  f0r_get_plugin_info(nullptr);

  // Empty frames: nothing to write, parameters still work.
  const int amount = Frei0rIndex("1 : Blur Amount");
  for (auto size : {std::pair<unsigned, unsigned>{0, 0}, {0, 9}, {9, 0}}) {
    InstancePtr empty = Construct(size.first, size.second);
    ASSERT_TRUE(empty);
    Update(empty.get(), frame.data(), 0);
    Update(empty.get(), nullptr, 0);
    f0r_set_param_value(empty.get(), &value, amount);
    EXPECT_EQ(Value(empty.get(), amount)[0], 0.5);
  }

  // In place, as some hosts render, as into another buffer; a null input
  // frame counts as transparent; a null output is left alone.
  InstancePtr instance = Construct(w, h);
  ASSERT_TRUE(instance);
  const std::vector<uint32_t> out = Update(instance.get(), frame.data(), frame.size());
  std::vector<uint32_t> inPlace = frame;
  f0r_update(instance.get(), 0.0, inPlace.data(), inPlace.data());
  EXPECT_TRUE(inPlace == out);
  EXPECT_TRUE(Update(instance.get(), nullptr, frame.size()) == std::vector<uint32_t>(frame.size(), 0));
  f0r_update(instance.get(), 0.0, frame.data(), nullptr);

  // Unknown indices and null values change nothing and write nothing.
  const int count = static_cast<int>(Params().size()); // the plug-in's num_params
  auto snapshot = [&] {
    std::vector<double> values;
    for (int i = 0; i < count; ++i)
      for (double v : Value(instance.get(), i)) values.push_back(v);
    return values;
  };
  const std::vector<double> before = snapshot();
  for (int index : {-1, count, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    f0r_set_param_value(instance.get(), &value, index);
    double untouched = -7.0;
    f0r_get_param_value(instance.get(), &untouched, index);
    EXPECT_EQ(untouched, -7.0);
    f0r_param_info_t info;
    f0r_get_param_info(&info, index);
    EXPECT_STREQ(info.name, "");
  }
  for (int i = 0; i < count; ++i) {
    f0r_set_param_value(instance.get(), nullptr, i);
    f0r_get_param_value(instance.get(), nullptr, i);
  }
  EXPECT_EQ(snapshot(), before);

  // NaN, infinite and out-of-range values of every type: NaN keeps the
  // value, the others count as the nearer end; every value read back is a
  // frei0r value again, and the frame renders.
  for (double v : {std::nan(""), HUGE_VAL, -HUGE_VAL, -0.5, 1.5, 1e300}) {
    for (int i = 0; i < count; ++i) SetValue(instance.get(), i, {v, v, v});
    EXPECT_TRUE(!std::isnan(v) || snapshot() == before);
    for (double got : snapshot()) EXPECT_TRUE(std::isfinite(got)) << v;
    EXPECT_LE(std::fabs(Value(instance.get(), Frei0rIndex("2 : Blur Center"))[0] * w), 32768.0) << v;
    Update(instance.get(), frame.data(), frame.size());
  }
  EXPECT_EQ(Value(instance.get(), amount)[0], 1.0);
  EXPECT_EQ(Value(instance.get(), Frei0rIndex("View"))[0], 1.0);
}

} // namespace
