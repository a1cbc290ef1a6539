// The real options dialog of T_Vortane.aex under wine: PF_Cmd_DO_DIALOG from
// the host emulator opens it, a second thread finds it, reads its caption,
// texts, control classes and places, presses a button (or Escape, or the
// close box), and the settings file and the host's windows are checked after
// the dialog has closed. Also the dialog template and banner resources.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Host.h"
#include "PluginModule.h"
#include "dialog_driver.h"
#include "options/DialogBase.h"
#include "options/FxOptionDialog.h"
#include "resources/OptionsDialogIds.h"

namespace {

using wtest::DarkShare;
using wtest::kWaitMs;
using wtest::VisibleDialogOf;
using wtest::WaitFor;

// ---- expected texts ----

struct ControlText {
  int id;
  const char *english;
  const wchar_t *japanese; // what the window shows (set as Shift-JIS bytes)
};

const ControlText kTexts[] = {
    {IDC_SETTINGS_GROUP, "Settings (Valid from next start-up)",
     L"設定 （次回起動から有効になります）"},
    {IDC_STORE_DEFAULTS, "Set current parameter values to default",
     L"現在のパラメータ設定をデフォルト値として記憶する"},
    {IDC_RESTORE_DEFAULTS, "Restore initial default parameter values",
     L"パラメータのデフォルト値設定を初期状態に復帰する"},
    {IDC_MANUAL_LINK, "<a>Online Manual</a>",
     L"<a>オンラインマニュアル</a>"},
};

// Controls of template 206: id, class, dialog-unit rectangle, style.
struct ControlLayout {
  int id;
  const wchar_t *className;
  WORD classAtom; // the predefined class's ordinal, if the template uses one
  short x, y, cx, cy;
  DWORD style;
};

const ControlLayout kControls[] = {
    {IDOK, L"Button", 0x80, 180, 144, 36, 18, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDC_SETTINGS_GROUP, L"Button", 0x80, 6, 6, 222, 76, WS_CHILD | WS_VISIBLE | BS_GROUPBOX},
    {IDC_STORE_DEFAULTS, L"Button", 0x80, 36, 30, 162, 15, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDC_RESTORE_DEFAULTS, L"Button", 0x80, 36, 50, 162, 15, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDC_BANNER, L"Static", 0x82, 13, 90, 209, 43, WS_CHILD | WS_VISIBLE | SS_OWNERDRAW | SS_CENTERIMAGE},
    {IDC_MANUAL_LINK, L"SysLink", 0, 11, 147, 142, 15, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
};

// ---- the settings file ----

std::string AppDataFolder() {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return folder;
}

std::string TovraFolder() { return AppDataFolder() + "\\Tovra"; }
std::string TandroFolder() { return TovraFolder() + "\\Tandro"; }
std::string SettingsFile() { return TandroFolder() + "\\T_Vortane.ini"; }

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string StoredValue(const char *key) {
  char value[128] = {};
  GetPrivateProfileStringA("Version=1.0", key, "(missing)", value, sizeof value, SettingsFile().c_str());
  return value;
}

// Starts each test without a settings file and puts back the one that was
// there (or none) afterwards.
class SettingsKeeper {
 public:
  SettingsKeeper() {
    std::ifstream in(SettingsFile(), std::ios::binary);
    if (in) {
      had_ = true;
      std::ostringstream s;
      s << in.rdbuf();
      bytes_ = s.str();
    }
    Clear();
  }
  ~SettingsKeeper() {
    Clear();
    if (had_) {
      SHCreateDirectoryExA(nullptr, TandroFolder().c_str(), nullptr);
      std::ofstream(SettingsFile(), std::ios::binary) << bytes_;
    }
  }

 private:
  static void Clear() {
    DeleteFileA(SettingsFile().c_str());
    RemoveDirectoryA(TandroFolder().c_str());
    RemoveDirectoryA(TovraFolder().c_str());
  }
  bool had_ = false;
  std::string bytes_;
};

// ---- the host's windows ----

HWND MakeTopWindow(const char *title, int x, int y, int width, int height, bool visible) {
  static ATOM atom = [] {
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "VortaneTestHostWindow";
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    return RegisterClassA(&cls);
  }();
  if (!atom) return nullptr;
  return CreateWindowExA(0, "VortaneTestHostWindow", title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), x, y,
                         width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowPtr = std::unique_ptr<std::remove_pointer<HWND>::type, WindowDeleter>;

// The host application: its main window, another visible window, a hidden
// one and a visible one that is already disabled.
struct HostWindows {
  HostWindows()
      : main(MakeTopWindow("Host", 120, 90, 900, 640, true)), panel(MakeTopWindow("Panel", 20, 20, 200, 300, true)),
        hidden(MakeTopWindow("Hidden", 40, 40, 200, 200, false)),
        disabled(MakeTopWindow("Disabled", 60, 700, 200, 100, true)) {
    EnableWindow(disabled.get(), FALSE);
  }
  WindowPtr main, panel, hidden, disabled;
};

// ---- what the driving thread sees ----

enum class Press { OK, Store, Restore, Escape, CloseBox };

struct ControlSeen {
  std::string text;
  std::wstring wideText;
  std::string className;
  RECT place{};    // in the dialog's client coordinates
  RECT expected{}; // the template's rectangle through MapDialogRect
  bool enabled = false;
  bool visible = false;
};

struct DialogSeen {
  bool found = false;
  std::string caption;
  RECT window{};
  RECT client{};
  RECT expectedClient{};
  std::map<int, ControlSeen> controls;
  bool mainEnabled = true, panelEnabled = true, hiddenEnabled = false, disabledEnabled = true;
  double bannerDarkShare = 0;
};

std::string ClassOf(HWND window) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  return cls;
}

// Runs on its own thread while the dialog's modal loop runs on `ui`.
void DriveDialog(DWORD ui, const HostWindows &host, Press press, DialogSeen *seen) {
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = VisibleDialogOf(ui)) != nullptr; })) return;
  seen->found = true;
  char caption[256] = {};
  GetWindowTextA(dialog, caption, sizeof caption);
  seen->caption = caption;
  GetWindowRect(dialog, &seen->window);
  GetClientRect(dialog, &seen->client);
  seen->expectedClient = RECT{0, 0, 235, 170};
  MapDialogRect(dialog, &seen->expectedClient);
  for (const ControlLayout &want : kControls) {
    HWND control = GetDlgItem(dialog, want.id);
    if (!control) continue;
    ControlSeen &c = seen->controls[want.id];
    char text[256] = {};
    GetWindowTextA(control, text, sizeof text);
    c.text = text;
    wchar_t wide[256] = {};
    GetWindowTextW(control, wide, 256);
    c.wideText = wide;
    c.className = ClassOf(control);
    GetWindowRect(control, &c.place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&c.place), 2);
    // The dialog manager converts the position and the size each on its own.
    RECT units{want.x, want.y, want.cx, want.cy};
    MapDialogRect(dialog, &units);
    c.expected = RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
    c.enabled = IsWindowEnabled(control) != 0;
    c.visible = IsWindowVisible(control) != 0;
  }
  seen->mainEnabled = IsWindowEnabled(host.main.get()) != 0;
  seen->panelEnabled = IsWindowEnabled(host.panel.get()) != 0;
  seen->hiddenEnabled = IsWindowEnabled(host.hidden.get()) != 0;
  seen->disabledEnabled = IsWindowEnabled(host.disabled.get()) != 0;
  // The banner is drawn when the dialog paints; wait for it.
  HWND banner = GetDlgItem(dialog, IDC_BANNER);
  WaitFor([&] { return (seen->bannerDarkShare = DarkShare(banner)) > 0.5; }, 5000);

  auto click = [&](int id) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
  };
  switch (press) {
  case Press::OK:
    click(IDOK);
    break;
  case Press::Store:
    click(IDC_STORE_DEFAULTS);
    break;
  case Press::Restore:
    click(IDC_RESTORE_DEFAULTS);
    break;
  case Press::Escape: {
    // The key goes to the control with the focus, as typed.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = GetGUIThreadInfo(ui, &info) && info.hwndFocus ? info.hwndFocus : dialog;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    break;
  }
  case Press::CloseBox:
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    break;
  }
  // Should the press not close it, close it anyway so the test cannot hang.
  if (!WaitFor([&] { return !IsWindow(dialog); }, 10000)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Sends PF_Cmd_DO_DIALOG on this thread while another thread drives the dialog.
struct DialogRun {
  PF_Err err = -1;
  DialogSeen seen;
};

DialogRun RunDialog(vemu::Host &host, const HostWindows &windows, Press press) {
  DialogRun run;
  const DWORD ui = GetCurrentThreadId();
  std::thread driver(DriveDialog, ui, std::cref(windows), press, &run.seen);
  run.err = host.doDialog();
  driver.join();
  return run;
}

std::unique_ptr<vemu::Host> AppliedHost(const HostWindows &windows, const char *language, int major = 13,
                                        int minor = 28) {
  auto host = std::make_unique<vemu::Host>(wtest::PluginEntry());
  host->setThreads(1);
  host->setApiVersion(major, minor);
  host->setAppLanguage(language);
  host->setMainWindow(windows.main.get());
  EXPECT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->paramsSetup(), PF_Err_NONE);
  EXPECT_EQ(host->sequenceSetup(), PF_Err_NONE);
  return host;
}

void ExpectHostWindowsRestored(const HostWindows &windows) {
  EXPECT_TRUE(IsWindowEnabled(windows.main.get()));
  EXPECT_TRUE(IsWindowEnabled(windows.panel.get()));
  EXPECT_TRUE(IsWindowEnabled(windows.hidden.get()));
  EXPECT_FALSE(IsWindowEnabled(windows.disabled.get()));
}

// The layout every opening shows, whatever the language.
void ExpectLayout(const DialogSeen &seen, const HostWindows &windows) {
  ASSERT_TRUE(seen.found) << "the dialog did not open";
  EXPECT_EQ(seen.caption, "T_Vortane");
  EXPECT_EQ(seen.client.right, seen.expectedClient.right);
  EXPECT_EQ(seen.client.bottom, seen.expectedClient.bottom);
  for (const ControlLayout &want : kControls) {
    auto found = seen.controls.find(want.id);
    ASSERT_NE(found, seen.controls.end()) << want.id;
    const ControlSeen &c = found->second;
    char expectedClass[32];
    WideCharToMultiByte(CP_ACP, 0, want.className, -1, expectedClass, sizeof expectedClass, nullptr, nullptr);
    EXPECT_EQ(lstrcmpiA(c.className.c_str(), expectedClass), 0) << want.id << " " << c.className;
    EXPECT_EQ(c.place.left, c.expected.left) << want.id;
    EXPECT_EQ(c.place.top, c.expected.top) << want.id;
    EXPECT_EQ(c.place.right, c.expected.right) << want.id;
    EXPECT_EQ(c.place.bottom, c.expected.bottom) << want.id;
  }
  EXPECT_EQ(seen.controls.at(IDOK).text, "OK");
  EXPECT_TRUE(seen.controls.at(IDC_MANUAL_LINK).visible);
  // Centred on the host's main window, while every other visible window of
  // the host was disabled.
  RECT owner{};
  GetWindowRect(windows.main.get(), &owner);
  const RECT place = tovraDlg::CenteredRect(owner, seen.window.right - seen.window.left,
                                            seen.window.bottom - seen.window.top);
  EXPECT_EQ(seen.window.left, place.left);
  EXPECT_EQ(seen.window.top, place.top);
  EXPECT_FALSE(seen.mainEnabled);
  EXPECT_FALSE(seen.panelEnabled);
  EXPECT_TRUE(seen.hiddenEnabled); // hidden windows are left alone
  EXPECT_FALSE(seen.disabledEnabled);
  EXPECT_GT(seen.bannerDarkShare, 0.5) << "banner not drawn";
}

class OptionsDialog : public testing::Test {
 protected:
  SettingsKeeper settings_;
  HostWindows windows_;
};

TEST_F(OptionsDialog, EnglishTextsAndEveryWayToCloseWithoutAction) {
  for (Press press : {Press::OK, Press::Escape, Press::CloseBox}) {
    auto host = AppliedHost(windows_, "en_US");
    const DialogRun run = RunDialog(*host, windows_, press);
    EXPECT_EQ(run.err, PF_Err_NONE);
    ExpectLayout(run.seen, windows_);
    for (const ControlText &t : kTexts) EXPECT_EQ(run.seen.controls.at(t.id).text, t.english) << t.id;
    EXPECT_TRUE(run.seen.controls.at(IDC_STORE_DEFAULTS).enabled);
    EXPECT_TRUE(run.seen.controls.at(IDC_RESTORE_DEFAULTS).enabled);
    ExpectHostWindowsRestored(windows_);
    EXPECT_FALSE(Exists(TovraFolder())) << static_cast<int>(press);
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST_F(OptionsDialog, JapaneseTexts) {
  if (GetACP() != 932) GTEST_SKIP() << "needs the Japanese ANSI code page (run with LANG=ja_JP.UTF-8)";
  for (const char *tag : {"ja_JP", "JA_jp"}) {
    auto host = AppliedHost(windows_, tag);
    const DialogRun run = RunDialog(*host, windows_, Press::OK);
    EXPECT_EQ(run.err, PF_Err_NONE);
    ExpectLayout(run.seen, windows_);
    for (const ControlText &t : kTexts) {
      EXPECT_EQ(run.seen.controls.at(t.id).wideText, t.japanese) << t.id;
    }
    ExpectHostWindowsRestored(windows_);
  }
}

TEST_F(OptionsDialog, StoreThenRestoreThroughTheProfileFunctions) {
  auto host = AppliedHost(windows_, "en_US");
  host->setCheckbox(host->findParam("2 : Enable Color Group"), true);
  host->setFloat(host->findParam("2 : Blur Amount"), 3.5);
  DialogRun run = RunDialog(*host, windows_, Press::Store);
  EXPECT_EQ(run.err, PF_Err_NONE);
  ASSERT_TRUE(run.seen.found);
  ExpectHostWindowsRestored(windows_);
  ASSERT_TRUE(Exists(SettingsFile()));
  EXPECT_EQ(StoredValue("2 : Enable Color Group"), "1");
  EXPECT_EQ(StoredValue("2 : Blur Amount"), "3.500000");
  EXPECT_EQ(StoredValue("1 : Color A.g"), "180");
  EXPECT_EQ(StoredValue("3 : Enable Color Group"), "0");

  run = RunDialog(*host, windows_, Press::Restore);
  EXPECT_EQ(run.err, PF_Err_NONE);
  ASSERT_TRUE(run.seen.found);
  ExpectHostWindowsRestored(windows_);
  EXPECT_FALSE(Exists(SettingsFile()));
  EXPECT_FALSE(Exists(TandroFolder()));
  EXPECT_FALSE(Exists(TovraFolder()));

  // Restore without a file makes the folders and removes them again.
  run = RunDialog(*host, windows_, Press::Restore);
  ASSERT_TRUE(run.seen.found);
  EXPECT_FALSE(Exists(TovraFolder()));

  // A "Tovra" folder that holds another file stays.
  run = RunDialog(*host, windows_, Press::Store);
  ASSERT_TRUE(Exists(SettingsFile()));
  const std::string other = TovraFolder() + "\\other.txt";
  std::ofstream(other) << "kept";
  run = RunDialog(*host, windows_, Press::Restore);
  EXPECT_FALSE(Exists(TandroFolder()));
  EXPECT_TRUE(Exists(other));
  DeleteFileA(other.c_str());
  EXPECT_EQ(host->leaks(), "");
}

TEST_F(OptionsDialog, OldHostShowsTheButtonsDisabled) {
  auto host = AppliedHost(windows_, "en_US", 12, 11);
  const DialogRun run = RunDialog(*host, windows_, Press::OK);
  EXPECT_EQ(run.err, PF_Err_NONE);
  ExpectLayout(run.seen, windows_);
  EXPECT_FALSE(run.seen.controls.at(IDC_STORE_DEFAULTS).enabled);
  EXPECT_FALSE(run.seen.controls.at(IDC_RESTORE_DEFAULTS).enabled);
  EXPECT_TRUE(run.seen.controls.at(IDOK).enabled);
  EXPECT_TRUE(run.seen.controls.at(IDC_MANUAL_LINK).enabled);
  ExpectHostWindowsRestored(windows_);
  EXPECT_FALSE(Exists(TovraFolder()));
}

// The dialog class on its own, with the plug-in's resources: an empty manual
// address hides the link, and a dialog without an owner is centred on the
// monitor under the mouse cursor.
TEST_F(OptionsDialog, WithoutManualAddressOrOwner) {
  FxOptionDlg::AEFxOptionDialog dialog(wtest::PluginModule(), nullptr, "Title", nullptr, true, 1);
  DialogSeen seen;
  std::thread driver(DriveDialog, GetCurrentThreadId(), std::cref(windows_), Press::Restore, &seen);
  const INT_PTR result = dialog.DoModal();
  driver.join();
  EXPECT_EQ(result, 2);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.caption, "Title");
  EXPECT_FALSE(seen.controls.at(IDC_MANUAL_LINK).visible);
  EXPECT_FALSE(seen.controls.at(IDC_MANUAL_LINK).enabled);
  POINT cursor{};
  GetCursorPos(&cursor);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT place = tovraDlg::CenteredRect(monitor.rcMonitor, seen.window.right - seen.window.left,
                                            seen.window.bottom - seen.window.top);
  EXPECT_EQ(seen.window.left, place.left);
  EXPECT_EQ(seen.window.top, place.top);
  // A template the module does not have: DoModal reports OK.
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
      {{0, 0, 1280, 1024}, 400, 300, 440, 362},
      {{100, 50, 301, 251}, 100, 100, 150, 100},    // odd sums: halves rounded toward zero
      {{-301, -201, -100, 0}, 100, 100, -250, -150}, // negative: toward zero, not down
      {{0, 0, 300, 200}, 280, 190, 32, 32},          // larger than the room: 32 inside
      {{-500, -400, -300, -300}, 400, 300, -468, -368},
  };
  for (const auto &c : cases) {
    const RECT r = tovraDlg::CenteredRect(c.reference, c.width, c.height);
    EXPECT_EQ(r.left, c.left) << c.reference.left;
    EXPECT_EQ(r.top, c.top) << c.reference.top;
    EXPECT_EQ(r.right - r.left, c.width);
    EXPECT_EQ(r.bottom - r.top, c.height);
  }
}

// ---- the resources ----

// Reader of a DLGTEMPLATEEX in the module's resources.
class TemplateReader {
 public:
  explicit TemplateReader(const uint8_t *at) : at_(at) {}
  uint16_t word() { uint16_t v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
  uint32_t dword() { uint32_t v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
  int16_t shortValue() { return static_cast<int16_t>(word()); }
  uint8_t byte() { return *at_++; }
  // A text, or an ordinal (0xFFFF followed by the number) written as "#n".
  std::wstring textOrOrdinal() {
    const uint16_t first = word();
    if (first == 0xFFFF) return L"#" + std::to_wstring(word());
    std::wstring text;
    for (uint16_t c = first; c; c = word()) text += static_cast<wchar_t>(c);
    return text;
  }
  void alignDword(const uint8_t *base) {
    while ((at_ - base) % 4) ++at_;
  }

 private:
  const uint8_t *at_;
};

TEST(OptionsDialogResources, TemplateHoldsTheLayoutInDialogUnits) {
  HMODULE module = wtest::PluginModule();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDD_OPTIONS_DIALOG), MAKEINTRESOURCEA(5)); // RT_DIALOG
  ASSERT_NE(found, nullptr);
  const auto *base = static_cast<const uint8_t *>(LockResource(LoadResource(module, found)));
  ASSERT_NE(base, nullptr);
  TemplateReader r(base);
  EXPECT_EQ(r.word(), 1);      // version
  EXPECT_EQ(r.word(), 0xFFFF); // extended template
  r.dword();                   // help id
  EXPECT_EQ(r.dword(), 0u);    // extended style
  EXPECT_EQ(r.dword(), DWORD(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
  const uint16_t count = r.word();
  EXPECT_EQ(count, std::size(kControls));
  EXPECT_EQ(r.shortValue(), 22);
  EXPECT_EQ(r.shortValue(), 17);
  EXPECT_EQ(r.shortValue(), 235);
  EXPECT_EQ(r.shortValue(), 170);
  EXPECT_EQ(r.textOrOrdinal(), L""); // no menu
  EXPECT_EQ(r.textOrOrdinal(), L""); // the standard dialog class
  EXPECT_EQ(r.textOrOrdinal(), L"Option");
  EXPECT_EQ(r.word(), 9); // points
  r.word();               // weight
  r.byte();               // italic
  r.byte();               // character set
  EXPECT_EQ(r.textOrOrdinal(), L"MS UI Gothic");

  for (uint16_t i = 0; i < count && i < std::size(kControls); ++i) {
    const ControlLayout &want = kControls[i];
    r.alignDword(base);
    r.dword(); // help id
    EXPECT_EQ(r.dword(), 0u) << want.id;
    EXPECT_EQ(r.dword(), want.style) << want.id;
    EXPECT_EQ(r.shortValue(), want.x) << want.id;
    EXPECT_EQ(r.shortValue(), want.y) << want.id;
    EXPECT_EQ(r.shortValue(), want.cx) << want.id;
    EXPECT_EQ(r.shortValue(), want.cy) << want.id;
    EXPECT_EQ(r.dword(), DWORD(want.id));
    const std::wstring cls = r.textOrOrdinal();
    const bool byAtom = want.classAtom && cls == L"#" + std::to_wstring(want.classAtom);
    EXPECT_TRUE(byAtom || lstrcmpiW(cls.c_str(), want.className) == 0) << want.id;
    const std::wstring text = r.textOrOrdinal();
    if (want.id == IDOK) EXPECT_EQ(text, L"OK");
    for (const ControlText &t : kTexts)
      if (t.id == want.id) EXPECT_EQ(text, t.japanese) << want.id; // the template holds the Japanese texts
    const uint16_t extra = r.word();
    for (uint16_t b = 0; b < extra; ++b) r.byte();
  }
}

TEST(OptionsDialogResources, BannerIs730By130At32BitsInWhiteAndVioletOnBlack) {
  HBITMAP banner = static_cast<HBITMAP>(LoadImageA(wtest::PluginModule(), MAKEINTRESOURCEA(IDB_OPTIONS_BANNER),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(banner, nullptr);
  DIBSECTION dib = {};
  ASSERT_EQ(GetObjectA(banner, sizeof dib, &dib), int(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, 730);
  EXPECT_EQ(dib.dsBm.bmHeight, 130);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
  long black = 0, white = 0, violet = 0;
  const auto *p = static_cast<const uint8_t *>(dib.dsBm.bmBits);
  for (long i = 0; i < 730L * 130; ++i, p += 4) {
    const int b = p[0], g = p[1], r = p[2];
    if (r == 0 && g == 0 && b == 0) ++black;
    if (r == 255 && g == 255 && b == 255) ++white;
    if (b > 200 && r > 120 && g < r - 40) ++violet;
  }
  EXPECT_GT(black, 730L * 130 / 2);
  EXPECT_GT(white, 1000);
  EXPECT_GT(violet, 300);
  // Grey frame: every edge pixel is the same mid grey.
  const auto *row0 = static_cast<const uint8_t *>(dib.dsBm.bmBits);
  for (int x : {0, 365, 729}) {
    EXPECT_EQ(row0[4 * x], row0[4 * x + 1]);
    EXPECT_GT(row0[4 * x], 60);
    EXPECT_LT(row0[4 * x], 200);
  }
  DeleteObject(banner);
}

} // namespace
