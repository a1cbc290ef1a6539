// A deterministic synthetic cel frame: flat colour areas with antialiased
// edges, and four colour groups (a main colour B and an accent colour A each)
// that cover real parts of the frame. Used by the demo, tests and benchmarks.
#pragma once

#include "AEHost.h"
#include "Image.h"

namespace vemu {

struct SyntheticGroup {
  PF_Pixel colorB;  // the group's main colour
  PF_Pixel colorA;  // its accent colour
  double centerX;   // a good blur centre, in pixels of the full-size frame
  double centerY;
};

struct SyntheticScene {
  SyntheticGroup groups[4];
};

// The scene's colours and centres (for a frame of 1920 x 1080; centres scale
// with the frame size).
SyntheticScene SyntheticCelScene(int width = 1920, int height = 1080);

// The frame in 8-bit ARGB, alpha 255 everywhere. Edges are antialiased by
// 4 x 4 supersampling, so edge pixels hold mixed colours.
Image SyntheticCelFrame(int width = 1920, int height = 1080);

// The same frame converted to 16-bit ((v x 32768 + 128) / 255) or float
// (v / 255).
Image ConvertFrame(const Image &frame8, PF_PixelFormat format);

} // namespace vemu
