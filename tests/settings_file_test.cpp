// Our profile (INI) module on Linux against the rules of the Windows profile
// functions it stands in for: look-up by section and key, integer and text
// reads, and writes that change only the one key line.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "settings/SettingsPlatform.h"

namespace {

using SettingsPlatform::ProfileReadInt;
using SettingsPlatform::ProfileReadString;
using SettingsPlatform::ProfileWriteString;

class ProfileFileTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = sandbox_.root();
    path_ = root_ + "/T_Vortane.ini";
  }

  void Write(const std::string &text) const { vtest::WriteFile(path_, text); }
  std::string Read() const { return vtest::ReadFile(path_); }
  std::string Text(const char *section, const char *key, const char *fallback = "(none)") const {
    char out[128];
    ProfileReadString(section, key, fallback, out, sizeof out, path_.c_str());
    return out;
  }

  vtest::SettingsSandbox sandbox_;
  std::string root_, path_;
};

TEST_F(ProfileFileTest, LookUpBySectionAndKeyAsWindowsDoes) {
  Write("; comment=1\n"
        "top=0\n"
        "[First]\n"
        "  Key One  =  spaced value  \n"
        "quoted=\"in quotes\"\n"
        "single='x'\n"
        "half=\"open\n"
        "empty=\n"
        ";hidden=2\n"
        "[ second ]\r\n"
        "key=two\r\n"
        "[First]\n"
        "late=3\n");
  struct Case {
    const char *section, *key, *text;
  } cases[] = {
      {"First", "Key One", "spaced value"},
      {"FIRST", "key one", "spaced value"}, // names without regard to case
      {"First", "quoted", "in quotes"},     // one pair of quotes is dropped
      {"First", "single", "x"},
      {"First", "half", "\"open"},
      {"First", "empty", ""},               // present but empty
      {"First", "hidden", "(none)"},        // comment lines are no keys
      {"First", "comment", "(none)"},
      {"First", "top", "(none)"},           // keys before any section belong to none
      {"second", "key", "two"},             // blanks inside the brackets, CR LF lines
      {"First", "key", "(none)"},           // keys of other sections are not found
      {"First", "late", "(none)"},          // only the first section of a name counts
      {"Missing", "key", "(none)"},
  };
  for (const Case &c : cases) EXPECT_EQ(Text(c.section, c.key), c.text) << c.section << "/" << c.key;

  char small[5];
  ProfileReadString("First", "Key One", "", small, sizeof small, path_.c_str());
  EXPECT_STREQ(small, "spac"); // cut to the buffer
  ProfileReadString("First", "x", "d", small, sizeof small, (root_ + "/none.ini").c_str());
  EXPECT_STREQ(small, "d");
}

TEST_F(ProfileFileTest, IntegersReadLikeTheWindowsReader) {
  Write("[S]\r\na=42\r\nb=-5\r\nc= 17abc\r\nd=abc\r\ne=\r\nf=4294967297\r\ng=+8\r\n");
  struct Case {
    const char *key;
    A_long value;
  } cases[] = {{"a", 42}, {"b", -5}, {"c", 17}, {"d", 0}, {"e", 99}, {"f", 1}, {"g", 8}, {"missing", 99}};
  for (const Case &c : cases) EXPECT_EQ(ProfileReadInt("S", c.key, 99, path_.c_str()), c.value) << c.key;
  EXPECT_EQ(ProfileReadInt("S", "a", 99, (root_ + "/none.ini").c_str()), 99);
  EXPECT_EQ(ProfileReadInt("T", "a", 99, path_.c_str()), 99);
}

TEST_F(ProfileFileTest, WritesChangeOnlyTheKeyLine) {
  struct Case {
    const char *before;
    const char *section, *key, *value;
    const char *after;
  } cases[] = {
      // A new file, with Windows line ends.
      {nullptr, "Version=1.0", "View", "1", "[Version=1.0]\r\nView=1\r\n"},
      // An existing key is replaced where it stands, whatever its case and blanks.
      {"[S]\r\n a = 1 \r\nb=2\r\n", "s", "A", "9", "[S]\r\nA=9\r\nb=2\r\n"},
      // A new key follows the section's last line that is not blank.
      {"[S]\r\na=1\r\n\r\n[T]\r\nc=3\r\n", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nc=3\r\n"},
      // A new section goes to the end; other sections and comments stay.
      {"; note\r\n[T]\r\nc=3", "S", "b", "2", "; note\r\n[T]\r\nc=3\r\n[S]\r\nb=2\r\n"},
      // A file with Unix line ends keeps them.
      {"[S]\na=1\n", "S", "b", "2", "[S]\na=1\nb=2\n"},
      // Only the first section of a name is written.
      {"[S]\r\n[T]\r\n[S]\r\nb=1\r\n", "S", "b", "2", "[S]\r\nb=2\r\n[T]\r\n[S]\r\nb=1\r\n"},
  };
  for (const Case &c : cases) {
    remove(path_.c_str());
    if (c.before) Write(c.before);
    EXPECT_TRUE(ProfileWriteString(c.section, c.key, c.value, path_.c_str())) << c.after;
    EXPECT_EQ(Read(), c.after);
  }
}

TEST_F(ProfileFileTest, WritesThatWouldDamageTheFileAreRefused) {
  Write("[S]\r\na=1\r\n");
  EXPECT_FALSE(ProfileWriteString("S", "a", "1\r\nb=2", path_.c_str()));
  EXPECT_FALSE(ProfileWriteString("S", "x=y", "1", path_.c_str()));
  EXPECT_FALSE(ProfileWriteString("S]", "a", "1", path_.c_str()));
  EXPECT_EQ(Read(), "[S]\r\na=1\r\n");
  // The folder is never created by a write.
  const std::string deeper = root_ + "/missing/T_Vortane.ini";
  EXPECT_FALSE(ProfileWriteString("S", "a", "1", deeper.c_str()));
  EXPECT_FALSE(vtest::Exists(root_ + "/missing"));
  // Writes go through a temporary file that never stays behind.
  ASSERT_TRUE(ProfileWriteString("S", "b", "2", path_.c_str()));
  std::vector<std::string> names;
  DIR *dir = opendir(root_.c_str());
  ASSERT_NE(dir, nullptr);
  while (const dirent *entry = readdir(dir))
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"T_Vortane.ini", "config"}));
}

} // namespace
