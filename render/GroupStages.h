// The small image stages around the blur of one colour group: the group's
// black and white matte, the corner fill, widening 8-bit to 16-bit, writing a
// 16-bit result back into 8-bit, and the view mask. Each runs in chunks of rows
// and returns iterate_generic's result. A rectangle outside one of the worlds
// or larger than one of the planes is refused with PF_Err_BAD_CALLBACK_PARAM
// before anything is written.
#pragma once

#include "AEHost.h"
#include "stage/MaskPlane.h"

// Over the group mask: opaque black for Color B pixels, opaque white for the
// others; other pixels are not written. Pixel is PF_Pixel16 or PF_PixelFloat.
template <typename Pixel>
PF_Err writeGroupMatte(PF_EffectWorld *matte, PF_InData *in_data, const MaskPlane8 &groupMask,
                       const MaskPlane8 &colorBMask, const PF_LRect &rect);

// Clears patchMask, then gives each Color B pixel in an inner corner of a
// Color A area (seen from the centre cx, cy, rectangle-relative) the colour
// of its horizontal neighbour and marks it in patchMask, whose flags are then
// marked stale; its bounds hold every mark when the group mask's area is
// known. Pixel is PF_Pixel16 or PF_PixelFloat.
template <typename Pixel>
PF_Err fillCorners(PF_EffectWorld *image, PF_InData *in_data, const PF_LRect &rect, const MaskPlane8 &groupMask,
                   const MaskPlane8 &colorBMask, MaskPlane8 &patchMask, A_long cx, A_long cy);

// Every channel v of the rectangle becomes (v x 32768 + 128) / 255.
PF_Err widenTo16(PF_EffectWorld *destination16, PF_InData *in_data, PF_EffectWorld *source8, const PF_LRect &rect);

// Over the group mask, red, green and blue become (v x 255 + 16384) >> 15
// (values above 32768 give 255); alpha and pixels outside the mask are not
// written.
PF_Err writeBack8(PF_EffectWorld *destination8, PF_InData *in_data, PF_EffectWorld *source16, const PF_LRect &rect,
                  const MaskPlane8 &groupMask);

// Every pixel of the rectangle whose view-mask element is 0 gets alpha 0.
// Pixel is PF_Pixel8, PF_Pixel16 or PF_PixelFloat.
template <typename Pixel>
PF_Err applyViewMask(PF_EffectWorld *output, PF_InData *in_data, const PF_LRect &rect, const MaskPlane8 &viewMask);

extern template PF_Err writeGroupMatte<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &,
                                                   const MaskPlane8 &, const PF_LRect &);
extern template PF_Err writeGroupMatte<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &,
                                                      const MaskPlane8 &, const PF_LRect &);
extern template PF_Err fillCorners<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &,
                                               const MaskPlane8 &, MaskPlane8 &, A_long, A_long);
extern template PF_Err fillCorners<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const PF_LRect &,
                                                  const MaskPlane8 &, const MaskPlane8 &, MaskPlane8 &, A_long,
                                                  A_long);
extern template PF_Err applyViewMask<PF_Pixel8>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &);
extern template PF_Err applyViewMask<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const PF_LRect &,
                                                 const MaskPlane8 &);
extern template PF_Err applyViewMask<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const PF_LRect &,
                                                    const MaskPlane8 &);
