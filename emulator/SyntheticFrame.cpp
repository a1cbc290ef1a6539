// The synthetic cel frame: shapes evaluated on a 4 x 4 subpixel grid.
#include "SyntheticFrame.h"

#include <cmath>

namespace vemu {

namespace {

// Colours of the scene: background, then per group its colour B and A.
const PF_Pixel kBackground = {255, 232, 222, 204};
const PF_Pixel kSunB = {255, 246, 172, 52};
const PF_Pixel kSunA = {255, 252, 214, 120};
const PF_Pixel kHillB = {255, 72, 112, 168};
const PF_Pixel kHillA = {255, 236, 240, 248};
const PF_Pixel kCoatB = {255, 196, 58, 92};
const PF_Pixel kCoatA = {255, 142, 30, 62};
const PF_Pixel kGrassB = {255, 64, 150, 74};
const PF_Pixel kGrassA = {255, 38, 108, 50};

// A triangle wave between -1 and 1 with period 4 (exact arithmetic only, so
// every platform draws the same frame).
double Triangle(double t) { return std::fabs(std::fmod(t, 4.0) - 2.0) - 1.0; }

// Colour of one subpixel at (x, y) in a frame scaled from 1920 x 1080.
PF_Pixel Sample(double x, double y) {
  // Ground band with tufts (group 4).
  const double ground = 900.0 + 18.0 * Triangle(x / 60.0);
  if (y >= ground) {
    const double tuft = std::fmod(x, 160.0);
    if (y < ground + 70.0 && tuft > 60.0 && tuft < 100.0 && (y - ground) < 70.0 - std::fabs(tuft - 80.0) * 3.0)
      return kGrassA;
    return kGrassB;
  }
  // Hill with a snow cap (group 2).
  const double hillTop = 380.0 + std::fabs(x - 560.0) * 0.9;
  if (x < 1250.0 && y >= hillTop) {
    if (y < 380.0 + 120.0 && y >= hillTop) return kHillA;
    return kHillB;
  }
  // A figure's coat with stripes (group 3).
  const double ex = (x - 1420.0) / 260.0, ey = (y - 560.0) / 330.0;
  if (ex * ex + ey * ey <= 1.0) {
    const double band = std::fmod(y + 0.6 * x, 90.0);
    return band < 22.0 ? kCoatA : kCoatB;
  }
  // Sun with an inner disc and rays (group 1).
  const double sx = x - 430.0, sy = y - 250.0;
  const double r2 = sx * sx + sy * sy;
  if (r2 <= 190.0 * 190.0) {
    if (r2 <= 90.0 * 90.0) return kSunA;
    return std::fmod(sx + sy + 1000.0, 70.0) < 16.0 ? kSunA : kSunB;
  }
  return kBackground;
}

} // namespace

SyntheticScene SyntheticCelScene(int width, int height) {
  const double fx = width / 1920.0, fy = height / 1080.0;
  SyntheticScene s;
  s.groups[0] = {kSunB, kSunA, 430.0 * fx, 250.0 * fy};
  s.groups[1] = {kHillB, kHillA, 560.0 * fx, 380.0 * fy};
  s.groups[2] = {kCoatB, kCoatA, 1420.0 * fx, 560.0 * fy};
  s.groups[3] = {kGrassB, kGrassA, 960.0 * fx, 700.0 * fy};
  return s;
}

Image SyntheticCelFrame(int width, int height) {
  Image frame(width, height, PF_PixelFormat_ARGB32);
  const double fx = 1920.0 / width, fy = 1080.0 / height;
  for (int y = 0; y < height; ++y) {
    PF_Pixel *row = reinterpret_cast<PF_Pixel *>(frame.row(y));
    for (int x = 0; x < width; ++x) {
      int r = 0, g = 0, b = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const PF_Pixel p = Sample((x + (sx + 0.5) / 4.0) * fx, (y + (sy + 0.5) / 4.0) * fy);
          r += p.red;
          g += p.green;
          b += p.blue;
        }
      }
      row[x] = PF_Pixel{255, static_cast<A_u_char>((r + 8) / 16), static_cast<A_u_char>((g + 8) / 16),
                        static_cast<A_u_char>((b + 8) / 16)};
    }
  }
  return frame;
}

Image ConvertFrame(const Image &frame8, PF_PixelFormat format) {
  Image out(frame8.width(), frame8.height(), format);
  out.setOrigin(frame8.world()->origin_x, frame8.world()->origin_y);
  for (int y = 0; y < frame8.height(); ++y) {
    for (int x = 0; x < frame8.width(); ++x) {
      const PF_Pixel &p = frame8.at<PF_Pixel>(x, y);
      if (format == PF_PixelFormat_ARGB64) {
        auto w = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
        out.at<PF_Pixel16>(x, y) = PF_Pixel16{w(p.alpha), w(p.red), w(p.green), w(p.blue)};
      } else if (format == PF_PixelFormat_ARGB128) {
        out.at<PF_PixelFloat>(x, y) = PF_PixelFloat{p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f,
                                                    p.blue / 255.0f};
      } else {
        out.at<PF_Pixel>(x, y) = p;
      }
    }
  }
  return out;
}

} // namespace vemu
