// Sets the VORTANE_SIMD override of the kernels' instruction set for a scope
// and restores the caller's value afterwards, so tests can compare every
// vector path with the scalar one.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "filters/SimdLevel.h"

namespace vtest {

class SimdOverride {
public:
  SimdOverride() {
    if (const char *old = std::getenv("VORTANE_SIMD")) old_ = old;
  }
  ~SimdOverride() {
    if (old_)
      setenv("VORTANE_SIMD", old_->c_str(), 1);
    else
      unsetenv("VORTANE_SIMD");
  }
  SimdOverride(const SimdOverride &) = delete;
  SimdOverride &operator=(const SimdOverride &) = delete;
  void use(SimdLevel level) { setenv("VORTANE_SIMD", SimdLevelName(level), 1); }

private:
  std::optional<std::string> old_;
};

} // namespace vtest
