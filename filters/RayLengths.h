// Ray length analysis: for each group pixel, how far its blur window along
// the ray may reach, written into the u16 length map (0 keeps the full
// radius).
#pragma once

#include "AEHost.h"
#include "stage/MaskPlane.h"
#include "stage/Progress.h"

// Pixel is PF_Pixel16 or PF_PixelFloat. destination/source are the matte
// images (the stage copies only the centre pixel); M group mask, N Color B
// mask, Q patch mask, L the length map it writes; invert walks outward.
template <typename Pixel>
PF_Err analyseRayLengths(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source,
                         const PF_LRect &rect, const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane8 &Q,
                         MaskPlane16 &L, double R, A_long cx, A_long cy, float D, bool invert,
                         ProgressRecord *progress);
