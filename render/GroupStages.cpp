// The small per-pixel stages around a colour group's blur: the black and
// white matte, the corner fill, 8-bit to 16-bit widening, the 16-bit to 8-bit
// write-back under the group mask, and the view mask.
#include "GroupStages.h"

#include <algorithm>
#include <cstring>

#include "DepthConvert.h"
#include "stage/StageJob.h"

namespace {

// Constant colours of a working pixel type.
template <typename Pixel> struct WorkColors;
template <> struct WorkColors<PF_Pixel16> {
  static constexpr PF_Pixel16 kOpaqueBlack{32768, 0, 0, 0};
  static constexpr PF_Pixel16 kOpaqueWhite{32768, 32768, 32768, 32768};
};
template <> struct WorkColors<PF_PixelFloat> {
  static constexpr PF_PixelFloat kOpaqueBlack{1.0f, 0.0f, 0.0f, 0.0f};
  static constexpr PF_PixelFloat kOpaqueWhite{1.0f, 1.0f, 1.0f, 1.0f};
};

// ---- matte ----

template <typename Pixel> void MatteRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    const A_u_char *group = job.groupMask.row(y);
    const A_u_char *colorB = job.colorBMask.row(y);
    Pixel *to = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x)
      if (group[x]) to[x] = colorB[x] ? WorkColors<Pixel>::kOpaqueBlack : WorkColors<Pixel>::kOpaqueWhite;
  }
}

// ---- corner fill ----

struct CornerJob : StageJob {
  A_long cx = 0, cy = 0; // rectangle-relative centre
};

// A Color A pixel: in the group, not of Color B.
inline bool IsColorA(const StageJob &job, A_long x, A_long y) {
  return job.groupMask.row(y)[x] != 0 && job.colorBMask.row(y)[x] == 0;
}

inline A_long Clamp(A_long v, A_long lo, A_long hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Reads the masks of the rows next to the chunk (they do not change during the
// stage) and copies pixels only inside the row being written: the sources
// are Color A pixels, which the stage never writes.
template <typename Pixel> void CornerRows(CornerJob &job, A_long begin, A_long end) {
  const A_long w = job.width(), h = job.height();
  for (A_long y = begin; y < end; ++y) {
    const A_u_char *colorB = job.colorBMask.row(y);
    A_u_char *patch = job.patchMask.row(y);
    Pixel *row = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    const A_long ny = Clamp(y + (y < job.cy ? 1 : -1), 0, h - 1);
    for (A_long x = 0; x < w; ++x) {
      if (!colorB[x]) continue;
      const A_long nx = Clamp(x + (x < job.cx ? 1 : -1), 0, w - 1);
      if (IsColorA(job, x, ny) && IsColorA(job, nx, y) && !IsColorA(job, nx, ny)) {
        std::memcpy(&row[x], &row[nx], sizeof(Pixel));
        patch[x] = 1;
      }
    }
  }
}

// ---- depth conversions ----

void WidenRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    const PF_Pixel8 *from = WorldRow<PF_Pixel8>(job.source, job.rect.top + y) + job.rect.left;
    PF_Pixel16 *to = WorldRow<PF_Pixel16>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x)
      to[x] = PF_Pixel16{WidenChannel(from[x].alpha), WidenChannel(from[x].red), WidenChannel(from[x].green), WidenChannel(from[x].blue)};
  }
}

void WriteBackRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    const A_u_char *group = job.groupMask.row(y);
    const PF_Pixel16 *from = WorldRow<PF_Pixel16>(job.source, job.rect.top + y) + job.rect.left;
    PF_Pixel8 *to = WorldRow<PF_Pixel8>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x) {
      if (!group[x]) continue;
      to[x].red = NarrowChannel(from[x].red);
      to[x].green = NarrowChannel(from[x].green);
      to[x].blue = NarrowChannel(from[x].blue);
    }
  }
}

// ---- view mask ----

template <typename Pixel> void ViewMaskRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    const A_u_char *shown = job.groupMask.row(y);
    Pixel *to = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x)
      if (!shown[x]) to[x].alpha = 0;
  }
}

} // namespace

template <typename Pixel>
PF_Err writeGroupMatte(PF_EffectWorld *matte, PF_InData *in_data, const MaskPlane8 &groupMask,
                       const MaskPlane8 &colorBMask, const PF_LRect &rect) {
  if (!RectFitsWorld(rect, matte) || !RectFitsPlane(rect, groupMask) || !RectFitsPlane(rect, colorBMask))
    return PF_Err_BAD_CALLBACK_PARAM;
  StageJob job;
  job.destination = matte;
  job.rect = rect;
  job.groupMask = groupMask;
  job.colorBMask = colorBMask;
  return IterateBands<StageJob, MatteRows<Pixel>>(in_data, job, job.height());
}

template <typename Pixel>
PF_Err fillCorners(PF_EffectWorld *image, PF_InData *in_data, const PF_LRect &rect, const MaskPlane8 &groupMask,
                   const MaskPlane8 &colorBMask, MaskPlane8 &patchMask, A_long cx, A_long cy) {
  if (!RectFitsWorld(rect, image) || !RectFitsPlane(rect, groupMask) || !RectFitsPlane(rect, colorBMask) ||
      !RectFitsPlane(rect, patchMask))
    return PF_Err_BAD_CALLBACK_PARAM;
  // Marks of an earlier fill lie inside the patch mask's bounds when those
  // are known (this stage sets them): only that area needs clearing.
  if (patchMask.data && patchMask.boundsStale == 0) {
    const PF_LRect b = patchMask.bounds;
    for (A_long y = b.top; y < b.bottom; ++y) std::memset(patchMask.row(y) + b.left, 0, b.right - b.left);
    std::memset(patchMask.columnFlags, 0, patchMask.width);
    std::memset(patchMask.rowFlags, 0, patchMask.height);
    patchMask.bounds = PF_LRect{0, 0, 0, 0};
    patchMask.flagsStale = 0;
  } else {
    clearPlane(patchMask);
  }
  CornerJob job;
  job.destination = image;
  job.rect = rect;
  job.groupMask = groupMask;
  job.colorBMask = colorBMask;
  job.patchMask = patchMask;
  job.cx = cx;
  job.cy = cy;
  const PF_Err err = IterateBands<CornerJob, CornerRows<Pixel>>(in_data, job, job.height());
  // The chunks marked elements without keeping the flags: they are no longer
  // exact, so a later merge must not trust them. Marks are made only on
  // lines the iteration handed out, which lie inside the group mask's bounds
  // when those are known: the patch mask's bounds then hold every mark.
  patchMask.flagsStale = 1;
  if (MaskAreaKnown(groupMask)) {
    patchMask.bounds = PF_LRect{0, std::max<A_long>(groupMask.bounds.top, 0), patchMask.width,
                                std::min(groupMask.bounds.bottom, job.height())};
    if (patchMask.bounds.top >= patchMask.bounds.bottom) patchMask.bounds = PF_LRect{0, 0, 0, 0};
    patchMask.boundsStale = 0;
  } else {
    patchMask.boundsStale = 1;
  }
  return err;
}

PF_Err widenTo16(PF_EffectWorld *destination16, PF_InData *in_data, PF_EffectWorld *source8, const PF_LRect &rect) {
  return RunRowStage<WidenRows>(in_data, destination16, source8, rect, nullptr);
}

PF_Err writeBack8(PF_EffectWorld *destination8, PF_InData *in_data, PF_EffectWorld *source16, const PF_LRect &rect,
                  const MaskPlane8 &groupMask) {
  return RunRowStage<WriteBackRows>(in_data, destination8, source16, rect, &groupMask);
}

template <typename Pixel>
PF_Err applyViewMask(PF_EffectWorld *output, PF_InData *in_data, const PF_LRect &rect, const MaskPlane8 &viewMask) {
  // Pixels outside the mask are the ones written: every row counts.
  return RunRowStage<ViewMaskRows<Pixel>>(in_data, output, nullptr, rect, &viewMask, false);
}

template PF_Err writeGroupMatte<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &, const MaskPlane8 &,
                                            const PF_LRect &);
template PF_Err writeGroupMatte<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &,
                                               const MaskPlane8 &, const PF_LRect &);
template PF_Err fillCorners<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &,
                                        const MaskPlane8 &, MaskPlane8 &, A_long, A_long);
template PF_Err fillCorners<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &,
                                           const MaskPlane8 &, MaskPlane8 &, A_long, A_long);
template PF_Err applyViewMask<PF_Pixel8>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &);
template PF_Err applyViewMask<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &);
template PF_Err applyViewMask<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const PF_LRect &, const MaskPlane8 &);
