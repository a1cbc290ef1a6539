// RenderSettings: the one plain record a frame's pipeline reads. The
// parameter part receives the parameter values byte for byte; the frame part
// holds the worlds, pixel format and rectangles of the frame.
#pragma once

#include <cstddef>

#include "AEHost.h"

// One colour group's values. Fields up to `enable` are filled from the
// group's parameters; the render driver overwrites `range` and `blurAmount`
// with derived values in its own copy and keeps its working values after.
struct GroupSettings {
  A_u_char present;             // 1 in every constructed record
  PF_Pixel colorB;              // "N : Color B"
  PF_FpLong range;              // "N : Range", percent
  PF_Pixel colorA;              // "N : Color A"
  PF_FixedPoint blurCenter;     // "N : Blur Center", layer pixels (16.16)
  A_u_char invert;              // "N : Invert"
  PF_FpLong blurAmount;         // "N : Blur Amount"
  PF_FpLong blurOffset;         // "N : Blur Offset", percent
  PF_FpLong softness;           // "N : Softness"
  PF_FpLong softnessThreshold;  // "N : Softness Threshold", percent
  A_u_char keepDivision;        // "N : Keep Division"
  A_u_char enable;              // "N : Enable Color Group"
  // Working values of the render driver.
  A_long centerX;
  A_long centerY;
  A_long rangeThreshold;
  A_long radius;
};

struct RenderSettings {
  // --- parameter part ---
  A_long view;                  // "View": 1 Normal, 3 Extract, 4..7 Group 1..4
  PF_FpLong masterBlurAmount;   // "Master Blur Amount"
  GroupSettings groups[4];
  PF_FpLong spare;              // 1.5 in every constructed record; not read
  // Working values of the render driver.
  PF_FpLong resolutionScale;
  PF_FpLong layerDiagonal;
  A_long groupsTakingPart;
  A_long bufferOriginX;
  A_long bufferOriginY;
  A_u_char viewMasking;

  // --- frame part ---
  PF_InData *inData;
  PF_OutData *outData;
  PF_EffectWorld *inputWorld;
  PF_EffectWorld *outputWorld;
  PF_PixelFormat pixelFormat;
  PF_LRect area;
  PF_LRect layerRect;

  // Parameter part zero except view 1, each group's leading byte 1 and the
  // spare double 1.5; frame part zero except pixelFormat "badf".
  RenderSettings();
};

// Byte offset of a field of group g (0-based) inside RenderSettings.
#define VORTANE_GROUP_FIELD_OFFSET(g, field) \
  (offsetof(RenderSettings, groups) + (g) * sizeof(GroupSettings) + offsetof(GroupSettings, field))
