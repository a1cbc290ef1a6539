// Helpers for the tests of the pipeline stages: thread counts to compare,
// planes drawn from text pictures, and test images at each depth.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "render/DepthConvert.h"
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

// An image of pseudo-random bytes (a small xorshift generator, the same on
// every platform): every pixel differs from the others, so copies show where
// they came from.
inline vemu::Image NoisyImage(int w, int h, PF_PixelFormat format, uint32_t seed) {
  vemu::Image image(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int i = 0; i < vemu::BytesPerPixel(format) * w; ++i) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      image.row(y)[i] = static_cast<uint8_t>(seed);
    }
  return image;
}

// An image of the given depth whose pixels, row after row, are the given
// 8-bit ones (16-bit: widened as the render widens; float: v / 255).
inline vemu::Image ImageFrom8(int w, int h, PF_PixelFormat format, const std::vector<PF_Pixel> &pixels) {
  vemu::Image image(w, h, format);
  for (int i = 0; i < w * h; ++i) {
    const PF_Pixel &c = pixels[i];
    if (format == PF_PixelFormat_ARGB32) image.at<PF_Pixel8>(i % w, i / w) = c;
    if (format == PF_PixelFormat_ARGB64)
      image.at<PF_Pixel16>(i % w, i / w) =
          PF_Pixel16{WidenChannel(c.alpha), WidenChannel(c.red), WidenChannel(c.green), WidenChannel(c.blue)};
    if (format == PF_PixelFormat_ARGB128)
      image.at<PF_PixelFloat>(i % w, i / w) =
          PF_PixelFloat{c.alpha / 255.0f, c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f};
  }
  return image;
}

} // namespace ptest
