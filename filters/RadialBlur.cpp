// The radial blur kernels (bounded and open, inward and outward, 16-bit and
// float) and the step weight table: each group pixel becomes a weighted mean
// of the source colours its walk along the ray collects.
#include "RadialBlur.h"

#include <cmath>

#include "DetMath.h"
#include "KernelCommon.h"
#include "MaskedCopy.h"
#include "RayWalk.h"
#include "render/StageJob.h"
#include "render/WorldOps.h"

int buildStepWeights(A_long n, double spread, A_u_long *weights) {
  if (n <= 0) return 0;
  const float denominator = static_cast<float>(n) * static_cast<float>(spread);
  // The sum first, then each entry again: the same expression gives the same
  // float both times, and nothing needs to be kept between the passes.
  float sum = 0.0f;
  for (A_long i = 0; i < n; ++i) sum += detmath::expf(static_cast<float>(-(i * i)) / denominator);
  for (A_long i = 0; i < n; ++i) {
    const float e = detmath::expf(static_cast<float>(-(i * i)) / denominator);
    weights[i] = static_cast<A_u_long>(e / sum * 1024.0f);
  }
  return 0;
}

namespace {

template <typename Pixel> struct BlurJob : RayJob {
  double f = 0.0;        // Blur Offset / 100
  double skipLimit = 0;  // R x f / 3: weights the bounded inward walk drops before the pixel
  Pixel Bc{};            // substitute colour of the inward kernels
  const A_u_long *W = nullptr;
};

// Look-ahead window of the bounded kernels, as offsets from the sample:
// the sample and its neighbour one pixel farther along the walk.
struct Span {
  A_long lo, hi;
};

template <bool Outward> Span WindowColumns(A_long x, A_long cx) {
  if (x == cx) return {0, 0};
  // Farther along the walk: away from the centre outward, toward it inward.
  const bool rightward = Outward ? x > cx : x < cx;
  return rightward ? Span{0, 1} : Span{-1, 0};
}

template <bool Outward> Span WindowRows(A_long y, A_long cy) {
  if (y == cy) return Outward ? Span{0, 0} : Span{-1, 1};
  const bool downward = Outward ? y > cy : y < cy;
  return downward ? Span{0, 1} : Span{-1, 0};
}

// Sum over the window cells inside the rectangle that lie outside the group
// of |px - c| + |py - r| x m.
inline A_long WindowScore(const MaskPlane8 &M, A_long w, A_long h, A_long px, A_long py, Span cols, Span rows,
                          A_long m) {
  A_long score = 0;
  for (A_long dr = rows.lo; dr <= rows.hi; ++dr) {
    const A_long r = py + dr;
    if (r < 0 || r >= h) continue;
    const uint8_t *mrow = M.row(r);
    for (A_long dc = cols.lo; dc <= cols.hi; ++dc) {
      const A_long c = px + dc;
      if (c < 0 || c >= w || mrow[c] != 0) continue;
      score += (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr) * m;
    }
  }
  return score;
}

template <typename Pixel, bool Bounded, bool Outward> void BlurRows(BlurJob<Pixel> &job, A_long begin, A_long end) {
  constexpr bool kBoundedInward = Bounded && !Outward;
  const A_long w = job.width(), h = job.height();
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const float fcx = static_cast<float>(cx), fcy = static_cast<float>(cy);
  const MaskPlane8 &M = job.groupMask;
  const MaskPlane8 &N = job.colorBMask;
  const A_u_long *W = job.W;

  for (A_long y = begin; y < end; ++y) {
    const uint8_t *mrow = M.row(y);
    const uint8_t *nrow = N.row(y);
    const uint16_t *lrow = job.lengthMap.row(y);
    const Pixel *srow = WorldRow<const Pixel>(job.source, job.rect.top + y) + job.rect.left;
    Pixel *out = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
    const Span rows = WindowRows<Outward>(y, cy);
    const float fy = static_cast<float>(y - cy);

    for (A_long x = 0; x < w; ++x) {
      if (mrow[x] == 0) continue;
      const float d = CentreDistance(x, y, cx, cy);
      if (d == 0.0f) {
        out[x] = srow[x];
        continue;
      }
      const float dp = d / D;
      A_long len = lrow[x];
      if (len == 0) len = R;
      if (len > R) len = R;
      const A_long off = static_cast<A_long>(static_cast<double>(len) * job.f);
      float t;
      if (Outward)
        t = dp - static_cast<float>(off) * step;
      else if (Bounded && off != len)
        t = dp + static_cast<float>(off) * step;
      else
        t = dp + static_cast<float>(off - 1) * step;

      const float fx = static_cast<float>(x - cx);
      const Span cols = WindowColumns<Outward>(x, cx);
      const A_long m = 1 + (x == cx ? 1 : 0) + (y == cy ? 1 : 0);
      const bool caseA = nrow[x] != 0;

      ColorSums<Pixel> sums;
      Pixel held{};         // H: the last plain group colour met
      A_long pending = 0;   // Q: weight waiting for the next group sample
      bool firstRun = true; // F
      A_long skipped = 0;   // K

      for (A_long k = 0; k < len; ++k, t = Outward ? t + step : t - step) {
        const float ratio = t / dp;
        const A_long px = RayPosition(ratio, fx, fcx);
        const A_long py = RayPosition(ratio, fy, fcy);
        if (t < 0.0f) {
          if (Outward) continue;
          break;
        }
        if (px < 0 || px >= w || py < 0 || py >= h) {
          if (Outward) break;
          continue;
        }
        const bool inGroup = M.at(px, py) != 0;
        const bool isColorB = N.at(px, py) != 0;
        const bool before = Outward ? t < dp : t > dp;
        const bool past = Outward ? t > dp : t < dp;
        A_long score = 0;
        if (Bounded && (Outward ? t > dp : t <= dp))
          score = inGroup ? WindowScore(M, w, h, px, py, cols, rows, m) : 3;
        const Pixel &P = WorldRow<const Pixel>(job.source, job.rect.top + py)[job.rect.left + px];
        const A_long wk = static_cast<A_long>(W[k]);

        if (!caseA) {
          if ((!isColorB || before) && inGroup) { // B1
            sums.add(P, wk);
            if (pending != 0) {
              sums.add(Outward ? P : job.Bc, pending);
              pending = 0;
            }
            if (!isColorB) held = P;
          } else if (!inGroup && before) { // B2
            if (P.alpha != 0) {
              if (kBoundedInward && job.skipLimit > static_cast<double>(skipped))
                ++skipped;
              else
                pending += wk;
            }
          } else if (held.alpha != 0) { // B3
            sums.add(held, wk);
          }
        } else {
          if (!firstRun && isColorB) { // A0
            if (held.alpha != 0) sums.add(held, wk);
            if (!kBoundedInward || score < 2) continue;
          }
          bool toA3 = false;
          if (!isColorB && (kBoundedInward || inGroup)) { // A1
            if (!past)
              toA3 = true;
            else
              firstRun = false;
          }
          if (!toA3 && ((past && inGroup) || isColorB)) { // A2
            sums.add(P, wk);
            if (kBoundedInward || !isColorB) held = P;
          } else if (before && !inGroup) { // A3
            sums.add(srow[x], wk);
          }
        }
        if (score >= 2) break;
      }
      if (sums.w != 0) sums.meanInto(out[x]);
    }
  }
}

template <typename Pixel, bool Bounded>
PF_Err RunRadialBlur(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source, const PF_LRect &rect,
                     const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane16 &L, double R, A_long cx, A_long cy,
                     float D, double f, bool invert, const Pixel &Bc, const A_u_long *W, ProgressRecord *progress) {
  if (!RectFitsWorld(rect, destination) || !RectFitsWorld(rect, source) || !RectFitsPlane(rect, M) ||
      !RectFitsPlane(rect, N) || !RectFitsPlane(rect, L))
    return PF_Err_BAD_CALLBACK_PARAM;
  if (2.0 > R) return copyMasked<Pixel>(destination, in_data, source, rect, M);
  if (!(D > 0.0f) || !W) return PF_Err_BAD_CALLBACK_PARAM;

  // The kernel writes only group pixels over what the copy put there. With
  // the mask's area known (a mask fresh from extraction), only the group's
  // pixels are copied, in parallel; pixels outside it keep what they hold.
  PF_Err err = MaskAreaKnown(M) ? copyMasked<Pixel>(destination, in_data, source, rect, M)
                                : copyWorld(in_data, source, destination);
  if (err != PF_Err_NONE) return err;

  BlurJob<Pixel> job;
  job.setRay(destination, source, rect, R, cx, cy, D);
  job.groupMask = M;
  job.colorBMask = N;
  job.lengthMap = L;
  job.f = f;
  job.skipLimit = static_cast<double>(job.R) * f / 3.0;
  job.Bc = Bc;
  job.W = W;
  if (invert)
    err = IterateBands<BlurJob<Pixel>, BlurRows<Pixel, Bounded, true>>(in_data, job, job.height());
  else
    err = IterateBands<BlurJob<Pixel>, BlurRows<Pixel, Bounded, false>>(in_data, job, job.height());
  if (err == PF_Err_NONE && progress) err = ReportProgress(*progress);
  return err;
}

} // namespace

template <typename Pixel>
PF_Err radialBlurBounded(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source,
                         const PF_LRect &rect, const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane16 &L,
                         double R, A_long cx, A_long cy, float D, double f, bool invert, const Pixel &Bc,
                         const A_u_long *W, ProgressRecord *progress) {
  return RunRadialBlur<Pixel, true>(destination, in_data, source, rect, M, N, L, R, cx, cy, D, f, invert, Bc, W,
                                    progress);
}

template <typename Pixel>
PF_Err radialBlurOpen(PF_EffectWorld *destination, PF_InData *in_data, PF_EffectWorld *source, const PF_LRect &rect,
                      const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane16 &L, double R, A_long cx, A_long cy,
                      float D, double f, bool invert, const Pixel &Bc, const A_u_long *W, ProgressRecord *progress) {
  return RunRadialBlur<Pixel, false>(destination, in_data, source, rect, M, N, L, R, cx, cy, D, f, invert, Bc, W,
                                     progress);
}

#define VORTANE_RADIAL_BLUR_INSTANCES(Pixel)                                                                      \
  template PF_Err radialBlurBounded<Pixel>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,     \
                                           const MaskPlane8 &, const MaskPlane8 &, const MaskPlane16 &, double,   \
                                           A_long, A_long, float, double, bool, const Pixel &, const A_u_long *,  \
                                           ProgressRecord *);                                                     \
  template PF_Err radialBlurOpen<Pixel>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, const PF_LRect &,        \
                                        const MaskPlane8 &, const MaskPlane8 &, const MaskPlane16 &, double,      \
                                        A_long, A_long, float, double, bool, const Pixel &, const A_u_long *,     \
                                        ProgressRecord *);
VORTANE_RADIAL_BLUR_INSTANCES(PF_Pixel16)
VORTANE_RADIAL_BLUR_INSTANCES(PF_PixelFloat)
