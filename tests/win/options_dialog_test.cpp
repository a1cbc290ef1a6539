// The options dialog of T_Vortane.aex under wine and the settings file it
// works on through Windows' profile functions. PF_Cmd_DO_DIALOG from the host
// emulator opens the real dialog; a second thread reads what it shows and
// presses a button (or Escape, or the close box); the file and the host's
// windows are checked after it has closed.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <string>
#include <tuple>

#include "Host.h"
#include "PluginModule.h"
#include "dialog_driver.h"
#include "options/DialogBase.h"
#include "options/FxOptionDialog.h"
#include "resources/OptionsDialogIds.h"

namespace {

// Controls of template 206: id, class, place in dialog units, and the text
// in English and in Japanese (set as Shift-JIS bytes), if the code sets one.
const struct {
  int id;
  const char *className;
  LONG x, y, cx, cy;
  const wchar_t *english, *japanese;
} kControls[] = {
    {IDOK, "Button", 180, 144, 36, 18, L"OK", L"OK"},
    {IDC_SETTINGS_GROUP, "Button", 6, 6, 222, 76, L"Settings (Valid from next start-up)",
     L"設定 （次回起動から有効になります）"},
    {IDC_STORE_DEFAULTS, "Button", 36, 30, 162, 15, L"Set current parameter values to default",
     L"現在のパラメータ設定をデフォルト値として記憶する"},
    {IDC_RESTORE_DEFAULTS, "Button", 36, 50, 162, 15, L"Restore initial default parameter values",
     L"パラメータのデフォルト値設定を初期状態に復帰する"},
    {IDC_BANNER, "Static", 13, 90, 209, 43, nullptr, nullptr},
    {IDC_MANUAL_LINK, "SysLink", 11, 147, 142, 15, L"<a>Online Manual</a>", L"<a>オンラインマニュアル</a>"},
};

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// ---- the settings file ----

// %APPDATA%\Tovra (parts 1), its Tandro folder (2) and the settings file (3).
std::string SettingsPath(int parts = 3) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  const char *names[] = {"\\Tovra", "\\Tandro", "\\T_Vortane.ini"};
  return std::string(path) + names[0] + (parts > 1 ? names[1] : "") + (parts > 2 ? names[2] : "");
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string StoredValue(const char *key) {
  char value[128] = {};
  GetPrivateProfileStringA("Version=1.0", key, "(missing)", value, sizeof value, SettingsPath().c_str());
  return value;
}

constexpr int kEscape = -1, kCloseBox = -2; // presses other than a click on a control

void Press(HWND dialog, int press) {
  if (press == kEscape) {
    // The key goes to the control with the focus, as typed.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const bool focus = GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) && info.hwndFocus;
    PostMessageA(focus ? info.hwndFocus : dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(focus ? info.hwndFocus : dialog, WM_KEYUP, VK_ESCAPE, 0xC0010001);
  } else if (press == kCloseBox) {
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, press), BM_CLICK, 0, 0, SMTO_NORMAL, 30000, &ignored);
  }
}

// The dialog is where CenteredRect puts a window of its size on reference.
void ExpectCentredOn(const RECT &reference, HWND dialog) {
  RECT window{};
  GetWindowRect(dialog, &window);
  const RECT place = tovraDlg::CenteredRect(reference, window.right - window.left, window.bottom - window.top);
  EXPECT_TRUE(EqualRect(&window, &place));
}

// Each test starts without the settings file or its folders and leaves none;
// the tests run in the build tree's own wine prefix. The host application has
// its main window (the dialog's owner), another visible window, a hidden one
// and a visible one that is already disabled.
class OptionsDialog : public testing::Test {
 protected:
  OptionsDialog() {
    ClearSettings();
    const int places[4][4] = {{120, 90, 900, 640}, {20, 20, 200, 300}, {40, 40, 200, 200}, {60, 700, 200, 100}};
    for (int i = 0; i < 4; ++i)
      windows_[i] = CreateWindowExA(0, "Static", "Host", WS_OVERLAPPEDWINDOW | (i == 2 ? 0 : WS_VISIBLE), places[i][0],
                                    places[i][1], places[i][2], places[i][3], nullptr, nullptr, nullptr, nullptr);
    EnableWindow(windows_[3], FALSE);
  }
  ~OptionsDialog() override {
    for (HWND w : windows_) DestroyWindow(w);
    ClearSettings();
  }
  static void ClearSettings() {
    DeleteFileA(SettingsPath().c_str());
    RemoveDirectoryA(SettingsPath(2).c_str());
    RemoveDirectoryA(SettingsPath(1).c_str());
  }
  std::unique_ptr<vemu::Host> AppliedHost(const char *language, int major = 13, int minor = 28) {
    auto host = std::make_unique<vemu::Host>(wtest::PluginEntry());
    host->setThreads(1);
    host->setApiVersion(major, minor);
    host->setAppLanguage(language);
    host->setMainWindow(windows_[0]);
    EXPECT_EQ(host->globalSetup(), PF_Err_NONE);
    EXPECT_EQ(host->paramsSetup(), PF_Err_NONE);
    EXPECT_EQ(host->sequenceSetup(), PF_Err_NONE);
    return host;
  }

  // Opens the dialog through the host and, while it is open, checks what
  // every opening shows (caption, size, each control's class, place, text,
  // state, the banner drawn, centred on the host's main window while every
  // other visible window of the host is disabled), then presses; and the
  // host's windows as before once it has closed.
  void Open(vemu::Host &host, int press, bool buttons = true, bool japanese = false) {
    PF_Err err = -1;
    auto look = [&](HWND dialog) {
      EXPECT_EQ(Text(dialog), L"T_Vortane");
      RECT client{}, size{0, 0, 235, 170};
      GetClientRect(dialog, &client);
      MapDialogRect(dialog, &size);
      EXPECT_TRUE(EqualRect(&client, &size));
      for (const auto &c : kControls) {
        HWND control = GetDlgItem(dialog, c.id);
        char className[32] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_EQ(lstrcmpiA(className, c.className), 0) << c.id << " " << className;
        // The dialog manager converts a position and a size each on its own.
        RECT place{}, want{c.x, c.y, c.cx, c.cy};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
        MapDialogRect(dialog, &want);
        EXPECT_TRUE(place.left == want.left && place.top == want.top && place.right == want.left + want.right &&
                    place.bottom == want.top + want.bottom)
            << c.id;
        EXPECT_TRUE(!c.english || Text(control) == (japanese ? c.japanese : c.english)) << c.id;
        const bool button = c.id == IDC_STORE_DEFAULTS || c.id == IDC_RESTORE_DEFAULTS;
        EXPECT_EQ(IsWindowEnabled(control) != 0, buttons || !button) << c.id;
        EXPECT_TRUE(IsWindowVisible(control)) << c.id;
      }
      HWND banner = GetDlgItem(dialog, IDC_BANNER); // drawn again after the looks above
      EXPECT_TRUE(wtest::WaitFor([&] { return wtest::DarkShare(banner) > 0.5; }, 5000)) << "banner not drawn";
      RECT owner{};
      GetWindowRect(windows_[0], &owner);
      ExpectCentredOn(owner, dialog);
      EXPECT_EQ(Enabled(), "0010"); // hidden windows are left alone
      Press(dialog, press);
    };
    EXPECT_TRUE(wtest::DriveDialog(IDC_BANNER, look, [&] { err = host.doDialog(); })) << press;
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(Enabled(), "1110");
  }

  // '1' for each of the host's windows that is enabled, '0' for each that is not.
  std::string Enabled() const {
    std::string s;
    for (HWND w : windows_) s += IsWindowEnabled(w) ? '1' : '0';
    return s;
  }

  HWND windows_[4];
};

TEST_F(OptionsDialog, EveryWayToCloseWithoutActionAndTheButtonsOnOldHosts) {
  const struct {
    int press, major, minor;
    bool buttons;
  } cases[] = {{IDOK, 13, 28, true}, {kEscape, 13, 28, true}, {kCloseBox, 13, 28, true}, {IDOK, 12, 11, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.press);
    auto host = AppliedHost("en_US", c.major, c.minor);
    Open(*host, c.press, c.buttons);
    EXPECT_FALSE(Exists(SettingsPath(1)));
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(OptionsDialog, JapaneseTexts) {
  if (GetACP() != 932) GTEST_SKIP() << "needs the Japanese ANSI code page (run with LANG=ja_JP.UTF-8)";
  for (const char *tag : {"ja_JP", "JA_jp"}) Open(*AppliedHost(tag), IDOK, true, true);
}

TEST_F(OptionsDialog, StoreAndRestoreThroughTheProfileFunctions) {
  auto host = AppliedHost("en_US");
  host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
  host->setFloat(host->findParam("2 : Blur Amount"), 3.5);
  Open(*host, IDC_STORE_DEFAULTS);
  EXPECT_EQ(StoredValue("2 : Enable Color Group"), "1");
  EXPECT_EQ(StoredValue("2 : Blur Amount"), "3.500000");
  EXPECT_EQ(StoredValue("1 : Color A.g"), "180");
  EXPECT_EQ(StoredValue("3 : Enable Color Group"), "0");
  // What the profile functions read becomes a new instance's defaults.
  WritePrivateProfileStringA("Version=1.0", "View", "7", SettingsPath().c_str());
  WritePrivateProfileStringA("Version=1.0", "1 : Color A.r", "300", SettingsPath().c_str());
  auto next = AppliedHost("en_US");
  EXPECT_EQ(next->paramValue(next->findParam("View")).u.pd.value, 7);
  EXPECT_EQ(next->paramValue(next->findParam("2 : Blur Amount")).u.fs_d.value, 3.5);
  EXPECT_EQ(next->paramValue(next->findParam("2 : Enable Color Group")).u.bd.value, 1);
  EXPECT_EQ(next->paramValue(next->findParam("1 : Color A")).u.cd.value.red, 44); // 300 cut to 8 bits

  // Restore removes the file and the folders it leaves empty, also when there
  // was no file, but not a "Tovra" folder that holds another file.
  Open(*host, IDC_RESTORE_DEFAULTS);
  EXPECT_FALSE(Exists(SettingsPath(1)));
  Open(*host, IDC_RESTORE_DEFAULTS);
  EXPECT_FALSE(Exists(SettingsPath(1)));
  Open(*host, IDC_STORE_DEFAULTS);
  ASSERT_TRUE(Exists(SettingsPath()));
  const std::string other = SettingsPath(1) + "\\other.txt";
  std::ofstream(other) << "kept";
  Open(*host, IDC_RESTORE_DEFAULTS);
  EXPECT_FALSE(Exists(SettingsPath(2)));
  EXPECT_TRUE(Exists(other));
  DeleteFileA(other.c_str());
  EXPECT_EQ(host->leaks(), "");
  EXPECT_EQ(next->leaks(), "");
}

// The dialog class on its own: an empty manual address hides the link, a
// dialog without an owner is centred on the monitor under the mouse cursor,
// and a template the module lacks makes DoModal report OK.
TEST_F(OptionsDialog, WithoutManualAddressOwnerOrTemplate) {
  FxOptionDlg::AEFxOptionDialog dialog(wtest::PluginModule(), nullptr, "Title", nullptr, true, 1);
  auto look = [](HWND dialog) {
    EXPECT_EQ(Text(dialog), L"Title");
    HWND link = GetDlgItem(dialog, IDC_MANUAL_LINK);
    EXPECT_FALSE(IsWindowVisible(link) || IsWindowEnabled(link));
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
    ExpectCentredOn(monitor.rcMonitor, dialog);
    Press(dialog, IDC_RESTORE_DEFAULTS);
  };
  INT_PTR result = -1;
  EXPECT_TRUE(wtest::DriveDialog(IDC_BANNER, look, [&] { result = dialog.DoModal(); }));
  EXPECT_EQ(result, 2);
  struct Missing : FxOptionDlg::AEFxOptionDialog {
    using AEFxOptionDialog::AEFxOptionDialog;
    void useTemplate(int id) { templateId = id; }
  } missing(wtest::PluginModule(), nullptr, "Title", "", true, 1);
  missing.useTemplate(9999);
  EXPECT_EQ(missing.DoModal(), 0);
}

TEST(OptionsDialogPlacement, CentredButAtLeast32PixelsInside) {
  const struct {
    RECT reference;
    int width, height;
    LONG left, top;
  } cases[] = {
      {{100, 50, 301, 251}, 100, 100, 150, 100},     // odd sums: halves rounded toward zero
      {{-301, -201, -100, 0}, 100, 100, -250, -150}, // negative: toward zero, not down
      {{0, 0, 300, 200}, 280, 190, 32, 32},          // larger than the room: 32 inside
  };
  for (const auto &c : cases) {
    const RECT r = tovraDlg::CenteredRect(c.reference, c.width, c.height);
    EXPECT_EQ(std::make_tuple(r.left, r.top, r.right, r.bottom),
              std::make_tuple(c.left, c.top, c.left + c.width, c.top + c.height))
        << c.reference.left << "," << c.reference.top;
  }
}

} // namespace
