// BaseFilter: the command switch and the default behaviour of every command;
// about text and global setup. Render and sequence commands live in their
// own files.
#include <clocale>

#include "Platform.h"
#include "VortaneFilter.h"
#include "options/OptionsDialog.h"
#include "options/TextTable.h"
#include "options/UILanguage.h"
#include "params/ParamSet.h"
#include "params/UpdateGroupControls.h"

BaseFilter::BaseFilter() { std::setlocale(LC_ALL, ""); }

BaseFilter::~BaseFilter() = default;

PF_Err BaseFilter::Dispatch(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                            PF_LayerDef *output, void *extra) {
  switch (cmd) {
  case PF_Cmd_ABOUT:
    return About(in_data, out_data, params, output);
  case PF_Cmd_GLOBAL_SETUP:
    return GlobalSetup(in_data, out_data, params, output);
  case PF_Cmd_GLOBAL_SETDOWN:
    return GlobalSetdown(in_data, out_data, params, output);
  case PF_Cmd_PARAMS_SETUP:
    return ParamsSetup(in_data, out_data, params, output);
  case PF_Cmd_SEQUENCE_SETUP:
    return SequenceSetup(in_data, out_data);
  case PF_Cmd_SEQUENCE_RESETUP:
    return SequenceResetup(in_data, out_data);
  case PF_Cmd_SEQUENCE_FLATTEN:
    return SequenceFlatten(in_data, out_data);
  case PF_Cmd_SEQUENCE_SETDOWN:
    return SequenceSetdown(in_data, out_data);
  case PF_Cmd_DO_DIALOG:
    // The dialog's own result is not the command's: the command succeeds.
    ShowOptionsDialog(in_data, params);
    return PF_Err_NONE;
  case PF_Cmd_RENDER:
    return Render(in_data, out_data, params, output);
  case PF_Cmd_USER_CHANGED_PARAM:
    return UserChangedParam(in_data, out_data, params, output, extra);
  case PF_Cmd_UPDATE_PARAMS_UI:
    return UpdateParamsUI(in_data, out_data, params, output);
  case PF_Cmd_EVENT:
    return Event(in_data, out_data, params, output, extra);
  case PF_Cmd_QUERY_DYNAMIC_FLAGS:
    return QueryDynamicFlags(in_data, out_data, params, output);
  case PF_Cmd_ARBITRARY_CALLBACK:
    return ArbitraryCallback(in_data, out_data, params, output, extra);
  case PF_Cmd_SMART_PRE_RENDER:
    return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra *>(extra));
  case PF_Cmd_SMART_RENDER:
    return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra *>(extra));
  case PF_Cmd_GET_FLATTENED_SEQUENCE_DATA:
    return GetFlattenedSequenceData(in_data, out_data);
  default:
    return PF_Err_NONE;
  }
}

PF_Err BaseFilter::About(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *) {
  const A_long language = GetUILanguage(in_data);
  const char *notice = LookupText(kTextAboutNotice, language);
  const char *name = LookupText(kTextPluginName, 0);
  // The build number is shown only while Shift is held down.
  if (IsShiftKeyDown()) {
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s %d.%d.%d %s build:%d\r\r%s", name, kVersionMajor,
                                 kVersionMinor, kVersionFix, "Release", kVersionBuild, notice);
  } else {
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s %d.%d.%d %s\r\r%s", name, kVersionMajor, kVersionMinor,
                                 kVersionFix, "Release", notice);
  }
  return PF_Err_NONE;
}

PF_Err BaseFilter::GlobalSetup(PF_InData *, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *) {
  out_data->my_version = kEffectVersion;
  out_data->out_flags = kGlobalOutFlags;
  out_data->out_flags2 = kGlobalOutFlags2;
  return PF_Err_NONE;
}

PF_Err BaseFilter::GlobalSetdown(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) { return PF_Err_NONE; }

PF_Err BaseFilter::ParamsSetup(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *[], PF_LayerDef *) {
  return RegisterParams(in_data, out_data);
}

PF_Err BaseFilter::UserChangedParam(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *) {
  return PF_Err_NONE;
}

PF_Err BaseFilter::UpdateParamsUI(PF_InData *in_data, PF_OutData *, PF_ParamDef *params[], PF_LayerDef *) {
  return UpdateGroupControls(in_data, params);
}

PF_Err BaseFilter::QueryDynamicFlags(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) {
  return PF_Err_NONE;
}

PF_Err BaseFilter::Event(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *) { return PF_Err_NONE; }

PF_Err BaseFilter::ArbitraryCallback(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *, void *) {
  return PF_Err_NONE;
}

PF_Err BaseFilter::SmartRenderPrepare(PF_InData *, PF_OutData *, PF_SmartRenderExtra *, RenderSettings *) {
  return PF_Err_NONE;
}

PF_Err BaseFilter::ResetSequenceData(PF_InData *in_data, PF_OutData *out_data) {
  return SequenceSetup(in_data, out_data);
}

PF_Err BaseFilter::FirstCallSetup(PF_InData *, PF_OutData *, PF_ParamDef *[], PF_LayerDef *) { return PF_Err_NONE; }

PF_Err BaseFilter::ProcessPixels(RenderSettings *) { return PF_Err_INTERNAL_STRUCT_DAMAGED; }

PF_Err CustomFilter::Dispatch(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                              PF_LayerDef *output, void *extra) {
  return BaseFilter::Dispatch(cmd, in_data, out_data, params, output, extra);
}
