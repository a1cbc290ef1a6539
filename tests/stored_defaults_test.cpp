// Stored defaults end to end on Linux through the options dialog's buttons:
// the file's place, its values as registered defaults, storing and restoring
// in the locale's number format, the hosts that skip it, and the dialog.
#include <gtest/gtest.h>

#include <glob.h>
#include <stdlib.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "EffectParams.h"
#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "options/DialogChoiceSuite.h"
#include "options/StoredDefaults.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsPlatform.h"

namespace {

// The application-data folder is a scratch folder of the test's own; the
// locale environment and the process locale are put back afterwards.
class StoredDefaultsTest : public testing::Test {
 protected:
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
  std::string Path() const { return sandbox_.settingsPath(); }
  std::string Tovra() const { return sandbox_.config() + "/Tovra"; }

  vtest::SettingsSandbox sandbox_;
};

// The registered value of a parameter, checked to equal its default; for a
// colour, its channel 'a', 'r', 'g' or 'b'.
double Value(const vemu::Host &host, const std::string &name, char channel = 0) {
  const PF_ParamDef &d = host.registeredParams().at(static_cast<size_t>(vtest::ParamIndex(host, name) - 1));
  const size_t at = std::string("argb").find(channel);
  using Pair = std::pair<double, double>;
  const Pair both = d.param_type == PF_Param_POPUP      ? Pair(d.u.pd.value, d.u.pd.dephault)
                    : d.param_type == PF_Param_CHECKBOX ? Pair(d.u.bd.value, d.u.bd.dephault)
                    : d.param_type == PF_Param_COLOR    ? Pair((&d.u.cd.value.alpha)[at], (&d.u.cd.dephault.alpha)[at])
                                                        : Pair(d.u.fs_d.value, d.u.fs_d.dephault);
  EXPECT_EQ(both.first, both.second) << name;
  return both.first;
}

// The file "Set current parameter values to default" writes for the built-in
// values, with group 2 switched on and its Blur Amount at 3.5.
std::string ExpectedStoredFile(const char *decimal) {
  auto number = [&](int whole, const char *digits) { return std::to_string(whole) + decimal + digits; };
  std::vector<std::string> lines = {"[Version=1.0]", "View=1", "Master Blur Amount=" + number(0, "000000")};
  for (int g = 1; g <= 4; ++g) {
    const std::string p = std::to_string(g) + " : ";
    lines.push_back(p + "Enable Color Group=" + (g <= 2 ? "1" : "0"));
    for (const char *color : {"Color A", "Color B"})
      for (const char *channel : {".r=3", ".g=180", ".b=245", ".a=255"}) lines.push_back(p + color + channel);
    const std::pair<const char *, std::string> sliders[] = {
        {"Range", number(0, "000000")},       {"Blur Amount", g == 2 ? number(3, "500000") : number(10, "000000")},
        {"Blur Offset", number(0, "000000")}, {"Softness", number(10, "000000")},
        {"Softness Threshold", number(50, "000000")}};
    for (const auto &slider : sliders) lines.push_back(p + slider.first + "=" + slider.second);
    lines.push_back(p + "Keep Division=1");
    lines.push_back(p + "Invert=0");
  }
  std::string text;
  for (const std::string &line : lines) text += line + "\r\n";
  return text;
}

TEST_F(StoredDefaultsTest, SettingsPathFollowsTheEnvironment) {
  const std::string fits = "/" + std::string(259 - 28, 'p'); // with the file's 27 characters, 259 in all
  const std::string tooLong = fits + "p";
  struct Case {
    const char *config; // XDG_CONFIG_HOME, or null for unset
    const char *home;   // HOME, or null for unset
    std::string path;   // expected path, or "" when none can be named
  } cases[] = {
      {"/x/cfg", "/h", "/x/cfg/Tovra/Tandro/T_Vortane.ini"},
      {"/x/cfg//", "/h", "/x/cfg/Tovra/Tandro/T_Vortane.ini"},
      {nullptr, "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {nullptr, "/h/", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"", "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"relative/cfg", "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"/", "/h", "/Tovra/Tandro/T_Vortane.ini"},
      {fits.c_str(), "/h", fits + "/Tovra/Tandro/T_Vortane.ini"}, // the terminator fills the buffer
      {tooLong.c_str(), "/h", ""},
      {nullptr, nullptr, ""},
      {nullptr, "", ""},
      {"relative", "home", ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.config ? c.config : "(unset)");
    if (c.config) setenv("XDG_CONFIG_HOME", c.config, 1); else unsetenv("XDG_CONFIG_HOME");
    if (c.home) setenv("HOME", c.home, 1); else unsetenv("HOME");
    char path[kSettingsPathSize];
    std::memset(path, 'x', sizeof path);
    EXPECT_EQ(GetSettingsFilePath(path), !c.path.empty());
    EXPECT_EQ(path, c.path);
  }
}

// The file is read as the Windows profile functions read it, and whatever
// its bytes, each value is registered as read after the truncations of its
// kind, or the built-in default stays.
TEST_F(StoredDefaultsTest, StoredValuesBecomeTheRegisteredDefaultsAfterTruncation) {
  vtest::WriteFile(Path(), "View=5\r\n"                    // keys before any section belong to none
                    "[Other]\r\n1 : Range=9\r\n"   // other sections are not read
                    "[ version=1.0 ]\r\n"            // blanks in the brackets, names without case
                    "  view  =  7  \r\n"
                    "Master Blur Amount=\"2.25\"\n" // one pair of quotes dropped; a lone LF
                    "1 : Blur Amount=25.5\r\n"
                    ";2 : Blur Amount=4\r\n"         // a comment
                    "\xff\xfe\x01 garbage\r\n" +
                        std::string(5000, 'k') + "=1\r\n"
                    "1 : Color A.r=300\r\n"
                    "1 : Color A.a=0\r\n"
                    "1 : Enable Color Group=256\r\n"
                    "2 : Enable Color Group= 1abc\r\n"
                    "3 : Enable Color Group=4294967297\r\n"
                    "2 : Softness Threshold='7'\r\n"
                    "3 : Softness=abc\r\n"
                    "2 : Softness=" + std::string(126, '0') + "75\r\n" // 128 bytes
                    "4 : Invert=+1\r\n"
                    "4 : Color B.b=-1\r\n"
                    "4 : Color B.g=\r\n"
                    "[Version=1.0]\r\n2 : Range=9\r\n"); // only the first section of a name counts
  auto host = vtest::AppliedHost();
  const struct {
    const char *name;
    char channel;
    double value;
  } cases[] = {
      {"View", 0, 7},
      {"Master Blur Amount", 0, 2.25},
      {"1 : Blur Amount", 0, 25.5},
      {"2 : Blur Amount", 0, 10.0},
      {"1 : Color A", 'r', 44}, // 300 cut to 8 bits
      {"1 : Color A", 'g', 180},
      {"1 : Color A", 'a', 255},        // a stored alpha has no effect
      {"1 : Enable Color Group", 0, 0}, // 256: low byte 0
      {"2 : Enable Color Group", 0, 1}, // the leading number
      {"3 : Enable Color Group", 0, 1}, // 2^32 + 1 wraps to 1
      {"2 : Softness Threshold", 0, 7},
      {"3 : Softness", 0, 0.0}, // not a number
      {"2 : Softness", 0, 7},   // cut to the 127 bytes the reader holds
      {"4 : Invert", 0, 1},
      {"4 : Color B", 'b', 255},
      {"4 : Color B", 'g', 180}, // empty: the default
      {"1 : Range", 0, 0.0},
      {"2 : Range", 0, 0.0},
  };
  for (const auto &c : cases) EXPECT_EQ(Value(*host, c.name, c.channel), c.value) << c.name << c.channel;
  EXPECT_EQ(host->leaks(), "");
}

// Storing writes every value in host order, with the decimal separator of
// the process locale set at the first call, and new instances get the
// values. Into an existing file it replaces each key line where it stands (in
// the first section of the name, whatever the key's case and blanks), puts
// new keys after the section's last line that is not blank, keeps every
// other line and the file's line ends, and leaves no temporary file behind.
// Restoring takes the file away again.
TEST_F(StoredDefaultsTest, StoringWritesEveryValueAndRestoringRemovesIt) {
  const std::string keys = ExpectedStoredFile(".").substr(ExpectedStoredFile(".").find("Master Blur Amount"));
  std::string unixKeys = keys;
  for (size_t at; (at = unixKeys.find('\r')) != std::string::npos;) unixKeys.erase(at, 1);
  const struct {
    const char *decimal;
    std::string before, after; // before: "" for no file
  } cases[] = {
      {".", "", ExpectedStoredFile(".")},
      {",", "", ExpectedStoredFile(",")},
      {".", "[Version=1.0]\nView=2\n", "[Version=1.0]\nView=1\n" + unixKeys},
      {".",
       "; kept\r\n[Other]\r\nView=9\r\n[Version=1.0]\r\nCustom=5\r\n view = 2 \r\n\r\n[Later]\r\nk=v\r\n"
       "[Version=1.0]\r\nView=4",
       "; kept\r\n[Other]\r\nView=9\r\n[Version=1.0]\r\nCustom=5\r\nView=1\r\n" + keys +
           "\r\n[Later]\r\nk=v\r\n[Version=1.0]\r\nView=4\r\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.decimal + c.before);
    vtest::RemoveTree(Tovra());
    if (!c.before.empty()) vtest::WriteFile(Path(), c.before);
    setenv("LC_ALL", *c.decimal == ',' ? "de_DE.UTF-8" : "C", 1);
    auto host = vtest::MakeHost();
    // Whether or not the plug-in was called before in this process, the
    // filter is made anew after global setdown and takes the locale then.
    ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
    vtest::ApplyEffect(*host);
    ASSERT_STREQ(std::localeconv()->decimal_point, c.decimal) << "de_DE.UTF-8 is made by scripts/setup.sh";
    host->setPopup(host->findParam("View"), 1);
    host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
    host->setFloat(host->findParam("2 : Blur Amount"), 3.5);
    {
      // Without the command's parameters there is nothing to store.
      vemu::Host::DirectCall call(*host);
      StoreCurrentParamsAsDefaults(call.in(), nullptr);
      EXPECT_EQ(vtest::ReadFile(Path()), c.before);
    }
    host->setDialogChoice(kDialogChoiceStore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_EQ(vtest::ReadFile(Path()), c.after);

    auto next = vtest::AppliedHost();
    EXPECT_EQ(Value(*next, "2 : Enable Color Group"), 1);
    EXPECT_EQ(Value(*next, "2 : Blur Amount"), 3.5);
    EXPECT_EQ(host->leaks(), "");
  }
  glob_t found;
  ASSERT_EQ(glob((Tovra() + "/Tandro/*").c_str(), 0, nullptr, &found), 0);
  EXPECT_EQ(found.gl_pathc, 1u);
  globfree(&found);

  // A write that would damage the file (a line break in a value, "=" in a
  // key, "]" in a section name) changes nothing; nor does one into a folder
  // that is missing, which it does not create.
  const std::string kept = vtest::ReadFile(Path()), missing = sandbox_.root() + "/missing";
  const struct {
    const char *section, *key, *value;
    std::string path;
  } refused[] = {{"Version=1.0", "View", "1\nView=9", Path()}, {"Version=1.0", "1 : Range=9", "1", Path()},
                 {"Version=1.0]", "View", "1", Path()}, {"Version=1.0", "View", "1", missing + "/T_Vortane.ini"}};
  for (const auto &w : refused)
    EXPECT_FALSE(SettingsPlatform::ProfileWriteString(w.section, w.key, w.value, w.path.c_str())) << w.key;
  EXPECT_EQ(vtest::ReadFile(Path()), kept);
  EXPECT_FALSE(vtest::Exists(missing));

  // However long its text, a value is never cut.
  WriteStoredFloat("huge", Path().c_str(), 1e300);
  char expected[400];
  std::snprintf(expected, sizeof expected, "huge=%f\r\n", 1e300);
  EXPECT_NE(vtest::ReadFile(Path()).find(expected), std::string::npos);

  // Restoring removes the file and the folders it leaves empty, up to the
  // application-data folder: a Tovra folder holding something else stays,
  // and without a file the folders are made and removed again.
  auto host = vtest::AppliedHost();
  host->setDialogChoice(kDialogChoiceRestore);
  for (bool other : {true, false}) {
    if (other) vtest::WriteFile(Tovra() + "/other.txt", "x");
    if (!other) vtest::RemoveTree(Tovra());
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(vtest::Exists(Tovra() + "/Tandro"));
    EXPECT_EQ(vtest::Exists(Tovra() + "/other.txt"), other);
    EXPECT_EQ(vtest::Exists(Tovra()), other);
  }
  EXPECT_TRUE(vtest::Exists(sandbox_.config()));
}

// What the dialog is given. A stored file is read only by hosts of API 12.12
// and later, which alone enable the buttons on it; and neither OK, nor an
// unknown result, nor Store on an older host, nor a host without the choice
// suite (no dialog: OK) writes the file.
TEST_F(StoredDefaultsTest, DialogIsGivenOwnerCaptionLanguageManualAndButtons) {
  const std::string stored = "[Version=1.0]\r\nView=3\r\n";
  const struct {
    const char *tag;
    A_short major, minor;
    A_long choice;
    A_long language; // 0 Japanese, 1 English; -1: no dialog
    bool newHost;
  } cases[] = {{"en_US", 13, 28, kDialogChoiceOK, 1, true},     {"ja_JP", 13, 28, 3, 0, true},
               {"JA_jp", 12, 12, -1, 0, true},                  {"de_DE", 13, 0, kDialogChoiceOK, 1, true},
               {"ja", 12, 13, kDialogChoiceOK, 1, true},        {"", 13, 28, kDialogChoiceOK, 1, true},
               {"en_US", 12, 11, kDialogChoiceStore, 1, false}, {"en_US", 11, 40, kDialogChoiceStore, 1, false},
               {"ja_JP", 9, 0, kDialogChoiceOK, 0, false},      {"en_US", 13, 28, kDialogChoiceStore, -1, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + std::to_string(c.major) + "." + std::to_string(c.minor));
    vtest::WriteFile(Path(), stored);
    auto host = vtest::AppliedHost(c.major, c.minor);
    EXPECT_EQ(Value(*host, "View"), c.newHost ? 3 : 1);
    host->setPopup(host->findParam("View"), 6);
    host->setDialogChoice(c.choice);
    int mainWindow = 0;
    host->setMainWindow(&mainWindow);
    host->setAppLanguage(c.tag);
    if (c.language < 0) host->withholdSuite(kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_EQ(vtest::ReadFile(Path()), stored);
    EXPECT_EQ(host->leaks(), "");
    const std::vector<vemu::DialogShown> shown = host->dialogsShown();
    ASSERT_EQ(shown.size(), c.language < 0 ? 0u : 1u);
    if (shown.empty()) continue;
    EXPECT_EQ(shown[0].parentWindow, &mainWindow);
    EXPECT_EQ(shown[0].title, "T_Vortane");
    EXPECT_EQ(shown[0].language, c.language);
    EXPECT_EQ(shown[0].manualAddress.rfind("https://", 0), 0u) << shown[0].manualAddress;
    EXPECT_EQ(shown[0].buttonsEnabled, c.newHost);
  }
}

} // namespace
