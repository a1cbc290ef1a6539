// The frei0r instance over the host emulator, and the process-wide global
// setup that all instances share.
#include "Instance.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "Frei0rApi.h"

#include "PixelConvert.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace vfrei0r {

namespace {

// Setup commands change the plug-in's process-wide state (its filter object,
// parameter table and settings section), so they are sent one at a time;
// renders run concurrently.
std::mutex &SetupMutex() {
  static std::mutex mutex;
  return mutex;
}

// The plug-in reads stored defaults under the user's locale, as it sets it on
// its first call; the host process gets its own locale back afterwards, so
// that its number parsing is not changed under it.
class UserLocaleScope {
 public:
  UserLocaleScope() {
    const char *current = std::setlocale(LC_ALL, nullptr);
    saved_ = current ? current : "C";
    std::setlocale(LC_ALL, "");
  }
  ~UserLocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }

 private:
  std::string saved_;
};

// The plug-in is set up globally once for as long as anything uses it: the
// first user sends the global setup, the last the global setdown, through a
// host of their own.
struct GlobalState {
  int users = 0;
  std::unique_ptr<vemu::Host> host;
};
GlobalState &Global() {
  static GlobalState state;
  return state;
}

// A token that keeps the global setup while it lives; null when the plug-in
// refused it.
std::shared_ptr<void> UseGlobalSetup() {
  std::lock_guard<std::mutex> lock(SetupMutex());
  GlobalState &g = Global();
  if (g.users == 0) {
    auto host = std::make_unique<vemu::Host>(&EntryPointFunc);
    host->setThreads(1);
    UserLocaleScope locale;
    if (host->globalSetup() != PF_Err_NONE) return nullptr;
    g.host = std::move(host);
  }
  ++g.users;
  return std::shared_ptr<void>(&g, [](void *) {
    std::lock_guard<std::mutex> lock(SetupMutex());
    GlobalState &state = Global();
    if (--state.users == 0) {
      state.host->globalSetdown();
      state.host.reset();
    }
  });
}

// Parameter setup and sequence setup of a new instance of the effect.
bool ApplyEffect(vemu::Host &host) {
  std::lock_guard<std::mutex> lock(SetupMutex());
  UserLocaleScope locale;
  return host.paramsSetup() == PF_Err_NONE && host.sequenceSetup() == PF_Err_NONE;
}

void ReportFailure(const char *what, PF_Err err, const vemu::Host *host) {
  std::string message = host ? host->returnMessage() : std::string();
  std::fprintf(stderr, "vortane: %s (error %d%s%s); frames pass through unchanged\n", what, static_cast<int>(err),
               message.empty() ? "" : ": ", message.c_str());
}

} // namespace

const std::vector<MappedParam> &Params() {
  static const std::vector<MappedParam> params = [] {
    std::shared_ptr<void> global = UseGlobalSetup();
    if (!global) return std::vector<MappedParam>();
    vemu::Host host(&EntryPointFunc);
    host.setThreads(1);
    if (!ApplyEffect(host)) return std::vector<MappedParam>();
    {
      std::lock_guard<std::mutex> lock(SetupMutex());
      host.sequenceSetdown();
    }
    return MapParams(host.registeredParams(), host.registeredChoiceTexts());
  }();
  return params;
}

Instance::Instance(int width, int height) : width_(width), height_(height) {}

std::unique_ptr<Instance> Instance::Create(unsigned width, unsigned height, int threads) {
  if (width > kMaxSide || height > kMaxSide) return nullptr;
  const std::vector<MappedParam> &params = Params();
  if (params.empty()) return nullptr;
  std::unique_ptr<Instance> instance(new Instance(static_cast<int>(width), static_cast<int>(height)));
  instance->global_ = UseGlobalSetup();
  if (!instance->global_) return nullptr;
  instance->host_ = std::make_unique<vemu::Host>(&EntryPointFunc);
  vemu::Host &host = *instance->host_;
  if (threads > 0) host.setThreads(threads);
  host.setLayerSize(instance->width_, instance->height_);
  instance->sequenceSetUp_ = ApplyEffect(host);
  if (!instance->sequenceSetUp_) return nullptr;
  // Every mapped parameter must be where the table says.
  for (const MappedParam &p : params)
    if (p.hostIndex >= host.paramCount()) return nullptr;

  instance->fractionX_.assign(params.size(), 0.0);
  instance->fractionY_.assign(params.size(), 0.0);
  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i].kind != Kind::Position) continue;
    const PF_PointDef &point = host.paramValue(params[i].hostIndex).u.td;
    instance->fractionX_[i] = point.x_dephault / 65536.0 / 100.0;
    instance->fractionY_[i] = point.y_dephault / 65536.0 / 100.0;
  }
  if (width > 0 && height > 0) {
    instance->input_ = std::make_unique<vemu::Image>(instance->width_, instance->height_, PF_PixelFormat_ARGB32, 0);
    instance->output_ = std::make_unique<vemu::Image>(instance->width_, instance->height_, PF_PixelFormat_ARGB32, 0);
    instance->input_->setOrigin(0, 0);
  }
  return instance;
}

Instance::~Instance() {
  if (sequenceSetUp_) {
    std::lock_guard<std::mutex> lock(SetupMutex());
    host_->sequenceSetdown();
  }
  // The instance's host goes before the global setup it relies on.
  output_.reset();
  input_.reset();
  host_.reset();
}

namespace {

PF_ParamType HostTypeOf(Kind kind) {
  switch (kind) {
  case Kind::Bool: return PF_Param_CHECKBOX;
  case Kind::Slider: return PF_Param_FLOAT_SLIDER;
  case Kind::Choice: return PF_Param_POPUP;
  case Kind::Color: return PF_Param_COLOR;
  case Kind::Position: return PF_Param_POINT;
  }
  return PF_Param_NO_DATA;
}

} // namespace

void Instance::set(int index, const void *value) {
  const std::vector<MappedParam> &params = Params();
  if (!value || index < 0 || static_cast<size_t>(index) >= params.size()) return;
  const MappedParam &p = params[static_cast<size_t>(index)];
  const PF_ParamDef &held = host_->paramValue(p.hostIndex);
  if (held.param_type != HostTypeOf(p.kind)) return;
  const auto number = [value] {
    double v;
    std::memcpy(&v, value, sizeof v);
    return v;
  };
  switch (p.kind) {
  case Kind::Bool: host_->setCheckbox(p.hostIndex, BoolFromFrei0r(number(), held.u.bd.value != 0)); break;
  case Kind::Slider: host_->setFloat(p.hostIndex, SliderFromFrei0r(p, number(), held.u.fs_d.value)); break;
  case Kind::Choice: host_->setPopup(p.hostIndex, ChoiceFromFrei0r(p, number(), held.u.pd.value)); break;
  case Kind::Color: {
    f0r_param_color_t c;
    std::memcpy(&c, value, sizeof c);
    const PF_Pixel pixel = ColorFromFrei0r(c.r, c.g, c.b, held.u.cd.value);
    host_->setColor(p.hostIndex, pixel.red, pixel.green, pixel.blue);
    break;
  }
  case Kind::Position: {
    f0r_param_position_t position;
    std::memcpy(&position, value, sizeof position);
    const size_t i = static_cast<size_t>(index);
    fractionX_[i] = FractionFromFrei0r(position.x, width_, fractionX_[i]);
    fractionY_[i] = FractionFromFrei0r(position.y, height_, fractionY_[i]);
    host_->setPoint(p.hostIndex, fractionX_[i] * width_, fractionY_[i] * height_);
    break;
  }
  }
}

void Instance::get(int index, void *value) const {
  const std::vector<MappedParam> &params = Params();
  if (!value || index < 0 || static_cast<size_t>(index) >= params.size()) return;
  const MappedParam &p = params[static_cast<size_t>(index)];
  const PF_ParamDef &held = host_->paramValue(p.hostIndex);
  if (held.param_type != HostTypeOf(p.kind)) return;
  double number = 0.0;
  switch (p.kind) {
  case Kind::Bool: number = Frei0rFromBool(held.u.bd.value != 0); break;
  case Kind::Slider: number = Frei0rFromSlider(p, held.u.fs_d.value); break;
  case Kind::Choice: number = Frei0rFromChoice(p, held.u.pd.value); break;
  case Kind::Color: {
    const f0r_param_color_t c{Frei0rFromChannel(held.u.cd.value.red), Frei0rFromChannel(held.u.cd.value.green),
                              Frei0rFromChannel(held.u.cd.value.blue)};
    std::memcpy(value, &c, sizeof c);
    return;
  }
  case Kind::Position: {
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
    err = host_->renderSmart(*input_, *output_);
  } catch (...) {
  }
  if (err != PF_Err_NONE) {
    if (!failureReported_) ReportFailure("the effect failed", err, host_.get());
    failureReported_ = true;
    if (in != out) std::memmove(out, in, pixels * 4);
    return;
  }
  for (int y = 0; y < height_; ++y) RowRgbaFromArgb(output_->row(y), out + static_cast<size_t>(y) * width_, width_);
}

} // namespace vfrei0r
