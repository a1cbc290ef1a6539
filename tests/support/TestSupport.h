// Helpers shared by the tests: the statically linked plug-in's entry point
// and a host emulator ready to talk to it.
#pragma once

#include <memory>
#include <string>

#include "AEHost.h"
#include "Host.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace vtest {

// A host emulator driving the statically linked plug-in.
inline std::unique_ptr<vemu::Host> MakeHost(int threads = 2) {
  auto host = std::make_unique<vemu::Host>(&EntryPointFunc);
  host->setThreads(threads);
  return host;
}

// Global, parameter and sequence setup, as when the host applies the effect.
void ApplyEffect(vemu::Host &host);
// A host of that API version with the effect applied.
std::unique_ptr<vemu::Host> AppliedHost(A_short major = 13, A_short minor = 28);

} // namespace vtest
