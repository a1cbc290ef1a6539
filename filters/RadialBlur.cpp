// The radial blur kernels (bounded and open, inward and outward, 16-bit and
// float) and the step weight table: each group pixel becomes a weighted mean
// of the source colours its walk along the ray collects.
#include "RadialBlur.h"

#include <array>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "DetMath.h"
#include "KernelCommon.h"
#include "MaskedCopy.h"
#include "RayWalk.h"
#include "RayWalkAvx2.h"
#include "stage/StageJob.h"
#include "stage/WorldOps.h"

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
  MaskPlane16 codes;     // the vector walks' look-up plane (BuildBlurCodes)
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

// Where the walk starts: before the pixel by the offset, the inward kernels
// one step less unless the bounded walk's offset is short of the length.
template <bool Bounded, bool Outward> float StartPosition(float dp, float step, A_long off, A_long len) {
  if (Outward) return dp - static_cast<float>(off) * step;
  if (Bounded && off != len) return dp + static_cast<float>(off) * step;
  return dp + static_cast<float>(off - 1) * step;
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

// The walk of one pixel (x, y), as the vector blocks must reproduce it.
template <typename Pixel, bool Bounded, bool Outward> void BlurPixel(BlurJob<Pixel> &job, A_long x, A_long y) {
  constexpr bool kBoundedInward = Bounded && !Outward;
  const MaskPlane8 &M = job.groupMask;
  const MaskPlane8 &N = job.colorBMask;
  if (M.at(x, y) == 0) return;
  const A_long w = job.width(), h = job.height();
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const float fcx = static_cast<float>(cx), fcy = static_cast<float>(cy);
  const A_u_long *W = job.W;
  const Pixel *srow = WorldRow<const Pixel>(job.source, job.rect.top + y) + job.rect.left;
  Pixel *out = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;

  const float d = CentreDistance(x, y, cx, cy);
  if (d == 0.0f) {
    out[x] = srow[x];
    return;
  }
  const float dp = d / D;
  A_long len = job.lengthMap.at(x, y);
  if (len == 0) len = R;
  if (len > R) len = R;
  const A_long off = static_cast<A_long>(static_cast<double>(len) * job.f);
  float t = StartPosition<Bounded, Outward>(dp, step, off, len);

  const float fx = static_cast<float>(x - cx), fy = static_cast<float>(y - cy);
  const Span cols = WindowColumns<Outward>(x, cx);
  const Span rows = WindowRows<Outward>(y, cy);
  const A_long m = 1 + (x == cx ? 1 : 0) + (y == cy ? 1 : 0);
  const bool caseA = N.at(x, y) != 0;

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

// Per rectangle pixel, for the vector walks, all a step looks up there:
// bit 0 group, bit 1 Color B, and bit NeighbourBit(dc, dr) when that
// neighbour lies inside the rectangle and outside the group.
enum BlurCode : uint16_t { kGroup = 1, kColorB = 2 };
constexpr int NeighbourBit(A_long dc, A_long dr) { return 1 << (2 + (dr + 1) * 3 + (dc + 1)); }

uint16_t BlurCodeAt(const MaskPlane8 &M, const MaskPlane8 &N, A_long w, A_long h, A_long x, A_long y) {
  uint16_t code = static_cast<uint16_t>((M.at(x, y) ? kGroup : 0) | (N.at(x, y) ? kColorB : 0));
  for (A_long dr = -1; dr <= 1; ++dr)
    for (A_long dc = -1; dc <= 1; ++dc) {
      const A_long c = x + dc, r = y + dr;
      if ((dc != 0 || dr != 0) && c >= 0 && c < w && r >= 0 && r < h && M.at(c, r) == 0)
        code = static_cast<uint16_t>(code | NeighbourBit(dc, dr));
    }
  return code;
}

#ifdef VORTANE_HAVE_AVX2_WALKS
// Fills codes from M and N over the w x h rectangle, 16 pixels at a time away
// from the rectangle's left and right edges.
VORTANE_AVX2 void BuildBlurCodes(MaskPlane16 &codes, const MaskPlane8 &M, const MaskPlane8 &N, A_long w, A_long h) {
  const __m128i zero = _mm_setzero_si128();
  for (A_long y = 0; y < h; ++y) {
    uint16_t *c = codes.row(y);
    A_long x = 1;
    for (; x + 16 < w; x += 16) { // columns x - 1 to x + 16 lie inside the row
      const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i *>(M.row(y) + x));
      const __m128i n = _mm_loadu_si128(reinterpret_cast<const __m128i *>(N.row(y) + x));
      const __m128i own = _mm_or_si128(_mm_andnot_si128(_mm_cmpeq_epi8(m, zero), _mm_set1_epi8(kGroup)),
                                       _mm_andnot_si128(_mm_cmpeq_epi8(n, zero), _mm_set1_epi8(kColorB)));
      __m256i code = _mm256_cvtepu8_epi16(own);
      for (A_long dr = -1; dr <= 1; ++dr) {
        if (y + dr < 0 || y + dr >= h) continue;
        for (A_long dc = -1; dc <= 1; ++dc) {
          if (dc == 0 && dr == 0) continue;
          const __m128i near = _mm_loadu_si128(reinterpret_cast<const __m128i *>(M.row(y + dr) + x + dc));
          const __m256i outside = _mm256_cvtepi8_epi16(_mm_cmpeq_epi8(near, zero));
          code = _mm256_or_si256(code, _mm256_and_si256(outside, _mm256_set1_epi16(NeighbourBit(dc, dr))));
        }
      }
      _mm256_storeu_si256(reinterpret_cast<__m256i *>(c + x), code);
    }
    for (; x < w; ++x) c[x] = BlurCodeAt(M, N, w, h, x, y);
    c[0] = BlurCodeAt(M, N, w, h, 0, y);
  }
}
#endif

#ifdef VORTANE_HAVE_AVX2_WALKS
// Eight pixels in lanes: four channels of 32-bit integers (16-bit pixels)
// or floats.
template <typename Pixel> struct Lanes;
template <> struct Lanes<PF_Pixel16> {
  __m256i a, r, g, b;
};
template <> struct Lanes<PF_PixelFloat> {
  __m256 a, r, g, b;
};

template <typename Pixel> VORTANE_AVX2 inline Lanes<Pixel> Broadcast(const Pixel &p) {
  if constexpr (std::is_same_v<Pixel, PF_Pixel16>)
    return {_mm256_set1_epi32(p.alpha), _mm256_set1_epi32(p.red), _mm256_set1_epi32(p.green),
            _mm256_set1_epi32(p.blue)};
  else
    return {_mm256_set1_ps(p.alpha), _mm256_set1_ps(p.red), _mm256_set1_ps(p.green), _mm256_set1_ps(p.blue)};
}

template <typename Pixel>
VORTANE_AVX2 inline Lanes<Pixel> Select(__m256i mask, const Lanes<Pixel> &yes, const Lanes<Pixel> &no) {
  return {avx2::Select(mask, yes.a, no.a), avx2::Select(mask, yes.r, no.r), avx2::Select(mask, yes.g, no.g),
          avx2::Select(mask, yes.b, no.b)};
}

// Lanes whose alpha is not 0 (for floats as the != operator: NaN counts).
VORTANE_AVX2 inline __m256i AlphaSet(const Lanes<PF_Pixel16> &p) { return avx2::NonZero(p.a); }
VORTANE_AVX2 inline __m256i AlphaSet(const Lanes<PF_PixelFloat> &p) {
  return _mm256_castps_si256(_mm256_cmp_ps(p.a, _mm256_setzero_ps(), _CMP_NEQ_UQ));
}

// The eight pixels at[0..7]; the bytes are moved, never converted.
VORTANE_AVX2 inline Lanes<PF_Pixel16> LoadLanes(const PF_Pixel16 *const at[8]) {
  uint64_t v[8];
  for (int i = 0; i < 8; ++i) std::memcpy(&v[i], at[i], sizeof v[i]);
  const __m256i lo = _mm256_setr_epi64x(static_cast<long long>(v[0]), static_cast<long long>(v[1]),
                                        static_cast<long long>(v[2]), static_cast<long long>(v[3]));
  const __m256i hi = _mm256_setr_epi64x(static_cast<long long>(v[4]), static_cast<long long>(v[5]),
                                        static_cast<long long>(v[6]), static_cast<long long>(v[7]));
  // Per 128-bit half: the words of two pixels grouped by channel, then the
  // channel pairs of both halves next to each other: a0..3 r0..3 g0..3 b0..3.
  const __m256i byChannel =
      _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6,
                       7, 14, 15);
  const __m256i pairs = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  const __m256i l = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(lo, byChannel), pairs);
  const __m256i h = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(hi, byChannel), pairs);
  const __m256i ag = _mm256_unpacklo_epi64(l, h); // a0..7 | g0..7
  const __m256i rb = _mm256_unpackhi_epi64(l, h); // r0..7 | b0..7
  return {_mm256_cvtepu16_epi32(_mm256_castsi256_si128(ag)), _mm256_cvtepu16_epi32(_mm256_castsi256_si128(rb)),
          _mm256_cvtepu16_epi32(_mm256_extracti128_si256(ag, 1)),
          _mm256_cvtepu16_epi32(_mm256_extracti128_si256(rb, 1))};
}

VORTANE_AVX2 inline Lanes<PF_PixelFloat> LoadLanes(const PF_PixelFloat *const at[8]) {
  const __m256 p04 = _mm256_set_m128(_mm_loadu_ps(&at[4]->alpha), _mm_loadu_ps(&at[0]->alpha));
  const __m256 p15 = _mm256_set_m128(_mm_loadu_ps(&at[5]->alpha), _mm_loadu_ps(&at[1]->alpha));
  const __m256 p26 = _mm256_set_m128(_mm_loadu_ps(&at[6]->alpha), _mm_loadu_ps(&at[2]->alpha));
  const __m256 p37 = _mm256_set_m128(_mm_loadu_ps(&at[7]->alpha), _mm_loadu_ps(&at[3]->alpha));
  const __m256 ar01 = _mm256_unpacklo_ps(p04, p15), gb01 = _mm256_unpackhi_ps(p04, p15);
  const __m256 ar23 = _mm256_unpacklo_ps(p26, p37), gb23 = _mm256_unpackhi_ps(p26, p37);
  return {_mm256_shuffle_ps(ar01, ar23, 0x44), _mm256_shuffle_ps(ar01, ar23, 0xEE),
          _mm256_shuffle_ps(gb01, gb23, 0x44), _mm256_shuffle_ps(gb01, gb23, 0xEE)};
}

// Lane i of the stored channel sums becomes out[i].
template <typename Sums, typename Channel>
void SpreadLanes(Sums out[8], const Channel *lr, const Channel *lg, const Channel *lb, const int32_t *lw) {
  for (int i = 0; i < 8; ++i) {
    out[i].r = lr[i];
    out[i].g = lg[i];
    out[i].b = lb[i];
    out[i].w = lw[i];
  }
}

// The weighted sums of eight pixels, each lane adding in its own order.
template <typename Pixel> struct LaneSums;
template <> struct LaneSums<PF_Pixel16> {
  __m256i r, g, b, w;
  VORTANE_AVX2 LaneSums() : r(_mm256_setzero_si256()), g(r), b(r), w(r) {}
  // Adds c with weight v in the lanes of mask (integer sums: a masked lane
  // adds 0, which changes nothing).
  VORTANE_AVX2 void add(const Lanes<PF_Pixel16> &c, __m256i v, __m256i mask) {
    v = _mm256_and_si256(v, mask);
    r = _mm256_add_epi32(r, _mm256_mullo_epi32(c.r, v));
    g = _mm256_add_epi32(g, _mm256_mullo_epi32(c.g, v));
    b = _mm256_add_epi32(b, _mm256_mullo_epi32(c.b, v));
    w = _mm256_add_epi32(w, v);
  }
  VORTANE_AVX2 void store(ColorSums<PF_Pixel16> out[8]) const {
    int32_t lr[8], lg[8], lb[8], lw[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lr), r);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lg), g);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lb), b);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lw), w);
    SpreadLanes(out, lr, lg, lb, lw);
  }
};
template <> struct LaneSums<PF_PixelFloat> {
  __m256d r[2], g[2], b[2];
  __m256i w;
  VORTANE_AVX2 LaneSums() {
    for (int i = 0; i < 2; ++i) r[i] = g[i] = b[i] = _mm256_setzero_pd();
    w = _mm256_setzero_si256();
  }
  // sum += double(channel x float(v)) in the lanes of mask; the others keep
  // their sum untouched.
  VORTANE_AVX2 static void addTo(__m256d sum[2], __m256 channel, __m256 fv, const __m256d keep[2]) {
    const __m256 product = _mm256_mul_ps(channel, fv);
    const __m256d lo = _mm256_cvtps_pd(_mm256_castps256_ps128(product));
    const __m256d hi = _mm256_cvtps_pd(_mm256_extractf128_ps(product, 1));
    sum[0] = _mm256_blendv_pd(_mm256_add_pd(sum[0], lo), sum[0], keep[0]);
    sum[1] = _mm256_blendv_pd(_mm256_add_pd(sum[1], hi), sum[1], keep[1]);
  }
  VORTANE_AVX2 void add(const Lanes<PF_PixelFloat> &c, __m256i v, __m256i mask) {
    const __m256 fv = _mm256_cvtepi32_ps(v);
    const __m256i keep32 = _mm256_xor_si256(mask, _mm256_set1_epi32(-1));
    const __m256d keep[2] = {_mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm256_castsi256_si128(keep32))),
                             _mm256_castsi256_pd(_mm256_cvtepi32_epi64(_mm256_extracti128_si256(keep32, 1)))};
    addTo(r, c.r, fv, keep);
    addTo(g, c.g, fv, keep);
    addTo(b, c.b, fv, keep);
    w = _mm256_add_epi32(w, _mm256_and_si256(v, mask));
  }
  VORTANE_AVX2 void store(ColorSums<PF_PixelFloat> out[8]) const {
    double lr[8], lg[8], lb[8];
    int32_t lw[8];
    _mm256_storeu_pd(lr, r[0]);
    _mm256_storeu_pd(lr + 4, r[1]);
    _mm256_storeu_pd(lg, g[0]);
    _mm256_storeu_pd(lg + 4, g[1]);
    _mm256_storeu_pd(lb, b[0]);
    _mm256_storeu_pd(lb + 4, b[1]);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(lw), w);
    SpreadLanes(out, lr, lg, lb, lw);
  }
};

// limit > double(k) per lane, as the scalar comparison.
VORTANE_AVX2 inline __m256i GreaterThanCount(double limit, __m256i k) {
  const __m256d l = _mm256_set1_pd(limit);
  const __m256d lo = _mm256_cmp_pd(l, _mm256_cvtepi32_pd(_mm256_castsi256_si128(k)), _CMP_GT_OQ);
  const __m256d hi = _mm256_cmp_pd(l, _mm256_cvtepi32_pd(_mm256_extracti128_si256(k, 1)), _CMP_GT_OQ);
  const __m256i even = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m128i l4 = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(lo), even));
  const __m128i h4 = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(hi), even));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(l4), h4, 1);
}

// One step's sample for eight lanes: the position t, whether the sample lies
// inside the rectangle, and there its code and source pixel (elsewhere 0 and
// the rectangle's first pixel).
template <typename Pixel> struct SampleLanes {
  __m256 t;
  __m256i inRect, code;
  Lanes<Pixel> P;
};

template <typename Pixel>
VORTANE_AVX2 inline SampleLanes<Pixel> TakeSample(const BlurJob<Pixel> &job, __m256 t, __m256 dp, __m256 fx, __m256 fy,
                                                  const char *origin, __m256i rowBytes) {
  using namespace avx2;
  const __m256 ratio = _mm256_div_ps(t, dp);
  const __m256i px = RayPositions(ratio, fx, _mm256_set1_ps(static_cast<float>(job.cx)));
  const __m256i py = RayPositions(ratio, fy, _mm256_set1_ps(static_cast<float>(job.cy)));
  const __m256i inRect =
      And(InRange(px, _mm256_set1_epi32(job.width())), InRange(py, _mm256_set1_epi32(job.height())));
  const __m256i code = Lookup(job.codes.data, PlaneOffsets(px, py, job.codes.pitch), inRect);
  const Pixel *at[8];
  int32_t offset[8];
  const __m256i bytes =
      _mm256_add_epi32(_mm256_mullo_epi32(py, rowBytes), _mm256_mullo_epi32(px, _mm256_set1_epi32(sizeof(Pixel))));
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(offset), And(bytes, inRect));
  for (int i = 0; i < 8; ++i) at[i] = reinterpret_cast<const Pixel *>(origin + offset[i]);
  return {t, inRect, code, LoadLanes(at)};
}

// Eight pixels x0..x0+7 of row y, one per lane, on one side of the centre's
// column: every lane takes the steps of BlurPixel with the same float
// operations and adds its colours in the same order; a lane that ends its
// walk is masked off, and the block ends when all have.
template <typename Pixel, bool Bounded, bool Outward>
VORTANE_AVX2 void BlurBlockAvx2(BlurJob<Pixel> &job, A_long x0, A_long y) {
  using namespace avx2;
  constexpr bool kBoundedInward = Bounded && !Outward;
  const A_long R = job.R, cx = job.cx, cy = job.cy;
  const float D = job.D;
  const float step = 1.0f / D;
  const uint16_t *crow = job.codes.row(y);
  const uint16_t *lrow = job.lengthMap.row(y);
  const char *origin = reinterpret_cast<const char *>(WorldRow<const Pixel>(job.source, job.rect.top) + job.rect.left);
  const __m256i rowBytes = _mm256_set1_epi32(job.source->rowbytes);
  const Pixel *srow = WorldRow<const Pixel>(job.source, job.rect.top + y) + job.rect.left;

  float tLane[8], dpLane[8], fxLane[8];
  int32_t lenLane[8], activeLane[8], caseALane[8];
  int any = 0;
  for (int i = 0; i < 8; ++i) any |= crow[x0 + i] & kGroup;
  if (!any) return;
  A_long longest = 0;
  for (int i = 0; i < 8; ++i) {
    const A_long x = x0 + i;
    const float dp = CentreDistance(x, y, cx, cy) / D;
    A_long len = lrow[x];
    if (len == 0) len = R;
    if (len > R) len = R;
    const A_long off = static_cast<A_long>(static_cast<double>(len) * job.f);
    tLane[i] = StartPosition<Bounded, Outward>(dp, step, off, len);
    dpLane[i] = dp;
    fxLane[i] = static_cast<float>(x - cx);
    lenLane[i] = len;
    activeLane[i] = (crow[x] & kGroup) ? -1 : 0;
    caseALane[i] = (crow[x] & kColorB) ? -1 : 0;
    if (activeLane[i] && len > longest) longest = len;
  }
  __m256i active = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(activeLane));
  if (!Any(active)) return;
  const __m256i caseA = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(caseALane));
  const __m256i len = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(lenLane));
  const __m256 dp = _mm256_loadu_ps(dpLane), fx = _mm256_loadu_ps(fxLane);
  const __m256 fy = _mm256_set1_ps(static_cast<float>(y - cy));
  const __m256 stepV = _mm256_set1_ps(step), zero = _mm256_setzero_ps();
  const __m256i allOnes = _mm256_set1_epi32(-1);

  // The look-ahead window's cells other than the sample, with their weights
  // |dc| + |dr| x m (the block lies on one side of the centre's column).
  struct Cell {
    __m256i bit, weight;
  };
  Cell cells[5];
  int cellCount = 0;
  if (Bounded) {
    const Span cols = WindowColumns<Outward>(x0, cx);
    const Span rows = WindowRows<Outward>(y, cy);
    const A_long m = 1 + (y == cy ? 1 : 0);
    for (A_long dr = rows.lo; dr <= rows.hi; ++dr)
      for (A_long dc = cols.lo; dc <= cols.hi; ++dc)
        if (dc != 0 || dr != 0)
          cells[cellCount++] = {_mm256_set1_epi32(NeighbourBit(dc, dr)),
                                _mm256_set1_epi32((dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr) * m)};
  }

  const Lanes<Pixel> own = LoadLanes(std::array<const Pixel *, 8>{srow + x0, srow + x0 + 1, srow + x0 + 2,
                                                                   srow + x0 + 3, srow + x0 + 4, srow + x0 + 5,
                                                                   srow + x0 + 6, srow + x0 + 7}
                                         .data());
  const Lanes<Pixel> substitute = Broadcast(job.Bc);
  LaneSums<Pixel> sums;
  Lanes<Pixel> held = Broadcast(Pixel{}); // H
  __m256i pending = _mm256_setzero_si256(); // Q
  __m256i firstRun = allOnes;               // F
  __m256i skipped = _mm256_setzero_si256(); // K
  __m256 t = _mm256_loadu_ps(tLane);

  // The samples are taken one step ahead, masked only by the rectangle, so
  // that their look-ups overlap the previous step's work.
  SampleLanes<Pixel> next = TakeSample<Pixel>(job, t, dp, fx, fy, origin, rowBytes);
  for (A_long k = 0; k < longest; ++k) {
    const SampleLanes<Pixel> sample = next;
    t = Outward ? _mm256_add_ps(t, stepV) : _mm256_sub_ps(t, stepV);
    if (k + 1 < longest) next = TakeSample<Pixel>(job, t, dp, fx, fy, origin, rowBytes);
    active = And(active, _mm256_cmpgt_epi32(len, _mm256_set1_epi32(k)));
    if (!Any(active)) break;
    const __m256i negative = Compare<_CMP_LT_OQ>(sample.t, zero);
    if (!Outward) active = AndNot(negative, active);
    if (Outward) active = AndNot(AndNot(negative, AndNot(sample.inRect, active)), active);
    const __m256i live = AndNot(negative, And(active, sample.inRect));
    if (!Any(live)) continue;

    const __m256i code = sample.code;
    const __m256i inGroup = And(live, HasBits(code, kGroup));
    const __m256i isColorB = And(live, HasBits(code, kColorB));
    const __m256i notColorB = AndNot(isColorB, live);
    const __m256 ts = sample.t;
    const __m256i before = And(live, Outward ? Compare<_CMP_LT_OQ>(ts, dp) : Compare<_CMP_GT_OQ>(ts, dp));
    const __m256i past = And(live, Outward ? Compare<_CMP_GT_OQ>(ts, dp) : Compare<_CMP_LT_OQ>(ts, dp));
    __m256i stop = _mm256_setzero_si256(); // score >= 2
    if (Bounded) {
      const __m256i scored = And(live, Outward ? Compare<_CMP_GT_OQ>(ts, dp) : Compare<_CMP_LE_OQ>(ts, dp));
      const __m256i inside = And(scored, inGroup);
      __m256i score = And(AndNot(inGroup, scored), _mm256_set1_epi32(3));
      for (int c = 0; c < cellCount; ++c)
        score = _mm256_add_epi32(score, And(And(inside, NonZero(And(code, cells[c].bit))), cells[c].weight));
      stop = _mm256_cmpgt_epi32(score, _mm256_set1_epi32(1));
    }
    const Lanes<Pixel> &P = sample.P;
    const __m256i wk = _mm256_set1_epi32(static_cast<A_long>(job.W[k]));
    const __m256i heldSet = AlphaSet(held);

    // Case B: the pixel itself is not Color B.
    const __m256i caseB = AndNot(caseA, live);
    const __m256i b1 = And(caseB, And(inGroup, Or(notColorB, before)));
    const __m256i b2Test = AndNot(inGroup, before);
    const __m256i b2 = And(AndNot(b1, caseB), b2Test);
    const __m256i b3 = And(AndNot(b1, AndNot(b2Test, caseB)), heldSet);
    if (Any(b2)) {
      const __m256i b2Opaque = And(b2, AlphaSet(P));
      if (kBoundedInward) {
        const __m256i drop = And(b2Opaque, GreaterThanCount(job.skipLimit, skipped));
        skipped = _mm256_sub_epi32(skipped, drop);
        pending = _mm256_add_epi32(pending, And(AndNot(drop, b2Opaque), wk));
      } else {
        pending = _mm256_add_epi32(pending, And(b2Opaque, wk));
      }
    }

    // Case A: the pixel itself is Color B.
    const __m256i caseAL = And(caseA, live);
    const __m256i a0 = And(AndNot(firstRun, caseAL), isColorB);
    const __m256i a0Ends = kBoundedInward ? AndNot(stop, a0) : a0; // the step ends after A0
    const __m256i restA = AndNot(a0Ends, caseAL);
    const __m256i a1 = And(restA, kBoundedInward ? notColorB : And(notColorB, inGroup));
    const __m256i toA3 = AndNot(past, a1);
    firstRun = AndNot(And(a1, past), firstRun);
    const __m256i a2 = And(AndNot(toA3, restA), Or(And(past, inGroup), isColorB));
    const __m256i a3 = And(AndNot(a2, restA), b2Test);

    // First addition of the step: B1, B3, A0, and A2 or A3 of lanes not in
    // A0; then the second: B1's pending weight, or A2 or A3 after A0.
    const __m256i firstP = Or(b1, AndNot(a0, a2)), firstHeld = Or(b3, And(a0, heldSet));
    const __m256i firstOwn = AndNot(a0, a3);
    sums.add(Select(firstHeld, held, Select(firstOwn, own, P)), wk, Or(firstP, Or(firstHeld, firstOwn)));
    const __m256i pendingAdd = And(b1, NonZero(pending));
    const __m256i secondP = And(a0, a2), secondOwn = And(a0, a3);
    const __m256i second = Or(pendingAdd, Or(secondP, secondOwn));
    if (Any(second)) {
      sums.add(Select(secondOwn, own, Select(secondP, P, Outward ? P : substitute)),
               avx2::Select(pendingAdd, pending, wk), second);
      pending = AndNot(pendingAdd, pending);
    }
    held = Select(Or(And(b1, notColorB), kBoundedInward ? a2 : And(a2, notColorB)), P, held);

    if (Bounded) active = AndNot(kBoundedInward ? stop : AndNot(a0, stop), active);
  }

  ColorSums<Pixel> laneSums[8];
  sums.store(laneSums);
  Pixel *out = WorldRow<Pixel>(job.destination, job.rect.top + y) + job.rect.left;
  for (int i = 0; i < 8; ++i)
    if (activeLane[i] && laneSums[i].w != 0) laneSums[i].meanInto(out[x0 + i]);
}
#endif

template <typename Pixel, bool Bounded, bool Outward> void BlurRows(BlurJob<Pixel> &job, A_long begin, A_long end) {
  const A_long w = job.width();
  for (A_long y = begin; y < end; ++y) {
    A_long x = 0;
#ifdef VORTANE_HAVE_AVX2_WALKS
    if (job.simd == SimdLevel::AVX2) {
      for (; x + 8 <= w; x += 8) {
        if (job.cx >= x && job.cx < x + 8) {
          // The centre's column: the window differs between its lanes.
          for (A_long i = x; i < x + 8; ++i) BlurPixel<Pixel, Bounded, Outward>(job, i, y);
        } else {
          BlurBlockAvx2<Pixel, Bounded, Outward>(job, x, y);
        }
      }
    }
#endif
    for (; x < w; ++x) BlurPixel<Pixel, Bounded, Outward>(job, x, y);
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
#ifdef VORTANE_HAVE_AVX2_WALKS
  job.simd = avx2::WalkLevel([&] {
    const A_long w = job.width(), h = job.height();
    createPlane16(job.codes, in_data, w, h);
    if (!avx2::PlaneFitsLanes(job.codes, w, h) || !avx2::WorldFitsLanes(source, w, h, sizeof(Pixel))) return false;
    BuildBlurCodes(job.codes, M, N, w, h);
    return true;
  });
#else
  job.simd = SimdLevel::Scalar;
#endif
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
