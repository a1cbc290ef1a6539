// Run-time choice of the kernels' vector instruction set: the processor's
// support (through the compiler's CPU detection, which also checks that the
// operating system saves the wide registers) and the VORTANE_SIMD override.
#include "SimdLevel.h"

#include <cstdlib>
#include <cstring>

SimdLevel ProcessorSimdLevel() {
#if defined(__x86_64__) || defined(__i386__)
  static const SimdLevel level = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return SimdLevel::AVX2;
    if (__builtin_cpu_supports("sse4.1")) return SimdLevel::SSE41;
    return SimdLevel::Scalar;
  }();
  return level;
#else
  return SimdLevel::Scalar;
#endif
}

SimdLevel ActiveSimdLevel() {
  const SimdLevel best = ProcessorSimdLevel();
  const char *asked = std::getenv("VORTANE_SIMD");
  if (!asked) return best;
  SimdLevel wanted = best;
  if (std::strcmp(asked, "scalar") == 0) wanted = SimdLevel::Scalar;
  else if (std::strcmp(asked, "sse4.1") == 0) wanted = SimdLevel::SSE41;
  else if (std::strcmp(asked, "avx2") == 0) wanted = SimdLevel::AVX2;
  return static_cast<int>(wanted) < static_cast<int>(best) ? wanted : best;
}

const char *SimdLevelName(SimdLevel level) {
  switch (level) {
  case SimdLevel::AVX2: return "avx2";
  case SimdLevel::SSE41: return "sse4.1";
  default: return "scalar";
  }
}
