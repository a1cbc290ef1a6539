// The softening passes with AVX2, eight pixels at a time: each lane runs the
// plain pass's steps for its own pixel in the same order, so the pixels are
// the same bits. Only the functions below use AVX2; they run when the
// processor has it.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstring>
#include <type_traits>

#include "SoftenPass.h"

#define SOFTEN_AVX2 __attribute__((target("avx2")))
#define SOFTEN_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace soften {

namespace {

// Entries of the staging buffers: a stretch of a row (across) or of eight
// columns (down), with the window's reach on both sides.
constexpr A_long kStageEntries = 2048;
constexpr A_long kMaxReach = 120; // down: 256 staged rows leave at least 16 output rows

// One staged entry per pixel: red, green, blue (16-bit values or floats),
// the range key, and 0xFF for a group pixel (0 outside the group, outside the
// rectangle, or in a column of another band).
template <typename Channel> struct Staging {
  Channel r[kStageEntries + 8], g[kStageEntries + 8], b[kStageEntries + 8];
  int32_t key[kStageEntries + 8];
  int8_t mask[kStageEntries + 8];
};

template <typename Pixel> struct Lanes;

// Scalars of one pass, as the vector code uses them.
struct Constants {
  __m256i Xi, limit, limitLess1, indexFrom512, zeroIndicesLess1;
  __m256i codeZeroBelow; // differences below this have code 0
  const int32_t *bilateral;
  const int32_t *cross;
  A_long reach;
  A_long K0;
  bool farCrossZero;
};

// Bits of the lanes k whose pixel lo <= first + k < hi.
inline unsigned LanesWithin(A_long first, A_long lo, A_long hi) {
  unsigned bits = 0;
  for (A_long k = 0; k < 8; ++k) bits |= (first + k >= lo && first + k < hi ? 1u : 0u) << k;
  return bits;
}

// The eight pixels row[x..x+7], or, when not all lanes may be read, the
// readable ones copied into tmp (the rest zero).
template <typename Pixel> const Pixel *ReadablePixels(const Pixel *row, A_long x, unsigned lanes, Pixel (&tmp)[8]) {
  if (lanes == 0xFF) return row + x;
  std::memset(tmp, 0, sizeof tmp);
  for (A_long k = 0; k < 8; ++k)
    if (lanes >> k & 1) tmp[k] = row[x + k];
  return tmp;
}

// 0xFF for each lane of row[x..x+7] whose mask byte is set and which may be
// read.
SOFTEN_AVX2_INLINE __m128i MaskBytes(const uint8_t *row, A_long x, unsigned lanes) {
  uint64_t bytes = 0;
  if (lanes == 0xFF) {
    std::memcpy(&bytes, row + x, 8);
  } else {
    for (A_long k = 0; k < 8; ++k)
      if (lanes >> k & 1) bytes |= static_cast<uint64_t>(row[x + k]) << (8 * k);
  }
  const __m128i v = _mm_cvtsi64_si128(static_cast<long long>(bytes));
  return _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), _mm_set1_epi8(-1));
}

SOFTEN_AVX2_INLINE __m256i LaneMask(const int8_t *bytes) {
  return _mm256_cvtepi8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(bytes)));
}

// Range-table index of non-negative differences c: (Xi c) >> 16 below the
// limit, 512 from the limit on (the index of code 128). Below the limit
// Xi c < 2^25, so the product of the clamped difference never overflows.
SOFTEN_AVX2_INLINE __m256i CodeIndex(__m256i c, const Constants &k) {
  const __m256i below = _mm256_cmpgt_epi32(k.limit, c);
  const __m256i product = _mm256_mullo_epi32(_mm256_min_epi32(c, k.limitLess1), k.Xi);
  return _mm256_blendv_epi8(k.indexFrom512, _mm256_srli_epi32(product, 16), below);
}

// The weights of the differences c in the active lanes (0 elsewhere) from
// one distance's row of a table by index. Small differences all have code 0,
// which the row's first entry serves without a look-up per lane.
SOFTEN_AVX2_INLINE __m256i Weights(const int32_t *row, __m256i c, __m256i active, const Constants &k) {
  const __m256i coded = _mm256_and_si256(_mm256_cmpgt_epi32(c, k.codeZeroBelow), active);
  if (_mm256_testz_si256(coded, coded)) return _mm256_and_si256(_mm256_set1_epi32(row[0]), active);
  const __m256i idx = CodeIndex(c, k);
  const __m256i fromTable = _mm256_and_si256(_mm256_cmpgt_epi32(idx, k.zeroIndicesLess1), active);
  const __m256i w =
      _mm256_testz_si256(fromTable, fromTable) ? _mm256_set1_epi32(row[0]) : _mm256_i32gather_epi32(row, idx, 4);
  return _mm256_and_si256(w, active);
}

// Quotients a / b of non-negative 32-bit lanes, b > 0: in doubles, exact
// for numerators below 2^53.
SOFTEN_AVX2_INLINE __m256i DivideLanes(__m256i a, __m256i b) {
  const __m128i lo = _mm256_cvttpd_epi32(
      _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(a)), _mm256_cvtepi32_pd(_mm256_castsi256_si128(b))));
  const __m128i hi = _mm256_cvttpd_epi32(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(a, 1)),
                                                       _mm256_cvtepi32_pd(_mm256_extracti128_si256(b, 1))));
  return _mm256_set_m128i(hi, lo);
}

// trunc(v x 32768 + 0.5) of non-negative floats, at most 32768 (NaN gives
// 32768): min(q, 32768) returns its second operand for a NaN q.
SOFTEN_AVX2_INLINE __m256i QuantizeLanes(__m256 v) {
  const __m256d scale = _mm256_set1_pd(32768.0), half = _mm256_set1_pd(0.5);
  const __m256d lo = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(v)), scale), half);
  const __m256d hi = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)), scale), half);
  return _mm256_set_m128i(_mm256_cvttpd_epi32(_mm256_min_pd(hi, scale)), _mm256_cvttpd_epi32(_mm256_min_pd(lo, scale)));
}

SOFTEN_AVX2_INLINE __m256 AbsLanes(__m256 v) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v); }

// ---------------------------------------------------------------------------
// 16-bit lanes: channels and keys as 32-bit integers, integer sums
// ---------------------------------------------------------------------------

template <> struct Lanes<PF_Pixel16> {
  using Channel = int32_t;
  using Vec = __m256i;

  // Alpha, red, green and blue of eight pixels.
  SOFTEN_AVX2_INLINE static void load(const PF_Pixel16 *p, __m256i &a, __m256i &r, __m256i &g, __m256i &b) {
    const __m256 v0 = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p)));
    const __m256 v1 = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + 4)));
    // Dwords (alpha | red << 16) and (green | blue << 16) of pixels 0 1 4 5 | 2 3 6 7, then in order.
    const __m256i ar = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0))),
                                                _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i gb = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1))),
                                                _MM_SHUFFLE(3, 1, 2, 0));
    const __m256i low = _mm256_set1_epi32(0xFFFF);
    a = _mm256_and_si256(ar, low);
    r = _mm256_srli_epi32(ar, 16);
    g = _mm256_and_si256(gb, low);
    b = _mm256_srli_epi32(gb, 16);
  }

  // Writes the pixels of the lanes in `store` (all lanes when `all`).
  SOFTEN_AVX2_INLINE static void save(PF_Pixel16 *p, __m256i a, __m256i r, __m256i g, __m256i b, __m256i store) {
    const __m256i ar = _mm256_or_si256(a, _mm256_slli_epi32(r, 16));
    const __m256i gb = _mm256_or_si256(g, _mm256_slli_epi32(b, 16));
    const __m256i lo = _mm256_unpacklo_epi32(ar, gb); // pixels 0 1 | 4 5
    const __m256i hi = _mm256_unpackhi_epi32(ar, gb); // pixels 2 3 | 6 7
    const __m256i first = _mm256_permute2x128_si256(lo, hi, 0x20);
    const __m256i second = _mm256_permute2x128_si256(lo, hi, 0x31);
    auto *q = reinterpret_cast<long long *>(p);
    _mm256_maskstore_epi64(q, _mm256_cvtepi32_epi64(_mm256_castsi256_si128(store)), first);
    _mm256_maskstore_epi64(q + 4, _mm256_cvtepi32_epi64(_mm256_extracti128_si256(store, 1)), second);
  }

  // The range key: the channel sum.
  SOFTEN_AVX2_INLINE static __m256i key(__m256i r, __m256i g, __m256i b, __m256i /*first*/) {
    return _mm256_add_epi32(_mm256_add_epi32(r, g), b);
  }

  // Sums of one bilateral or cross-mix window.
  struct Sums {
    __m256i r, g, b, w;
    SOFTEN_AVX2_INLINE Sums()
        : r(_mm256_setzero_si256()), g(_mm256_setzero_si256()), b(_mm256_setzero_si256()), w(_mm256_setzero_si256()) {}
    SOFTEN_AVX2_INLINE void add(__m256i pr, __m256i pg, __m256i pb, __m256i weight, __m256i /*active*/) {
      r = _mm256_add_epi32(r, _mm256_mullo_epi32(pr, weight));
      g = _mm256_add_epi32(g, _mm256_mullo_epi32(pg, weight));
      b = _mm256_add_epi32(b, _mm256_mullo_epi32(pb, weight));
      w = _mm256_add_epi32(w, weight);
    }
    // (sum + total / 2) / total where `use`, else the given channels.
    SOFTEN_AVX2_INLINE void meanOr(__m256i use, __m256i &outR, __m256i &outG, __m256i &outB) const {
      const __m256i total = _mm256_blendv_epi8(_mm256_set1_epi32(1), w, use);
      const __m256i half = _mm256_srai_epi32(w, 1);
      outR = _mm256_blendv_epi8(outR, DivideLanes(_mm256_add_epi32(r, half), total), use);
      outG = _mm256_blendv_epi8(outG, DivideLanes(_mm256_add_epi32(g, half), total), use);
      outB = _mm256_blendv_epi8(outB, DivideLanes(_mm256_add_epi32(b, half), total), use);
    }
  };

  SOFTEN_AVX2_INLINE static __m256i loadChannel(const int32_t *p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
  }
  SOFTEN_AVX2_INLINE static void storeChannel(int32_t *p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v);
  }
  // |sum(self) - sum(p)|, the cross mix's difference.
  SOFTEN_AVX2_INLINE static __m256i difference(__m256i selfKey, __m256i, __m256i r, __m256i g, __m256i b) {
    return _mm256_abs_epi32(_mm256_sub_epi32(selfKey, key(r, g, b, selfKey)));
  }
  SOFTEN_AVX2_INLINE static __m256i selfSum(__m256i r, __m256i g, __m256i b) { return key(r, g, b, r); }
};

// ---------------------------------------------------------------------------
// Float lanes: channels as floats, keys quantized, products added to double
// sums in the plain pass's order
// ---------------------------------------------------------------------------

template <> struct Lanes<PF_PixelFloat> {
  using Channel = float;
  using Vec = __m256;

  SOFTEN_AVX2_INLINE static void load(const PF_PixelFloat *p, __m256 &a, __m256 &r, __m256 &g, __m256 &b) {
    const __m256 v0 = _mm256_loadu_ps(&p[0].alpha), v1 = _mm256_loadu_ps(&p[2].alpha);
    const __m256 v2 = _mm256_loadu_ps(&p[4].alpha), v3 = _mm256_loadu_ps(&p[6].alpha);
    const __m256 u0 = _mm256_permute2f128_ps(v0, v2, 0x20); // pixels 0 | 4
    const __m256 u1 = _mm256_permute2f128_ps(v0, v2, 0x31); // 1 | 5
    const __m256 u2 = _mm256_permute2f128_ps(v1, v3, 0x20); // 2 | 6
    const __m256 u3 = _mm256_permute2f128_ps(v1, v3, 0x31); // 3 | 7
    const __m256 t0 = _mm256_unpacklo_ps(u0, u1), t1 = _mm256_unpackhi_ps(u0, u1);
    const __m256 t2 = _mm256_unpacklo_ps(u2, u3), t3 = _mm256_unpackhi_ps(u2, u3);
    a = _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(t0), _mm256_castps_pd(t2)));
    r = _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(t0), _mm256_castps_pd(t2)));
    g = _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(t1), _mm256_castps_pd(t3)));
    b = _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(t1), _mm256_castps_pd(t3)));
  }

  // Red, green and blue of the lanes in `store`, alpha of those in `alpha`.
  SOFTEN_AVX2_INLINE static void save(PF_PixelFloat *p, __m256 a, __m256 r, __m256 g, __m256 b, __m256i store,
                                      __m256i alpha) {
    const __m256 t0 = _mm256_unpacklo_ps(a, r), t1 = _mm256_unpackhi_ps(a, r); // a0 r0 a1 r1 | a4 ..., a2 r2 a3 r3 | ...
    const __m256 t2 = _mm256_unpacklo_ps(g, b), t3 = _mm256_unpackhi_ps(g, b);
    const __m256 p04 = _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(t0), _mm256_castps_pd(t2)));
    const __m256 p15 = _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(t0), _mm256_castps_pd(t2)));
    const __m256 p26 = _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(t1), _mm256_castps_pd(t3)));
    const __m256 p37 = _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(t1), _mm256_castps_pd(t3)));
    const __m256 pairs[4] = {_mm256_permute2f128_ps(p04, p15, 0x20), _mm256_permute2f128_ps(p26, p37, 0x20),
                             _mm256_permute2f128_ps(p04, p15, 0x31), _mm256_permute2f128_ps(p26, p37, 0x31)};
    for (int j = 0; j < 4; ++j) {
      // Pixels 2j and 2j + 1: lane masks alpha, store, store, store for each.
      const __m256i pick = _mm256_setr_epi32(2 * j, 2 * j, 2 * j, 2 * j, 2 * j + 1, 2 * j + 1, 2 * j + 1, 2 * j + 1);
      const __m256i s = _mm256_permutevar8x32_epi32(store, pick);
      const __m256i al = _mm256_permutevar8x32_epi32(alpha, pick);
      const __m256i m = _mm256_blend_epi32(s, al, 0x11);
      _mm256_maskstore_ps(&p[2 * j].alpha, m, pairs[j]);
    }
  }

  // The range key: the difference to the line's first group pixel,
  // quantized with its sign.
  SOFTEN_AVX2_INLINE static __m256i key(__m256 r, __m256 g, __m256 b, __m256 first) {
    const __m256 diff = _mm256_sub_ps(first, _mm256_add_ps(_mm256_add_ps(r, g), b));
    const __m256i q = QuantizeLanes(AbsLanes(diff));
    const __m256 nonNegative = _mm256_cmp_ps(diff, _mm256_setzero_ps(), _CMP_GE_OQ);
    return _mm256_blendv_epi8(_mm256_sub_epi32(_mm256_setzero_si256(), q), q, _mm256_castps_si256(nonNegative));
  }

  struct Sums {
    __m256d r0, r1, g0, g1, b0, b1;
    __m256i w;
    SOFTEN_AVX2_INLINE Sums()
        : r0(_mm256_setzero_pd()), r1(_mm256_setzero_pd()), g0(_mm256_setzero_pd()), g1(_mm256_setzero_pd()),
          b0(_mm256_setzero_pd()), b1(_mm256_setzero_pd()), w(_mm256_setzero_si256()) {}
    // Each product in single precision, then widened and added; inactive
    // lanes add +0, which leaves a sum that never is -0 unchanged.
    SOFTEN_AVX2_INLINE static void addProduct(__m256d &s0, __m256d &s1, __m256 p, __m256 fw, __m256 active) {
      const __m256 product = _mm256_and_ps(_mm256_mul_ps(p, fw), active);
      s0 = _mm256_add_pd(s0, _mm256_cvtps_pd(_mm256_castps256_ps128(product)));
      s1 = _mm256_add_pd(s1, _mm256_cvtps_pd(_mm256_extractf128_ps(product, 1)));
    }
    SOFTEN_AVX2_INLINE void add(__m256 pr, __m256 pg, __m256 pb, __m256i weight, __m256i active) {
      const __m256 fw = _mm256_cvtepi32_ps(weight);
      const __m256 on = _mm256_castsi256_ps(active);
      addProduct(r0, r1, pr, fw, on);
      addProduct(g0, g1, pg, fw, on);
      addProduct(b0, b1, pb, fw, on);
      w = _mm256_add_epi32(w, weight);
    }
    SOFTEN_AVX2_INLINE static __m256 quotient(__m256d s0, __m256d s1, __m256d t0, __m256d t1) {
      return _mm256_set_m128(_mm256_cvtpd_ps(_mm256_div_pd(s1, t1)), _mm256_cvtpd_ps(_mm256_div_pd(s0, t0)));
    }
    // sum / total where `use`, else the given channels.
    SOFTEN_AVX2_INLINE void meanOr(__m256i use, __m256 &outR, __m256 &outG, __m256 &outB) const {
      const __m256i total = _mm256_blendv_epi8(_mm256_set1_epi32(1), w, use);
      const __m256d t0 = _mm256_cvtepi32_pd(_mm256_castsi256_si128(total));
      const __m256d t1 = _mm256_cvtepi32_pd(_mm256_extracti128_si256(total, 1));
      const __m256 on = _mm256_castsi256_ps(use);
      outR = _mm256_blendv_ps(outR, quotient(r0, r1, t0, t1), on);
      outG = _mm256_blendv_ps(outG, quotient(g0, g1, t0, t1), on);
      outB = _mm256_blendv_ps(outB, quotient(b0, b1, t0, t1), on);
    }
  };

  SOFTEN_AVX2_INLINE static __m256 loadChannel(const float *p) { return _mm256_loadu_ps(p); }
  SOFTEN_AVX2_INLINE static void storeChannel(float *p, __m256 v) { _mm256_storeu_ps(p, v); }
  // trunc(|sum(self) - sum(p)| x 32768 + 0.5), at most 32768.
  SOFTEN_AVX2_INLINE static __m256i difference(__m256i, __m256 selfSum, __m256 r, __m256 g, __m256 b) {
    return QuantizeLanes(AbsLanes(_mm256_sub_ps(selfSum, _mm256_add_ps(_mm256_add_ps(r, g), b))));
  }
  SOFTEN_AVX2_INLINE static __m256 selfSum(__m256 r, __m256 g, __m256 b) { return _mm256_add_ps(_mm256_add_ps(r, g), b); }
};

// ---------------------------------------------------------------------------
// The pass
// ---------------------------------------------------------------------------

template <typename Pixel> struct Pass {
  using L = Lanes<Pixel>;
  using Channel = typename L::Channel;
  using Vec = typename L::Vec;

  const char *src;
  char *dst;
  ptrdiff_t srcRow, dstRow;
  const uint8_t *mask;
  ptrdiff_t maskPitch;
  A_long W, H;
  Constants k;

  const Pixel *srcRowAt(A_long y) const { return reinterpret_cast<const Pixel *>(src + y * srcRow); }
  Pixel *dstRowAt(A_long y) const { return reinterpret_cast<Pixel *>(dst + y * dstRow); }
  const uint8_t *maskRowAt(A_long y) const { return mask + y * maskPitch; }

  // Stages the eight pixels at (x..x+7, y) of the lanes in `lanes` (the
  // others become zero entries outside the group) into entries e..e+7.
  SOFTEN_AVX2_INLINE void stage(Staging<Channel> &st, A_long e, A_long x, A_long y, unsigned lanes, Vec first) const {
    if (lanes == 0) {
      std::memset(&st.r[e], 0, 8 * sizeof(Channel));
      std::memset(&st.g[e], 0, 8 * sizeof(Channel));
      std::memset(&st.b[e], 0, 8 * sizeof(Channel));
      std::memset(&st.key[e], 0, 8 * sizeof(int32_t));
      std::memset(&st.mask[e], 0, 8);
      return;
    }
    Pixel tmp[8];
    Vec a, r, g, b;
    L::load(ReadablePixels(srcRowAt(y), x, lanes, tmp), a, r, g, b);
    L::storeChannel(&st.r[e], r);
    L::storeChannel(&st.g[e], g);
    L::storeChannel(&st.b[e], b);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(&st.key[e]), L::key(r, g, b, first));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(&st.mask[e]), MaskBytes(maskRowAt(y), x, lanes));
  }

  // The output pixels of one group of eight lanes: the self entry e0 in the
  // staging, taps every `stride` entries; the pixels at (x..x+7, y) of the
  // lanes in `own` (which this band may read and write).
  template <bool Bounded, bool Vertical>
  SOFTEN_AVX2_INLINE void group(const Staging<Channel> &st, A_long e0, A_long x, A_long y, unsigned own) const {
    constexpr A_long stride = Vertical ? 8 : 1;
    const __m256i self = LaneMask(&st.mask[e0]);
    if (_mm256_testz_si256(self, self)) return;
    const __m256i key0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(&st.key[e0]));

    // Bilateral sums: along the line from the pixel itself forward, then
    // backward, each lane stopping (bounded) or skipping (open) where its
    // window leaves the group.
    typename L::Sums sums;
    for (int direction = 0; direction < 2; ++direction) {
      __m256i alive = self;
      for (A_long t = direction; t <= k.reach; ++t) {
        const A_long e = direction == 0 ? e0 + t * stride : e0 - t * stride;
        const __m256i m = LaneMask(&st.mask[e]);
        __m256i active;
        if (Bounded) {
          alive = _mm256_and_si256(alive, m);
          if (_mm256_testz_si256(alive, alive)) break;
          active = alive;
        } else {
          active = _mm256_and_si256(m, self);
          if (_mm256_testz_si256(active, active)) continue;
        }
        const __m256i c =
            _mm256_abs_epi32(_mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(&st.key[e])), key0));
        const __m256i w = Weights(k.bilateral + t * kCodeIndices, c, active, k);
        sums.add(L::loadChannel(&st.r[e]), L::loadChannel(&st.g[e]), L::loadChannel(&st.b[e]), w, active);
      }
    }
    const Vec selfR = L::loadChannel(&st.r[e0]), selfG = L::loadChannel(&st.g[e0]), selfB = L::loadChannel(&st.b[e0]);
    const __m256i weighed = _mm256_andnot_si256(_mm256_cmpeq_epi32(sums.w, _mm256_setzero_si256()), self);
    Vec outR = selfR, outG = selfG, outB = selfB;
    sums.meanOr(weighed, outR, outG, outB);

    // Cross mix: the first result with weight K[0], then the group pixels up
    // to two lines beside and two pixels along, lines outer.
    typename L::Sums mix;
    mix.add(outR, outG, outB, _mm256_set1_epi32(k.K0), self);
    const __m256i selfKey = key0;
    const Vec selfSum = L::selfSum(selfR, selfG, selfB);
    for (A_long da = -kCrossRadius; da <= kCrossRadius; ++da) {
      if (da == 0) continue;
      for (A_long di = -kCrossRadius; di <= kCrossRadius; ++di) {
        if (di == 0) continue;
        const A_long distance = di < 0 ? -di : di;
        if (distance == 2 && k.farCrossZero && std::is_same<Pixel, PF_Pixel16>::value) continue; // adds 0
        const A_long nx = Vertical ? x + da : x + di;
        const A_long ny = Vertical ? y + di : y + da;
        if (ny < 0 || ny >= H) continue;
        const unsigned lanes = LanesWithin(nx, 0, W);
        const __m256i m = _mm256_and_si256(_mm256_cvtepi8_epi32(MaskBytes(maskRowAt(ny), nx, lanes)), self);
        if (_mm256_testz_si256(m, m)) continue;
        Pixel tmp[8];
        Vec a, r, g, b;
        L::load(ReadablePixels(srcRowAt(ny), nx, lanes, tmp), a, r, g, b);
        const __m256i w = Weights(k.cross + distance * kCodeIndices, L::difference(selfKey, selfSum, r, g, b), m, k);
        mix.add(r, g, b, w, m);
      }
    }
    const __m256i mixed =
        _mm256_andnot_si256(_mm256_cmpeq_epi32(_mm256_and_si256(mix.w, _mm256_set1_epi32(0xFFFF)),
                                               _mm256_setzero_si256()),
                            self);
    mix.meanOr(mixed, outR, outG, outB);

    // Alpha: the source pixel's where the bilateral weights were all 0 (the
    // whole source pixel is taken), the destination's otherwise.
    const __m256i whole = _mm256_andnot_si256(weighed, self);
    Pixel tmp[8];
    Vec alpha, r, g, b;
    if constexpr (std::is_same<Pixel, PF_Pixel16>::value) {
      L::load(ReadablePixels(dstRowAt(y), x, own, tmp), alpha, r, g, b);
      if (!_mm256_testz_si256(whole, whole)) {
        Vec sourceAlpha;
        L::load(ReadablePixels(srcRowAt(y), x, own, tmp), sourceAlpha, r, g, b);
        alpha = _mm256_blendv_epi8(alpha, sourceAlpha, whole);
      }
      L::save(dstRowAt(y) + x, alpha, outR, outG, outB, self);
    } else {
      alpha = _mm256_setzero_ps();
      if (!_mm256_testz_si256(whole, whole)) L::load(ReadablePixels(srcRowAt(y), x, own, tmp), alpha, r, g, b);
      L::save(dstRowAt(y) + x, alpha, outR, outG, outB, self, whole);
    }
  }
};

template <typename Pixel> SOFTEN_AVX2_INLINE void SetConstants(Constants &k, const PassJob<Pixel> &job) {
  const PassTables &tables = *job.tables;
  const RangeCodes &codes = *job.codes;
  k.Xi = _mm256_set1_epi32(codes.Xi);
  k.limit = _mm256_set1_epi32(codes.limit);
  k.limitLess1 = _mm256_set1_epi32(codes.limit > 0 ? codes.limit - 1 : 0);
  k.indexFrom512 = _mm256_set1_epi32(kCodeIndices - 1);
  k.zeroIndicesLess1 = _mm256_set1_epi32(tables.zeroIndices - 1);
  // (Xi c) >> 16 < zeroIndices for c < ceil(zeroIndices x 65536 / Xi), below the limit.
  A_long zeroBelow = 0;
  if (codes.limit > 0 && codes.Xi > 0) {
    const int64_t bound = (static_cast<int64_t>(tables.zeroIndices) * 65536 + codes.Xi - 1) / codes.Xi;
    zeroBelow = static_cast<A_long>(bound < codes.limit ? bound : codes.limit);
  }
  k.codeZeroBelow = _mm256_set1_epi32(zeroBelow - 1);
  k.bilateral = tables.bilateralByIndex.data();
  k.cross = tables.crossByIndex.data();
  k.reach = job.taps - 1;
  k.K0 = tables.K0;
  k.farCrossZero = tables.farCrossZero;
}

template <typename Pixel> SOFTEN_AVX2_INLINE void SetPass(Pass<Pixel> &pass, const PassJob<Pixel> &job) {
  pass.src = reinterpret_cast<const char *>(WorldRow<const Pixel>(job.source, job.rect.top) + job.rect.left);
  pass.dst = reinterpret_cast<char *>(WorldRow<Pixel>(job.destination, job.rect.top) + job.rect.left);
  pass.srcRow = job.source->rowbytes;
  pass.dstRow = job.destination->rowbytes;
  pass.mask = job.groupMask.data;
  pass.maskPitch = job.groupMask.pitch;
  pass.W = job.width();
  pass.H = job.height();
  SetConstants(pass.k, job);
}

// The range keys' reference of a float line: the channel sum of its first
// group pixel.
float FirstSum(const PF_PixelFloat &p) { return p.red + p.green + p.blue; }

template <typename Pixel, bool Bounded>
SOFTEN_AVX2 void AcrossRows(PassJob<Pixel> &job, A_long begin, A_long end) {
  using Channel = typename Lanes<Pixel>::Channel;
  using Vec = typename Lanes<Pixel>::Vec;
  Pass<Pixel> pass;
  SetPass(pass, job);
  const MaskPlane8 &M = job.groupMask;
  const A_long W = pass.W, reach = pass.k.reach;
  const A_long chunk = (kStageEntries - 2 * reach) / 8 * 8;
  Staging<Channel> st;

  for (A_long y = begin; y < end; ++y) {
    if (M.flagsStale == 0 && M.rowFlags[y] == 0) continue;
    const uint8_t *maskRow = pass.maskRowAt(y);
    A_long firstX = 0;
    while (firstX < W && maskRow[firstX] == 0) ++firstX;
    if (firstX == W) continue;
    Vec first{};
    if constexpr (std::is_same<Pixel, PF_PixelFloat>::value) first = _mm256_set1_ps(FirstSum(pass.srcRowAt(y)[firstX]));

    for (A_long c0 = 0; c0 < W; c0 += chunk) {
      const A_long c1 = c0 + chunk < W ? c0 + chunk : W;
      const A_long base = c0 - reach;
      // Groups of eight read up to seven entries past the chunk's window.
      const A_long staged = (c1 - c0 + 7) / 8 * 8 + 2 * reach;
      for (A_long e = 0; e < staged; e += 8)
        pass.stage(st, e, base + e, y, LanesWithin(base + e, 0, W), first);
      for (A_long x = c0; x < c1; x += 8)
        pass.template group<Bounded, false>(st, x - base, x, y, LanesWithin(x, 0, W));
    }
  }
}

template <typename Pixel, bool Bounded>
SOFTEN_AVX2 void DownColumns(PassJob<Pixel> &job, A_long begin, A_long end) {
  using Channel = typename Lanes<Pixel>::Channel;
  using Vec = typename Lanes<Pixel>::Vec;
  Pass<Pixel> pass;
  SetPass(pass, job);
  const MaskPlane8 &M = job.groupMask;
  const A_long H = pass.H, reach = pass.k.reach;
  const A_long chunk = kStageEntries / 8 - 2 * reach;
  Staging<Channel> st;

  for (A_long x0 = begin; x0 < end; x0 += 8) {
    // The band's columns in this group that hold group pixels.
    unsigned own = LanesWithin(x0, begin, end);
    if (M.flagsStale == 0)
      for (A_long kx = 0; kx < 8; ++kx)
        if ((own >> kx & 1) && M.columnFlags[x0 + kx] == 0) own &= ~(1u << kx);
    if (own == 0) continue;

    Vec first{};
    if constexpr (std::is_same<Pixel, PF_PixelFloat>::value) {
      float firsts[8] = {};
      unsigned found = 0;
      for (A_long y = 0; y < H && found != own; ++y) {
        const uint8_t *maskRow = pass.maskRowAt(y) + x0;
        for (A_long kx = 0; kx < 8; ++kx)
          if ((own & ~found) >> kx & 1 && maskRow[kx] != 0) {
            firsts[kx] = FirstSum(pass.srcRowAt(y)[x0 + kx]);
            found |= 1u << kx;
          }
      }
      own = found; // columns without a group pixel write nothing
      if (own == 0) continue;
      first = _mm256_loadu_ps(firsts);
    }

    for (A_long r0 = 0; r0 < H; r0 += chunk) {
      const A_long r1 = r0 + chunk < H ? r0 + chunk : H;
      const A_long base = r0 - reach;
      for (A_long row = base; row < r1 + reach; ++row)
        pass.stage(st, (row - base) * 8, x0, row, row >= 0 && row < H ? own : 0u, first);
      for (A_long y = r0; y < r1; ++y) pass.template group<Bounded, true>(st, (y - base) * 8, x0, y, own);
    }
  }
}

} // namespace

bool Avx2PassTakes(A_long taps) { return taps >= 1 && taps - 1 <= kMaxReach; }

template <typename Pixel, bool Bounded, bool Vertical> void PassLinesAvx2(PassJob<Pixel> &job, A_long begin, A_long end) {
  if (Vertical)
    DownColumns<Pixel, Bounded>(job, begin, end);
  else
    AcrossRows<Pixel, Bounded>(job, begin, end);
}

#define SOFTEN_AVX2_PASSES(Pixel)                                                                                 \
  template void PassLinesAvx2<Pixel, true, false>(PassJob<Pixel> &, A_long, A_long);                              \
  template void PassLinesAvx2<Pixel, true, true>(PassJob<Pixel> &, A_long, A_long);                               \
  template void PassLinesAvx2<Pixel, false, false>(PassJob<Pixel> &, A_long, A_long);                             \
  template void PassLinesAvx2<Pixel, false, true>(PassJob<Pixel> &, A_long, A_long);
SOFTEN_AVX2_PASSES(PF_Pixel16)
SOFTEN_AVX2_PASSES(PF_PixelFloat)

} // namespace soften

#endif
