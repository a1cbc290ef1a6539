// The error type of the host utility layer: a host error code plus a message
// that starts with the throwing source file and line ("file(line): ").
#pragma once

#include <exception>
#include <string>

#include "AEHost.h"

namespace AEUtil {

class AEException : public std::exception {
 public:
  // Formats "%s(%d): " from file and line, then the caller's text from format
  // and its arguments; each part is cut to 2047 characters.
  AEException(PF_Err code, int line, const char *file, const char *format, ...);
  ~AEException() override;

  // Copies the message into the text returned by what() and returns it.
  const char *what() const noexcept override;
  virtual const std::string &message() const;

  PF_Err code() const { return code_; }

 private:
  PF_Err code_;
  std::string message_;
  mutable std::string whatText_;
};

} // namespace AEUtil

// Throws an AEException carrying the current source file and line.
#define AEUTIL_THROW(code, ...) throw ::AEUtil::AEException((code), __LINE__, __FILE__, __VA_ARGS__)
