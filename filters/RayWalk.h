// Geometry shared by the walks along the ray through the blur centre (ray
// length analysis and radial blur): the pixel's distance from the centre and
// the rounding of a position on the ray to a pixel.
#pragma once

#include <cmath>
#include <cstdint>

#include "AEHost.h"
#include "SimdLevel.h"
#include "stage/StageJob.h"

// The job of a ray walk: the stage job with the radius (held as ceil(R)), the
// centre in rectangle coordinates and the layer diagonal, and the vector
// instruction set the rows are walked with (chosen when the job is filled, on
// the render thread; Scalar where the planes or images do not suit it).
struct RayJob : StageJob {
  A_long R = 0;
  A_long cx = 0, cy = 0;
  float D = 1.0f;
  SimdLevel simd = SimdLevel::Scalar;

  void setRay(PF_EffectWorld *destinationWorld, PF_EffectWorld *sourceWorld, const PF_LRect &rectangle,
              double radius, A_long centreX, A_long centreY, float diagonal) {
    destination = destinationWorld;
    source = sourceWorld;
    rect = rectangle;
    R = static_cast<A_long>(std::ceil(radius));
    cx = centreX;
    cy = centreY;
    D = diagonal;
  }
};

// sqrtf(float(dx) x float(dx) + float(dy x dy)) with dx = cx - x, dy = cy - y;
// dy x dy is formed exactly (in 64 bits, so far centres cannot wrap it).
inline float CentreDistance(A_long x, A_long y, A_long cx, A_long cy) {
  const float fx = static_cast<float>(cx - x);
  const int64_t dy = static_cast<int64_t>(cy) - y;
  return std::sqrt(fx * fx + static_cast<float>(dy * dy));
}

// The pixel a sample at ratio t / d' of the way from the centre falls on:
// trunc(double(ratio x float(v - c) + float(c)) + 0.5), truncating toward
// zero. The float product rounds before the addition.
inline A_long RayPosition(float ratio, float offset, float centre) {
  const float product = ratio * offset;
  const float position = product + centre;
  return static_cast<A_long>(static_cast<double>(position) + 0.5);
}
