// The ray length analysis kernels (outward and inward, 16-bit and float):
// each group pixel walks up to 2R pixels along its ray and writes into the
// length map how far its blur window may reach.
#include "RayLengths.h"

#include <cmath>

#include "MaskedCopy.h"
#include "RayWalk.h"
#include "RayWalkAvx2.h"
#include "stage/StageJob.h"

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

// The length written when the walk meets solid Color B at step k:
// max(1, min(R, ((k - O - E) x R) / 10 + 2)), signed 32-bit, truncating.
inline A_long LengthValue(A_long k, A_long outside, A_long firstExit, A_long R) {
  A_long length = ((k - outside - firstExit) * R) / 10 + 2;
  if (length > R) length = R;
  if (length < 1) length = 1;
  return length;
}

// The walk of one pixel (x, y), as the vector blocks must reproduce it.
template <typename Pixel, bool Outward> void LengthPixel(RayJob &job, A_long x, A_long y) {
  const MaskPlane8 &M = job.groupMask;
  const MaskPlane8 &N = job.colorBMask;
  const MaskPlane8 &Q = job.patchMask;
  if (M.at(x, y) == 0) return;
  const A_long w = job.width(), h = job.height();
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const float d = CentreDistance(x, y, cx, cy);
  if (d == 0.0f) {
    WorldRow<Pixel>(job.destination, job.rect.top + y)[job.rect.left + x] =
        WorldRow<const Pixel>(job.source, job.rect.top + y)[job.rect.left + x];
    return;
  }
  uint16_t &length = job.lengthMap.row(y)[x];
  const float dp = d / D;
  const float fx = static_cast<float>(x - cx), fy = static_cast<float>(y - cy);
  const float fcx = static_cast<float>(cx), fcy = static_cast<float>(cy);
  float t = dp;
  bool colorBRun = N.at(x, y) != 0; // F: still in the pixel's own Color B stretch
  A_long firstExit = 0;             // E
  A_long outside = 0;               // O
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
      length = static_cast<uint16_t>(LengthValue(k, outside, firstExit, R));
      break;
    }
    if (N.at(px, py) == 0 && (Outward ? t > dp : t < dp)) {
      colorBRun = false;
      if (firstExit == 0) firstExit = k;
    }
    if (!Outward && Q.at(px, py) != 0) length = static_cast<uint16_t>(R - 1);
  }
}

// The job with, for the vector walks, one byte per rectangle pixel holding all
// a step looks up there (LengthCode), so that a step reads one element.
struct LengthJob : RayJob {
  MaskPlane8 codes;
};

enum LengthCode : uint8_t {
  kGroup = 1,    // M
  kColorB = 2,   // N
  kPatched = 4,  // Q
  kNotSolid = 8, // the 3x3 block (inside the rectangle) holds a group pixel outside Color B
};

uint8_t LengthCodeAt(const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane8 &Q, A_long w, A_long h, A_long x,
                     A_long y) {
  return static_cast<uint8_t>((M.at(x, y) ? kGroup : 0) | (N.at(x, y) ? kColorB : 0) | (Q.at(x, y) ? kPatched : 0) |
                              (SolidColorB(M, N, w, h, x, y) ? 0 : kNotSolid));
}

#ifdef VORTANE_HAVE_AVX2_WALKS
// bit in the bytes of v that are not zero.
VORTANE_AVX2 inline __m256i ByteBit(__m256i v, int bit) {
  return _mm256_andnot_si256(_mm256_cmpeq_epi8(v, _mm256_setzero_si256()), _mm256_set1_epi8(static_cast<char>(bit)));
}

// Fills codes from M, N and Q over the w x h rectangle, 32 pixels at a time
// away from the rectangle's left and right edges.
VORTANE_AVX2 void BuildLengthCodes(MaskPlane8 &codes, const MaskPlane8 &M, const MaskPlane8 &N, const MaskPlane8 &Q,
                                   A_long w, A_long h) {
  const __m256i zero = _mm256_setzero_si256();
  for (A_long y = 0; y < h; ++y) {
    uint8_t *c = codes.row(y);
    A_long x = 1;
    for (; x + 32 < w; x += 32) { // columns x - 1 to x + 32 lie inside the row
      __m256i plain = zero;
      for (A_long r = y - 1; r <= y + 1; ++r) {
        if (r < 0 || r >= h) continue;
        for (A_long dc = -1; dc <= 1; ++dc) {
          const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(M.row(r) + x + dc));
          const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(N.row(r) + x + dc));
          plain = _mm256_or_si256(plain, _mm256_andnot_si256(_mm256_cmpeq_epi8(m, zero), _mm256_cmpeq_epi8(n, zero)));
        }
      }
      const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(M.row(y) + x));
      const __m256i n = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(N.row(y) + x));
      const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(Q.row(y) + x));
      const __m256i code = _mm256_or_si256(_mm256_or_si256(ByteBit(m, kGroup), ByteBit(n, kColorB)),
                                           _mm256_or_si256(ByteBit(q, kPatched), ByteBit(plain, kNotSolid)));
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(c + x), code);
    }
    for (; x < w; ++x) c[x] = LengthCodeAt(M, N, Q, w, h, x, y);
    c[0] = LengthCodeAt(M, N, Q, w, h, 0, y);
  }
}
#endif

#ifdef VORTANE_HAVE_AVX2_WALKS
// The sample at t of eight lanes: whether it lies inside the rectangle, and
// there its code (elsewhere 0).
VORTANE_AVX2 __attribute__((always_inline)) inline void TakeLengthSample(const LengthJob &job, __m256 t, __m256 dp,
                                                                         __m256 fx, __m256 fy, __m256i &inRect,
                                                                         __m256i &code) {
  using namespace avx2;
  const __m256 ratio = _mm256_div_ps(t, dp);
  const __m256i px = RayPositions(ratio, fx, _mm256_set1_ps(static_cast<float>(job.cx)));
  const __m256i py = RayPositions(ratio, fy, _mm256_set1_ps(static_cast<float>(job.cy)));
  inRect = And(InRange(px, _mm256_set1_epi32(job.width())), InRange(py, _mm256_set1_epi32(job.height())));
  code = Lookup(job.codes.data, PlaneOffsets(px, py, job.codes.pitch), inRect);
}

// Eight pixels x0..x0+7 of row y, one per lane, none of them the centre:
// every lane takes the steps of LengthPixel with the same float operations;
// a lane that ends its walk is masked off, and the block ends when all have.
template <bool Outward> VORTANE_AVX2 void LengthBlockAvx2(LengthJob &job, A_long x0, A_long y) {
  using namespace avx2;
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const uint8_t *crow = job.codes.row(y);

  int any = 0;
  for (int i = 0; i < 8; ++i) any |= crow[x0 + i] & kGroup;
  if (!any) return;
  float dpLane[8], fxLane[8];
  int32_t activeLane[8], runLane[8];
  for (int i = 0; i < 8; ++i) {
    const A_long x = x0 + i;
    dpLane[i] = CentreDistance(x, y, cx, cy) / D;
    fxLane[i] = static_cast<float>(x - cx);
    activeLane[i] = (crow[x] & kGroup) ? -1 : 0;
    runLane[i] = (crow[x] & kGroup) && (crow[x] & kColorB) ? -1 : 0;
  }
  __m256i active = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(activeLane));
  if (!Any(active)) return;
  const __m256 dp = _mm256_loadu_ps(dpLane), fx = _mm256_loadu_ps(fxLane);
  const __m256 fy = _mm256_set1_ps(static_cast<float>(y - cy));
  const __m256 stepV = _mm256_set1_ps(step), zero = _mm256_setzero_ps();
  __m256i colorBRun = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(runLane)); // F
  __m256i firstExit = _mm256_setzero_si256();                                        // E
  __m256i outside = _mm256_setzero_si256();                                          // O
  __m256i written = _mm256_setzero_si256(), value = _mm256_setzero_si256();
  __m256 t = dp;

  // The samples are taken one step ahead, masked only by the rectangle, so
  // that their look-ups overlap the previous step's work.
  __m256i nextInRect, nextCode;
  TakeLengthSample(job, t, dp, fx, fy, nextInRect, nextCode);
  for (A_long k = 0; k < 2 * R && Any(active); ++k) {
    const __m256 ts = t;
    const __m256i inRect = nextInRect, sampled = nextCode;
    t = Outward ? _mm256_add_ps(t, stepV) : _mm256_sub_ps(t, stepV);
    if (k + 1 < 2 * R) TakeLengthSample(job, t, dp, fx, fy, nextInRect, nextCode);
    active = AndNot(Compare<_CMP_LT_OQ>(ts, zero), active);
    const __m256i live = And(active, inRect);
    if (!Any(live)) continue;
    const __m256i code = And(live, sampled);
    const __m256i inGroup = HasBits(code, kGroup);
    const __m256i out = AndNot(inGroup, live);
    outside = _mm256_sub_epi32(outside, Outward ? out : AndNot(colorBRun, out));

    // Lanes past their own Color B stretch end at a solid Color B block.
    const __m256i solid = AndNot(HasBits(code, kNotSolid), AndNot(colorBRun, inGroup));
    if (Any(solid)) {
      int32_t outsideLane[8], exitLane[8], valueLane[8];
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(outsideLane), outside);
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(exitLane), firstExit);
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(valueLane), value);
      for (int bits = Bits(solid); bits; bits &= bits - 1) {
        const int i = __builtin_ctz(bits);
        valueLane[i] = LengthValue(k, outsideLane[i], exitLane[i], R);
      }
      value = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(valueLane));
      written = Or(written, solid);
      active = AndNot(solid, active);
    }
    const __m256i rest = AndNot(solid, inGroup);
    const __m256i exitNow = And(AndNot(HasBits(code, kColorB), rest),
                                Outward ? Compare<_CMP_GT_OQ>(ts, dp) : Compare<_CMP_LT_OQ>(ts, dp));
    firstExit = Select(And(exitNow, IsZero(firstExit)), _mm256_set1_epi32(k), firstExit);
    colorBRun = AndNot(exitNow, colorBRun);
    if (!Outward) {
      const __m256i patched = And(rest, HasBits(code, kPatched));
      written = Or(written, patched);
      value = Select(patched, _mm256_set1_epi32(R - 1), value);
    }
  }
  int32_t writtenLane[8], valueLane[8];
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(writtenLane), written);
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(valueLane), value);
  uint16_t *lrow = job.lengthMap.row(y);
  for (int i = 0; i < 8; ++i)
    if (writtenLane[i]) lrow[x0 + i] = static_cast<uint16_t>(valueLane[i]);
}
#endif

template <typename Pixel, bool Outward> void LengthRows(LengthJob &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    A_long x = 0;
#ifdef VORTANE_HAVE_AVX2_WALKS
    if (job.simd == SimdLevel::AVX2) {
      for (; x + 8 <= w; x += 8) {
        if (y == job.cy && job.cx >= x && job.cx < x + 8) {
          for (A_long i = x; i < x + 8; ++i) LengthPixel<Pixel, Outward>(job, i, y); // holds the centre
        } else {
          LengthBlockAvx2<Outward>(job, x, y);
        }
      }
    }
#endif
    for (; x < w; ++x) LengthPixel<Pixel, Outward>(job, x, y);
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

  LengthJob job;
  job.setRay(destination, source, rect, R, cx, cy, D);
  job.groupMask = M;
  job.colorBMask = N;
  job.patchMask = Q;
  job.lengthMap = L;
#ifdef VORTANE_HAVE_AVX2_WALKS
  job.simd = avx2::WalkLevel([&] {
    const A_long w = job.width(), h = job.height();
    createPlane8(job.codes, in_data, w, h);
    if (!avx2::PlaneFitsLanes(job.codes, w, h)) return false;
    BuildLengthCodes(job.codes, M, N, Q, w, h);
    return true;
  });
#else
  job.simd = SimdLevel::Scalar;
#endif
  PF_Err err = invert ? IterateBands<LengthJob, LengthRows<Pixel, true>>(in_data, job, job.height())
                      : IterateBands<LengthJob, LengthRows<Pixel, false>>(in_data, job, job.height());
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
