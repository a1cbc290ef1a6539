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
