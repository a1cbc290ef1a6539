// The render driver: one frame, every enabled colour group in order 1 to 4.
// Each group's pixels are chosen from the unchanged input; its blur works on
// the image the groups before it produced. The 8-bit driver computes in
// 16-bit working images and writes back once per group.
#include "RenderDriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "AEWorldSuite.h"
#include "DepthConvert.h"
#include "ExtractColorGroup.h"
#include "GroupStages.h"
#include "filters/MaskedCopy.h"
#include "filters/PatchSmooth.h"
#include "filters/RadialBlur.h"
#include "filters/RayLengths.h"
#include "filters/Soften.h"
#include "stage/ChunkRecorder.h"
#include "stage/MaskPlane.h"
#include "stage/Progress.h"
#include "stage/WorldOps.h"

namespace {

// What differs between the three drivers: the pixel type the stages work in
// and the format of the working images.
template <typename Pixel> struct DriverDepth;

template <> struct DriverDepth<PF_Pixel8> {
  using Work = PF_Pixel16;
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB32;
  static constexpr PF_PixelFormat kWorkFormat = PF_PixelFormat_ARGB64;
  static constexpr bool kEightBit = true;
};
template <> struct DriverDepth<PF_Pixel16> {
  using Work = PF_Pixel16;
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB64;
  static constexpr PF_PixelFormat kWorkFormat = PF_PixelFormat_ARGB64;
  static constexpr bool kEightBit = false;
};
template <> struct DriverDepth<PF_PixelFloat> {
  using Work = PF_PixelFloat;
  static constexpr PF_PixelFormat kFormat = PF_PixelFormat_ARGB128;
  static constexpr PF_PixelFormat kWorkFormat = PF_PixelFormat_ARGB128;
  static constexpr bool kEightBit = false;
};

constexpr A_long kViewNormal = 1;

PF_Pixel16 WorkingColor16(const PF_Pixel &c) {
  return PF_Pixel16{WidenChannel(c.alpha), WidenChannel(c.red), WidenChannel(c.green), WidenChannel(c.blue)};
}

PF_PixelFloat WorkingColorFloat(const PF_Pixel &c) {
  const PF_Pixel16 w = WorkingColor16(c);
  const float scale = 1.0f / 32768.0f;
  return PF_PixelFloat{w.alpha * scale, w.red * scale, w.green * scale, w.blue * scale};
}

template <typename Work> Work WorkingColor(const PF_Pixel &c);
template <> PF_Pixel16 WorkingColor<PF_Pixel16>(const PF_Pixel &c) { return WorkingColor16(c); }
template <> PF_PixelFloat WorkingColor<PF_PixelFloat>(const PF_Pixel &c) { return WorkingColorFloat(c); }

SoftenColorTerms SoftenTerms(const PF_Pixel &colorB, const PF_Pixel &colorA, double T, PF_Pixel16) {
  return softenTerms16(WorkingColor16(colorB), WorkingColor16(colorA), T);
}
SoftenColorTerms SoftenTerms(const PF_Pixel &colorB, const PF_Pixel &colorA, double T, PF_PixelFloat) {
  return softenTermsFloat(WorkingColorFloat(colorB), WorkingColorFloat(colorA), T);
}

// (int)(v + 0.5) for the radius terms. Values the host cannot send (not a
// number, or far beyond the sliders' ranges) are kept from undefined
// conversions.
double RoundedPixels(double v) {
  if (!std::isfinite(v)) return 0.0;
  v = std::min(std::max(v, -1.0e5), 1.0e5);
  return static_cast<double>(static_cast<int>(v + 0.5));
}

// Nearest whole pixel of a 16.16 coordinate, in 64 bits so that no value of
// the host can overflow.
A_long FixedToPixel(PF_Fixed v) { return static_cast<A_long>((static_cast<int64_t>(v) + 0x8000) >> 16); }

// The layer diagonal in single precision.
float LayerDiagonal(const PF_InData *in) {
  const int64_t w = in->width, h = in->height;
  return std::sqrt(static_cast<float>(w * w + h * h));
}

// How far from a group pixel the blur may sample the source: R steps along
// the ray, plus the float rounding of positions, which grows with the
// distances from the centre (a far-away centre), plus the half-pixel
// rounding and a margin. Large results simply cover the whole rectangle.
A_long BlurReach(double R, A_long cx, A_long cy, A_long w, A_long h) {
  const double steps = std::ceil(R) + 1.0;
  const double far = std::max({std::fabs(static_cast<double>(cx)), std::fabs(static_cast<double>(cy)),
                               std::fabs(static_cast<double>(cx) - w), std::fabs(static_cast<double>(cy) - h)});
  // Each of the walk's float operations is off by at most 2^-24 relative;
  // 2^-20 per step covers the sums of all of them with room to spare.
  const double rounding = (steps + 8.0) * 2.0 * (far + steps) * std::ldexp(1.0, -20);
  const double reach = steps + rounding + 3.0;
  const double whole = static_cast<double>(w) + h;
  return reach >= whole ? static_cast<A_long>(whole) : static_cast<A_long>(std::ceil(reach));
}

// The group mask's bounds grown by `reach` on every side, kept inside the
// rectangle, in buffer coordinates; empty for an empty mask.
PF_LRect GroupArea(const MaskPlane8 &M, const PF_LRect &rect, A_long reach) {
  if (M.boundsStale != 0 || M.flagsStale != 0) return rect;
  if (M.bounds.left >= M.bounds.right || M.bounds.top >= M.bounds.bottom) return PF_LRect{0, 0, 0, 0};
  const auto grow = [](A_long v, A_long by, A_long lo, A_long hi) {
    const int64_t g = static_cast<int64_t>(v) + by;
    return static_cast<A_long>(std::min<int64_t>(std::max<int64_t>(g, lo), hi));
  };
  const A_long w = rect.right - rect.left, h = rect.bottom - rect.top;
  return PF_LRect{rect.left + grow(M.bounds.left, -reach, 0, w), rect.top + grow(M.bounds.top, -reach, 0, h),
                  rect.left + grow(M.bounds.right, reach, 0, w), rect.top + grow(M.bounds.bottom, reach, 0, h)};
}

struct ColorPlanes {
  MaskPlane8 groupMask;
  MaskPlane8 colorBMask;
  MaskPlane8 patchMask;
  MaskPlane16 lengthMap;
  MaskPlane8 viewMask;
};

} // namespace

template <typename Pixel> PF_Err renderColorGroups(RenderSettings settings) {
  using Depth = DriverDepth<Pixel>;
  using Work = typename Depth::Work;
  PF_InData *in = settings.inData;
  PF_EffectWorld *input = settings.inputWorld;
  PF_EffectWorld *output = settings.outputWorld;

  // 1. Sizes. The rectangle is kept inside the worlds: a host's extent hint
  // may reach past the buffer, and no stage may read or write there.
  if (input->width != output->width || input->height != output->height) return PF_Err_BAD_CALLBACK_PARAM;
  const PF_LRect rect{std::max<A_long>(settings.area.left, 0), std::max<A_long>(settings.area.top, 0),
                      std::min(settings.area.right, output->width), std::min(settings.area.bottom, output->height)};
  const A_long w = rect.right - rect.left;
  const A_long h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return PF_Err_NONE;

  // 2. Resolution scale; a Group view keeps only its own group.
  const double sx = static_cast<double>(in->downsample_x.num) / in->downsample_x.den;
  const double sy = static_cast<double>(in->downsample_y.num) / in->downsample_y.den;
  const double scale = std::min(sy, sx);
  settings.resolutionScale = scale;
  const A_long view = settings.view;
  if (view >= 4 && view <= 7) {
    for (int g = 0; g < 4; ++g)
      if (g != view - 4) settings.groups[g].enable = 0;
  }

  // 3. Radii: group Blur Amount plus Master Blur Amount, both scaled to the
  // current resolution, plus one.
  settings.masterBlurAmount = RoundedPixels(settings.masterBlurAmount * scale);
  A_long taking = 0;
  for (GroupSettings &g : settings.groups) {
    g.range = g.range / 100.0;
    g.blurAmount = RoundedPixels(g.blurAmount * scale) + settings.masterBlurAmount + 1.0;
    if (g.blurAmount < 1.0) g.enable = 0;
    if (g.enable) ++taking;
  }
  settings.groupsTakingPart = taking;
  settings.viewMasking = view != kViewNormal;

  // 4. Nothing to do: the input as it is, or nothing at all.
  if (taking == 0) return view == kViewNormal ? copyWorld(in, input, output) : clearWorld(in, output);

  // 5. The output starts as the input.
  PF_Err e = copyWorld(in, input, output);

  // 6. Planes of the rectangle's size, reused by every group.
  ColorPlanes planes;
  createPlane8(planes.groupMask, in, w, h);
  createPlane8(planes.colorBMask, in, w, h);
  createPlane8(planes.patchMask, in, w, h);
  createPlane16(planes.lengthMap, in, w, h);
  clearPlane(planes.lengthMap);
  makeEmpty(planes.viewMask);
  if (settings.viewMasking) {
    createPlane8(planes.viewMask, in, w, h);
    clearPlane(planes.viewMask);
  }

  // 7. Working images of the output's size, made once for the frame. The
  // steps of a group use them one after the other: the work image holds the
  // group's black and white matte (only its mask's pixels are ever read),
  // then the source of the colour pass (the output so far, widened to 16-bit
  // in the 8-bit driver), then the blurred group the softening starts from,
  // which the softening may overwrite with its middle pass once it has read
  // it. The 8-bit driver blurs into a 16-bit result image; the others blur
  // into the output itself.
  const A_long ow = output->width, oh = output->height;
  AEUtil::EffectWorldPtr work = AEUtil::WorldSuite::newWorld(in, ow, oh, 0, Depth::kWorkFormat);
  AEUtil::EffectWorldPtr result;
  if (Depth::kEightBit) result = AEUtil::WorldSuite::newWorld(in, ow, oh, 0, Depth::kWorkFormat);

  // 8. Layer diagonal and progress.
  const float diagonal = LayerDiagonal(in);
  settings.layerDiagonal = diagonal;
  ProgressRecord progress;
  progress.in_data = in;
  progress.effect_ref = in->effect_ref;
  progress.total = 2 * taking;
  progress.done = 0;

  // Step weights of the largest radius; each group fills its own length.
  A_long largestRadius = 0;
  for (const GroupSettings &g : settings.groups)
    if (g.enable) largestRadius = std::max(largestRadius, static_cast<A_long>(g.blurAmount));
  std::vector<A_u_long> weights(static_cast<size_t>(largestRadius));

  // 9. The groups.
  for (int gi = 0; gi < 4 && e == PF_Err_NONE; ++gi) {
    GroupSettings &g = settings.groups[gi];
    if (!g.enable) continue;
    const double R = g.blurAmount;

    // a. The centre, relative to the rectangle's first pixel.
    g.centerX = FixedToPixel(g.blurCenter.x) - settings.layerRect.left - rect.left;
    g.centerY = FixedToPixel(g.blurCenter.y) - settings.layerRect.top - rect.top;
    const A_long cx = g.centerX, cy = g.centerY;
    g.radius = static_cast<A_long>(R);

    // b. Step weights.
    NoteStep("set-up");
    buildStepWeights(g.radius, 100.0, weights.data());

    // c, d. The Color B mask and the group mask, from the unchanged input.
    NoteStep("extraction");
    g.rangeThreshold = static_cast<A_long>(g.range * 27904.0);
    ColorMatchList entries;
    {
      PF_HLS_Pixel hls;
      e = in->utils->colorCB.RGBtoHLS(in->effect_ref, &g.colorB, hls);
      entries.push_back(ColorMatchEntry{hls[0], hls[1], hls[2], g.rangeThreshold});
    }
    if (e == PF_Err_NONE) e = extractColorGroup<Pixel>(planes.colorBMask, in, input, rect, entries);
    if (e == PF_Err_NONE) {
      PF_HLS_Pixel hls;
      e = in->utils->colorCB.RGBtoHLS(in->effect_ref, &g.colorA, hls);
      entries.push_back(ColorMatchEntry{hls[0], hls[1], hls[2], 0});
    }
    if (e == PF_Err_NONE) e = extractColorGroup<Pixel>(planes.groupMask, in, input, rect, entries);
    if (e != PF_Err_NONE) break;

    // Where the group can read or write: its pixels, and around them as far
    // as the blur's walk reaches in the source.
    const PF_LRect readArea = GroupArea(planes.groupMask, rect, BlurReach(R, cx, cy, w, h));

    // e. Working colours.
    const Work colorB = WorkingColor<Work>(g.colorB);

    // f. The view mask collects every group's pixels.
    if (settings.viewMasking) mergePlane(planes.viewMask, planes.groupMask);

    // g. Progress: one step per group started.
    ++progress.done;
    e = ReportProgress(progress);
    if (e != PF_Err_NONE) break;

    // h to k. Matte, corner fill of the matte, ray lengths.
    NoteStep("matte and corner fill");
    e = writeGroupMatte<Work>(work.get(), in, planes.groupMask, planes.colorBMask, rect);
    if (e == PF_Err_NONE)
      e = fillCorners<Work>(work.get(), in, rect, planes.groupMask, planes.colorBMask, planes.patchMask, cx, cy);
    NoteStep("ray lengths");
    if (e == PF_Err_NONE)
      e = analyseRayLengths<Work>(work.get(), in, work.get(), rect, planes.groupMask, planes.colorBMask,
                                  planes.patchMask, planes.lengthMap, R, cx, cy, diagonal, g.invert != 0,
                                  &progress);

    // l. Source and destination of the colour pass: the output so far,
    // widened (8-bit) or copied into the work image, over the area the blur
    // reads.
    NoteStep("source and corner fill");
    PF_EffectWorld *source = work.get();
    PF_EffectWorld *destination = Depth::kEightBit ? result.get() : output;
    if (e == PF_Err_NONE)
      e = Depth::kEightBit ? widenTo16(work.get(), in, output, readArea) : copyWorldArea(in, output, work.get(), readArea);

    // m. Corner fill of the colours.
    if (e == PF_Err_NONE && R > 2.0)
      e = fillCorners<Work>(source, in, rect, planes.groupMask, planes.colorBMask, planes.patchMask, cx, cy);

    // n. The radial blur.
    NoteStep("radial blur");
    const double offset = g.blurOffset / 100.0;
    if (e == PF_Err_NONE) {
      if (g.keepDivision)
        e = radialBlurBounded<Work>(destination, in, source, rect, planes.groupMask, planes.colorBMask,
                                    planes.lengthMap, R, cx, cy, diagonal, offset, g.invert != 0, colorB,
                                    weights.data(), &progress);
      else
        e = radialBlurOpen<Work>(destination, in, source, rect, planes.groupMask, planes.colorBMask,
                                 planes.lengthMap, R, cx, cy, diagonal, offset, g.invert != 0, colorB,
                                 weights.data(), &progress);
    }

    // o, p. Softening, from a copy of the blurred group (it reads group
    // pixels only).
    NoteStep("softening");
    if (e == PF_Err_NONE) e = copyMasked<Work>(work.get(), in, destination, rect, planes.groupMask);
    if (e == PF_Err_NONE && g.softness > 0.0) {
      const SoftenColorTerms terms = SoftenTerms(g.colorB, g.colorA, g.softnessThreshold / 5.0, Work{});
      if (g.keepDivision)
        e = softenGroupBounded<Work>(destination, in, work.get(), work.get(), rect, planes.groupMask, terms,
                                     g.softness, &progress);
      else
        e = softenGroupOpen<Work>(destination, in, work.get(), work.get(), rect, planes.groupMask, terms,
                                  g.softness, &progress);
    }

    // q. Patched pixels evened out with their group neighbours.
    NoteStep("patch smoothing and write-back");
    if (e == PF_Err_NONE && R > 2.0)
      e = smoothPatchedPixels<Work>(destination, in, planes.groupMask, rect, planes.patchMask);

    // r. 8-bit: the group's colours back into the output.
    if (Depth::kEightBit && e == PF_Err_NONE) e = writeBack8(output, in, result.get(), rect, planes.groupMask);
  }
  NoteStep("view mask");

  // 10. Other views show only the groups' pixels, also after an error. A
  // mask that could not be applied leaves a wrong picture: its error counts.
  if (settings.viewMasking) {
    const PF_Err viewErr = applyViewMask<Pixel>(output, in, rect, planes.viewMask);
    if (e == PF_Err_NONE) e = viewErr;
  }

  // 11. Worlds and planes are released with their handles.
  return e;
}

template PF_Err renderColorGroups<PF_Pixel8>(RenderSettings);
template PF_Err renderColorGroups<PF_Pixel16>(RenderSettings);
template PF_Err renderColorGroups<PF_PixelFloat>(RenderSettings);
