// The radial blur of one colour group: every group pixel becomes a weighted
// mean of source colours sampled along the ray from the group's centre
// through the pixel. Bounded kernels stop where the walk would leave the
// group; open kernels run past its edges.
#pragma once

#include "AEHost.h"
#include "stage/MaskPlane.h"
#include "stage/Progress.h"

// W[i] = trunc(e_i / S x 1024) with e_i = expf(-(i*i) / (n x s)) and S their
// single-precision sum. Returns 0.
int buildStepWeights(A_long n, double spread, A_u_long *weights);

// Pixel is PF_Pixel16 or PF_PixelFloat. M group mask, N Color B mask, L
// length map; R the radius (whole number, as double); cx, cy the centre in
// rectangle coordinates; D the layer diagonal; f Blur Offset / 100; invert
// walks outward; Bc the substitute colour; W the step weights (R entries).
template <typename Pixel>
PF_Err radialBlurBounded(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source,
                         const PF_LRect &rect, const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane16 &L,
                         double R, A_long cx, A_long cy, float D, double f, bool invert, const Pixel &Bc,
                         const A_u_long *W, ProgressRecord *progress);

template <typename Pixel>
PF_Err radialBlurOpen(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source, const PF_LRect &rect,
                      const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane16 &L, double R, A_long cx, A_long cy,
                      float D, double f, bool invert, const Pixel &Bc, const A_u_long *W, ProgressRecord *progress);
