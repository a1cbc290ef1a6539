// FxOptionDlg::AEFxOptionDialog: fills the controls in the UI language, closes
// with the button pressed, opens the online manual and draws the banner.
#include "FxOptionDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "DialogTexts.h"

namespace FxOptionDlg {

namespace {

// Whether the link control class has been registered in this process;
// touched only on the host's user-interface thread.
bool gCommonControlsReady = false;

void CopyText(char (&out)[256], const char *text) { std::snprintf(out, sizeof out, "%s", text ? text : ""); }

} // namespace

AEFxOptionDialog::AEFxOptionDialog(HINSTANCE instance, HWND parent, const char *title, const char *manualAddress,
                                   bool buttonsEnabled, A_long language)
    : DialogBase(instance, parent, IDD_OPTIONS_DIALOG), buttonsEnabled(buttonsEnabled), language(language),
      banner(nullptr) {
  CopyText(this->title, title);
  CopyText(this->manualAddress, manualAddress);
  if (!gCommonControlsReady) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LINK_CLASS;
    // A failure is tried again by the next dialog.
    gCommonControlsReady = InitCommonControlsEx(&controls) != FALSE;
  }
  banner = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(IDB_OPTIONS_BANNER), IMAGE_BITMAP, 0, 0, 0));
}

AEFxOptionDialog::~AEFxOptionDialog() {
  if (banner) DeleteObject(banner);
}

INT_PTR AEFxOptionDialog::DoModal() {
  const INT_PTR result = DialogBase::DoModal();
  return result == -1 ? 0 : result;
}

INT_PTR AEFxOptionDialog::OnInitDialog(HWND hwnd, HWND) {
  SetText(hwnd, title);
  CenterWindow(hwnd);
  for (int id : {IDC_SETTINGS_GROUP, IDC_STORE_DEFAULTS, IDC_RESTORE_DEFAULTS, IDC_MANUAL_LINK})
    SetText(GetDlgItem(hwnd, id), LookupDialogText(id, language));
  if (!buttonsEnabled) {
    EnableWindow(GetDlgItem(hwnd, IDC_STORE_DEFAULTS), FALSE);
    EnableWindow(GetDlgItem(hwnd, IDC_RESTORE_DEFAULTS), FALSE);
  }
  if (!manualAddress[0]) {
    HWND link = GetDlgItem(hwnd, IDC_MANUAL_LINK);
    EnableWindow(link, FALSE);
    ShowWindow(link, SW_HIDE);
  }
  return 1; // the system sets the default focus
}

INT_PTR AEFxOptionDialog::OnCommand(HWND hwnd, int, int controlId, HWND) {
  switch (controlId) {
  case IDOK:
  case IDCANCEL: // also the Escape key
    EndDialog(hwnd, 0);
    return 1;
  case IDC_STORE_DEFAULTS:
    EndDialog(hwnd, 1);
    return 1;
  case IDC_RESTORE_DEFAULTS:
    EndDialog(hwnd, 2);
    return 1;
  default:
    return 0;
  }
}

INT_PTR AEFxOptionDialog::OnNotify(HWND, WPARAM controlId, NMHDR *header) {
  if (controlId != IDC_MANUAL_LINK || !header || header->code != static_cast<UINT>(NM_CLICK)) return 0;
  // A link that cannot be opened is not reported.
  ShellExecuteA(nullptr, "open", manualAddress, nullptr, nullptr, SW_SHOW);
  return 1;
}

INT_PTR AEFxOptionDialog::OnDrawItem(HWND, WPARAM controlId, DRAWITEMSTRUCT *drawItem) {
  if (controlId != IDC_BANNER || !drawItem) return 0;
  BITMAP size = {};
  if (!banner || !GetObjectA(banner, sizeof size, &size)) return 1;
  HDC memory = CreateCompatibleDC(drawItem->hDC);
  if (!memory) return 1;
  HGDIOBJ previous = SelectObject(memory, banner);
  SetStretchBltMode(drawItem->hDC, HALFTONE);
  SetBrushOrgEx(drawItem->hDC, 0, 0, nullptr); // required after choosing HALFTONE
  const RECT &to = drawItem->rcItem;
  StretchBlt(drawItem->hDC, to.left, to.top, to.right - to.left, to.bottom - to.top, memory, 0, 0, size.bmWidth,
             size.bmHeight, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  return 1;
}

} // namespace FxOptionDlg
