// The one driver of the options dialog, for the tests and the screenshot
// viewer: while the dialog's modal loop runs on one thread, a second thread
// finds the dialog, waits until its banner is drawn, hands it to a callback
// that looks at it and presses, and sees it close.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <thread>

namespace wtest {

// Waits until condition() holds or the time is up.
template <typename Condition> inline bool WaitFor(Condition condition, DWORD ms = 30000) {
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

inline BOOL CALLBACK NoteDialog(HWND window, LPARAM found) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND *>(found) = window;
  return FALSE;
}

// Calls open() on this thread, which runs the dialog's modal loop, while a
// second thread waits for the dialog and for its control `banner` to be
// drawn, then calls use(dialog). True when the dialog opened and closed by
// itself after use; otherwise it is closed anyway, so that no run can hang.
inline bool DriveDialog(int banner, const std::function<void(HWND)> &use, const std::function<void()> &open) {
  bool closed = false;
  const DWORD ui = GetCurrentThreadId();
  std::thread driver([&] {
    HWND dialog = nullptr;
    auto find = [&] {
      EnumThreadWindows(ui, NoteDialog, reinterpret_cast<LPARAM>(&dialog));
      return dialog != nullptr;
    };
    if (!WaitFor(find)) return;
    WaitFor([&] { return DarkShare(GetDlgItem(dialog, banner)) > 0.5; }, 10000);
    use(dialog);
    closed = WaitFor([&] { return !IsWindow(dialog); }, 10000);
    if (!closed) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    if (!closed) PostMessageA(dialog, WM_CLOSE, 0, 0);
  });
  open();
  driver.join();
  return closed;
}

} // namespace wtest
