// The two kinds of error the vortane tool reports: a command line that asks
// for something impossible (exit status 2) and a failure while reading,
// rendering or writing (exit status 1). Messages are one line.
#pragma once

#include <stdexcept>
#include <string>

namespace vcli {

struct UsageError : std::runtime_error {
  explicit UsageError(const std::string &message) : std::runtime_error(message) {}
};

struct Failure : std::runtime_error {
  explicit Failure(const std::string &message) : std::runtime_error(message) {}
};

// The message with control characters (a line break in a file name, say)
// shown as \xNN, so that it stays one line.
inline std::string OneLine(const std::string &message) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : message) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7f) out += c;
    else out += std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
  }
  return out;
}

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace vcli
