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

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

} // namespace vcli
