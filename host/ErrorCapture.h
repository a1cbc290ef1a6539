// Turns every error that escapes a command into the command's result code and
// a message in out_data's return_msg (at most 255 bytes and a terminator).
#pragma once

#include <exception>

#include "AEException.h"
#include "AEHost.h"

// Copies text into return_msg, cut to 255 bytes.
void SetReturnMessage(PF_OutData *out_data, const char *text);
// "error code = %d\n%s" with the code and its name.
void SetIntegerErrorMessage(PF_OutData *out_data, A_long code);
// The fixed message for errors of unknown type.
void SetUnknownErrorMessage(PF_OutData *out_data);

// Runs body (which returns a PF_Err); an AEException gives its code and
// message, another standard exception 512 and its text, a thrown integer that
// integer and its name, anything else 512 and a fixed message.
template <typename Body> PF_Err CaptureErrors(PF_OutData *out_data, Body &&body) {
  try {
    return body();
  } catch (const AEUtil::AEException &e) {
    SetReturnMessage(out_data, e.message().c_str());
    return e.code();
  } catch (const std::exception &e) {
    SetReturnMessage(out_data, e.what());
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  } catch (A_long code) {
    SetIntegerErrorMessage(out_data, code);
    return code;
  } catch (...) {
    SetUnknownErrorMessage(out_data);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}
