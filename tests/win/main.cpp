// Entry of the Windows test host: loads the plug-in named by --plugin= and
// runs the tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "PluginModule.h"

namespace wtest {
namespace {
HMODULE gModule = nullptr;
PF_FilterProc gEntry = nullptr;
std::string gPath;
} // namespace

HMODULE PluginModule() { return gModule; }
PF_FilterProc PluginEntry() { return gEntry; }
const std::string &PluginPath() { return gPath; }
} // namespace wtest

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--plugin=", 9) == 0) wtest::gPath = argv[i] + 9;
  if (wtest::gPath.empty()) {
    std::fprintf(stderr, "usage: vortane_win_tests --plugin=PATH\\T_Vortane.aex\n");
    return 2;
  }
  // wine hands Unix paths through unchanged; make them Windows paths.
  if (wtest::gPath[0] == '/') wtest::gPath = "Z:" + wtest::gPath;
  wtest::gModule = LoadLibraryA(wtest::gPath.c_str());
  if (!wtest::gModule) {
    std::fprintf(stderr, "cannot load %s (error %lu)\n", wtest::gPath.c_str(), GetLastError());
    return 1;
  }
  wtest::gEntry = reinterpret_cast<PF_FilterProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(wtest::gModule, "EntryPointFunc")));
  int rc = RUN_ALL_TESTS();
  FreeLibrary(wtest::gModule);
  return rc;
}
