// The options dialog through PF_Cmd_DO_DIALOG on Linux, where the host
// emulator presses the button: what the dialog is given (owner, caption,
// language, manual address, buttons enabled), the dialog texts in both
// languages, and how the UI language is chosen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SettingsSandbox.h"
#include "TestSupport.h"
#include "options/DialogTexts.h"
#include "options/UILanguage.h"

namespace {

// What the dialog is given; and neither OK, nor an unknown result, nor a host
// without the choice suite (no dialog: OK) writes settings. The buttons on
// the stored defaults are tested with them.
TEST(OptionsDialog, DialogIsGivenOwnerCaptionLanguageManualAndButtons) {
  vtest::SettingsSandbox sandbox;
  const struct {
    const char *tag;
    A_short major, minor;
    A_long choice;
    A_long language; // 0 Japanese, 1 English; -1: no dialog
    bool enabled;
  } cases[] = {{"en_US", 13, 28, kDialogChoiceOK, 1, true}, {"ja_JP", 13, 28, 3, 0, true},
               {"JA_jp", 12, 12, -1, 0, true},              {"de_DE", 13, 0, kDialogChoiceOK, 1, true},
               {"ja", 13, 28, kDialogChoiceOK, 1, true},    {"", 13, 28, kDialogChoiceOK, 1, true},
               {"en_US", 12, 11, kDialogChoiceStore, 1, false}, {"en_US", 9, 0, kDialogChoiceOK, 1, false},
               {"en_US", 13, 28, kDialogChoiceStore, -1, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.tag) + " " + std::to_string(c.major) + "." + std::to_string(c.minor));
    auto host = vtest::AppliedHost(c.major, c.minor);
    host->setDialogChoice(c.choice);
    int mainWindow = 0;
    host->setMainWindow(&mainWindow);
    host->setAppLanguage(c.tag);
    if (c.language < 0) host->withholdSuite(kVortaneDialogChoiceSuite, kVortaneDialogChoiceSuiteVersion1);
    ASSERT_EQ(host->doDialog(), PF_Err_NONE);
    EXPECT_FALSE(vtest::Exists(sandbox.settingsPath()));
    EXPECT_EQ(host->leaks(), "");
    const std::vector<vemu::DialogShown> shown = host->dialogsShown();
    ASSERT_EQ(shown.size(), c.language < 0 ? 0u : 1u);
    if (shown.empty()) continue;
    EXPECT_EQ(shown[0].parentWindow, &mainWindow);
    EXPECT_EQ(shown[0].title, "T_Vortane");
    EXPECT_EQ(shown[0].language, c.language);
    EXPECT_EQ(shown[0].manualAddress.rfind("https://", 0), 0u) << shown[0].manualAddress;
    EXPECT_EQ(shown[0].buttonsEnabled, c.enabled);
  }
}

TEST(DialogTexts, BothLanguagesAndNothingElse) {
  for (A_long id : {IDC_SETTINGS_GROUP, IDC_STORE_DEFAULTS, IDC_RESTORE_DEFAULTS, IDC_MANUAL_LINK}) {
    const std::string japanese = LookupDialogText(id, 0), english = LookupDialogText(id, 1);
    EXPECT_NE(japanese, "") << id;
    EXPECT_NE(japanese, english) << id; // Shift-JIS bytes
    EXPECT_NE(english, "") << id;
    EXPECT_STREQ(LookupDialogText(id, 2), "") << id;
    EXPECT_STREQ(LookupDialogText(id, -1), "") << id;
  }
  EXPECT_STREQ(LookupDialogText(IDC_STORE_DEFAULTS, 1), "Set current parameter values to default");
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
