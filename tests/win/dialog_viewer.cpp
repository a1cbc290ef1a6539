// vortane_dialog_viewer: opens the options dialog of T_Vortane.aex through
// the host emulator so that it can be photographed. Once the dialog is shown
// with its banner drawn, its screen rectangle is written to the rectangle
// file; the dialog is closed when the done file appears (or after a minute).
//
// Usage: vortane_dialog_viewer --plugin=T_Vortane.aex --language=en_US
//                              --rect-file=PATH --done-file=PATH
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Host.h"
#include "dialog_driver.h"
#include "resources/OptionsDialogIds.h"

namespace {

std::string Argument(int argc, char **argv, const char *name) {
  const size_t length = std::strlen(name);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], name, length) == 0) return argv[i] + length;
  return "";
}

// Writes the dialog's place, waits for the done file, and closes the dialog.
void Photograph(HWND dialog, const std::string &rectFile, const std::string &doneFile) {
  RECT r{};
  GetWindowRect(dialog, &r);
  if (FILE *out = std::fopen((rectFile + ".part").c_str(), "w")) {
    std::fprintf(out, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fclose(out);
    MoveFileA((rectFile + ".part").c_str(), rectFile.c_str());
  }
  wtest::WaitFor([&] { return GetFileAttributesA(doneFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

} // namespace

int main(int argc, char **argv) {
  const std::string plugin = Argument(argc, argv, "--plugin=");
  const std::string language = Argument(argc, argv, "--language=");
  const std::string rectFile = Argument(argc, argv, "--rect-file=");
  const std::string doneFile = Argument(argc, argv, "--done-file=");
  if (plugin.empty() || rectFile.empty() || doneFile.empty()) {
    std::fprintf(stderr, "usage: vortane_dialog_viewer --plugin=PATH --language=TAG --rect-file=PATH "
                         "--done-file=PATH\n");
    return 2;
  }
  HMODULE module = LoadLibraryA(plugin.c_str());
  if (!module) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", plugin.c_str(), GetLastError());
    return 1;
  }
  auto entry = reinterpret_cast<PF_FilterProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, "EntryPointFunc")));
  HWND hostWindow = CreateWindowExA(0, "Static", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 1000, 800, nullptr,
                                    nullptr, nullptr, nullptr);
  PF_Err err = -1;
  {
    vemu::Host host(entry);
    host.setThreads(1);
    host.setAppLanguage(language.empty() ? "en_US" : language);
    host.setMainWindow(hostWindow);
    wtest::DriveDialog(
        IDC_BANNER, [&](HWND dialog) { Photograph(dialog, rectFile, doneFile); },
        [&] {
          if (host.globalSetup() == PF_Err_NONE && host.paramsSetup() == PF_Err_NONE) err = host.doDialog();
        });
  }
  DestroyWindow(hostWindow);
  FreeLibrary(module);
  return err == PF_Err_NONE ? 0 : 1;
}
