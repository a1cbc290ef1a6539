// The filter classes: one virtual operation per host command. BaseFilter
// holds the default behaviour of every command; CustomFilter is the effect.
#pragma once

#include "AEHost.h"
#include "records/RenderSettings.h"

class BaseFilter {
 public:
  // Sets the process locale of all categories to the user's default.
  BaseFilter();
  virtual ~BaseFilter();

  virtual PF_Err Dispatch(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                          PF_LayerDef *output, void *extra);
  virtual PF_Err About(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
  virtual PF_Err GlobalSetup(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
  virtual PF_Err GlobalSetdown(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                               PF_LayerDef *output);
  virtual PF_Err ParamsSetup(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
  virtual PF_Err UserChangedParam(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                  PF_LayerDef *output, void *extra);
  virtual PF_Err UpdateParamsUI(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                PF_LayerDef *output);
  virtual PF_Err Render(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
  virtual PF_Err SmartPreRender(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra);
  virtual PF_Err SmartRender(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra);
  virtual PF_Err SequenceSetup(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err SequenceSetdown(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err SequenceFlatten(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err GetFlattenedSequenceData(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err SequenceResetup(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err QueryDynamicFlags(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                   PF_LayerDef *output);
  virtual PF_Err Event(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output,
                       void *extra);
  virtual PF_Err ArbitraryCallback(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                   PF_LayerDef *output, void *extra);
  virtual PF_Err PreRenderCheckout(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra,
                                   RenderSettings *settings);
  virtual PF_Err SmartRenderPrepare(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra,
                                    RenderSettings *settings);
  virtual PF_Err ResetSequenceData(PF_InData *in_data, PF_OutData *out_data);
  virtual PF_Err FirstCallSetup(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                PF_LayerDef *output);
  virtual PF_Err ProcessPixels(RenderSettings *settings);

  BaseFilter(const BaseFilter &) = delete;
  BaseFilter &operator=(const BaseFilter &) = delete;
};

class CustomFilter : public BaseFilter {
 public:
  PF_Err Dispatch(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output,
                  void *extra) override;
  // Chooses the render driver by the record's pixel format.
  PF_Err ProcessPixels(RenderSettings *settings) override;
};

// The effect's version, as packed into PF_OutData::my_version.
constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 1;
constexpr int kVersionFix = 1;
constexpr int kVersionBuild = 13;
constexpr A_u_long kEffectVersion = PF_VERSION(kVersionMajor, kVersionMinor, kVersionFix, PF_Stage_RELEASE,
                                               kVersionBuild);
constexpr PF_OutFlags kGlobalOutFlags = PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING | PF_OutFlag_I_DO_DIALOG |
                                        PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE |
                                        PF_OutFlag_SEND_UPDATE_PARAMS_UI;
constexpr PF_OutFlags2 kGlobalOutFlags2 =
    PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS | PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG |
    PF_OutFlag2_I_AM_THREADSAFE | PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE |
    PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA | PF_OutFlag2_SUPPORTS_THREADED_RENDERING;
static_assert(kEffectVersion == 560653, "version packing");
static_assert(kGlobalOutFlags == 0x06000070, "out_flags");
static_assert(kGlobalOutFlags2 == 0x08801419, "out_flags2");
