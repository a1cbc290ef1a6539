// The texts of the options dialog's controls in Japanese (Shift-JIS bytes,
// shown through the ANSI window functions) and English.
#pragma once

#include "AEHost.h"
#include "resources/OptionsDialogIds.h"

// The text of control `id` in `language` (0 Japanese, 1 English), falling
// back to the other language, then to "". Ids without a text and languages
// other than 0 and 1 give "".
const char *LookupDialogText(A_long id, A_long language);
