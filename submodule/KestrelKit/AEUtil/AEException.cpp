// AEException: builds the "file(line): " prefix and the formatted text.
#include "AEException.h"

#include <cstdarg>
#include <cstdio>

namespace AEUtil {

AEException::AEException(PF_Err code, int line, const char *file, const char *format, ...) : code_(code) {
  char prefix[2048];
  std::snprintf(prefix, sizeof prefix, "%s(%d): ", file ? file : "", line);
  char text[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format ? format : "", args);
  va_end(args);
  message_ = prefix;
  message_ += text;
}

AEException::~AEException() = default;

const char *AEException::what() const noexcept {
  whatText_ = message_;
  return whatText_.c_str();
}

const std::string &AEException::message() const { return message_; }

} // namespace AEUtil
