// Helpers for programs that drive the options dialog from a second thread
// while its modal loop runs: waiting on a condition, finding the dialog, and
// looking at what a control shows on screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>

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

struct FindDialog {
  HWND dialog = nullptr;
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) {
      reinterpret_cast<FindDialog *>(self)->dialog = window;
      return FALSE;
    }
    return TRUE;
  }
};

// The visible dialog box among the windows of `thread`, or null.
inline HWND VisibleDialogOf(DWORD thread) {
  FindDialog find;
  EnumThreadWindows(thread, FindDialog::Visit, reinterpret_cast<LPARAM>(&find));
  return find.dialog;
}

// Share of dark pixels in the control's client area as it is on screen.
inline double DarkShare(HWND control) {
  RECT r{};
  GetClientRect(control, &r);
  const int w = r.right, h = r.bottom;
  if (w <= 0 || h <= 0) return 0;
  HDC screen = GetDC(control);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  long dark = 0;
  const auto *pixels = static_cast<const uint8_t *>(bits);
  for (int i = 0; i < w * h; ++i)
    if (pixels[4 * i] < 40 && pixels[4 * i + 1] < 40 && pixels[4 * i + 2] < 40) ++dark;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(control, screen);
  return static_cast<double>(dark) / (w * h);
}

} // namespace wtest
