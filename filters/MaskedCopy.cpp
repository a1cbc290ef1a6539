// copyMasked: per chunk of rows, copy the masked pixels of the rectangle.
#include "MaskedCopy.h"

#include <cstring>

#include "stage/StageJob.h"

namespace {

template <typename Pixel> void CopyMaskedRows(StageJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    const uint8_t *mask = job.groupMask.row(y);
    const Pixel *from = WorldRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
    Pixel *to = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    for (A_long x = 0; x < w; ++x)
      if (mask[x]) std::memcpy(&to[x], &from[x], sizeof(Pixel));
  }
}

} // namespace

template <typename Pixel>
PF_Err copyMasked(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source, const PF_LRect &rect,
                  const MaskPlane8 &mask) {
  return RunRowStage<CopyMaskedRows<Pixel>>(in_data, destination, source, rect, &mask);
}

template PF_Err copyMasked<PF_Pixel16>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                       const MaskPlane8 &);
template PF_Err copyMasked<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                          const MaskPlane8 &);
