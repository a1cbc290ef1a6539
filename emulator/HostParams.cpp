// The host emulator's parameters: what add_param registered, the instance's
// current values, checkouts at the current resolution and UI updates.
#include <cmath>

#include "HostInternal.h"

namespace vemu {

namespace {

PF_Fixed toFixed(double v) { return static_cast<PF_Fixed>(std::floor(v * 65536.0 + 0.5)); }

} // namespace

PF_Err Host::addParam(PF_ParamIndex index, const PF_ParamDef *def) {
  PF_Err err;
  if (takeFault(Fault::AddParam, &err)) return err;
  if (index != -1 && index != static_cast<PF_ParamIndex>(registered_.size()) + 1) {
    noteMisuse("add_param at an index other than the next one");
    return PF_Err_INVALID_INDEX;
  }
  registered_.push_back(*def);
  std::string text;
  if (def->param_type == PF_Param_POPUP && def->u.pd.u.namesptr) text = def->u.pd.u.namesptr;
  if (def->param_type == PF_Param_CHECKBOX && def->u.bd.u.nameptr) text = def->u.bd.u.nameptr;
  choiceTexts_.push_back(text);
  return PF_Err_NONE;
}

std::vector<std::string> Host::registeredChoiceTexts() const { return choiceTexts_; }

int Host::findParam(const std::string &name) const {
  for (size_t i = 0; i < registered_.size(); ++i)
    if (name == registered_[i].name) return static_cast<int>(i) + 1;
  return -1;
}

PF_ParamDef &Host::paramValue(int index) { return values_.at(static_cast<size_t>(index)); }

void Host::setPopup(int index, A_long value) { paramValue(index).u.pd.value = value; }
void Host::setFloat(int index, double value) { paramValue(index).u.fs_d.value = value; }
void Host::setCheckbox(int index, bool on) { paramValue(index).u.bd.value = on ? 1 : 0; }
void Host::setColor(int index, A_u_char red, A_u_char green, A_u_char blue) {
  paramValue(index).u.cd.value = PF_Pixel{255, red, green, blue};
}
void Host::setPoint(int index, double x, double y) {
  paramValue(index); // range check
  points_.at(static_cast<size_t>(index)) = {x, y};
}

PF_ParamDef Host::currentValue(int index) const {
  PF_ParamDef def = values_.at(static_cast<size_t>(index));
  if (def.param_type == PF_Param_POINT) {
    double x, y;
    const auto &p = points_.at(static_cast<size_t>(index));
    if (!std::isnan(p.first)) {
      x = p.first;
      y = p.second;
    } else {
      x = def.u.td.x_dephault / 65536.0 / 100.0 * layerWidth_;
      y = def.u.td.y_dephault / 65536.0 / 100.0 * layerHeight_;
    }
    x = x * downsampleX_.num / downsampleX_.den;
    y = y * downsampleY_.num / downsampleY_.den;
    def.u.td.x_value = toFixed(x);
    def.u.td.y_value = toFixed(y);
  }
  return def;
}

PF_Err Host::checkoutParam(PF_ParamIndex index, PF_ParamDef *def, Call *call) {
  PF_Err err;
  if (takeFault(Fault::CheckoutParam, &err)) return err;
  if (index < 0 || index >= static_cast<PF_ParamIndex>(values_.size())) return PF_Err_INVALID_INDEX;
  *def = currentValue(index);
  if (index == 0 && call && call->input) def->u.ld = *call->input->world();
  ++live.paramCheckouts;
  return PF_Err_NONE;
}

PF_Err Host::updateParamUI(PF_ParamIndex index, const PF_ParamDef *def) {
  ++live.updateParamUICalls;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    uiUpdates_.push_back(ParamUIUpdate{index, def->ui_flags, *def});
  }
  PF_Err err;
  if (takeFault(Fault::UpdateParamUI, &err)) return err;
  if (index <= 0 || index >= static_cast<PF_ParamIndex>(values_.size())) return PF_Err_INVALID_INDEX;
  // The host takes over only what an effect may change this way.
  PF_ParamDef &held = values_[static_cast<size_t>(index)];
  const PF_ParamUIFlags changeable = PF_PUI_DISABLED | PF_PUI_ECW_SEPARATOR;
  held.ui_flags = (held.ui_flags & ~changeable) | (def->ui_flags & changeable);
  return PF_Err_NONE;
}

void Host::rebuildParamArray() {
  arrayDefs_.assign(values_.size(), PF_ParamDef{});
  for (size_t i = 0; i < values_.size(); ++i) arrayDefs_[i] = currentValue(static_cast<int>(i));
  array_.assign(values_.size() + 1, nullptr);
  for (size_t i = 0; i < values_.size(); ++i) array_[i] = &arrayDefs_[i];
}

PF_ParamDef **Host::paramArray() {
  rebuildParamArray();
  return array_.data();
}

} // namespace vemu
