// The plug-in as the Windows host sees it: the loaded T_Vortane.aex and its
// entry point. The path comes from the --plugin= argument.
#pragma once

#include <windows.h>

#include <string>

#include "AEHost.h"

namespace wtest {

HMODULE PluginModule();
PF_FilterProc PluginEntry();
const std::string &PluginPath();

} // namespace wtest
