// Edge-preserving softening of a blurred group: bilateral horizontal and
// vertical passes restricted to the group mask, with a small cross mix.
#pragma once

#include "AEHost.h"
#include "render/MaskPlane.h"
#include "render/Progress.h"

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

// D destination (the group's result), S a copy of it, Wc scratch, M group
// mask, sigma the Softness. Pixel is PF_Pixel16 or PF_PixelFloat.
template <typename Pixel>
PF_Err softenGroupBounded(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                          const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                          ProgressRecord *progress);

template <typename Pixel>
PF_Err softenGroupOpen(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                       const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                       ProgressRecord *progress);
