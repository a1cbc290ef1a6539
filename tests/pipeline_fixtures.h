// Helpers for the tests of the pipeline stages: thread counts to compare,
// planes drawn from text pictures, and pseudo-random test pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "stage/MaskPlane.h"

namespace ptest {

// Results must not change with the number of iterate_generic workers.
constexpr int kThreadCounts[] = {1, 2, 3, 7};

// A u8 plane of the picture's size holding 1 where the picture shows one of
// the characters in `on`, 0 elsewhere; flags recomputed.
inline MaskPlane8 PlaneFromPicture(PF_InData *in, const std::vector<std::string> &picture, const char *on) {
  MaskPlane8 plane;
  const A_long h = static_cast<A_long>(picture.size());
  const A_long w = h ? static_cast<A_long>(picture[0].size()) : 0;
  createPlane8(plane, in, w, h);
  for (A_long y = 0; y < h; ++y)
    for (A_long x = 0; x < w; ++x) plane.row(y)[x] = std::strchr(on, picture[y][x]) ? 1 : 0;
  updateOccupancy(plane);
  return plane;
}

// The plane's elements in use as text, one line per row ('0' + element).
inline std::string PlaneText(const MaskPlane8 &plane) {
  std::string text;
  for (A_long y = 0; y < plane.height; ++y) {
    for (A_long x = 0; x < plane.width; ++x) text += static_cast<char>('0' + plane.at(x, y));
    text += '\n';
  }
  return text;
}

// Small xorshift generator: the same pictures on every platform.
struct Rng {
  uint32_t state;
  explicit Rng(uint32_t seed) : state(seed ? seed : 1) {}
  uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  uint32_t below(uint32_t n) { return next() % n; }
};

// The three pixel depths: host format and a pixel made from 8-bit channels
// (16-bit: v x 32768 / 255 rounded down after adding 128; float: v / 255).
template <typename P> struct Depth;
template <> struct Depth<PF_Pixel8> {
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB32;
  static PF_Pixel8 From8(const PF_Pixel &c) { return c; }
};
template <> struct Depth<PF_Pixel16> {
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB64;
  static A_u_short Channel(A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); }
  static PF_Pixel16 From8(const PF_Pixel &c) {
    return PF_Pixel16{Channel(c.alpha), Channel(c.red), Channel(c.green), Channel(c.blue)};
  }
};
template <> struct Depth<PF_PixelFloat> {
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB128;
  static PF_PixelFloat From8(const PF_Pixel &c) {
    return PF_PixelFloat{c.alpha / 255.0f, c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f};
  }
};

// An image of depth P whose pixels, row after row, are the given 8-bit ones.
template <typename P> vemu::Image ImageFrom8(int w, int h, const std::vector<PF_Pixel> &pixels) {
  vemu::Image image(w, h, Depth<P>::kFormat);
  for (int i = 0; i < w * h; ++i) image.at<P>(i % w, i / w) = Depth<P>::From8(pixels[i]);
  return image;
}

} // namespace ptest
