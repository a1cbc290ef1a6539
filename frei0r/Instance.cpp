// The frei0r instance over an effect session of the host emulator.
#include "Instance.h"

#include <cstdio>
#include <cstring>

#include "Frei0rApi.h"

#include "PixelConvert.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace vfrei0r {

const std::vector<MappedParam> &Params() {
  static const std::vector<MappedParam> params = [] {
    vemu::EffectSession session(&EntryPointFunc, 1);
    if (session.setUp() != PF_Err_NONE) return std::vector<MappedParam>();
    return MapParams(session.catalog());
  }();
  return params;
}

Instance::Instance(int width, int height) : width_(width), height_(height) {}

std::unique_ptr<Instance> Instance::Create(unsigned width, unsigned height, int threads) {
  if (width > kMaxSide || height > kMaxSide) return nullptr;
  const std::vector<MappedParam> &params = Params();
  if (params.empty()) return nullptr;
  std::unique_ptr<Instance> instance(new Instance(static_cast<int>(width), static_cast<int>(height)));
  instance->session_ = std::make_unique<vemu::EffectSession>(&EntryPointFunc, threads);
  vemu::Host &host = instance->session_->host();
  host.setLayerSize(instance->width_, instance->height_);
  if (instance->session_->setUp() != PF_Err_NONE) return nullptr;
  // Every mapped parameter must be where the table says.
  for (const MappedParam &p : params)
    if (p.hostIndex >= host.paramCount()) return nullptr;

  instance->fractionX_.assign(params.size(), 0.0);
  instance->fractionY_.assign(params.size(), 0.0);
  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i].hostType != PF_Param_POINT) continue;
    const PF_PointDef &point = host.paramValue(params[i].hostIndex).u.td;
    instance->fractionX_[i] = point.x_dephault / 65536.0 / 100.0;
    instance->fractionY_[i] = point.y_dephault / 65536.0 / 100.0;
  }
  if (width > 0 && height > 0) {
    instance->input_ = std::make_unique<vemu::Image>(instance->width_, instance->height_, PF_PixelFormat_ARGB32, 0);
    instance->output_ = std::make_unique<vemu::Image>(instance->width_, instance->height_, PF_PixelFormat_ARGB32, 0);
  }
  return instance;
}

void Instance::set(int index, const void *value) {
  const std::vector<MappedParam> &params = Params();
  if (!value || index < 0 || static_cast<size_t>(index) >= params.size()) return;
  const MappedParam &p = params[static_cast<size_t>(index)];
  const PF_ParamDef &held = session_->host().paramValue(p.hostIndex);
  if (held.param_type != p.hostType) return;
  const auto number = [value] {
    double v;
    std::memcpy(&v, value, sizeof v);
    return v;
  };
  vemu::ParamValue typed;
  typed.index = p.hostIndex;
  typed.type = p.hostType;
  switch (p.hostType) {
  case PF_Param_CHECKBOX: typed.number = BoolFromFrei0r(number(), held.u.bd.value != 0) ? 1.0 : 0.0; break;
  case PF_Param_FLOAT_SLIDER: typed.number = SliderFromFrei0r(p, number(), held.u.fs_d.value); break;
  case PF_Param_POPUP: typed.number = ChoiceFromFrei0r(p, number(), held.u.pd.value); break;
  case PF_Param_COLOR: {
    f0r_param_color_t c;
    std::memcpy(&c, value, sizeof c);
    typed.color = ColorFromFrei0r(c.r, c.g, c.b, held.u.cd.value);
    break;
  }
  case PF_Param_POINT: {
    f0r_param_position_t position;
    std::memcpy(&position, value, sizeof position);
    const size_t i = static_cast<size_t>(index);
    fractionX_[i] = FractionFromFrei0r(position.x, width_, fractionX_[i]);
    fractionY_[i] = FractionFromFrei0r(position.y, height_, fractionY_[i]);
    typed.x = fractionX_[i] * width_;
    typed.y = fractionY_[i] * height_;
    break;
  }
  }
  session_->apply(typed);
}

void Instance::get(int index, void *value) const {
  const std::vector<MappedParam> &params = Params();
  if (!value || index < 0 || static_cast<size_t>(index) >= params.size()) return;
  const MappedParam &p = params[static_cast<size_t>(index)];
  const PF_ParamDef &held = session_->host().paramValue(p.hostIndex);
  if (held.param_type != p.hostType) return;
  double number = 0.0;
  switch (p.hostType) {
  case PF_Param_CHECKBOX: number = Frei0rFromBool(held.u.bd.value != 0); break;
  case PF_Param_FLOAT_SLIDER: number = Frei0rFromSlider(p, held.u.fs_d.value); break;
  case PF_Param_POPUP: number = Frei0rFromChoice(p, held.u.pd.value); break;
  case PF_Param_COLOR: {
    const f0r_param_color_t c{Frei0rFromChannel(held.u.cd.value.red), Frei0rFromChannel(held.u.cd.value.green),
                              Frei0rFromChannel(held.u.cd.value.blue)};
    std::memcpy(value, &c, sizeof c);
    return;
  }
  case PF_Param_POINT: {
    const f0r_param_position_t position{fractionX_[static_cast<size_t>(index)], fractionY_[static_cast<size_t>(index)]};
    std::memcpy(value, &position, sizeof position);
    return;
  }
  }
  std::memcpy(value, &number, sizeof number);
}

void Instance::update(const uint32_t *in, uint32_t *out) {
  if (!out || !input_) return;
  const size_t pixels = static_cast<size_t>(width_) * static_cast<size_t>(height_);
  if (!in) {
    std::memset(out, 0, pixels * 4);
    return;
  }
  for (int y = 0; y < height_; ++y) RowArgbFromRgba(in + static_cast<size_t>(y) * width_, input_->row(y), width_);
  PF_Err err = PF_Err_INTERNAL_STRUCT_DAMAGED;
  try {
    err = session_->render(*input_, *output_);
  } catch (...) {
  }
  if (err != PF_Err_NONE) {
    if (!failureReported_)
      std::fprintf(stderr, "vortane: %s; frames pass through unchanged\n",
                   session_->describe("the effect failed", err).c_str());
    failureReported_ = true;
    if (in != out) std::memmove(out, in, pixels * 4);
    return;
  }
  for (int y = 0; y < height_; ++y) RowRgbaFromArgb(output_->row(y), out + static_cast<size_t>(y) * width_, width_);
}

} // namespace vfrei0r
