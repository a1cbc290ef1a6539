// Helpers for the filter-kernel tests: mask planes and images drawn from
// small character maps, pixels of both working depths from 16-bit values,
// and weighted means as the kernels must form them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Host.h"
#include "Image.h"
#include "TestSupport.h"
#include "stage/MaskPlane.h"

namespace ktest {

// A map of equal-length rows; each character is one pixel.
struct Map {
  std::vector<std::string> rows;
  int width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
  int height() const { return static_cast<int>(rows.size()); }
  char at(int x, int y) const { return rows[y][x]; }
};

// u8 plane of w x h with value(x, y); the flags are made exact.
inline MaskPlane8 Plane8(PF_InData *in, int w, int h, const std::function<int(int, int)> &value) {
  MaskPlane8 plane;
  createPlane8(plane, in, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) plane.row(y)[x] = static_cast<uint8_t>(value(x, y));
  updateOccupancy(plane);
  return plane;
}

// u8 plane: 1 where the map's character is one of `set`.
inline MaskPlane8 PlaneOf(PF_InData *in, const Map &map, const std::string &set) {
  return Plane8(in, map.width(), map.height(),
                [&](int x, int y) { return set.find(map.at(x, y)) != std::string::npos ? 1 : 0; });
}

inline MaskPlane16 Plane16(PF_InData *in, int w, int h, const std::function<int(int, int)> &value) {
  MaskPlane16 plane;
  createPlane16(plane, in, w, h);
  clearPlane(plane);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) plane.row(y)[x] = static_cast<uint16_t>(value(x, y));
  return plane;
}

// Pixels of either depth from 16-bit values (full scale 32768).
template <typename Pixel> Pixel Px(int a, int r, int g, int b);
template <> inline PF_Pixel16 Px<PF_Pixel16>(int a, int r, int g, int b) {
  return PF_Pixel16{static_cast<A_u_short>(a), static_cast<A_u_short>(r), static_cast<A_u_short>(g),
                    static_cast<A_u_short>(b)};
}
template <> inline PF_PixelFloat Px<PF_PixelFloat>(int a, int r, int g, int b) {
  return PF_PixelFloat{a / 32768.0f, r / 32768.0f, g / 32768.0f, b / 32768.0f};
}

template <typename Pixel> constexpr PF_PixelFormat FormatOf();
template <> constexpr PF_PixelFormat FormatOf<PF_Pixel16>() { return PF_PixelFormat_ARGB64; }
template <> constexpr PF_PixelFormat FormatOf<PF_PixelFloat>() { return PF_PixelFormat_ARGB128; }

// Image of w x h whose pixel (x, y) is pixel(x, y).
template <typename Pixel>
vemu::Image MakeImage(int w, int h, const std::function<Pixel(int, int)> &pixel) {
  vemu::Image image(w, h, FormatOf<Pixel>());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.at<Pixel>(x, y) = pixel(x, y);
  return image;
}

inline bool SamePixel(const PF_Pixel16 &a, const PF_Pixel16 &b) {
  return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}
inline bool SamePixel(const PF_PixelFloat &a, const PF_PixelFloat &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// One contribution to a weighted mean: a weight and a 16-bit red value.
using Term = std::pair<long, int>;

// The 16-bit mean (sum + total / 2) / total of the terms.
inline int Mean16(const std::vector<Term> &terms) {
  long sum = 0, total = 0;
  for (const Term &t : terms) {
    sum += t.first * t.second;
    total += t.first;
  }
  return static_cast<int>((sum + total / 2) / total);
}

// The float mean of the same terms, channels scaled by 1/32768: single
// precision products added in double.
inline float MeanFloat(const std::vector<Term> &terms) {
  double sum = 0.0;
  long total = 0;
  for (const Term &t : terms) {
    sum += static_cast<double>(static_cast<float>(t.first) * (t.second / 32768.0f));
    total += t.first;
  }
  return static_cast<float>(sum / static_cast<double>(total));
}

inline int Red(const PF_Pixel16 &p) { return p.red; }
inline float Red(const PF_PixelFloat &p) { return p.red; }

// The expected red channel of a kernel result for either depth.
template <typename Pixel> auto ExpectedRed(const std::vector<Term> &terms);
template <> inline auto ExpectedRed<PF_Pixel16>(const std::vector<Term> &terms) { return Mean16(terms); }
template <> inline auto ExpectedRed<PF_PixelFloat>(const std::vector<Term> &terms) { return MeanFloat(terms); }

// An accumulator of weighted colours written from the rules, for reference
// computations in the tests: 16-bit sums with rounded means, float products
// in single precision added in double with plain division.
template <typename Pixel> struct Acc;
template <> struct Acc<PF_Pixel16> {
  long r = 0, g = 0, b = 0, total = 0;
  void add(const PF_Pixel16 &p, long q) {
    r += p.red * q;
    g += p.green * q;
    b += p.blue * q;
    total += q;
  }
  void mean(PF_Pixel16 &out) const {
    out.red = static_cast<A_u_short>((r + total / 2) / total);
    out.green = static_cast<A_u_short>((g + total / 2) / total);
    out.blue = static_cast<A_u_short>((b + total / 2) / total);
  }
};
template <> struct Acc<PF_PixelFloat> {
  double r = 0, g = 0, b = 0;
  long total = 0;
  void add(const PF_PixelFloat &p, long q) {
    r += static_cast<double>(p.red * static_cast<float>(q));
    g += static_cast<double>(p.green * static_cast<float>(q));
    b += static_cast<double>(p.blue * static_cast<float>(q));
    total += q;
  }
  void mean(PF_PixelFloat &out) const {
    out.red = static_cast<float>(r / static_cast<double>(total));
    out.green = static_cast<float>(g / static_cast<double>(total));
    out.blue = static_cast<float>(b / static_cast<double>(total));
  }
};

} // namespace ktest
