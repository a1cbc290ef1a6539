// Parameter values by display name against the plug-in's own registration:
// every value syntax, every refusal with its message, preset files, and the
// parameter listing.
#include <gtest/gtest.h>

#include <cstdio>

#include "CliTestSupport.h"
#include "Commands.h"
#include "EffectInstance.h"
#include "Errors.h"

namespace {

using clitest::TempDir;
using vcli::ParamValue;

TEST(ParamValues, EverySyntaxParsesToTheHostValue) {
  TempDir dir;
  vcli::EffectInstance instance(1);
  const vcli::ParamCatalog &catalog = instance.catalog();
  struct Case {
    const char *assignment;
    int index;
    double number;
  } numbers[] = {
      {"View=1", 1, 1},
      {"View=Extract", 1, 3},
      {"view= group 2 ", 1, 5},
      {"View=7", 1, 7},
      {"Master Blur Amount=12.5", 2, 12.5},
      {"1 : Blur Amount=1000", 9, 1000},
      {"1 : Blur Amount=+0", 9, 0},
      {"2 : Range=5%", 21, 5},
      {"4 : Softness Threshold=99.95", 51, 99.95},
      {"2 : Enable Color Group=on", 17, 1},
      {"2 : Enable Color Group=ON", 17, 1},
      {"1 : Invert=1", 14, 1},
      {"1 : Keep Division=off", 13, 0},
      {"3 : Keep Division=0", 39, 0},
  };
  for (const Case &c : numbers) {
    const ParamValue v = catalog.parseAssignment(c.assignment);
    EXPECT_EQ(v.index, c.index) << c.assignment;
    EXPECT_EQ(v.number, c.number) << c.assignment;
  }
  const ParamValue hex = catalog.parseAssignment("2 : Color B=#3366cC");
  EXPECT_EQ(hex.index, 20);
  EXPECT_EQ((std::vector<int>{hex.color.alpha, hex.color.red, hex.color.green, hex.color.blue}),
            (std::vector<int>{255, 0x33, 0x66, 0xcc}));
  const ParamValue rgb = catalog.parseAssignment("4 : Color A= 0, 128 ,255");
  EXPECT_EQ((std::vector<int>{rgb.color.red, rgb.color.green, rgb.color.blue}), (std::vector<int>{0, 128, 255}));
  const ParamValue point = catalog.parseAssignment("3 : Blur Center=960.25,-40");
  EXPECT_EQ(point.index, 31);
  EXPECT_EQ(point.x, 960.25);
  EXPECT_EQ(point.y, -40.0);
}

TEST(ParamValues, BadNamesAndValuesAreRefusedWithTheProblem) {
  TempDir dir;
  vcli::EffectInstance instance(1);
  const struct Case {
    const char *assignment;
    const char *message;
  } cases[] = {
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
  for (const Case &c : cases) {
    try {
      instance.catalog().parseAssignment(c.assignment);
      ADD_FAILURE() << c.assignment << " was accepted";
    } catch (const vcli::UsageError &e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.assignment << ": " << e.what();
    }
  }
}

TEST(ParamValues, PresetAppliesOverTheDefaultsAndSetOverridesIt) {
  TempDir dir;
  clitest::WriteText(dir.file("look.ini"),
                     "; a preset\r\n[Other]\r\nView=4\r\n[Version=1.0]\r\nView=3\r\n1 : Blur Amount=25,500000\r\n"
                     "2 : Enable Color Group=1\r\n2 : Color B.r=10\r\n2 : Color B.b=30\r\n2 : Color B.a=0\r\n"
                     "2 : Blur Center=12.5, 40\r\nMaster Blur Amount=2.000000\r\n");
  vcli::EffectInstance instance(1);
  vcli::CommonOptions options;
  options.preset = dir.file("look.ini");
  options.sets = {"Master Blur Amount=7", "2 : Color B=#010203"};
  // The preset's colour before --set replaces it.
  const std::vector<ParamValue> preset = vcli::ReadPreset(options.preset, instance.catalog());
  ASSERT_EQ(preset.size(), 6u);
  EXPECT_EQ(preset[0].number, 3);     // View
  EXPECT_EQ(preset[1].number, 2.0);   // Master Blur Amount, in index order
  EXPECT_EQ(preset[2].number, 25.5);  // decimal comma
  EXPECT_EQ(preset[3].number, 1);     // 2 : Enable Color Group
  EXPECT_EQ(preset[4].x, 12.5);       // 2 : Blur Center
  EXPECT_EQ(preset[4].y, 40.0);
  const PF_Pixel c = preset[5].color;  // green keeps the registered default
  EXPECT_EQ((std::vector<int>{c.alpha, c.red, c.green, c.blue}), (std::vector<int>{255, 10, 180, 30}));

  vcli::ApplyOptions(instance, options);
  vemu::Host &host = instance.host();
  EXPECT_EQ(host.paramValue(1).u.pd.value, 3);
  EXPECT_EQ(host.paramValue(2).u.fs_d.value, 7.0);
  EXPECT_EQ(host.paramValue(9).u.fs_d.value, 25.5);
  EXPECT_EQ(host.paramValue(17).u.bd.value, 1);
  EXPECT_EQ(host.paramValue(20).u.cd.value.red, 1);
  EXPECT_EQ(host.paramValue(20).u.cd.value.blue, 3);
  EXPECT_EQ(host.paramValue(22).u.fs_d.value, 10.0);  // untouched: "2 : Blur Amount" default
}

TEST(ParamValues, BadPresetsAreRefused) {
  TempDir dir;
  vcli::EffectInstance instance(1);
  clitest::WriteText(dir.file("nosection.ini"), "View=3\n");
  clitest::WriteText(dir.file("bad.ini"), "[Version=1.0]\nView=3\n1 : Color A.g=300\n");
  EXPECT_THROW(vcli::ReadPreset(dir.file("missing.ini"), instance.catalog()), vcli::Failure);
  try {
    vcli::ReadPreset(dir.file("nosection.ini"), instance.catalog());
    ADD_FAILURE();
  } catch (const vcli::UsageError &e) {
    EXPECT_NE(std::string(e.what()).find("sets no parameter: expected a [Version=1.0] section"), std::string::npos)
        << e.what();
  }
  try {
    vcli::ReadPreset(dir.file("bad.ini"), instance.catalog());
    ADD_FAILURE();
  } catch (const vcli::UsageError &e) {
    EXPECT_EQ(std::string(e.what()), "preset " + dir.file("bad.ini") + ": 1 : Color A: green 300 is outside 0 to 255");
  }
}

TEST(ParamListing, ListsTheRegistrationIncludingStoredDefaults) {
  TempDir dir;
  // A stored default of the user changes what add_param receives.
  const std::string settings = dir.file("config/Tovra/Tandro");
  ASSERT_EQ(std::system(("mkdir -p '" + settings + "'").c_str()), 0);
  clitest::WriteText(settings + "/T_Vortane.ini", "[Version=1.0]\r\n1 : Blur Amount=25.5\r\n");

  std::FILE *json = std::tmpfile();
  ASSERT_EQ(vcli::RunParams(true, json), 0);
  const std::string text = clitest::ReadAll(json);
  std::fclose(json);
  size_t objects = 0;
  for (size_t at = 0; (at = text.find("{\"index\": ", at)) != std::string::npos; ++at) ++objects;
  EXPECT_EQ(objects, 54u);
  EXPECT_NE(text.find(R"({"index": 1, "id": 1, "type": "popup", "name": "View", "flags": 32, "default": 1, )"
                      R"("choices": ["Normal", "(-", "Extract", "Group 1", "Group 2", "Group 3", "Group 4"]})"),
            std::string::npos);
  EXPECT_NE(text.find(R"({"index": 9, "id": 57, "type": "float slider", "name": "1 : Blur Amount", "flags": 32, )"
                      R"("default": 25.5, "valid_min": 0, "valid_max": 1000, "slider_min": 0, "slider_max": 100, )"
                      R"("precision": 1, "percent": false})"),
            std::string::npos);
  EXPECT_NE(text.find(R"("name": "2 : Blur Amount", "flags": 32, "default": 10,)"), std::string::npos);
  EXPECT_NE(text.find(R"({"index": 54, "id": 201, "type": "group end", "name": "", "flags": 0})"), std::string::npos);

  std::FILE *table = std::tmpfile();
  ASSERT_EQ(vcli::RunParams(false, table), 0);
  const std::string rows = clitest::ReadAll(table);
  std::fclose(table);
  EXPECT_NE(rows.find("   18  103  point         2 : Blur Center"), std::string::npos) << rows;
  EXPECT_NE(rows.find("1 : Range                   0 %"), std::string::npos) << rows;
}

} // namespace
