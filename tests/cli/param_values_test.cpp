// Parameter values by display name against the plug-in's own registration:
// every value syntax, every refusal with its message, presets under --set.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "Commands.h"
#include "EffectInstance.h"
#include "Errors.h"

namespace {

using clitest::TempDir;
using vcli::ParamValue;

// A parsed value as numbers: alpha, red, green, blue of a colour; x, y of a
// point; else the number.
std::vector<double> Numbers(const ParamValue &v) {
  if (v.type == PF_Param_COLOR)
    return {double(v.color.alpha), double(v.color.red), double(v.color.green), double(v.color.blue)};
  if (v.type == PF_Param_POINT) return {v.x, v.y};
  return {v.number};
}

TEST(ParamValues, EverySyntaxParsesToTheHostValueAndBadOnesAreRefusedWithTheProblem) {
  TempDir dir;
  vcli::EffectInstance instance(1);
  const struct {
    const char *assignment;
    int index;
    std::vector<double> numbers;
  } values[] = {
      {"View=1", 1, {1}},
      {"View=Extract", 1, {3}},
      {"view= group 2 ", 1, {5}},
      {"View=7", 1, {7}},
      {"Master Blur Amount=12.5", 2, {12.5}},
      {"1 : Blur Amount=1000", 9, {1000}},
      {"1 : Blur Amount=+0", 9, {0}},
      {"2 : Range=5%", 21, {5}},
      {"4 : Softness Threshold=99.95", 51, {99.95}},
      {"2 : Enable Color Group=on", 17, {1}},
      {"2 : Enable Color Group=ON", 17, {1}},
      {"1 : Invert=1", 14, {1}},
      {"1 : Keep Division=off", 13, {0}},
      {"3 : Keep Division=0", 39, {0}},
      {"4 : Invert=on", 53, {1}},
      {"2 : Color B=#3366cC", 20, {255, 0x33, 0x66, 0xcc}},
      {"4 : Color A= 0, 128 ,255", 45, {255, 0, 128, 255}},
      {"1 : Color A=+12,0,+7", 6, {255, 12, 0, 7}},
      {"3 : Blur Center=960.25,-40", 31, {960.25, -40}},
  };
  for (const auto &c : values) {
    const ParamValue v = instance.catalog().parseAssignment(c.assignment);
    EXPECT_EQ(v.index, c.index) << c.assignment;
    EXPECT_EQ(Numbers(v), c.numbers) << c.assignment;
  }
  const std::pair<const char *, const char *> refused[] = {
      {"Blur Amount=3", R"(unknown parameter "Blur Amount"; did you mean "Master Blur Amount", "1 : Blur Amount")"},
      {"Zoom=3", R"(unknown parameter "Zoom" (vortane params lists them))"},
      {"1 : Blur Amount", R"(expected NAME=VALUE)"},
      {"1 : Blur Amount=1000.5", "1 : Blur Amount: 1000.5 is outside the valid range 0 to 1000"},
      {"1 : Range=-1", "1 : Range: -1 is outside the valid range 0 to 100"},
      {"1 : Range=5%%", R"(1 : Range: "5%" is not a number)"},
      {"Master Blur Amount=ten", R"(Master Blur Amount: "ten" is not a number)"},
      {"Master Blur Amount=nan", R"("nan" is not a number)"},
      {"Master Blur Amount=1e999", R"("1e999" is not a number)"},
      {"1 : Blur Amount=25%", R"("25%" is not a number)"},
      {"View=2", R"(View: "2" is not a choice; choose 1 "Normal", 3 "Extract", 4 "Group 1")"},
      {"View=8", R"(View: "8" is not a choice)"},
      {"View=(-", R"(View: "(-" is not a choice)"},
      {"1 : Invert=yes please", R"(1 : Invert: "yes please" is not on or off)"},
      {"1 : Color A=1,2", R"(1 : Color A: "1,2" is not a colour)"},
      {"1 : Color A=#12345", R"("#12345" is not a colour)"},
      {"1 : Color A=#12345g", R"("#12345g" is not a colour)"},
      {"1 : Color A=10,256,0", "1 : Color A: green 256 is outside 0 to 255"},
      {"1 : Color A=10,-1,0", "green -1 is outside 0 to 255"},
      {"1 : Color A=10,1.5,0", R"(green "1.5" is not a whole number 0 to 255)"},
      {"1 : Blur Center=5", R"(1 : Blur Center: "5" is not a point; use "x,y" in layer pixels)"},
      {"1 : Blur Center=5,y", R"("5,y" is not a point)"},
      {"1 : Blur Center=5,40000", "1 : Blur Center: 40000 is outside the point range -32768 to 32767"},
      {"Color Group 2=on", R"("Color Group 2" is a group heading, not a value)"},
  };
  for (const auto &[assignment, message] : refused) {
    try {
      instance.catalog().parseAssignment(assignment);
      ADD_FAILURE() << assignment << " was accepted";
    } catch (const vcli::UsageError &e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << assignment << ": " << e.what();
    }
  }
}

TEST(ParamValues, PresetAppliesOverTheDefaultsAndSetOverridesIt) {
  TempDir dir;
  clitest::WriteText(dir.file("look.ini"),
                     "; a preset\r\n[Other]\r\nView=4\r\n[Version=1.0]\r\nView=3\r\n1 : Blur Amount=25,500000\r\n"
                     "2 : Enable Color Group=1\r\n2 : Color B.r=10\r\n2 : Color B.b=30\r\n2 : Color B.a=0\r\n"
                     "4 : Color A.g=7\r\nMaster Blur Amount=2.000000\r\n");
  vcli::EffectInstance instance(1);
  vcli::CommonOptions options;
  options.preset = dir.file("look.ini");
  options.sets = {"Master Blur Amount=7", "4 : Color A=#010203"};
  vcli::ApplyOptions(instance, options);
  vemu::Host &host = instance.host();
  EXPECT_EQ(host.paramValue(1).u.pd.value, 3);
  EXPECT_EQ(host.paramValue(2).u.fs_d.value, 7.0);
  EXPECT_EQ(host.paramValue(9).u.fs_d.value, 25.5); // a decimal comma
  EXPECT_EQ(host.paramValue(17).u.bd.value, 1);
  // Channels the preset does not give keep the registered default.
  const PF_Pixel c = host.paramValue(20).u.cd.value;
  EXPECT_EQ((std::vector<int>{c.alpha, c.red, c.green, c.blue}), (std::vector<int>{255, 10, 180, 30}));
  EXPECT_EQ(host.paramValue(45).u.cd.value.green, 2);
  EXPECT_EQ(host.paramValue(22).u.fs_d.value, 10.0); // untouched: "2 : Blur Amount" default
}

} // namespace
