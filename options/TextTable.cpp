// The text table of the plug-in and the error-name table.
#include "TextTable.h"

namespace {

struct TextRow {
  A_long id;
  const char *column[2];
};

// Only the first column is filled; the second falls back to it.
const TextRow kTexts[] = {
    {kTextPluginName, {"T_Vortane", ""}},
    {kTextAboutNotice,
     {"Radial streaks for flat-colour animation, up to four colour groups.\r"
      "(C) Tovra. All rights reserved.",
      ""}},
    {kTextDialogTitle, {"T_Vortane", ""}},
    {kTextManualAddress, {"https://tovra.example/manual/t_vortane/", ""}},
};

const char *const kLowErrorNames[] = {"PF_Err_NONE", "", "", "", "PF_Err_OUT_OF_MEMORY"};
const char *const kHostErrorNames[] = {
    "PF_Err_INTERNAL_STRUCT_DAMAGED", "PF_Err_INVALID_INDEX",        "PF_Err_UNRECOGNIZED_PARAM_TYPE",
    "PF_Err_INVALID_CALLBACK",        "PF_Err_BAD_CALLBACK_PARAM",   "PF_Interrupt_CANCEL",
    "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT"};

} // namespace

const char *PickLanguageColumn(const char *const (&column)[2], A_long language) {
  if (language != 0 && language != 1) return "";
  const char *own = column[language];
  const char *other = column[1 - language];
  if (own && *own) return own;
  if (other && *other) return other;
  return "";
}

const char *LookupText(A_long id, A_long language) {
  for (const TextRow &row : kTexts)
    if (row.id == id) return PickLanguageColumn(row.column, language);
  return "";
}

const char *ErrorName(A_long code) {
  if (code >= 0 && code <= 4) return kLowErrorNames[code];
  if (code >= 512 && code <= 518) return kHostErrorNames[code - 512];
  return "unknown";
}
