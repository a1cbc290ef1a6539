// Weighted colour sums shared by the filter kernels, in the form each working
// pixel type uses.
#pragma once

#include "AEHost.h"

// Weighted sums of red, green and blue and their total weight. 16-bit: all
// signed 32-bit integers, means rounded as (sum + total / 2) / total. Float:
// each weight x channel product in single precision, added to double sums;
// means divided without a rounding term.
template <typename Pixel> struct ColorSums;

template <> struct ColorSums<PF_Pixel16> {
  A_long r = 0, g = 0, b = 0, w = 0;
  void add(const PF_Pixel16 &p, A_long v) {
    r += p.red * v;
    g += p.green * v;
    b += p.blue * v;
    w += v;
  }
  // Red, green and blue of out become the rounded means; alpha is kept.
  void meanInto(PF_Pixel16 &out) const {
    const A_long half = w >> 1;
    out.red = static_cast<A_u_short>((r + half) / w);
    out.green = static_cast<A_u_short>((g + half) / w);
    out.blue = static_cast<A_u_short>((b + half) / w);
  }
};

template <> struct ColorSums<PF_PixelFloat> {
  double r = 0.0, g = 0.0, b = 0.0;
  A_long w = 0;
  void add(const PF_PixelFloat &p, A_long v) {
    const float fv = static_cast<float>(v);
    r += static_cast<double>(p.red * fv);
    g += static_cast<double>(p.green * fv);
    b += static_cast<double>(p.blue * fv);
    w += v;
  }
  void meanInto(PF_PixelFloat &out) const {
    const double total = static_cast<double>(w);
    out.red = static_cast<float>(r / total);
    out.green = static_cast<float>(g / total);
    out.blue = static_cast<float>(b / total);
  }
};
