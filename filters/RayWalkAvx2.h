// AVX2 building blocks of the ray walks for eight adjacent pixels of a row
// (one per lane): sample positions with the same float and double operations
// as RayPosition, lane masks, and masked look-ups in planes.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#define VORTANE_HAVE_AVX2_WALKS 1

#include <immintrin.h>

#include <cstdint>

#include "RayWalk.h"

// Only the functions that use the wide registers are compiled for AVX2; the
// rest of the plug-in stays plain x86-64, so it loads on any x64 processor.
#define VORTANE_AVX2 __attribute__((target("avx2")))

namespace {
namespace avx2 {

// Lane masks are all ones (true) or all zeros (false) per 32-bit lane.
VORTANE_AVX2 inline __m256i And(__m256i a, __m256i b) { return _mm256_and_si256(a, b); }
VORTANE_AVX2 inline __m256i Or(__m256i a, __m256i b) { return _mm256_or_si256(a, b); }
VORTANE_AVX2 inline __m256i AndNot(__m256i notThis, __m256i b) { return _mm256_andnot_si256(notThis, b); }
VORTANE_AVX2 inline bool Any(__m256i mask) { return !_mm256_testz_si256(mask, mask); }
VORTANE_AVX2 inline int Bits(__m256i mask) { return _mm256_movemask_ps(_mm256_castsi256_ps(mask)); }
VORTANE_AVX2 inline __m256i IsZero(__m256i v) { return _mm256_cmpeq_epi32(v, _mm256_setzero_si256()); }
VORTANE_AVX2 inline __m256i NonZero(__m256i v) { return AndNot(IsZero(v), _mm256_set1_epi32(-1)); }
VORTANE_AVX2 inline __m256i Select(__m256i mask, __m256i yes, __m256i no) {
  return _mm256_blendv_epi8(no, yes, mask);
}
VORTANE_AVX2 inline __m256 Select(__m256i mask, __m256 yes, __m256 no) {
  return _mm256_blendv_ps(no, yes, _mm256_castsi256_ps(mask));
}
template <int Predicate> VORTANE_AVX2 inline __m256i Compare(__m256 a, __m256 b) {
  return _mm256_castps_si256(_mm256_cmp_ps(a, b, Predicate));
}
// 0 <= v < limit per lane.
VORTANE_AVX2 inline __m256i InRange(__m256i v, __m256i limit) {
  return AndNot(_mm256_cmpgt_epi32(_mm256_setzero_si256(), v), _mm256_cmpgt_epi32(limit, v));
}

// trunc(double(ratio x offset + centre) + 0.5) per lane, as RayPosition: the
// float product rounds, then the float sum, then the widening and the double
// sum, truncated toward zero (out of range gives the same value as the scalar
// conversion, 0x80000000).
VORTANE_AVX2 inline __m256i RayPositions(__m256 ratio, __m256 offset, __m256 centre) {
  const __m256 product = _mm256_mul_ps(ratio, offset);
  const __m256 position = _mm256_add_ps(product, centre);
  const __m256d half = _mm256_set1_pd(0.5);
  const __m128i lo = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(position)), half));
  const __m128i hi = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(position, 1)), half));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// Per lane in mask, the element at offset of a plane's elements (other
// lanes 0). Lanes are read one by one: on the processors we measured this is
// about three times faster than a gather.
template <typename T> VORTANE_AVX2 inline __m256i Lookup(const T *base, __m256i offset, __m256i mask) {
  int32_t at[8];
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(at), And(offset, mask)); // masked lanes read element 0
  const __m256i v = _mm256_setr_epi32(base[at[0]], base[at[1]], base[at[2]], base[at[3]], base[at[4]], base[at[5]],
                                      base[at[6]], base[at[7]]);
  return And(v, mask);
}

// Lanes whose value has any of the bits set.
VORTANE_AVX2 inline __m256i HasBits(__m256i v, int bits) { return NonZero(And(v, _mm256_set1_epi32(bits))); }

// Element offsets py x pitch + px of a plane whose w x h rectangle passed
// PlaneFitsLanes.
VORTANE_AVX2 inline __m256i PlaneOffsets(__m256i px, __m256i py, A_long pitch) {
  return _mm256_add_epi32(_mm256_mullo_epi32(py, _mm256_set1_epi32(pitch)), px);
}

// Whether element offsets of a plane's w x h rectangle fit 32 bits.
template <typename T> bool PlaneFitsLanes(const MaskPlane<T> &plane, A_long w, A_long h) {
  return plane.data && w > 0 && h > 0 && plane.pitch >= w && static_cast<int64_t>(h) * plane.pitch < INT32_MAX;
}

// Whether byte offsets py x rowbytes + px x bytesPerPixel of a world's w x h
// rectangle fit 32 bits.
inline bool WorldFitsLanes(const PF_EffectWorld *world, A_long w, A_long h, int64_t bytesPerPixel) {
  const int64_t rowBytes = world->rowbytes < 0 ? -static_cast<int64_t>(world->rowbytes) : world->rowbytes;
  return rowBytes * h + w * bytesPerPixel < INT32_MAX;
}

// The level a ray stage walks at: AVX2 when the processor has it and
// `prepare` makes and fills the stage's look-up plane (it returns false when
// the plane's offsets would not fit the lanes); the scalar walk otherwise,
// also when the host has no memory for the plane. Both give the same result.
template <typename Prepare> SimdLevel WalkLevel(Prepare prepare) {
  if (ActiveSimdLevel() != SimdLevel::AVX2) return SimdLevel::Scalar;
  try {
    return prepare() ? SimdLevel::AVX2 : SimdLevel::Scalar;
  } catch (...) {
    return SimdLevel::Scalar;
  }
}

} // namespace avx2
} // namespace

#endif
