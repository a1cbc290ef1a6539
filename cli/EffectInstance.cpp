// The effect instance of the vortane tool: the statically linked plug-in
// driven through its entry point by the host emulator.
#include "EffectInstance.h"

#include "Errors.h"

namespace vcli {

namespace {

std::string PluginError(const char *what, PF_Err err, const vemu::Host &host) {
  std::string message = std::string(what) + " (error " + std::to_string(err);
  const std::string text = host.returnMessage();
  if (!text.empty()) message += ": " + text;
  return message + ")";
}

} // namespace

EffectInstance::EffectInstance(int threads) : host_(std::make_unique<vemu::Host>(&EntryPointFunc)) {
  if (threads > 0) host_->setThreads(threads);
  PF_Err err = host_->globalSetup();
  if (err == PF_Err_NONE) err = host_->paramsSetup();
  if (err == PF_Err_NONE) err = host_->sequenceSetup();
  if (err != PF_Err_NONE) throw Failure(PluginError("the plug-in refused to set up", err, *host_));
  catalog_ = std::make_unique<ParamCatalog>(ParamCatalog::FromHost(*host_));
}

EffectInstance::~EffectInstance() {
  host_->sequenceSetdown();
  host_->globalSetdown();
}

vemu::Image EffectInstance::render(vemu::Image &input) {
  host_->setLayerSize(input.width(), input.height());
  input.setOrigin(0, 0);
  vemu::Image output(input.width(), input.height(), input.format());
  const PF_Err err = host_->renderSmart(input, output);
  if (err != PF_Err_NONE) throw Failure(PluginError("the effect failed", err, *host_));
  return output;
}

} // namespace vcli
