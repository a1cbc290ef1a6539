// Colour-group extraction: marks the pixels of an image whose colour is close
// enough, in hue-lightness-saturation terms, to one of a short list of
// reference colours.
#pragma once

#include <vector>

#include "AEHost.h"
#include "MaskPlane.h"

// One reference colour: its HLS as the host's RGBtoHLS gives it (hue in
// degrees, lightness and saturation 0 to 1, all 16.16) and the largest
// accepted distance.
struct ColorMatchEntry {
  PF_Fixed hue;
  PF_Fixed lightness;
  PF_Fixed saturation;
  A_long threshold;
};
static_assert(sizeof(ColorMatchEntry) == 16, "ColorMatchEntry is 16 bytes");

using ColorMatchList = std::vector<ColorMatchEntry>;

// The largest distance two colours can have; Range 100 % accepts everything.
constexpr A_long kMaxColorDistance = 27904;

// Replaces destination by a new u8 plane of the rectangle's size holding 1
// where a pixel of image matches an entry, 0 elsewhere (exact row and column
// flags). Pixel is PF_Pixel8, PF_Pixel16 or PF_PixelFloat. Returns
// iterate_generic's result.
template <typename Pixel>
PF_Err extractColorGroup(MaskPlane8 &destination, PF_InData *in_data, PF_EffectWorld *image, const PF_LRect &rect,
                         const ColorMatchList &entries);
