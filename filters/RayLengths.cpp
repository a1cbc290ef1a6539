// The ray length analysis kernels (outward and inward, 16-bit and float):
// each group pixel walks up to 2R pixels along its ray and writes into the
// length map how far its blur window may reach.
#include "RayLengths.h"

#include <cmath>

#include "MaskedCopy.h"
#include "RayWalk.h"
#include "render/StageJob.h"

namespace {

// No cell of the 3x3 block around (px, py) inside the rectangle is a group
// pixel outside Color B.
inline bool SolidColorB(const MaskPlane8 &M, const MaskPlane8 &N, A_long w, A_long h, A_long px, A_long py) {
  for (A_long r = py - 1; r <= py + 1; ++r) {
    if (r < 0 || r >= h) continue;
    const uint8_t *mrow = M.row(r);
    const uint8_t *nrow = N.row(r);
    for (A_long c = px - 1; c <= px + 1; ++c)
      if (c >= 0 && c < w && mrow[c] != 0 && nrow[c] == 0) return false;
  }
  return true;
}

template <typename Pixel, bool Outward> void LengthRows(RayJob &job, A_long begin, A_long end) {
  const A_long w = job.width(), h = job.height();
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const float fcx = static_cast<float>(cx), fcy = static_cast<float>(cy);
  const MaskPlane8 &M = job.groupMask;
  const MaskPlane8 &N = job.colorBMask;
  const MaskPlane8 &Q = job.patchMask;

  for (A_long y = begin; y < end; ++y) {
    const uint8_t *mrow = M.row(y);
    const uint8_t *nrow = N.row(y);
    uint16_t *lrow = job.lengthMap.row(y);
    const float fy = static_cast<float>(y - cy);
    for (A_long x = 0; x < w; ++x) {
      if (mrow[x] == 0) continue;
      const float d = CentreDistance(x, y, cx, cy);
      if (d == 0.0f) {
        WorldRow<Pixel>(job.destination, job.rect.top + y)[job.rect.left + x] =
            WorldRow<const Pixel>(job.source, job.rect.top + y)[job.rect.left + x];
        continue;
      }
      const float dp = d / D;
      const float fx = static_cast<float>(x - cx);
      float t = dp;
      bool colorBRun = nrow[x] != 0; // F: still in the pixel's own Color B stretch
      A_long firstExit = 0;          // E
      A_long outside = 0;            // O
      for (A_long k = 0; k < 2 * R; ++k, t = Outward ? t + step : t - step) {
        const float ratio = t / dp;
        const A_long px = RayPosition(ratio, fx, fcx);
        const A_long py = RayPosition(ratio, fy, fcy);
        if (t < 0.0f) break;
        if (px < 0 || px >= w || py < 0 || py >= h) continue;
        if (M.at(px, py) == 0) {
          if (Outward || !colorBRun) ++outside;
          continue;
        }
        if (!colorBRun && SolidColorB(M, N, w, h, px, py)) {
          A_long length = ((k - outside - firstExit) * R) / 10 + 2;
          if (length > R) length = R;
          if (length < 1) length = 1;
          lrow[x] = static_cast<uint16_t>(length);
          break;
        }
        if (N.at(px, py) == 0 && (Outward ? t > dp : t < dp)) {
          colorBRun = false;
          if (firstExit == 0) firstExit = k;
        }
        if (!Outward && Q.at(px, py) != 0) lrow[x] = static_cast<uint16_t>(R - 1);
      }
    }
  }
}

} // namespace

template <typename Pixel>
PF_Err analyseRayLengths(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source,
                         const PF_LRect &rect, const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane8 &Q,
                         MaskPlane16 &L, double R, A_long cx, A_long cy, float D, bool invert,
                         ProgressRecord *progress) {
  if (!RectFitsWorld(rect, destination) || !RectFitsWorld(rect, source) || !RectFitsPlane(rect, M) ||
      !RectFitsPlane(rect, N) || !RectFitsPlane(rect, Q) || !RectFitsPlane(rect, L))
    return PF_Err_BAD_CALLBACK_PARAM;
  if (2.0 > R) return copyMasked<Pixel>(destination, in_data, source, rect, M);
  if (!(D > 0.0f)) return PF_Err_BAD_CALLBACK_PARAM;

  RayJob job;
  job.setRay(destination, source, rect, R, cx, cy, D);
  job.groupMask = M;
  job.colorBMask = N;
  job.patchMask = Q;
  job.lengthMap = L;
  PF_Err err = invert ? IterateBands<RayJob, LengthRows<Pixel, true>>(in_data, job, job.height())
                      : IterateBands<RayJob, LengthRows<Pixel, false>>(in_data, job, job.height());
  if (err == PF_Err_NONE && progress) err = ReportProgress(*progress);
  return err;
}

template PF_Err analyseRayLengths<PF_Pixel16>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,
                                              const MaskPlane8 &, const MaskPlane8 &, const MaskPlane8 &,
                                              MaskPlane16 &, double, A_long, A_long, float, bool, ProgressRecord *);
template PF_Err analyseRayLengths<PF_PixelFloat>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *,
                                                 const PF_LRect &, const MaskPlane8 &, const MaskPlane8 &,
                                                 const MaskPlane8 &, MaskPlane16 &, double, A_long, A_long, float,
                                                 bool, ProgressRecord *);
