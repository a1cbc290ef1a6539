// Patch smoothing: every pixel the corner fill marked becomes the rounded
// mean of itself and its group neighbours above, below, left and right,
// rewritten in place in one band so the result is the same on any machine.
#include "PatchSmooth.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "KernelCommon.h"
#include "stage/StageJob.h"

namespace {

template <typename Pixel> void SmoothRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width(), h = job.height();
  const MaskPlane8 &M = job.groupMask;
  const MaskPlane8 &Q = job.patchMask;
  // The corner fill does not keep the patch mask's flags, so each row is
  // scanned (eight elements at a time, most rows hold no mark); when the
  // mask's bounds are known, only the rows inside them.
  if (Q.boundsStale == 0) {
    begin = std::max(begin, Q.bounds.top);
    end = std::min(end, Q.bounds.bottom);
  }
  for (A_long y = begin; y < end; ++y) {
    const uint8_t *qrow = Q.row(y);
    Pixel *row = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x) {
      if (x + 8 <= w) {
        uint64_t eight;
        std::memcpy(&eight, qrow + x, sizeof eight);
        if (eight == 0) {
          x += 7;
          continue;
        }
      }
      if (qrow[x] == 0) continue;
      ColorSums<Pixel> sums; // every pixel counts once
      sums.add(row[x], 1);
      if (y > 0 && M.at(x, y - 1) != 0)
        sums.add(WorldRow<const Pixel>(job.destination, job.rect.top + y - 1)[job.rect.left + x], 1);
      if (y + 1 < h && M.at(x, y + 1) != 0)
        sums.add(WorldRow<const Pixel>(job.destination, job.rect.top + y + 1)[job.rect.left + x], 1);
      if (x > 0 && M.at(x - 1, y) != 0) sums.add(row[x - 1], 1);
      if (x + 1 < w && M.at(x + 1, y) != 0) sums.add(row[x + 1], 1);
      sums.meanInto(row[x]);
    }
  }
}

// One callback over every row of the rectangle.
template <typename Pixel> PF_Err SmoothWholeRectangle(void *refcon, A_long /*thread*/, A_long /*i*/, A_long /*n*/) {
  StageJob &job = *static_cast<StageJob *>(refcon);
  SmoothRows<Pixel>(job, 0, job.height());
  return PF_Err_NONE;
}

} // namespace

template <typename Pixel>
PF_Err smoothPatchedPixels(PF_EffectWorld *destination, PF_InData *in_data, const MaskPlane8 &M, const PF_LRect &rect,
                           const MaskPlane8 &Q) {
  if (!RectFitsWorld(rect, destination) || !RectFitsPlane(rect, M) || !RectFitsPlane(rect, Q))
    return PF_Err_BAD_CALLBACK_PARAM;
  StageJob job;
  job.destination = destination;
  job.rect = rect;
  job.groupMask = M;
  job.patchMask = Q;
  // One iteration: the marks are few, and a single band in reading order
  // makes the result independent of the number of processors.
  return in_data->utils->iterate_generic(1, &job, &SmoothWholeRectangle<Pixel>);
}

template PF_Err smoothPatchedPixels<PF_Pixel16>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &, const PF_LRect &,
                                                const MaskPlane8 &);
template PF_Err smoothPatchedPixels<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, const MaskPlane8 &,
                                                   const PF_LRect &, const MaskPlane8 &);
