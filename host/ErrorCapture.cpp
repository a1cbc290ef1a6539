// Messages of the error capture.
#include "ErrorCapture.h"

#include <cstdio>
#include <cstring>

#include "options/TextTable.h"

namespace {
// "Unknown error" in Japanese, as Shift-JIS bytes.
const char kUnknownError[] = "\x95s\x96\xbe\x82\xc8\x83G\x83\x89\x81[";
} // namespace

void SetReturnMessage(PF_OutData *out_data, const char *text) {
  if (!out_data) return;
  const size_t limit = sizeof out_data->return_msg - 1;
  size_t n = std::strlen(text);
  if (n > limit) n = limit;
  std::memcpy(out_data->return_msg, text, n);
  out_data->return_msg[n] = '\0';
}

void SetIntegerErrorMessage(PF_OutData *out_data, A_long code) {
  char text[320];
  std::snprintf(text, sizeof text, "error code = %d\n%s", static_cast<int>(code), ErrorName(code));
  SetReturnMessage(out_data, text);
}

void SetUnknownErrorMessage(PF_OutData *out_data) { SetReturnMessage(out_data, kUnknownError); }
