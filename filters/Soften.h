// Edge-preserving softening of a blurred group: bilateral horizontal and
// vertical passes restricted to the group mask, with a small cross mix.
#pragma once

#include "AEHost.h"
#include "SharedCount.h"
#include "stage/MaskPlane.h"
#include "stage/Progress.h"

// The colour terms of the range weights: dAB, the distance of Color B and
// Color A by channel sums (0 to 32768 in the float form, 0 to 98304 in 16-bit),
// and the factor X derived from it and T (Softness Threshold / 5).
struct SoftenColorTerms {
  A_long dAB;
  double X;
};

// 16-bit: from the 16-bit working colours. Float: from the float ones.
SoftenColorTerms softenTerms16(const PF_Pixel16 &colorB, const PF_Pixel16 &colorA, double T);
SoftenColorTerms softenTermsFloat(const PF_PixelFloat &colorB, const PF_PixelFloat &colorA, double T);

// One side of a normalized Gaussian in 16-bit fixed point: taps K[0] to
// K[count - 1], with K[0] + 2 (K[1] + ... + K[count - 1]) = 32768. The table
// is shared and reference counted; copies stay on the calling thread.
struct GaussianKernel {
  AEUtil::SharedOwner<AEUtil::HeapShortArray> table;
  A_long count = 0;
  const A_u_short *taps() const { return table.block() ? table.block()->get() : nullptr; }
};

// count taps of exp(-i^2 / (2 variance)), normalized to 32768 over the
// symmetric kernel, the rounding deficit spread from the centre outward.
GaussianKernel buildGaussianKernel(A_long count, double variance);

// The range table G: 513 entries rising from 0 to 128 along a raised-cosine
// curve of b^5 (b - 2) with b = i / 512.
constexpr int kRangeTableSize = 513;
void buildRangeTable(A_u_char G[kRangeTableSize]);

// Range codes (0 to 128) of channel-sum differences for one group's terms:
// code(c) = G[(Xi c) >> 16] below the limit, 128 from it on, with
// Xi = trunc(X x 1024 + 0.5); normalized codes are scaled so that the code of
// dAB becomes 128.
struct RangeCodes {
  A_long Xi = 0;
  A_long limit = 0;
  A_long vAB = 0;
  A_u_char G[kRangeTableSize];

  explicit RangeCodes(const SoftenColorTerms &terms);
  A_long code(A_long c) const { return c < limit ? G[(Xi * c) >> 16] : 128; }
  A_long normalized(A_long c) const { return vAB != 0 ? code(c) * 128 / vAB : code(c); }
};

// The range weight of a normalized code: expf(-float(code^2) / 5000).
float rangeWeight(A_long normalizedCode);

// The cross-mix table: trunc(exp(-i^2 / 0.125) x 32768) for i = 0, 1, 2.
void buildCrossTable(A_long Kc[3]);

// D destination (the group's result), S a copy of it, Wc scratch, M group
// mask, sigma the Softness. Wc may be S itself: S is read only by the first
// pass, before the second writes Wc. Pixel is PF_Pixel16 or PF_PixelFloat.
template <typename Pixel>
PF_Err softenGroupBounded(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                          const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                          ProgressRecord *progress);

template <typename Pixel>
PF_Err softenGroupOpen(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                       const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                       ProgressRecord *progress);
