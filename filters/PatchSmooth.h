// Patch smoothing: each pixel the corner fill rewrote becomes the rounded
// mean of itself and its group neighbours above, below, left and right.
#pragma once

#include "AEHost.h"
#include "stage/MaskPlane.h"

// Pixel is PF_Pixel16 or PF_PixelFloat; the image is rewritten in place.
template <typename Pixel>
PF_Err smoothPatchedPixels(PF_EffectWorld *destination, PF_InData *in_data, const MaskPlane8 &M, const PF_LRect &rect,
                           const MaskPlane8 &Q);
