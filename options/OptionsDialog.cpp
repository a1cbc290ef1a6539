// ShowOptionsDialog, the steps shared by both platforms: what the dialog is
// given (owner, language, title, manual address, whether the buttons on the
// stored defaults are enabled) and the action that follows the button pressed.
#include "OptionsDialog.h"

#include "OptionsDialogPlatform.h"
#include "StoredDefaults.h"
#include "TextTable.h"
#include "UILanguage.h"
#include "params/ParamObjects.h"

PF_Err ShowOptionsDialog(PF_InData *in_data, PF_ParamDef *params[]) {
  // The host's main window owns the dialog; without one the dialog has no owner.
  void *mainWindow = nullptr;
  if (in_data->utils && in_data->utils->get_platform_data &&
      in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_MAIN_WND, &mainWindow) != PF_Err_NONE)
    mainWindow = nullptr;

  VortaneDialogRequest request = {};
  request.parentWindow = mainWindow;
  request.language = GetUILanguage(in_data);
  // Hosts before API 12.12 do not use stored defaults: their buttons are
  // shown disabled.
  request.buttonsEnabled = !IsOldHost(in_data);
  request.title = LookupText(kTextDialogTitle, request.language);
  request.manualAddress = LookupText(kTextManualAddress, request.language);

  // Each button closes the dialog at once; its action runs afterwards.
  switch (RunOptionsDialog(in_data, request)) {
  case kDialogChoiceStore:
    StoreCurrentParamsAsDefaults(in_data, params);
    break;
  case kDialogChoiceRestore:
    RestoreInitialDefaults(in_data);
    break;
  default:
    break;
  }
  return PF_Err_NONE;
}
