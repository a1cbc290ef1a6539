// tovraDlg::DialogBase: a modal dialog built from a dialog resource, with one
// dialog procedure for all dialogs that routes each message to a virtual
// handler of the object the window belongs to. Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace tovraDlg {

class DialogBase {
 public:
  DialogBase(HINSTANCE instance, HWND parent, int templateId)
      : instance(instance), parent(parent), templateId(templateId) {}
  DialogBase(const DialogBase &) = delete;
  DialogBase &operator=(const DialogBase &) = delete;

  // The virtual operations in their slot order; the base versions consume
  // nothing (0), except OnClose, which ends the dialog with result 0.
  virtual ~DialogBase() = default;
  // DialogBoxParamA over the template; the dialog's result, or -1 when the
  // dialog cannot be created.
  virtual INT_PTR DoModal();
  virtual INT_PTR OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return 0; }
  virtual INT_PTR OnInitDialog(HWND hwnd, HWND focusWindow) { return 0; }
  virtual INT_PTR OnCommand(HWND hwnd, int notifyCode, int controlId, HWND controlWindow) { return 0; }
  virtual INT_PTR OnUserMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) { return 0; }
  virtual INT_PTR OnNotify(HWND hwnd, WPARAM controlId, NMHDR *header) { return 0; }
  virtual INT_PTR OnPaint(HWND hwnd) { return 0; }
  virtual INT_PTR OnDrawItem(HWND hwnd, WPARAM controlId, DRAWITEMSTRUCT *drawItem) { return 0; }
  virtual INT_PTR OnClose(HWND hwnd);
  virtual INT_PTR OnDestroy(HWND hwnd) { return 0; }
  // Centres the dialog on its parent (or on the monitor under the mouse
  // cursor), at least 32 pixels from the reference's left and top edges.
  virtual void CenterWindow(HWND hwnd);
  virtual void SetText(HWND hwnd, const std::string &text);
  virtual void SetText(HWND hwnd, const char *text);
  virtual void EndDialog(HWND hwnd, INT_PTR result);

  // The one dialog procedure: finds the object of hwnd in the process-wide
  // window map and hands it the message.
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  HINSTANCE instance; // module the template is loaded from
  HWND parent;        // owner window, or null
  int templateId;
};

// The dialog's place: centred on the reference rectangle, but at least 32
// pixels inside its left and top edges. Divisions round toward zero.
RECT CenteredRect(const RECT &reference, int width, int height);

} // namespace tovraDlg
