// Constant display texts by id and UI language (0 Japanese, 1 English), and
// the names of the host error codes used in error messages.
#pragma once

#include "AEHost.h"

enum TextId : A_long {
  kTextPluginName = 0,
  kTextAboutNotice = 1,
  kTextDialogTitle = 2,
  kTextManualAddress = 3,
};

// Column of the language, falling back to the other column, then to "".
// Unknown ids and languages other than 0 and 1 give "".
const char *LookupText(A_long id, A_long language);

// "PF_Err_NONE" ... "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT", "" for 1 to 3,
// "unknown" for any other code.
const char *ErrorName(A_long code);
