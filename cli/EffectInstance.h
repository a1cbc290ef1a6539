// One instance of the effect in an emulated host, set up the way After
// Effects applies an effect (global, parameter and sequence setup), and
// rendered through the smart render path.
#pragma once

#include <memory>

#include "Host.h"
#include "ParamValues.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace vcli {

class EffectInstance {
 public:
  // threads: worker threads of the host; 0 for one per processor. Failure
  // when the plug-in refuses a setup command.
  explicit EffectInstance(int threads = 0);
  ~EffectInstance();
  EffectInstance(const EffectInstance &) = delete;
  EffectInstance &operator=(const EffectInstance &) = delete;

  const ParamCatalog &catalog() const { return *catalog_; }
  void apply(const ParamValue &value) { ApplyValue(*host_, value); }
  vemu::Host &host() { return *host_; }

  // Renders the whole input as a layer of its size at full resolution; the
  // output has the input's size and pixel format. Failure with the
  // plug-in's error and message.
  vemu::Image render(vemu::Image &input);

 private:
  std::unique_ptr<vemu::Host> host_;
  std::unique_ptr<ParamCatalog> catalog_;
};

} // namespace vcli
