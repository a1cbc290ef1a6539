// The host-failure sweep, shared by the native and the Windows test hosts: a
// small frame is rendered clean, then once with each call of each host
// function failed in turn, and every faulted frame is held to the same rule.
#pragma once

#include <memory>

#include "AEHost.h"
#include "Host.h"

namespace vtest {

// A host with the effect applied to the sweep's 40 x 24 layer: two groups
// using every stage (corner fill and patch smoothing, softening, both Keep
// Division forms) under View Extract; call counts start at zero.
std::unique_ptr<vemu::Host> FaultSceneHost(PF_FilterProc entry);

// Renders the scene's input at format through the smart or the classic path.
PF_Err RenderFaultScene(vemu::Host &host, bool smart, PF_PixelFormat format, vemu::Image *output);

struct FaultSweepResult {
  long runs = 0;   // faulted frames
  long errors = 0; // of them, frames that reported an error
};

// At the three depths on both paths: every function that can fail, every
// call number up to 12 and six spread beyond. Each faulted frame must leave
// nothing with the host, cause no misuse, and either report an error or
// equal the clean frame; every breach is a test failure.
FaultSweepResult SweepHostFaults(PF_FilterProc entry);

} // namespace vtest
