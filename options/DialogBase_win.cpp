// tovraDlg::DialogBase: the process-wide map from dialog window to object,
// the shared dialog procedure, modal display and centring.
#include "DialogBase.h"

#include <unordered_map>

#include "OptionsDialog.h"

namespace tovraDlg {

namespace {

// Created on first use and never destroyed, so that library detach can empty
// it whatever the order of static destruction. Touched only on the host's
// user-interface thread.
std::unordered_map<HWND, DialogBase *> &WindowMap() {
  static auto *map = new std::unordered_map<HWND, DialogBase *>();
  return *map;
}

} // namespace

INT_PTR DialogBase::DoModal() {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogBase::OnClose(HWND hwnd) {
  EndDialog(hwnd, 0);
  return 1;
}

RECT CenteredRect(const RECT &reference, int width, int height) {
  // Plain int division rounds toward zero, as wanted for negative coordinates.
  int left = (reference.left + reference.right - width) / 2;
  int top = (reference.top + reference.bottom - height) / 2;
  if (left < reference.left + 32) left = reference.left + 32;
  if (top < reference.top + 32) top = reference.top + 32;
  return RECT{left, top, left + width, top + height};
}

void DialogBase::CenterWindow(HWND hwnd) {
  RECT reference = {};
  bool haveReference = false;
  if (HWND owner = GetParent(hwnd)) haveReference = GetWindowRect(owner, &reference) != 0;
  if (!haveReference) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    const RECT probe = {cursor.x, cursor.y, cursor.x + 1, cursor.y + 1};
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&probe, MONITOR_DEFAULTTONEAREST), &info)) return;
    reference = info.rcMonitor;
  }
  RECT own = {};
  if (!GetWindowRect(hwnd, &own)) return;
  const RECT place = CenteredRect(reference, own.right - own.left, own.bottom - own.top);
  MoveWindow(hwnd, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

void DialogBase::SetText(HWND hwnd, const std::string &text) { SetWindowTextA(hwnd, text.c_str()); }

void DialogBase::SetText(HWND hwnd, const char *text) { SetWindowTextA(hwnd, text ? text : ""); }

void DialogBase::EndDialog(HWND hwnd, INT_PTR result) { ::EndDialog(hwnd, result); }

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  std::unordered_map<HWND, DialogBase *> &map = WindowMap();
  DialogBase *self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<DialogBase *>(lParam);
    map[hwnd] = self;
  } else {
    // Messages before WM_INITDIALOG (WM_SETFONT and the like) and after
    // WM_DESTROY find no object. They are not entered into the map, which
    // would otherwise keep an entry of every closed dialog.
    const auto found = map.find(hwnd);
    if (found != map.end()) self = found->second;
  }
  if (!self) return 0;
  // The window is forgotten before its last message is handled.
  if (message == WM_DESTROY) map.erase(hwnd);

  if (const INT_PTR consumed = self->OnMessage(hwnd, message, wParam, lParam)) return consumed;
  switch (message) {
  case WM_DRAWITEM:
    return self->OnDrawItem(hwnd, wParam, reinterpret_cast<DRAWITEMSTRUCT *>(lParam));
  case WM_DESTROY:
    return self->OnDestroy(hwnd);
  case WM_PAINT:
    return self->OnPaint(hwnd);
  case WM_CLOSE:
    return self->OnClose(hwnd);
  case WM_NOTIFY:
    return self->OnNotify(hwnd, wParam, reinterpret_cast<NMHDR *>(lParam));
  case WM_INITDIALOG:
    return self->OnInitDialog(hwnd, reinterpret_cast<HWND>(wParam));
  case WM_COMMAND:
    return self->OnCommand(hwnd, HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
  default:
    if (message >= 0x8000 && message <= 0xBFFF) return self->OnUserMessage(hwnd, message, wParam, lParam);
    return 0;
  }
}

} // namespace tovraDlg

void ClearDialogWindowMap() { tovraDlg::WindowMap().clear(); }
