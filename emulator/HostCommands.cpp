// The host emulator's command sequence: the in/out records of each call, the
// set-up and sequence commands, and the classic and smart render paths.
#include <cstring>
#include <limits>

#include "HostInternal.h"

namespace vemu {

namespace {

short bitDepthOf(PF_PixelFormat format) {
  return format == PF_PixelFormat_ARGB128 ? 32 : format == PF_PixelFormat_ARGB64 ? 16 : 8;
}

} // namespace

void Host::fillInData(PF_InData *in, Call *call) {
  std::memset(in, 0, sizeof *in);
  SetInteractCallbacks(&in->inter);
  in->utils = UtilCallbacks();
  in->effect_ref = reinterpret_cast<PF_ProgPtr>(call);
  in->quality = quality_;
  in->version = version_;
  in->appl_id = applId_;
  in->num_params = static_cast<A_long>(values_.size());
  in->current_time = time_;
  in->time_step = timeStep_;
  in->total_time = timeStep_ * 100;
  in->local_time_step = timeStep_;
  in->time_scale = timeScale_;
  in->field = PF_Field_FRAME;
  in->width = layerWidth_;
  in->height = layerHeight_;
  in->extent_hint = {0, 0, layerWidth_, layerHeight_};
  in->downsample_x = downsampleX_;
  in->downsample_y = downsampleY_;
  in->pixel_aspect_ratio = {1, 1};
  in->sequence_data = sequenceData_;
  in->pica_basicP = basicSuiteMissing_ ? nullptr : BasicSuite();
}

PF_Err Host::enter(PF_Cmd cmd, PF_InData *in, PF_OutData *out, PF_ParamDef **params, PF_LayerDef *output,
                   void *extra) {
  Call *call = reinterpret_cast<Call *>(in->effect_ref);
  CallScope scope(call);
  PF_Err err = entry_(cmd, in, out, params, output, extra);
  std::lock_guard<std::mutex> lock(mutex_);
  lastOut_ = *out;
  return err;
}

PF_Err Host::send(PF_Cmd cmd, void *extra, PF_LayerDef *output) {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_ParamDef **params = values_.empty() ? nullptr : paramArray();
  return enter(cmd, &in, &out, params, output, extra);
}

PF_Err Host::about() { return send(PF_Cmd_ABOUT); }
PF_Err Host::globalSetup() { return send(PF_Cmd_GLOBAL_SETUP); }
PF_Err Host::globalSetdown() { return send(PF_Cmd_GLOBAL_SETDOWN); }
PF_Err Host::updateParamsUI() { return send(PF_Cmd_UPDATE_PARAMS_UI); }
PF_Err Host::doDialog() { return send(PF_Cmd_DO_DIALOG); }

PF_Err Host::paramsSetup() {
  registered_.clear();
  choiceTexts_.clear();
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_PARAMS_SETUP, &in, &out, nullptr, nullptr, nullptr);
  // The instance starts with the registered defaults.
  values_.assign(1, PF_ParamDef{});
  values_[0].param_type = PF_Param_LAYER;
  for (const PF_ParamDef &def : registered_) values_.push_back(def);
  points_.assign(values_.size(), {std::numeric_limits<double>::quiet_NaN(), 0.0});
  return err;
}

PF_Err Host::sequenceSetup() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  in.sequence_data = nullptr;
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_SETUP, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data) sequenceData_ = out.sequence_data;
  return err;
}

PF_Err Host::sequenceSetdown() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_SETDOWN, &in, &out, nullptr, nullptr, nullptr);
  sequenceData_ = nullptr; // the plug-in disposed of it
  return err;
}

PF_Err Host::sequenceFlatten() {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_FLATTEN, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data) sequenceData_ = out.sequence_data; // the old handle was disposed of
  return err;
}

PF_Err Host::getFlattenedSequenceData(std::vector<uint8_t> *bytes) {
  Call call{this};
  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, &in, &out, nullptr, nullptr, nullptr);
  if (out.sequence_data && out.sequence_data != sequenceData_) {
    CallScope scope(&call);
    const size_t size = handleSize(out.sequence_data);
    const auto *p = static_cast<const uint8_t *>(lockHandle(out.sequence_data));
    if (bytes && p) bytes->assign(p, p + size);
    if (p) unlockHandle(out.sequence_data);
    freeHandle(out.sequence_data);
  }
  return err;
}

PF_Err Host::sequenceResetup(const std::vector<uint8_t> &savedBytes) {
  Call call{this};
  PF_Handle saved = nullptr;
  {
    CallScope scope(&call);
    saved = allocHandle(savedBytes.size());
    void *p = lockHandle(saved);
    if (!savedBytes.empty()) std::memcpy(p, savedBytes.data(), savedBytes.size());
    unlockHandle(saved);
  }
  PF_InData in;
  fillInData(&in, &call);
  in.sequence_data = saved;
  PF_OutData out{};
  PF_Err err = enter(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, nullptr, nullptr);
  CallScope scope(&call);
  if (out.sequence_data && out.sequence_data != saved) {
    // The host drops what the instance held before (for example a flattened
    // copy) and keeps the new record.
    if (sequenceData_) freeHandle(sequenceData_);
    sequenceData_ = out.sequence_data;
  }
  freeHandle(saved); // the host owns what it read from the project
  return err;
}

std::vector<uint8_t> Host::sequenceBytes() const {
  if (!sequenceData_) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = handles_.find(sequenceData_);
  if (it == handles_.end()) return {};
  const auto *p = static_cast<const uint8_t *>(reinterpret_cast<HandleBlock *>(sequenceData_)->data);
  return std::vector<uint8_t>(p, p + it->second);
}

PF_Err Host::renderClassic(Image &input, Image &output, const PF_LRect *extent) {
  Call call{this};
  call.input = &input;
  call.output = &output;
  PF_InData in;
  fillInData(&in, &call);
  in.extent_hint = extent ? *extent : PF_LRect{0, 0, output.width(), output.height()};
  PF_OutData out{};
  PF_ParamDef **params = paramArray();
  arrayDefs_[0].param_type = PF_Param_LAYER;
  arrayDefs_[0].u.ld = *input.world();
  return enter(PF_Cmd_RENDER, &in, &out, params, output.world(), nullptr);
}

PF_Err Host::preRenderOnly(const SmartRenderOptions &options, PreRenderResult *result) {
  Image layer(layerWidth_, layerHeight_, PF_PixelFormat_ARGB32, 0);
  Image output(layerWidth_, layerHeight_, PF_PixelFormat_ARGB32, 0);
  return runSmart(layer, output, options, result, false);
}

PF_Err Host::renderSmart(Image &input, Image &output, const SmartRenderOptions &options, PreRenderResult *result) {
  return runSmart(input, output, options, result, true);
}

PF_Err Host::runSmart(Image &input, Image &output, const SmartRenderOptions &options, PreRenderResult *result,
                      bool render) {
  Call call{this};
  call.input = &input;
  call.output = &output;
  const PF_EffectWorld *iw = input.world();

  PF_InData in;
  fillInData(&in, &call);
  PF_OutData out{};
  PF_PreRenderInput pin{};
  pin.output_request.rect = options.useRequest ? options.request
                                                : PF_LRect{iw->origin_x, iw->origin_y, iw->origin_x + output.width(),
                                                           iw->origin_y + output.height()};
  pin.output_request.field = PF_Field_FRAME;
  pin.output_request.channel_mask = PF_ChannelMask_ARGB;
  pin.bitdepth = bitDepthOf(input.format());
  PF_PreRenderOutput pout{};
  pout.result_rect = options.preRenderResult;
  pout.max_result_rect = options.preRenderMaxResult;
  PF_PreRenderCallbacks pcb = PreRenderCallbacks();
  PF_PreRenderExtra pex{&pin, &pout, &pcb};
  PF_Err err = enter(PF_Cmd_SMART_PRE_RENDER, &in, &out, nullptr, nullptr, &pex);
  if (result) {
    result->resultRect = pout.result_rect;
    result->maxResultRect = pout.max_result_rect;
    result->deleteFunctionGiven = pout.delete_pre_render_data_func != nullptr;
  }

  if (render && err == PF_Err_NONE) {
    PF_InData in2;
    fillInData(&in2, &call);
    in2.extent_hint = PF_LRect{0, 0, output.width(), output.height()};
    PF_OutData out2{};
    PF_SmartRenderInput sin{};
    sin.output_request = pin.output_request;
    sin.bitdepth = pin.bitdepth;
    sin.pre_render_data = pout.pre_render_data;
    PF_SmartRenderCallbacks scb = SmartRenderCallbacks();
    PF_SmartRenderExtra sex{&sin, &scb};
    err = enter(PF_Cmd_SMART_RENDER, &in2, &out2, nullptr, nullptr, &sex);
  }
  if (call.layerCheckouts != 0) {
    // The host takes back layers the effect did not check in.
    if (err == PF_Err_NONE) noteMisuse("layer pixels left checked out after smart render");
  }
  if (pout.pre_render_data && pout.delete_pre_render_data_func) {
    CallScope scope(&call);
    pout.delete_pre_render_data_func(pout.pre_render_data);
    ++live.preRenderDeletes;
  }
  return err;
}

std::string Host::returnMessage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::string(lastOut_.return_msg, strnlen(lastOut_.return_msg, sizeof lastOut_.return_msg));
}

} // namespace vemu
