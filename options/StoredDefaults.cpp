// The options dialog's two actions on the stored defaults: write every current
// parameter value to the settings file, or remove the file and the folders it
// leaves empty.
#include "StoredDefaults.h"

#include "params/ParamGetter.h"
#include "params/ParamSet.h"
#include "settings/SettingsFile.h"

void StoreCurrentParamsAsDefaults(PF_InData *in_data, PF_ParamDef *params[]) {
  char path[kSettingsPathSize];
  if (!GetSettingsFilePath(path)) return;
  CreateSettingsFolder(path);
  // Without the command's full parameter array there are no current values.
  if (!params || in_data->num_params < ParamCountWithLayer()) return;
  GetParamFromArray getter(params);
  ReadParams(nullptr, getter);
  ReleaseParams(getter);
  StoreParamDefaults(in_data, path);
}

void RestoreInitialDefaults(PF_InData *) {
  char path[kSettingsPathSize];
  if (!GetSettingsFilePath(path)) return;
  CreateSettingsFolder(path);
  DeleteSettingsFileAndFolders(path);
}
