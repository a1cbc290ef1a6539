// The plug-in as the Windows host sees it: T_Vortane.aex of this build tree,
// loaded on first use, and its entry point.
#pragma once

#include <windows.h>

#include "AEHost.h"

namespace wtest {

inline HMODULE PluginModule() {
  static const HMODULE module = LoadLibraryA("Z:" VORTANE_PLUGIN_PATH); // wine sees the Unix root as drive Z:
  return module;
}

inline PF_FilterProc PluginEntry() {
  return reinterpret_cast<PF_FilterProc>(
      reinterpret_cast<void (*)()>(GetProcAddress(PluginModule(), "EntryPointFunc")));
}

} // namespace wtest
