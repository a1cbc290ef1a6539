// The options dialog through PF_Cmd_DO_DIALOG on Linux, where the host
// emulator presses the button: what the dialog is given (owner, caption,
// language, manual address, buttons enabled), the action of each button on
// the settings file, and the dialog texts in both languages.
#include <gtest/gtest.h>

#include <iconv.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "options/DialogTexts.h"

namespace {

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Shift-JIS (code page 932) bytes as UTF-8, through the C library's converter.
std::string FromShiftJis(const std::string &bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "(no CP932 converter)";
  std::string out(bytes.size() * 4 + 4, '\0');
  char *in = const_cast<char *>(bytes.data());
  size_t inLeft = bytes.size();
  char *to = &out[0];
  size_t toLeft = out.size();
  const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "(not Shift-JIS)";
  out.resize(out.size() - toLeft);
  return out;
}

class OptionsDialogTest : public testing::Test {
 protected:
  // A host with the effect applied, the dialog answered with `choice`.
  std::unique_ptr<vemu::Host> AppliedHost(A_long choice, int major = 13, int minor = 28) {
    auto host = vtest::MakeHost();
    host->setApiVersion(major, minor);
    host->setDialogChoice(choice);
    vtest::ApplyEffect(*host);
    return host;
  }
  std::string Tovra() const { return sandbox_.config() + "/Tovra"; }

  vtest::SettingsSandbox sandbox_;
};

TEST_F(OptionsDialogTest, DialogIsGivenOwnerCaptionLanguageAndManual) {
  const struct {
    const char *tag;
    A_long language;
  } cases[] = {{"en_US", 1}, {"ja_JP", 0}, {"JA_jp", 0}, {"de_DE", 1}};
  for (const auto &c : cases) {
    auto host = AppliedHost(kDialogChoiceOK);
    int mainWindow = 0;
    host->setMainWindow(&mainWindow);
    host->setAppLanguage(c.tag);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    const std::vector<vemu::DialogShown> shown = host->dialogsShown();
    ASSERT_EQ(shown.size(), 1u) << c.tag;
    EXPECT_EQ(shown[0].parentWindow, &mainWindow) << c.tag;
    EXPECT_EQ(shown[0].title, "T_Vortane") << c.tag;
    EXPECT_EQ(shown[0].language, c.language) << c.tag;
    EXPECT_EQ(shown[0].manualAddress.rfind("https://", 0), 0u) << shown[0].manualAddress;
    EXPECT_TRUE(shown[0].buttonsEnabled) << c.tag;
    EXPECT_EQ(host->leaks(), "") << c.tag;
  }
}

TEST_F(OptionsDialogTest, ButtonsOnStoredDefaultsNeedApi1212) {
  const struct {
    A_short major, minor;
    bool enabled;
  } cases[] = {{9, 0, false}, {12, 11, false}, {12, 12, true}, {13, 0, true}, {13, 28, true}};
  for (const auto &c : cases) {
    auto host = AppliedHost(kDialogChoiceOK, c.major, c.minor);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    ASSERT_EQ(host->dialogsShown().size(), 1u);
    EXPECT_EQ(host->dialogsShown()[0].buttonsEnabled, c.enabled) << c.major << "." << c.minor;
  }
}

TEST_F(OptionsDialogTest, OkAndUnknownResultsLeaveTheSettingsAlone) {
  for (A_long choice : {A_long{kDialogChoiceOK}, A_long{3}, A_long{-1}}) {
    auto host = AppliedHost(choice);
    host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(Exists(Tovra())) << choice;
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(OptionsDialogTest, StoreWritesTheCurrentValues) {
  auto host = AppliedHost(kDialogChoiceStore);
  host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
  host->setFloat(host->findParam("2 : Blur Amount"), 3.5);
  ASSERT_EQ(host->doDialog(), PF_Err_NONE);
  const std::string text = ReadText(sandbox_.settingsPath());
  EXPECT_EQ(text.rfind("[Version=1.0]\r\nView=1\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\n2 : Enable Color Group=1\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n2 : Blur Amount=3.500000\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n1 : Blur Amount=10.000000\r\n"), std::string::npos) << text;
  EXPECT_EQ(host->leaks(), "");

  // A new instance of a later run starts from the stored values.
  auto next = AppliedHost(kDialogChoiceOK);
  const int blur = next->findParam("2 : Blur Amount");
  EXPECT_EQ(next->registeredParams().at(static_cast<size_t>(blur - 1)).u.fs_d.value, 3.5);
}

TEST_F(OptionsDialogTest, StoreOnAnOldHostWritesNothing) {
  auto host = AppliedHost(kDialogChoiceStore, 12, 11);
  ASSERT_EQ(host->doDialog(), PF_Err_NONE);
  EXPECT_FALSE(Exists(sandbox_.settingsPath()));
}

TEST_F(OptionsDialogTest, RestoreRemovesTheFileAndTheFoldersItLeavesEmpty) {
  {
    // No file yet: the folders are made and removed again, nothing is left.
    auto host = AppliedHost(kDialogChoiceRestore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(Exists(Tovra()));
  }
  {
    auto host = AppliedHost(kDialogChoiceStore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    ASSERT_TRUE(Exists(sandbox_.settingsPath()));
    host->setDialogChoice(kDialogChoiceRestore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(Exists(sandbox_.settingsPath()));
    EXPECT_FALSE(Exists(Tovra()));
  }
  {
    // A "Tovra" folder that holds something else stays.
    auto host = AppliedHost(kDialogChoiceStore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    std::ofstream(Tovra() + "/other.txt") << "kept";
    host->setDialogChoice(kDialogChoiceRestore);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(Exists(Tovra() + "/Tandro"));
    EXPECT_EQ(ReadText(Tovra() + "/other.txt"), "kept");
  }
}

TEST_F(OptionsDialogTest, WithoutTheChoiceSuiteTheDialogCountsAsOk) {
  auto host = AppliedHost(kDialogChoiceStore);
  host->withholdSuite(kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1);
  ASSERT_EQ(host->doDialog(), PF_Err_NONE);
  EXPECT_TRUE(host->dialogsShown().empty());
  EXPECT_FALSE(Exists(Tovra()));
  EXPECT_EQ(host->leaks(), "");
}

TEST(DialogTexts, BothLanguagesAndTheirFallbacks) {
  const struct {
    A_long id;
    const char *japanese; // UTF-8 here; the table holds Shift-JIS bytes
    const char *english;
  } cases[] = {
      {IDC_SETTINGS_GROUP, "設定 （次回起動から有効になります）", "Settings (Valid from next start-up)"},
      {IDC_STORE_DEFAULTS, "現在のパラメータ設定をデフォルト値として記憶する", "Set current parameter values to default"},
      {IDC_RESTORE_DEFAULTS, "パラメータのデフォルト値設定を初期状態に復帰する",
       "Restore initial default parameter values"},
      {IDC_MANUAL_LINK, "<a>オンラインマニュアル</a>", "<a>Online Manual</a>"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(FromShiftJis(LookupDialogText(c.id, 0)), c.japanese) << c.id;
    EXPECT_STREQ(LookupDialogText(c.id, 1), c.english) << c.id;
    EXPECT_STREQ(LookupDialogText(c.id, 2), "") << c.id;
    EXPECT_STREQ(LookupDialogText(c.id, -1), "") << c.id;
  }
  for (A_long id : {0, 1, 2, IDC_BANNER, 206}) {
    EXPECT_STREQ(LookupDialogText(id, 0), "") << id;
    EXPECT_STREQ(LookupDialogText(id, 1), "") << id;
  }
}

} // namespace
