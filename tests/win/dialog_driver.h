// The one driver of the options dialog, for the tests and the screenshot
// viewer: while the dialog's modal loop runs on one thread, a second thread
// finds the dialog, notes what it shows once its banner is drawn, presses,
// and sees it close.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace wtest {

constexpr DWORD kWaitMs = 30000;

// Waits until condition() holds or the time is up.
template <typename Condition> inline bool WaitFor(Condition condition, DWORD ms = kWaitMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(10);
  }
  return true;
}

// Share of dark pixels among 81 spread over the control as it is on screen.
inline double DarkShare(HWND control) {
  RECT r{};
  GetClientRect(control, &r);
  HDC dc = GetDC(control);
  int dark = 0;
  for (int y = 1; y < 10; ++y) {
    for (int x = 1; x < 10; ++x) {
      const COLORREF c = GetPixel(dc, r.right * x / 10, r.bottom * y / 10);
      dark += c != CLR_INVALID && GetRValue(c) < 40 && GetGValue(c) < 40 && GetBValue(c) < 40;
    }
  }
  ReleaseDC(control, dc);
  return dark / 81.0;
}

struct ControlSeen {
  std::wstring text;
  bool enabled, visible;
  std::string className;
  RECT place; // in the dialog's client coordinates
};

// What the driving thread saw while the dialog was open.
struct DialogSeen {
  bool found = false, closedByPress = false;
  std::string caption;
  RECT window{}, client{};
  std::map<int, ControlSeen> controls; // by control id
  double bannerDarkShare = 0;
};

inline BOOL CALLBACK NoteDialog(HWND window, LPARAM found) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND *>(found) = window;
  return FALSE;
}

inline BOOL CALLBACK NoteControl(HWND control, LPARAM seen) {
  ControlSeen &c = reinterpret_cast<DialogSeen *>(seen)->controls[GetDlgCtrlID(control)];
  wchar_t text[256] = {};
  GetWindowTextW(control, text, 256);
  char className[64] = {};
  GetClassNameA(control, className, sizeof className);
  c = {text, IsWindowEnabled(control) != 0, IsWindowVisible(control) != 0, className, {}};
  GetWindowRect(control, &c.place);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT *>(&c.place), 2);
  return TRUE;
}

// Calls open() on this thread, which runs the dialog's modal loop, while a
// second thread waits for the dialog, notes what it shows once the control
// `banner` is drawn, and calls press(dialog); should that not close the
// dialog, it is closed anyway so that no run can hang.
inline DialogSeen DriveDialog(int banner, const std::function<void(HWND)> &press, const std::function<void()> &open) {
  DialogSeen seen;
  const DWORD ui = GetCurrentThreadId();
  std::thread driver([&] {
    HWND dialog = nullptr;
    auto find = [&] {
      EnumThreadWindows(ui, NoteDialog, reinterpret_cast<LPARAM>(&dialog));
      return dialog != nullptr;
    };
    if (!WaitFor(find)) return;
    seen.found = true;
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    seen.caption = caption;
    GetWindowRect(dialog, &seen.window);
    GetClientRect(dialog, &seen.client);
    EnumChildWindows(dialog, NoteControl, reinterpret_cast<LPARAM>(&seen));
    // The banner is drawn when the dialog paints.
    WaitFor([&] { return (seen.bannerDarkShare = DarkShare(GetDlgItem(dialog, banner))) > 0.5; }, 10000);
    press(dialog);
    seen.closedByPress = WaitFor([&] { return !IsWindow(dialog); }, 10000);
    if (!seen.closedByPress) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  open();
  driver.join();
  return seen;
}

} // namespace wtest
