// Stored defaults end to end on Linux: the file's place, its values as the
// registered defaults, storing and restoring, the locale's decimal separator,
// and the paths and hosts for which the file is neither read nor written.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "options/StoredDefaults.h"
#include "settings/SettingsFile.h"

namespace {

const char kCrLf[] = "\r\n";

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

void MakeFolders(const std::string &path) {
  for (size_t at = 1; at <= path.size(); ++at)
    if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), 0700);
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string &path, const std::string &text) {
  MakeFolders(path.substr(0, path.rfind('/')));
  std::ofstream(path, std::ios::binary) << text;
}

// The application-data folder is a scratch folder of the test's own; the
// locale environment and the process locale are put back afterwards.
class StoredDefaultsTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = sandbox_.root();
    config_ = sandbox_.config();
  }
  void TearDown() override {
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
    std::setlocale(LC_ALL, "C");
  }

  std::string SettingsPath() const { return sandbox_.settingsPath(); }

  // A host with the effect applied, reading this test's settings.
  static std::unique_ptr<vemu::Host> AppliedHost(int major = 13, int minor = 28) {
    auto host = vtest::MakeHost();
    host->setApiVersion(major, minor);
    vtest::ApplyEffect(*host);
    return host;
  }

  static void Store(vemu::Host &host) {
    vemu::Host::DirectCall call(host);
    StoreCurrentParamsAsDefaults(call.in(), host.paramArray());
  }
  static void Restore(vemu::Host &host) {
    vemu::Host::DirectCall call(host);
    RestoreInitialDefaults(call.in());
  }

  vtest::SettingsSandbox sandbox_;
  std::string root_, config_;
};

const PF_ParamDef &Registered(const vemu::Host &host, const std::string &name) {
  const int index = host.findParam(name);
  EXPECT_GT(index, 0) << name;
  return host.registeredParams().at(static_cast<size_t>(index - 1));
}

// The file "Set current parameter values to default" writes for the built-in
// values, with group 2 switched on and its Blur Amount at 3.5.
std::string ExpectedStoredFile(const char *decimal = ".") {
  auto fraction = [&](int whole, const char *digits) { return std::to_string(whole) + decimal + digits; };
  std::vector<std::string> lines = {"[Version=1.0]", "View=1", "Master Blur Amount=" + fraction(0, "000000")};
  for (int g = 1; g <= 4; ++g) {
    const std::string p = std::to_string(g) + " : ";
    lines.push_back(p + "Enable Color Group=" + (g <= 2 ? "1" : "0"));
    for (const char *color : {"Color A", "Color B"}) {
      lines.push_back(p + color + ".r=3");
      lines.push_back(p + color + ".g=180");
      lines.push_back(p + color + ".b=245");
      lines.push_back(p + color + ".a=255");
    }
    lines.push_back(p + "Range=" + fraction(0, "000000"));
    lines.push_back(p + "Blur Amount=" + (g == 2 ? fraction(3, "500000") : fraction(10, "000000")));
    lines.push_back(p + "Blur Offset=" + fraction(0, "000000"));
    lines.push_back(p + "Softness=" + fraction(10, "000000"));
    lines.push_back(p + "Softness Threshold=" + fraction(50, "000000"));
    lines.push_back(p + "Keep Division=1");
    lines.push_back(p + "Invert=0");
  }
  std::string text;
  for (const std::string &line : lines) text += line + kCrLf;
  return text;
}

void SwitchOnGroup2(vemu::Host &host) {
  host.setCheckbox(host.findParam("2 : Enable Color Group"), true);
  host.setFloat(host.findParam("2 : Blur Amount"), 3.5);
}

TEST_F(StoredDefaultsTest, SettingsPathFollowsTheEnvironment) {
  struct Case {
    const char *config; // XDG_CONFIG_HOME, or null for unset
    const char *home;   // HOME, or null for unset
    const char *path;   // expected path, or null when none can be named
  } cases[] = {
      {"/x/cfg", "/h", "/x/cfg/Tovra/Tandro/T_Vortane.ini"},
      {"/x/cfg//", "/h", "/x/cfg/Tovra/Tandro/T_Vortane.ini"},
      {nullptr, "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {nullptr, "/h/", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"", "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"relative/cfg", "/h", "/h/.config/Tovra/Tandro/T_Vortane.ini"},
      {"/", "/h", "/Tovra/Tandro/T_Vortane.ini"},
      {nullptr, nullptr, nullptr},
      {nullptr, "", nullptr},
      {"relative", "home", nullptr},
  };
  for (const Case &c : cases) {
    if (c.config) setenv("XDG_CONFIG_HOME", c.config, 1); else unsetenv("XDG_CONFIG_HOME");
    if (c.home) setenv("HOME", c.home, 1); else unsetenv("HOME");
    char path[kSettingsPathSize];
    std::memset(path, 'x', sizeof path);
    const bool named = GetSettingsFilePath(path);
    EXPECT_EQ(named, c.path != nullptr) << (c.config ? c.config : "(unset)");
    EXPECT_STREQ(path, c.path ? c.path : "") << (c.config ? c.config : "(unset)");
  }
}

TEST_F(StoredDefaultsTest, StoredValuesBecomeTheRegisteredDefaultsAfterTruncation) {
  WriteText(SettingsPath(), "[Other]\r\n1 : Range=9\r\n"
                            "[Version=1.0]\r\n"
                            "View=7\r\n"
                            "Master Blur Amount=2.25\r\n"
                            "1 : Blur Amount=25.5\r\n"
                            "1 : Color A.r=300\r\n"
                            "1 : Color A.a=0\r\n"
                            "1 : Enable Color Group=256\r\n"
                            "2 : Enable Color Group=1\r\n"
                            "3 : Softness=abc\r\n"
                            "4 : Invert=1\r\n"
                            "4 : Color B.b=-1\r\n");
  auto host = AppliedHost();
  const PF_PopupDef &view = Registered(*host, "View").u.pd;
  EXPECT_EQ(view.value, 7);
  EXPECT_EQ(view.dephault, 7);
  EXPECT_EQ(Registered(*host, "Master Blur Amount").u.fs_d.value, 2.25);
  const PF_FloatSliderDef &blur1 = Registered(*host, "1 : Blur Amount").u.fs_d;
  EXPECT_EQ(blur1.value, static_cast<double>(25.5f));
  EXPECT_EQ(blur1.dephault, 25.5f);
  EXPECT_EQ(Registered(*host, "2 : Blur Amount").u.fs_d.value, 10.0); // group 1 only
  const PF_ColorDef &colorA = Registered(*host, "1 : Color A").u.cd;
  EXPECT_EQ(colorA.value.red, 44); // 300 cut to 8 bits
  EXPECT_EQ(colorA.value.green, 180);
  EXPECT_EQ(colorA.value.alpha, 255); // a stored alpha has no effect
  EXPECT_EQ(colorA.dephault.alpha, 255);
  EXPECT_EQ(Registered(*host, "1 : Enable Color Group").u.bd.value, 0); // 256: low byte 0
  EXPECT_EQ(Registered(*host, "2 : Enable Color Group").u.bd.value, 1);
  EXPECT_EQ(Registered(*host, "3 : Softness").u.fs_d.value, 0.0); // not a number
  EXPECT_EQ(Registered(*host, "4 : Invert").u.bd.value, 1);
  EXPECT_EQ(Registered(*host, "4 : Color B").u.cd.value.blue, 255);
  EXPECT_EQ(Registered(*host, "1 : Range").u.fs_d.value, 0.0); // other sections are not read
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(StoredDefaultsTest, OnlyHostsOfApi1212AndLaterReadTheFile) {
  {
    // No file: the built-in defaults, and reading creates nothing.
    auto host = AppliedHost();
    EXPECT_EQ(Registered(*host, "1 : Softness").u.fs_d.value, 10.0);
    EXPECT_FALSE(Exists(config_ + "/Tovra"));
  }
  WriteText(SettingsPath(), "[Version=1.0]\r\nView=3\r\n1 : Softness=4.5\r\n");
  struct Case {
    A_short major, minor;
    bool reads;
  } cases[] = {{9, 0, false}, {11, 40, false}, {12, 11, false}, {12, 12, true}, {12, 13, true}, {13, 0, true}};
  for (const Case &c : cases) {
    auto host = AppliedHost(c.major, c.minor);
    EXPECT_EQ(Registered(*host, "View").u.pd.value, c.reads ? 3 : 1) << c.major << "." << c.minor;
    EXPECT_EQ(Registered(*host, "1 : Softness").u.fs_d.value, c.reads ? 4.5 : 10.0) << c.major << "." << c.minor;
    EXPECT_STREQ(SettingsSection(), c.reads ? "Version=1.0" : "") << c.major << "." << c.minor;
  }
}

TEST_F(StoredDefaultsTest, StoringWritesEveryValueInHostOrderAndNewInstancesGetThem) {
  auto host = AppliedHost();
  SwitchOnGroup2(*host);
  {
    // Without the command's parameters there is nothing to store.
    vemu::Host::DirectCall call(*host);
    StoreCurrentParamsAsDefaults(call.in(), nullptr);
    EXPECT_FALSE(Exists(SettingsPath()));
  }
  Store(*host);
  EXPECT_EQ(ReadText(SettingsPath()), ExpectedStoredFile());

  auto next = AppliedHost();
  EXPECT_EQ(Registered(*next, "2 : Enable Color Group").u.bd.dephault, 1);
  EXPECT_EQ(Registered(*next, "2 : Blur Amount").u.fs_d.dephault, 3.5f);
  EXPECT_EQ(Registered(*next, "3 : Blur Amount").u.fs_d.dephault, 10.0f);
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(StoredDefaultsTest, StoringAgainReplacesKeysInPlaceAndKeepsEverythingElse) {
  const std::string before = "; kept comment\r\n[Other]\r\nView=9\r\n"
                             "[Version=1.0]\r\nCustom=5\r\nview=2\r\n\r\n"
                             "[Later]\r\nk=v\r\n";
  WriteText(SettingsPath(), before);
  auto host = AppliedHost();
  EXPECT_EQ(Registered(*host, "View").u.pd.value, 2);
  SwitchOnGroup2(*host);
  Store(*host);
  host->setPopup(host->findParam("View"), 6);
  Store(*host);
  // The stored keys after View, in the order they were first written.
  std::string keys = ExpectedStoredFile();
  keys = keys.substr(keys.find("Master Blur Amount"));
  const std::string expected = "; kept comment\r\n[Other]\r\nView=9\r\n"
                               "[Version=1.0]\r\nCustom=5\r\nView=6\r\n" +
                               keys + "\r\n[Later]\r\nk=v\r\n";
  EXPECT_EQ(ReadText(SettingsPath()), expected);
}

// The comma locale: the system's de_DE.UTF-8, or one compiled into the
// scratch folder when the system lacks it.
bool ProvideCommaLocale(const std::string &scratch) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return std::setlocale(LC_ALL, "C") != nullptr;
  const std::string folder = scratch + "/locales";
  mkdir(folder.c_str(), 0700);
  const std::string command = "localedef -i de_DE -f UTF-8 '" + folder + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1) return false;
  setenv("LOCPATH", folder.c_str(), 1);
  const bool found = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  std::setlocale(LC_ALL, "C");
  return found;
}

TEST_F(StoredDefaultsTest, NumbersUseTheProcessLocaleSetAtTheFirstCall) {
  ASSERT_TRUE(ProvideCommaLocale(root_)) << "no de_DE.UTF-8 locale (run scripts/setup.sh)";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  auto host = vtest::MakeHost();
  // Whether or not the plug-in was called before in this process, the filter
  // is made anew after global setdown and takes the locale then.
  ASSERT_EQ(host->globalSetdown(), PF_Err_NONE);
  vtest::ApplyEffect(*host);
  EXPECT_STREQ(std::localeconv()->decimal_point, ",");
  SwitchOnGroup2(*host);
  Store(*host);
  const std::string text = ReadText(SettingsPath());
  EXPECT_NE(text.find("1 : Blur Amount=10,000000\r\n"), std::string::npos);
  EXPECT_EQ(text.find("10.000000"), std::string::npos);
  EXPECT_EQ(text, ExpectedStoredFile(","));

  auto next = AppliedHost();
  EXPECT_EQ(Registered(*next, "1 : Blur Amount").u.fs_d.value, 10.0);
  EXPECT_EQ(Registered(*next, "2 : Blur Amount").u.fs_d.value, 3.5);
  EXPECT_EQ(Registered(*next, "1 : Softness Threshold").u.fs_d.value, 50.0);
}

TEST_F(StoredDefaultsTest, RestoreRemovesTheFileAndTheFoldersItLeavesEmpty) {
  {
    auto host = AppliedHost();
    Store(*host);
    ASSERT_TRUE(Exists(SettingsPath()));
    Restore(*host);
    EXPECT_FALSE(Exists(config_ + "/Tovra"));
    EXPECT_TRUE(Exists(config_));
    auto next = AppliedHost();
    EXPECT_EQ(Registered(*next, "1 : Blur Amount").u.fs_d.value, 10.0);
  }
  {
    // No file: the folders are made and removed again.
    auto host = AppliedHost();
    Restore(*host);
    EXPECT_FALSE(Exists(config_ + "/Tovra"));
    EXPECT_TRUE(Exists(config_));
  }
  {
    // A Tovra folder that holds something else stays.
    auto host = AppliedHost();
    Store(*host);
    WriteText(config_ + "/Tovra/other.txt", "x");
    Restore(*host);
    EXPECT_FALSE(Exists(config_ + "/Tovra/Tandro"));
    EXPECT_TRUE(Exists(config_ + "/Tovra/other.txt"));
  }
}

// A path of exactly `length` characters: the application-data folder padded
// with a folder of the right name length.
std::string ConfigFolderForPathLength(const std::string &root, size_t length) {
  const size_t tail = std::strlen("/Tovra/Tandro/T_Vortane.ini");
  const size_t pad = length - tail - root.size() - 1;
  return root + "/" + std::string(pad, 'p');
}

TEST_F(StoredDefaultsTest, PathsThatDoNotFitAreNeitherReadNorWritten) {
  for (size_t length : {259u, 260u}) {
    const std::string config = ConfigFolderForPathLength(root_, length);
    const std::string path = config + "/Tovra/Tandro/T_Vortane.ini";
    ASSERT_EQ(path.size(), length);
    const std::string stored = "[Version=1.0]\r\nView=3\r\n";
    WriteText(path, stored);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    auto host = AppliedHost();
    const bool fits = length < kSettingsPathSize;
    EXPECT_EQ(Registered(*host, "View").u.pd.value, fits ? 3 : 1) << length;
    host->setPopup(host->findParam("View"), 6);
    Store(*host);
    const std::string after = ReadText(path);
    EXPECT_EQ(after.find("View=6") != std::string::npos, fits) << length;
    if (!fits) {
      EXPECT_EQ(after, stored);
    }
    Restore(*host);
    EXPECT_EQ(Exists(path), !fits) << length;
  }
}

TEST_F(StoredDefaultsTest, WithoutAnApplicationDataFolderNothingIsReadOrWritten) {
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string work = root_ + "/cwd";
  ASSERT_EQ(mkdir(work.c_str(), 0700), 0);
  ASSERT_EQ(chdir(work.c_str()), 0);
  // A file a relative path would reach must not be read.
  WriteText(work + "/Tovra/Tandro/T_Vortane.ini", "[Version=1.0]\r\nView=3\r\n");

  auto host = AppliedHost();
  EXPECT_EQ(Registered(*host, "View").u.pd.value, 1);
  Store(*host);
  Restore(*host);
  const bool untouched = ReadText(work + "/Tovra/Tandro/T_Vortane.ini") == "[Version=1.0]\r\nView=3\r\n";
  ASSERT_EQ(chdir(cwd), 0);
  EXPECT_TRUE(untouched);
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(StoredDefaultsTest, NothingIsReadOrWrittenWithoutASectionAndValuesAreWrittenWhole) {
  const std::string path = SettingsPath();
  MakeFolders(config_ + "/Tovra/Tandro");
  SetSettingsSection("");
  WriteStoredInt("k", path.c_str(), 5);
  EXPECT_FALSE(Exists(path));
  WriteText(path, "[Version=1.0]\r\nk=7\r\n");
  EXPECT_EQ(ReadStoredInt("k", path.c_str(), 9), 9);

  SetSettingsSection(kSettingsSectionName);
  EXPECT_EQ(ReadStoredInt("k", path.c_str(), 9), 7);
  // However long its text, a value is never cut.
  WriteStoredFloat("huge", path.c_str(), 1e300);
  char expected[400];
  std::snprintf(expected, sizeof expected, "huge=%f\r\n", 1e300);
  EXPECT_NE(ReadText(path).find(expected), std::string::npos);
}

} // namespace
