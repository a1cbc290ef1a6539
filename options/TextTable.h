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

// The column rule of the text tables: column[language], else the other
// column, else ""; "" for languages other than 0 and 1. Null entries count
// as empty.
const char *PickLanguageColumn(const char *const (&column)[2], A_long language);

// "PF_Err_NONE" ... "PF_Err_CANNOT_PARSE_KEYFRAME_TEXT", "" for 1 to 3,
// "unknown" for any other code.
const char *ErrorName(A_long code);
