// What the parts of the host emulator share: the record of one call into the
// plug-in, the call the current thread serves, handle blocks, and the callback
// tables (HostSuites.cpp) that commands hand to the plug-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Host.h"

namespace vemu {

struct Host::Call {
  Host *host;
  Image *input = nullptr;
  Image *output = nullptr;
  int layerCheckouts = 0; // checkout_layer_pixels minus checkin_layer_pixels
};

// The call the current thread serves: callbacks without an effect_ref (the
// handle functions, iterate_generic, suites) find their host through it.
extern thread_local Host::Call *tCall;

class CallScope {
 public:
  explicit CallScope(Host::Call *call) : previous_(tCall) { tCall = call; }
  ~CallScope() { tCall = previous_; }

 private:
  Host::Call *previous_;
};

struct HandleBlock {
  void *data; // the handle points here
  size_t size;
  uint32_t magic;
};
constexpr uint32_t kHandleMagic = 0x48414e44;

// ---- the callback and suite tables (HostSuites.cpp) ----
// Every callback and suite function is counted under an id; FunctionName
// gives its SDK name ("AcquireSuite name/version" for a suite).
int FunctionCount();
std::string FunctionName(int id);
// False for the functions without a result, which cannot report a failure.
bool FunctionCanFail(const std::string &function);
SPBasicSuite *BasicSuite();
PF_UtilCallbacks *UtilCallbacks();
void SetInteractCallbacks(PF_InteractCallbacks *inter);
PF_PreRenderCallbacks PreRenderCallbacks();
PF_SmartRenderCallbacks SmartRenderCallbacks();

} // namespace vemu
