// The mapping between frei0r values and host values, at the ends of every
// range: 0, 1, just inside and just outside, infinities and NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "Instance.h"
#include "ParamMapping.h"

namespace {

using namespace vfrei0r;

const MappedParam &Named(const std::string &name) {
  for (const MappedParam &p : Params())
    if (p.name == name) return p;
  throw std::runtime_error("no parameter " + name);
}

TEST(Frei0rParamMapping, ValuesAtTheEndsOfEveryRange) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double below0 = std::nextafter(0.0, -1.0);
  const MappedParam &amount = Named("1 : Blur Amount"); // 0 to 1000
  const MappedParam &range = Named("3 : Range");        // 0 to 100
  const MappedParam &view = Named("View");              // 1 Normal, (2 divider), 3 Extract, 4 to 7 groups
  const PF_Pixel current = {255, 10, 20, 30};
  // One row per case: what, the mapped value, the value it must be.
  auto row = [](const char *what, double got, double want) { EXPECT_EQ(got, want) << what; };
  row("slider 1", SliderFromFrei0r(amount, 1.0, 7.0), 1000.0);
  row("slider middle", SliderFromFrei0r(range, 0.5, 7.0), 50.0);
  row("slider just below 0", SliderFromFrei0r(amount, below0, 7.0), 0.0);
  row("slider NaN keeps the value", SliderFromFrei0r(range, nan, 7.0), 7.0);
  row("slider back, 25", Frei0rFromSlider(amount, 25.0), 0.025);
  row("slider back, stored value beyond the range", Frei0rFromSlider(range, 150.0), 1.0);
  row("bool 0.5 is on", BoolFromFrei0r(0.5, false), 1.0);
  row("bool just below 0.5 is off", BoolFromFrei0r(std::nextafter(0.5, 0.0), true), 0.0);
  row("bool NaN keeps on", BoolFromFrei0r(nan, true), 1.0);
  row("choice just below 0.1", ChoiceFromFrei0r(view, 0.1 - 1e-9, 5), 1.0);
  row("choice 0.1 skips the divider", ChoiceFromFrei0r(view, 0.1, 5), 3.0);
  row("choice 1", ChoiceFromFrei0r(view, 1.0, 5), 7.0);
  row("choice NaN keeps the value", ChoiceFromFrei0r(view, nan, 5), 5.0);
  row("choice back, Normal", Frei0rFromChoice(view, 1), 0.0);
  row("choice back, Extract", Frei0rFromChoice(view, 3), 0.2);
  row("colour just below half a step", ColorFromFrei0r(std::nextafter(0.5f / 255, 0.0f), 0, 0, current).red, 0.0);
  row("colour half a step", ColorFromFrei0r(0.5f / 255, 0, 0, current).red, 1.0);
  row("colour just below 1", ColorFromFrei0r(std::nextafter(1.0f, 0.0f), 0, 0, current).red, 255.0);
  row("colour NaN keeps the channel", ColorFromFrei0r(0, NAN, 0, current).green, 20.0);
  row("colour back", Frei0rFromChannel(255), 1.0);
  row("position outside the frame is kept", FractionFromFrei0r(-0.25, 160, 0.5), -0.25);
  row("position NaN keeps the value", FractionFromFrei0r(nan, 160, 0.3), 0.3);
  row("position on an empty frame", FractionFromFrei0r(2.0, 0, 0.5), 1.0);
}

} // namespace
