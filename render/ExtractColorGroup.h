// Colour-group extraction: marks the pixels of an image whose colour is close
// enough, in hue-lightness-saturation terms, to one of a short list of
// reference colours.
#pragma once

#include <cstdint>
#include <vector>

#include "AEHost.h"
#include "DepthConvert.h"
#include "stage/MaskPlane.h"

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

// Distance of a converted pixel (hue, lightness, saturation as RGBtoHLS
// gives them) from an entry: hue differences above 180 degrees wrap around,
// the hue term counts 1/128, and the sum is divided by 8 (arithmetic shifts).
// Computed in 64 bits so that no value a host returns can overflow; within
// the documented ranges this equals the 32-bit result. An undefined hue
// (PF_HUE_UNDEFINED) counts as 0 degrees.
int64_t ColorMatchDistance(const PF_Fixed hls[3], const ColorMatchEntry &entry);

// The 8-bit channel a pixel channel is compared by: 8-bit as it is, 16-bit
// (v x 255 + 16384) >> 15, float (int)((double)(v x 255.0f) + 0.5). Values
// beyond full scale count as full scale (16-bit above 32768, float above
// 1.0), float values below 0.0 and not-a-number as 0, so that no value
// wraps into an unrelated colour.
inline A_u_char ExtractByte(A_u_char v) { return v; }
inline A_u_char ExtractByte(A_u_short v) { return NarrowChannel(v); }
inline A_u_char ExtractByte(A_FpShort v) {
  if (!(v > 0.0f)) return 0; // also not a number
  if (v > 1.0f) v = 1.0f;
  const A_FpShort scaled = v * 255.0f;
  return static_cast<A_u_char>(static_cast<int>(static_cast<double>(scaled) + 0.5));
}

// Replaces destination by a new u8 plane of the rectangle's size holding 1
// where a pixel of image matches an entry, 0 elsewhere (exact row and column
// flags). Pixel is PF_Pixel8, PF_Pixel16 or PF_PixelFloat. Returns
// iterate_generic's error, or else the first error of the host's RGBtoHLS:
// which conversion fails first depends on the threads, so a mask made with
// a failed conversion (its pixel unmatched) must not make a frame. A
// rectangle outside the image is refused with PF_Err_BAD_CALLBACK_PARAM and
// destination is left as it was.
template <typename Pixel>
PF_Err extractColorGroup(MaskPlane8 &destination, PF_InData *in_data, PF_EffectWorld *image, const PF_LRect &rect,
                         const ColorMatchList &entries);

extern template PF_Err extractColorGroup<PF_Pixel8>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                   const ColorMatchList &);
extern template PF_Err extractColorGroup<PF_Pixel16>(MaskPlane8 &, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                                    const ColorMatchList &);
extern template PF_Err extractColorGroup<PF_PixelFloat>(MaskPlane8 &, PF_InData *, PF_EffectWorld *,
                                                       const PF_LRect &, const ColorMatchList &);
