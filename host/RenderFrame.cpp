// The render frame: classic render, smart pre-render and smart render gather
// a frame's parameters, worlds and rectangles into RenderSettings and call
// the pixel operation, which picks the driver by pixel format.
#include <cstring>
#include <map>
#include <mutex>
#include <new>

#include "AEWorldSuite.h"
#include "VortaneFilter.h"
#include "params/ParamSet.h"
#include "render/RenderDriver.h"

namespace {

bool IsEmpty(const PF_LRect &r) { return r.left >= r.right || r.top >= r.bottom; }

// An empty rectangle takes the other one; otherwise a non-empty other one
// widens it to the union.
void MergeRect(PF_LRect *into, const PF_LRect &from) {
  if (IsEmpty(*into)) {
    *into = from;
  } else if (!IsEmpty(from)) {
    if (from.left < into->left) into->left = from.left;
    if (from.top < into->top) into->top = from.top;
    if (from.right > into->right) into->right = from.right;
    if (from.bottom > into->bottom) into->bottom = from.bottom;
  }
}

// The pre-render data is a host handle that the host frees through the
// delete function it is given. That function receives only the handle, so
// each handle remembers here the host's dispose callback it came with.
std::mutex gPreRenderMutex;
std::map<PF_Handle, void (*)(PF_Handle)> &PreRenderHandles() {
  static auto *handles = new std::map<PF_Handle, void (*)(PF_Handle)>();
  return *handles;
}

void DeletePreRenderData(void *data) {
  auto handle = static_cast<PF_Handle>(data);
  void (*dispose)(PF_Handle) = nullptr;
  {
    std::lock_guard<std::mutex> lock(gPreRenderMutex);
    auto it = PreRenderHandles().find(handle);
    if (it == PreRenderHandles().end()) return;
    dispose = it->second;
    PreRenderHandles().erase(it);
  }
  dispose(handle);
}

// Whether a known pixel format contradicts the frame's bit depth as the host
// states it (8, 16 or 32; other values tell nothing). A format answered from
// a world's flags, by a host whose world suite could not be had, cannot tell
// a float world from an 8-bit one.
bool ContradictsBitDepth(PF_PixelFormat format, short bitdepth) {
  const short depth = format == PF_PixelFormat_ARGB32    ? 8
                      : format == PF_PixelFormat_ARGB64  ? 16
                      : format == PF_PixelFormat_ARGB128 ? 32
                                                         : 0;
  const bool stated = bitdepth == 8 || bitdepth == 16 || bitdepth == 32;
  return depth != 0 && stated && depth != bitdepth;
}

} // namespace

PF_Err BaseFilter::Render(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output) {
  RenderSettings settings;
  settings.inData = in_data;
  settings.outData = out_data;
  settings.inputWorld = &params[0]->u.ld;
  settings.outputWorld = output;
  settings.pixelFormat = PF_PixelFormat_INVALID;
  settings.area = in_data->extent_hint;
  std::memset(&settings.layerRect, 0, sizeof settings.layerRect);

  GetParamByCheckout getter(in_data, false);
  PF_Err err = AEUtil::getPixelFormat(in_data, settings.inputWorld, &settings.pixelFormat);
  try {
    if (err == PF_Err_NONE) err = ReadParams(&settings, getter);
    if (err == PF_Err_NONE) err = ProcessPixels(&settings);
  } catch (...) {
    // The checked-out definitions go back to the host on every way out.
    ReleaseParams(getter);
    throw;
  }
  PF_Err releaseErr = ReleaseParams(getter);
  return err != PF_Err_NONE ? err : releaseErr;
}

PF_Err BaseFilter::SmartPreRender(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra) {
  PF_UtilCallbacks *utils = in_data->utils;
  PF_Handle handle = utils->host_new_handle(sizeof(RenderSettings));
  if (!handle) return PF_Err_OUT_OF_MEMORY;
  void *memory = utils->host_lock_handle(handle);
  if (!memory) {
    utils->host_dispose_handle(handle);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  auto *settings = new (memory) RenderSettings();
  {
    std::lock_guard<std::mutex> lock(gPreRenderMutex);
    PreRenderHandles()[handle] = utils->host_dispose_handle;
  }
  extra->output->pre_render_data = handle;
  extra->output->delete_pre_render_data_func = DeletePreRenderData;

  GetParamByCheckout getter(in_data, true);
  PF_Err err = ReadParams(settings, getter);
  if (err == PF_Err_NONE) err = PreRenderCheckout(in_data, out_data, extra, settings);
  utils->host_unlock_handle(handle);
  return err;
}

PF_Err BaseFilter::PreRenderCheckout(PF_InData *in_data, PF_OutData *, PF_PreRenderExtra *extra, RenderSettings *) {
  PF_RenderRequest request = extra->input->output_request;
  PF_CheckoutResult result;
  std::memset(&result, 0, sizeof result);
  PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, 0, 0, &request, in_data->current_time,
                                         in_data->time_step, in_data->time_scale, &result);
  if (err != PF_Err_NONE) return err;
  MergeRect(&extra->output->result_rect, result.result_rect);
  MergeRect(&extra->output->max_result_rect, result.max_result_rect);
  return PF_Err_NONE;
}

PF_Err BaseFilter::SmartRender(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra) {
  PF_UtilCallbacks *utils = in_data->utils;
  auto handle = static_cast<PF_Handle>(extra->input->pre_render_data);
  if (!handle) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  auto *settings = static_cast<RenderSettings *>(utils->host_lock_handle(handle));
  if (!settings) return PF_Err_INTERNAL_STRUCT_DAMAGED;

  settings->inData = in_data;
  settings->outData = out_data;
  settings->inputWorld = nullptr;
  settings->outputWorld = nullptr;
  PF_Err err = extra->cb->checkout_layer_pixels(in_data->effect_ref, 0, &settings->inputWorld);
  // Whatever happens after it, a layer that was checked out is checked in.
  const bool layerCheckedOut = err == PF_Err_NONE;
  if (err == PF_Err_NONE) err = extra->cb->checkout_output(in_data->effect_ref, &settings->outputWorld);

  try {
    if (settings->inputWorld && settings->outputWorld) {
      const PF_EffectWorld *input = settings->inputWorld;
      settings->area = PF_LRect{0, 0, input->width, input->height};
      settings->layerRect = PF_LRect{input->origin_x, input->origin_y, input->width + input->origin_x,
                                     input->height + input->origin_y};
      if (err == PF_Err_NONE) err = AEUtil::getPixelFormat(in_data, input, &settings->pixelFormat);
      if (err == PF_Err_NONE && ContradictsBitDepth(settings->pixelFormat, extra->input->bitdepth))
        err = PF_Err_BAD_CALLBACK_PARAM;
      if (err == PF_Err_NONE) err = SmartRenderPrepare(in_data, out_data, extra, settings);
      if (err == PF_Err_NONE) err = ProcessPixels(settings);
    }
  } catch (...) {
    if (layerCheckedOut) extra->cb->checkin_layer_pixels(in_data->effect_ref, 0);
    utils->host_unlock_handle(handle);
    throw;
  }
  if (layerCheckedOut) {
    const PF_Err checkinErr = extra->cb->checkin_layer_pixels(in_data->effect_ref, 0);
    if (err == PF_Err_NONE) err = checkinErr;
  }
  utils->host_unlock_handle(handle);
  return err;
}

PF_Err CustomFilter::ProcessPixels(RenderSettings *settings) {
  switch (settings->pixelFormat) {
  case PF_PixelFormat_ARGB128:
    return renderColorGroups<PF_PixelFloat>(*settings);
  case PF_PixelFormat_ARGB64:
    return renderColorGroups<PF_Pixel16>(*settings);
  case PF_PixelFormat_ARGB32:
    return renderColorGroups<PF_Pixel8>(*settings);
  default:
    return PF_Err_UNRECOGNIZED_PARAM_TYPE;
  }
}
