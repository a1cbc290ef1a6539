// The Windows build: stored defaults written with Windows' own profile
// functions reach the registered definitions (not before API 12.12). The
// user's own settings file, if any, is put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <clocale>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Host.h"
#include "PluginModule.h"

namespace {

class WindowsStoredDefaults : public testing::Test {
 protected:
  void SetUp() override {
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    tovra_ = std::string(appData) + "\\Tovra";
    tandro_ = tovra_ + "\\Tandro";
    path_ = tandro_ + "\\T_Vortane.ini";
    hadTovra_ = GetFileAttributesA(tovra_.c_str()) != INVALID_FILE_ATTRIBUTES;
    hadTandro_ = GetFileAttributesA(tandro_.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::ifstream existing(path_, std::ios::binary);
    if (existing) {
      std::ostringstream s;
      s << existing.rdbuf();
      backup_.reset(new std::string(s.str()));
    }
    const int made = SHCreateDirectoryExA(nullptr, tandro_.c_str(), nullptr);
    ASSERT_TRUE(made == ERROR_SUCCESS || made == ERROR_ALREADY_EXISTS) << made;
    DeleteFileA(path_.c_str());
  }

  void TearDown() override {
    DeleteFileA(path_.c_str());
    if (backup_) std::ofstream(path_, std::ios::binary) << *backup_;
    if (!hadTandro_) RemoveDirectoryA(tandro_.c_str());
    if (!hadTovra_) RemoveDirectoryA(tovra_.c_str());
  }

  void Store(const char *key, const char *value) {
    ASSERT_TRUE(WritePrivateProfileStringA("Version=1.0", key, value, path_.c_str())) << key;
  }

  std::string tovra_, tandro_, path_;
  bool hadTovra_ = false, hadTandro_ = false;
  std::unique_ptr<std::string> backup_;
};

std::unique_ptr<vemu::Host> RegisteredHost(int major, int minor) {
  auto host = std::make_unique<vemu::Host>(wtest::PluginEntry());
  host->setThreads(2);
  host->setApiVersion(major, minor);
  EXPECT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->paramsSetup(), PF_Err_NONE);
  EXPECT_EQ(host->outData().num_params, 55);
  return host;
}

const PF_ParamDef &Registered(const vemu::Host &host, const char *name) {
  const int index = host.findParam(name);
  EXPECT_GT(index, 0) << name;
  return host.registeredParams().at(static_cast<size_t>(index - 1));
}

TEST_F(WindowsStoredDefaults, ValuesWrittenByTheProfileFunctionsBecomeRegisteredDefaults) {
  // Decimals as the plug-in reads them: in the user's locale.
  std::setlocale(LC_ALL, "");
  char blur[64];
  std::snprintf(blur, sizeof blur, "%f", 25.5);
  Store("View", "7");
  Store("1 : Blur Amount", blur);
  Store("1 : Color A.r", "300");
  Store("1 : Color A.a", "0");
  Store("1 : Enable Color Group", "256");
  Store("2 : Enable Color Group", "1");
  ASSERT_EQ(GetPrivateProfileIntA("Version=1.0", "View", 0, path_.c_str()), 7u);

  auto host = RegisteredHost(13, 28);
  ASSERT_EQ(host->registeredParams().size(), 54u);
  EXPECT_EQ(Registered(*host, "View").u.pd.value, 7);
  EXPECT_EQ(Registered(*host, "1 : Blur Amount").u.fs_d.value, 25.5);
  EXPECT_EQ(Registered(*host, "1 : Blur Amount").u.fs_d.dephault, 25.5f);
  EXPECT_EQ(Registered(*host, "2 : Blur Amount").u.fs_d.value, 10.0);
  const PF_ColorDef &colorA = Registered(*host, "1 : Color A").u.cd;
  EXPECT_EQ(colorA.value.red, 44);
  EXPECT_EQ(colorA.value.green, 180);
  EXPECT_EQ(colorA.value.alpha, 255);
  EXPECT_EQ(Registered(*host, "1 : Enable Color Group").u.bd.value, 0);
  EXPECT_EQ(Registered(*host, "2 : Enable Color Group").u.bd.value, 1);
  EXPECT_EQ(host->leaks(), "");

  // Before API 12.12 the file is not read.
  auto old = RegisteredHost(12, 11);
  EXPECT_EQ(Registered(*old, "View").u.pd.value, 1);
  EXPECT_EQ(Registered(*old, "1 : Blur Amount").u.fs_d.value, 10.0);
  EXPECT_EQ(Registered(*old, "1 : Enable Color Group").u.bd.value, 1);
  EXPECT_EQ(old->leaks(), "");
}

} // namespace
