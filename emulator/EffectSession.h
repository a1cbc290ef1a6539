// One instance of the effect in an emulated host of its own, applied the way
// After Effects applies an effect (global, parameter and sequence setup) and
// rendered as a whole layer through the smart render path.
#pragma once

#include <memory>
#include <string>

#include "Host.h"
#include "ParamCatalog.h"

namespace vemu {

class EffectSession {
 public:
  // entry: the plug-in's entry point; threads: the host's worker threads, 0
  // for one per processor. Change the host's configuration (its layer size)
  // before setUp.
  explicit EffectSession(PF_FilterProc entry, int threads = 0);
  ~EffectSession();
  EffectSession(const EffectSession &) = delete;
  EffectSession &operator=(const EffectSession &) = delete;

  // Global, parameter and sequence setup, under the user's locale; the
  // process locale is put back afterwards. The global setup is the
  // process's: the first session sends it and the last one gone sends the
  // global setdown, so that a setdown never takes the plug-in from another
  // session. Set-up commands of all sessions run one at a time; renders may
  // run concurrently. Returns the plug-in's error, if any.
  PF_Err setUp();

  Host &host() { return *host_; }
  // The parameters the plug-in registered in parameter setup.
  ParamCatalog catalog() const { return ParamCatalog(host_->registeredParams(), host_->registeredChoiceTexts()); }
  void apply(const ParamValue &value);

  // Renders the whole input as a layer of its size at full resolution into
  // output (of the input's size and pixel format).
  PF_Err render(Image &input, Image &output);

  // "what (error N: the plug-in's message)", for err from the last command.
  std::string describe(const std::string &what, PF_Err err) const;

 private:
  PF_FilterProc entry_;
  std::unique_ptr<Host> host_;
  std::string globalMessage_;  // what the plug-in said when it refused the global setup
  bool usesGlobal_ = false, sequenceSetUp_ = false;
};

} // namespace vemu
