// The UI language: the host's language tag first, then the command line
// (-L en...) on old hosts, then the system's language.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "options/UILanguage.h"

namespace {

TEST(UILanguage, HostTagDecidesIgnoringCase) {
  const struct {
    const char *tag;
    A_long language;
  } cases[] = {{"ja_JP", 0}, {"JA_jp", 0}, {"en_US", 1}, {"de_DE", 1}, {"", 1}, {"ja", 1}};
  for (const auto &c : cases) {
    auto host = vtest::MakeHost();
    host->setAppLanguage(c.tag);
    vemu::Host::DirectCall call(*host);
    EXPECT_EQ(GetUILanguage(call.in()), c.language) << c.tag;
    EXPECT_EQ(host->outstandingSuites(), 0);
  }
}

TEST(UILanguage, WithoutAppSuiteTheSystemLanguageDecides) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFAppSuite, 7);
  host->setApiVersion(13, 28); // new host: the command line is not asked
  vemu::Host::DirectCall call(*host);
  unsetenv("LANGUAGE");
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(GetUILanguage(call.in()), 0);
  setenv("LANG", "en_GB.UTF-8", 1);
  EXPECT_EQ(GetUILanguage(call.in()), 1);
}

TEST(UILanguage, CommandLineRule) {
  const struct {
    std::vector<const char *> args;
    bool english;
  } cases[] = {
      {{"AfterFX.exe", "-L", "en_US"}, true},
      {{"AfterFX.exe", "-l", "EN-gb"}, true},
      {{"AfterFX.exe", "-L", "en"}, true},
      {{"AfterFX.exe", "-L", "en US"}, true},
      {{"AfterFX.exe", "-L", "ja_JP"}, false},
      {{"AfterFX.exe", "-L", "eng"}, false},
      {{"AfterFX.exe", "-L"}, false},
      {{"AfterFX.exe", "-x", "en_US"}, false},
      {{"AfterFX.exe", "-L", "ja_JP", "-L", "en_US"}, false}, // only the first -L counts
  };
  for (const auto &c : cases)
    EXPECT_EQ(CommandLineAsksForEnglish(static_cast<int>(c.args.size()), c.args.data()), c.english)
        << c.args.back();
}

} // namespace
