// The options dialog on Windows: every other window of the host process is
// disabled while the modal dialog runs and enabled again when it closes.
#include <windows.h>

#include <vector>

#include "FxOptionDialog.h"
#include "OptionsDialog.h"
#include "OptionsDialogPlatform.h"

namespace {

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsWindowEnabled(window))
    reinterpret_cast<std::vector<HWND> *>(list)->push_back(window);
  return TRUE;
}

// The visible, enabled top-level windows of this process, now disabled.
std::vector<HWND> DisableProcessWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND window : windows) EnableWindow(window, FALSE);
  return windows;
}

} // namespace

A_long RunOptionsDialog(PF_InData *, const VortaneDialogRequest &request) {
  FxOptionDlg::AEFxOptionDialog dialog(static_cast<HINSTANCE>(VortaneModuleHandle()),
                                       static_cast<HWND>(request.parentWindow), request.title, request.manualAddress,
                                       request.buttonsEnabled != 0, request.language);
  const std::vector<HWND> disabled = DisableProcessWindows();
  const INT_PTR result = dialog.DoModal();
  for (HWND window : disabled) EnableWindow(window, TRUE);
  return result == kDialogChoiceStore || result == kDialogChoiceRestore ? static_cast<A_long>(result)
                                                                          : kDialogChoiceOK;
}
