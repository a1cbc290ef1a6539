// The vector instruction set the filter kernels use. It is chosen on the
// render thread before a stage fans out, from what the processor and the
// operating system support, so the plug-in runs on any x64 processor; the
// environment variable VORTANE_SIMD ("scalar", "sse4.1" or "avx2") can only
// lower the choice, which lets tests compare every path with the plain one.
#pragma once

enum class SimdLevel : int { Scalar = 0, SSE41 = 1, AVX2 = 2 };

// The best level this processor and operating system can run.
SimdLevel ProcessorSimdLevel();

// The level kernels should use now: the processor's, lowered by
// VORTANE_SIMD when it names a lower level. Read again on every call, so a
// test may change the variable between renders.
SimdLevel ActiveSimdLevel();

// The level's name as VORTANE_SIMD spells it.
const char *SimdLevelName(SimdLevel level);
