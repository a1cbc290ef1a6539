// The effect session of the vortane tool: the statically linked plug-in
// driven through its entry point by the host emulator, with the parameters
// found by name and the plug-in's errors thrown as Failure.
#pragma once

#include "EffectSession.h"
#include "Errors.h"
#include "ParamValues.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace vcli {

class EffectInstance : public vemu::EffectSession {
 public:
  // threads: worker threads of the host; 0 for one per processor. Failure
  // when the plug-in refuses a setup command.
  explicit EffectInstance(int threads = 0) : EffectSession(&EntryPointFunc, threads), catalog_(setUpCatalog()) {}

  const ParamCatalog &catalog() const { return catalog_; }

  // Renders the whole input as a layer of its size at full resolution; the
  // output has the input's size and pixel format.
  vemu::Image render(vemu::Image &input) {
    vemu::Image output(input.width(), input.height(), input.format());
    check(EffectSession::render(input, output), "the effect failed");
    return output;
  }

 private:
  void check(PF_Err err, const char *what) const {
    if (err != PF_Err_NONE) throw Failure(describe(what, err));
  }
  ParamCatalog setUpCatalog() {
    check(setUp(), "the plug-in refused to set up");
    return ParamCatalog(EffectSession::catalog());
  }

  ParamCatalog catalog_;
};

} // namespace vcli
