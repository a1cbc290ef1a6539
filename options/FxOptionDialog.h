// FxOptionDlg::AEFxOptionDialog: the effect's options dialog (template 206),
// with the buttons on the stored defaults, the banner and the manual link.
// Windows only.
#pragma once

#include "DialogBase.h"

#include "AEHost.h"

namespace FxOptionDlg {

class AEFxOptionDialog : public tovraDlg::DialogBase {
 public:
  // title and manualAddress are copied (cut to 255 bytes; a null address
  // counts as empty). The first dialog of the process initialises the link
  // control class; the banner bitmap is loaded from instance.
  AEFxOptionDialog(HINSTANCE instance, HWND parent, const char *title, const char *manualAddress,
                   bool buttonsEnabled, A_long language);
  ~AEFxOptionDialog() override;

  // The modal result: 0 OK (also when the dialog cannot be created), 1
  // store the current values as defaults, 2 restore the built-in defaults.
  INT_PTR DoModal() override;
  INT_PTR OnInitDialog(HWND hwnd, HWND focusWindow) override;
  INT_PTR OnCommand(HWND hwnd, int notifyCode, int controlId, HWND controlWindow) override;
  INT_PTR OnNotify(HWND hwnd, WPARAM controlId, NMHDR *header) override;
  INT_PTR OnDrawItem(HWND hwnd, WPARAM controlId, DRAWITEMSTRUCT *drawItem) override;

 private:
  char title[256];
  char manualAddress[256];
  bool buttonsEnabled;
  A_long language; // 0 Japanese, 1 English
  HBITMAP banner;  // null when the resource cannot be loaded
};

} // namespace FxOptionDlg
