// The frei0r filter API: the functions a frei0r host looks up in vortane.so.
// Every call is checked for what a host may get wrong (null pointers,
// unknown indices) and no exception leaves the library.
#include "Frei0rApi.h"

#include <memory>

#include "Instance.h"

#define VORTANE_FREI0R_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

vfrei0r::Instance *InstanceOf(f0r_instance_t instance) { return static_cast<vfrei0r::Instance *>(instance); }

} // namespace

VORTANE_FREI0R_EXPORT int f0r_init() {
  try {
    return vfrei0r::Params().empty() ? 0 : 1;
  } catch (...) {
    return 0;
  }
}

// Everything is released when the last instance goes and when the library is
// unloaded; hosts that call this once per filter they made lose nothing.
VORTANE_FREI0R_EXPORT void f0r_deinit() {}

VORTANE_FREI0R_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t *info) {
  if (!info) return;
  int count = 0;
  try {
    count = static_cast<int>(vfrei0r::Params().size());
  } catch (...) {
  }
  info->name = "vortane";
  info->author = "Tovra";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 1;
  info->minor_version = 1;
  info->num_params = count;
  info->explanation = "Radial streaks for cel animation: up to four colour groups, each blurred about its own "
                      "centre and softened at the edges";
}

VORTANE_FREI0R_EXPORT void f0r_get_param_info(f0r_param_info_t *info, int param_index) {
  if (!info) return;
  try {
    const auto &params = vfrei0r::Params();
    if (param_index >= 0 && static_cast<size_t>(param_index) < params.size()) {
      const vfrei0r::MappedParam &p = params[static_cast<size_t>(param_index)];
      info->name = p.name.c_str();
      info->type = p.type;
      info->explanation = p.explanation.c_str();
      return;
    }
  } catch (...) {
  }
  // An index the effect does not have: an unnamed parameter of no use.
  info->name = "";
  info->type = F0R_PARAM_DOUBLE;
  info->explanation = "";
}

VORTANE_FREI0R_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    return vfrei0r::Instance::Create(width, height).release();
  } catch (...) {
    return nullptr;
  }
}

VORTANE_FREI0R_EXPORT void f0r_destruct(f0r_instance_t instance) { delete InstanceOf(instance); }

VORTANE_FREI0R_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (!instance) return;
  try {
    InstanceOf(instance)->set(param_index, param);
  } catch (...) {
  }
}

VORTANE_FREI0R_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int param_index) {
  if (!instance) return;
  try {
    InstanceOf(instance)->get(param_index, param);
  } catch (...) {
  }
}

VORTANE_FREI0R_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t *inframe,
                                      uint32_t *outframe) {
  if (!instance) return;
  try {
    InstanceOf(instance)->update(inframe, outframe);
  } catch (...) {
  }
}

VORTANE_FREI0R_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t *inframe1,
                                       const uint32_t *, const uint32_t *, uint32_t *outframe) {
  f0r_update(instance, time, inframe1, outframe);
}
