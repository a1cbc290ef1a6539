// The options dialog through PF_Cmd_DO_DIALOG on Linux, where the host
// emulator presses the button: what the dialog is given (owner, caption,
// language, manual address, buttons enabled), the action of each button on
// the settings file, the dialog texts in both languages, and how the UI
// language is chosen.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdlib>
#include <string>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "options/DialogTexts.h"
#include "options/UILanguage.h"

namespace {

// Shift-JIS (code page 932) bytes as UTF-8, through the C library's converter.
std::string FromShiftJis(const std::string &bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "(no CP932 converter)";
  std::string out(bytes.size() * 4 + 4, '\0');
  char *in = const_cast<char *>(bytes.data());
  size_t inLeft = bytes.size(), toLeft = out.size();
  char *to = &out[0];
  const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "(not Shift-JIS)";
  out.resize(out.size() - toLeft);
  return out;
}

class OptionsDialogTest : public testing::Test {
 protected:
  // A host with the effect applied, the dialog answered with `choice`.
  static std::unique_ptr<vemu::Host> AppliedHost(A_long choice, int major = 13, int minor = 28) {
    auto host = vtest::MakeHost();
    host->setApiVersion(major, minor);
    host->setDialogChoice(choice);
    vtest::ApplyEffect(*host);
    return host;
  }

  vtest::SettingsSandbox sandbox_;
};

TEST_F(OptionsDialogTest, DialogIsGivenOwnerCaptionLanguageManualAndButtons) {
  const struct {
    const char *tag;
    A_short major, minor;
    A_long language; // 0 Japanese, 1 English
    bool enabled;
  } cases[] = {{"en_US", 13, 28, 1, true}, {"ja_JP", 13, 28, 0, true}, {"JA_jp", 12, 12, 0, true},
               {"de_DE", 13, 0, 1, true},  {"ja", 13, 28, 1, true},    {"", 13, 28, 1, true},
               {"en_US", 12, 11, 1, false}, {"en_US", 9, 0, 1, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + std::to_string(c.major) + "." + std::to_string(c.minor));
    auto host = AppliedHost(kDialogChoiceOK, c.major, c.minor);
    int mainWindow = 0;
    host->setMainWindow(&mainWindow);
    host->setAppLanguage(c.tag);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    const std::vector<vemu::DialogShown> shown = host->dialogsShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].parentWindow, &mainWindow);
    EXPECT_EQ(shown[0].title, "T_Vortane");
    EXPECT_EQ(shown[0].language, c.language);
    EXPECT_EQ(shown[0].manualAddress.rfind("https://", 0), 0u) << shown[0].manualAddress;
    EXPECT_EQ(shown[0].buttonsEnabled, c.enabled);
    EXPECT_EQ(host->leaks(), "");
  }
}

// The buttons' actions are tested with the stored defaults; here, what is
// no button on them leaves the settings alone.
TEST_F(OptionsDialogTest, OkUnknownResultsAndAMissingChoiceSuiteWriteNothing) {
  for (A_long choice : {A_long{kDialogChoiceOK}, A_long{3}, A_long{-1}, A_long{kDialogChoiceStore}}) {
    auto host = AppliedHost(choice);
    const bool withheld = choice == kDialogChoiceStore;
    if (withheld) host->withholdSuite(kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_EQ(host->dialogsShown().size(), withheld ? 0u : 1u);
    EXPECT_FALSE(vtest::Exists(sandbox_.config() + "/Tovra")) << choice;
    EXPECT_EQ(host->leaks(), "");
  }
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

// Without the host's language tag: the command line (-L en...) on old hosts,
// the system's language on new ones.
TEST(UILanguage, WithoutTheHostsTagTheSystemOrTheCommandLineDecides) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFAppSuite, 7);
  host->setApiVersion(13, 28);
  vemu::Host::DirectCall call(*host);
  unsetenv("LANGUAGE");
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(GetUILanguage(call.in()), 0);
  setenv("LANG", "en_GB.UTF-8", 1);
  EXPECT_EQ(GetUILanguage(call.in()), 1);
  EXPECT_EQ(host->outstandingSuites(), 0);

  const struct {
    std::vector<const char *> args;
    bool english;
  } cases[] = {
      {{"AfterFX.exe", "-L", "en_US"}, true},  {{"AfterFX.exe", "-l", "EN-gb"}, true},
      {{"AfterFX.exe", "-L", "en"}, true},     {{"AfterFX.exe", "-L", "en US"}, true},
      {{"AfterFX.exe", "-L", "ja_JP"}, false}, {{"AfterFX.exe", "-L", "eng"}, false},
      {{"AfterFX.exe", "-L"}, false},          {{"AfterFX.exe", "-x", "en_US"}, false},
      {{"AfterFX.exe", "-L", "ja_JP", "-L", "en_US"}, false}, // only the first -L counts
  };
  for (const auto &c : cases)
    EXPECT_EQ(CommandLineAsksForEnglish(static_cast<int>(c.args.size()), c.args.data()), c.english)
        << c.args.back();
}

} // namespace
