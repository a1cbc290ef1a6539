// The record every per-pixel stage hands to the host's iteration callback,
// the rule that splits rows (or columns) into bands, and the helper that runs
// a stage's band function once per processor through iterate_generic.
#pragma once

#include <cstddef>

#include "AEHost.h"
#include "MaskPlane.h"

// Images, rectangle and the four plane slots; stages derive their own job
// with their scalars.
struct StageJob {
  PF_EffectWorld *destination = nullptr;
  PF_EffectWorld *source = nullptr;
  PF_LRect rect = {0, 0, 0, 0};  // in the images' buffer coordinates
  MaskPlane8 groupMask;          // slot 1
  MaskPlane8 colorBMask;         // slot 2
  MaskPlane8 patchMask;          // slot 3
  MaskPlane16 lengthMap;         // slot 4
  A_long bandUnits = 0;          // rows (or columns) split among the bands

  // Each slot starts as an empty plane with an owner block of its own.
  StageJob();
  A_long width() const { return rect.right - rect.left; }
  A_long height() const { return rect.bottom - rect.top; }
};

struct Band {
  A_long start;
  A_long count;
};

// Band i of n over `units` rows: the first units % n bands get one row more.
inline Band BandOf(A_long units, A_long i, A_long n) {
  const A_long q = units / n, m = units % n;
  if (i < m) return Band{(q + 1) * i, q + 1};
  return Band{q * i + m, q};
}

namespace detail {
template <typename Job, void (*Fn)(Job &, A_long, A_long)>
PF_Err BandCallback(void *refcon, A_long /*thread*/, A_long i, A_long n) {
  // A host that numbers its callbacks outside 0 to n - 1 gets no rows.
  if (n <= 0 || i < 0 || i >= n) return PF_Err_NONE;
  Job &job = *static_cast<Job *>(refcon);
  const Band band = BandOf(job.bandUnits, i, n);
  if (band.count > 0 && band.start < job.bandUnits) Fn(job, band.start, band.start + band.count);
  return PF_Err_NONE;
}
} // namespace detail

// Runs Fn(job, begin, end) over `units` rows split into one band per
// processor; returns the host's result.
template <typename Job, void (*Fn)(Job &, A_long, A_long)>
PF_Err IterateBands(PF_InData *in_data, Job &job, A_long units) {
  job.bandUnits = units;
  return in_data->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &job, &detail::BandCallback<Job, Fn>);
}

// Pixel rows of a host world.
template <typename P> inline P *WorldRow(const PF_EffectWorld *world, A_long y) {
  return reinterpret_cast<P *>(reinterpret_cast<char *>(world->data) + static_cast<ptrdiff_t>(y) * world->rowbytes);
}

// A stage's rectangle must lie inside every world it touches and within
// every plane it reads or writes; stages refuse anything else with
// PF_Err_BAD_CALLBACK_PARAM before the first pixel, instead of reaching
// outside a buffer.
inline bool RectFitsWorld(const PF_LRect &rect, const PF_EffectWorld *world) {
  if (!world || rect.left < 0 || rect.top < 0 || rect.left > rect.right || rect.top > rect.bottom ||
      rect.right > world->width || rect.bottom > world->height)
    return false;
  return world->data || rect.left == rect.right || rect.top == rect.bottom;
}

template <typename T> bool RectFitsPlane(const PF_LRect &rect, const MaskPlane<T> &plane) {
  const int64_t w = static_cast<int64_t>(rect.right) - rect.left;
  const int64_t h = static_cast<int64_t>(rect.bottom) - rect.top;
  if (w <= 0 || h <= 0) return true;
  return plane.data && w <= plane.width && h <= plane.height;
}

// The common form of a stage over a destination, an optional source and an
// optional plane in slot 1 (the group mask or the view mask): checks the
// rectangle against each of them, then runs Fn over the rectangle's rows.
template <void (*Fn)(StageJob &, A_long, A_long)>
PF_Err RunRowStage(PF_InData *in_data, PF_EffectWorld *destination, PF_EffectWorld *source, const PF_LRect &rect,
                   const MaskPlane8 *plane) {
  if (!RectFitsWorld(rect, destination) || (source && !RectFitsWorld(rect, source)) ||
      (plane && !RectFitsPlane(rect, *plane)))
    return PF_Err_BAD_CALLBACK_PARAM;
  StageJob job;
  job.destination = destination;
  job.source = source;
  job.rect = rect;
  if (plane) job.groupMask = *plane;
  return IterateBands<StageJob, Fn>(in_data, job, job.height());
}
