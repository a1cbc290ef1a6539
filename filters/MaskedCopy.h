// The fallback of the blur stages when a group's radius is too small to
// blur: the group's pixels are taken over from the source unchanged.
#pragma once

#include "AEHost.h"
#include "stage/MaskPlane.h"

// For every pixel of rect whose mask element is non-zero, the destination
// pixel becomes the source pixel, bit for bit; other pixels are not touched.
// Pixel is PF_Pixel16 or PF_PixelFloat. Returns iterate_generic's result; a
// rectangle outside either world or larger than the mask is refused with
// PF_Err_BAD_CALLBACK_PARAM before anything is written.
template <typename Pixel>
PF_Err copyMasked(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source, const PF_LRect &rect,
                  const MaskPlane8 &mask);

extern template PF_Err copyMasked<PF_Pixel16>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                              const MaskPlane8 &);
extern template PF_Err copyMasked<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                 const MaskPlane8 &);
