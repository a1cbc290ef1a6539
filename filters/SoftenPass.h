// What one softening pass hands its band function: the weight tables, built
// on the calling thread, and the job; shared by the plain passes and the
// vector passes, which must give the same bits.
#pragma once

#include <cstdint>
#include <vector>

#include "SimdLevel.h"
#include "Soften.h"
#include "stage/StageJob.h"

namespace soften {

constexpr A_long kCodes = 129;       // range codes 0 to 128
constexpr A_long kCrossRadius = 2;   // cross mix: two pixels on each side
constexpr A_long kCodeIndices = 513; // (Xi c) >> 16 below the limit (0 to 511); 512 from the limit on

// Weights of one pass, indexed by distance along the pass times kCodes plus
// the raw range code (the code's normalization and weight are folded in).
// The vector passes index the same weights by the range table's index
// instead of the code, so one look-up gives a weight: entry idx < 512 holds
// the weight of code G[idx], entry 512 the weight of code 128.
struct PassTables {
  std::vector<A_u_short> bilateral; // trunc(K[d] x r(code))
  A_u_short K0 = 0;
  std::vector<A_u_short> cross;     // trunc(trunc(Kc[d] x r(code)) x 0.35), d = 0..2
  std::vector<int32_t> bilateralByIndex; // [d x kCodeIndices + idx]
  std::vector<int32_t> crossByIndex;     // [d x kCodeIndices + idx], d = 0..2
  A_long zeroIndices = 0;   // G[idx] = 0 for every idx below this
  bool farCrossZero = false; // every cross weight at distance 2 is 0
};

template <typename Pixel> struct PassJob : StageJob {
  const PassTables *tables = nullptr;
  const RangeCodes *codes = nullptr;
  A_long taps = 0;
  SimdLevel simd = SimdLevel::Scalar; // chosen on the calling thread
};

#if defined(__x86_64__) || defined(__i386__)
// Whether the AVX2 passes take a kernel of this many taps (their staging
// buffers hold a window of up to about 120 pixels on each side).
bool Avx2PassTakes(A_long taps);

// The AVX2 form of one pass over lines begin..end-1 (rows across, columns
// down); only to be called when the processor runs AVX2.
template <typename Pixel, bool Bounded, bool Vertical> void PassLinesAvx2(PassJob<Pixel> &job, A_long begin, A_long end);
#endif

} // namespace soften
