// Edge-preserving softening of one group: bilateral passes restricted to the
// group mask (across, down, across again), each with a small cross mix, and
// the tables they use, built on the calling thread before each iteration.
#include "Soften.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "DetMath.h"
#include "KernelCommon.h"
#include "MaskedCopy.h"
#include "SoftenPass.h"
#include "stage/StageJob.h"

// ---------------------------------------------------------------------------
// Colour terms and tables
// ---------------------------------------------------------------------------

namespace {

// X from the colour distance dAB and T (Softness Threshold / 5).
double RangeFactor(A_long dAB, double T) {
  const double e = static_cast<double>(dAB) * 50.0 / 98304.0;
  return (100.0 / ((T + 10.0) * (100.0 - e) / 30.0 + e + 1.0) - 0.9900990128517151) * 10.0;
}

// trunc(v x 32768 + 0.5) of a non-negative float channel-sum difference,
// at most 32768 (anything not below the limit, NaN included, gives 32768).
A_long QuantizeDifference(float v) {
  const double q = static_cast<double>(v) * 32768.0 + 0.5;
  return q < 32768.0 ? static_cast<A_long>(q) : 32768;
}

float ChannelSum(const PF_PixelFloat &p) { return p.red + p.green + p.blue; }
A_long ChannelSum(const PF_Pixel16 &p) { return p.red + p.green + p.blue; }

} // namespace

SoftenColorTerms softenTerms16(const PF_Pixel16 &colorB, const PF_Pixel16 &colorA, double T) {
  const A_long dAB = std::abs(ChannelSum(colorB) - ChannelSum(colorA));
  return SoftenColorTerms{dAB, RangeFactor(dAB, T)};
}

SoftenColorTerms softenTermsFloat(const PF_PixelFloat &colorB, const PF_PixelFloat &colorA, double T) {
  const A_long dAB = QuantizeDifference(std::fabs(ChannelSum(colorB) - ChannelSum(colorA)));
  return SoftenColorTerms{dAB, RangeFactor(dAB, T)};
}

GaussianKernel buildGaussianKernel(A_long count, double variance) {
  GaussianKernel kernel;
  if (count <= 0) return kernel;
  auto *K = new A_u_short[count];
  kernel.table = AEUtil::SharedOwner<AEUtil::HeapShortArray>(new AEUtil::HeapShortArray(K));
  kernel.count = count;

  std::vector<double> w(count);
  double sum = 0.0;
  for (A_long i = 0; i < count; ++i) {
    w[i] = detmath::exp(static_cast<double>(i * i) * -0.5 / variance);
    sum += w[i];
  }
  const double S = 2.0 * sum - w[0];
  A_long total = 0;
  for (A_long i = 0; i < count; ++i) {
    K[i] = static_cast<A_u_short>(w[i] / S * 32768.0);
    total += K[i];
  }
  // What the symmetric kernel lacks of 32768 goes back one unit per tap from
  // the centre outward (a side tap counts twice); the remainder goes to K[0].
  A_long deficit = 2 * (16384 - total) + K[0];
  if (deficit >= 2) {
    for (A_long j = 0; deficit > 1; ++j) {
      const A_long i = j % count;
      K[i] = static_cast<A_u_short>(K[i] + 1);
      deficit -= i == 0 ? 1 : 2;
    }
  }
  K[0] = static_cast<A_u_short>(K[0] + deficit);
  return kernel;
}

void buildRangeTable(A_u_char G[kRangeTableSize]) {
  for (int i = 0; i < kRangeTableSize; ++i) {
    const double b = i * 0.001953125;
    const double b5 = b * b * b * b * b; // exact: i^5 fits a double's mantissa
    const double v = (0.5 - 0.5 * detmath::cos(b5 * (b - 2.0) * 3.1415926535)) * 128.0 + 0.5;
    G[i] = static_cast<A_u_char>(static_cast<int>(v));
  }
}

RangeCodes::RangeCodes(const SoftenColorTerms &terms) {
  buildRangeTable(G);
  Xi = static_cast<A_long>(terms.X * 1024.0 + 0.5);
  limit = Xi != 0 ? 0x2000000 / Xi : 0;
  vAB = code(terms.dAB);
}

float rangeWeight(A_long normalizedCode) {
  return detmath::expf(-static_cast<float>(normalizedCode * normalizedCode) / 5000.0f);
}

void buildCrossTable(A_long Kc[3]) {
  for (A_long i = 0; i < 3; ++i)
    Kc[i] = static_cast<A_long>(detmath::exp(-static_cast<double>(i * i) / 0.125) * 32768.0);
}

// ---------------------------------------------------------------------------
// Passes
// ---------------------------------------------------------------------------

namespace {

using soften::kCodeIndices;
using soften::kCodes;
using soften::kCrossRadius;
using soften::PassJob;
using soften::PassTables;

constexpr double kCrossStrength = 0.35;

PassTables BuildPassTables(const GaussianKernel &kernel, const RangeCodes &codes) {
  float weight[kCodes];
  for (A_long code = 0; code < kCodes; ++code) {
    const A_long normalized = codes.vAB != 0 ? code * 128 / codes.vAB : code;
    weight[code] = rangeWeight(normalized);
  }
  PassTables t;
  const A_u_short *K = kernel.taps();
  t.K0 = K[0];
  t.bilateral.resize(static_cast<size_t>(kernel.count) * kCodes);
  for (A_long d = 0; d < kernel.count; ++d)
    for (A_long code = 0; code < kCodes; ++code)
      t.bilateral[d * kCodes + code] =
          static_cast<A_u_short>(static_cast<double>(K[d]) * static_cast<double>(weight[code]));
  A_long Kc[3];
  buildCrossTable(Kc);
  t.cross.resize(3 * kCodes);
  for (A_long d = 0; d <= kCrossRadius; ++d)
    for (A_long code = 0; code < kCodes; ++code) {
      const auto near = static_cast<A_u_short>(static_cast<double>(Kc[d]) * static_cast<double>(weight[code]));
      t.cross[d * kCodes + code] = static_cast<A_u_short>(static_cast<double>(near) * kCrossStrength);
    }

  // The same weights by range-table index, for the vector passes.
  t.zeroIndices = 0;
  while (t.zeroIndices < kCodeIndices - 1 && codes.G[t.zeroIndices] == 0) ++t.zeroIndices;
  auto byIndex = [&](const std::vector<A_u_short> &byCode, A_long distances, std::vector<int32_t> &out) {
    out.resize(static_cast<size_t>(distances) * kCodeIndices);
    for (A_long d = 0; d < distances; ++d)
      for (A_long idx = 0; idx < kCodeIndices; ++idx)
        out[d * kCodeIndices + idx] = byCode[d * kCodes + (idx < kCodeIndices - 1 ? codes.G[idx] : 128)];
  };
  byIndex(t.bilateral, kernel.count, t.bilateralByIndex);
  byIndex(t.cross, kCrossRadius + 1, t.crossByIndex);
  t.farCrossZero = true;
  for (A_long code = 0; code < kCodes; ++code) t.farCrossZero &= t.cross[kCrossRadius * kCodes + code] == 0;
  return t;
}

// Range keys along one pass line. 16-bit: the channel sums themselves (the
// differences of sum(x0) - sum(x) keys are differences of sums). Float: the
// difference to the line's first group pixel, quantized to 1/32768 steps and
// clamped to 32768, with its sign.
template <typename Pixel> struct LineKeys;

template <> struct LineKeys<PF_Pixel16> {
  static constexpr bool kNeedsFirst = false;
  void start(const PF_Pixel16 &) {}
  A_long key(const PF_Pixel16 &p) const { return ChannelSum(p); }
  static A_long difference(const PF_Pixel16 &a, const PF_Pixel16 &b) { return std::abs(ChannelSum(a) - ChannelSum(b)); }
};

template <> struct LineKeys<PF_PixelFloat> {
  static constexpr bool kNeedsFirst = true;
  float first = 0.0f;
  void start(const PF_PixelFloat &p) { first = ChannelSum(p); }
  A_long key(const PF_PixelFloat &p) const {
    const float diff = first - ChannelSum(p);
    return diff >= 0.0f ? QuantizeDifference(diff) : -QuantizeDifference(-diff);
  }
  static A_long difference(const PF_PixelFloat &a, const PF_PixelFloat &b) {
    return QuantizeDifference(std::fabs(ChannelSum(a) - ChannelSum(b)));
  }
};

// One pass over the lines begin..end-1 (rows for a horizontal pass, columns
// for a vertical one). "Along" runs in the pass direction, "across" beside it.
template <typename Pixel, bool Bounded, bool Vertical> void PassLines(PassJob<Pixel> &job, A_long begin, A_long end) {
#if defined(__x86_64__) || defined(__i386__)
  // The vector passes need AVX2; every other level runs the code below.
  if (job.simd == SimdLevel::AVX2 && soften::Avx2PassTakes(job.taps)) {
    soften::PassLinesAvx2<Pixel, Bounded, Vertical>(job, begin, end);
    return;
  }
#endif
  const MaskPlane8 &M = job.groupMask;
  const A_long length = Vertical ? job.height() : job.width(); // pixels along a line
  const A_long lines = Vertical ? job.width() : job.height();
  const ptrdiff_t srcRow = job.source->rowbytes, dstRow = job.destination->rowbytes;
  const ptrdiff_t srcAlong = Vertical ? srcRow : static_cast<ptrdiff_t>(sizeof(Pixel));
  const ptrdiff_t srcAcross = Vertical ? static_cast<ptrdiff_t>(sizeof(Pixel)) : srcRow;
  const ptrdiff_t dstAlong = Vertical ? dstRow : static_cast<ptrdiff_t>(sizeof(Pixel));
  const ptrdiff_t maskAlong = Vertical ? M.pitch : 1;
  const ptrdiff_t maskAcross = Vertical ? 1 : M.pitch;
  const char *srcOrigin = reinterpret_cast<const char *>(WorldRow<const Pixel>(job.source, job.rect.top) + job.rect.left);
  char *dstOrigin = reinterpret_cast<char *>(WorldRow<Pixel>(job.destination, job.rect.top) + job.rect.left);
  const PassTables &tables = *job.tables;
  const RangeCodes &codes = *job.codes;
  const A_u_short *bilateral = tables.bilateral.data();
  const A_u_short *cross = tables.cross.data();
  const A_long reach = job.taps - 1;
  const A_u_char *lineFlags = Vertical ? M.columnFlags : M.rowFlags;

  for (A_long a = begin; a < end; ++a) {
    if (M.flagsStale == 0 && lineFlags[a] == 0) continue;
    const uint8_t *mask = M.data + a * maskAcross;
    const char *src = srcOrigin + a * srcAcross;
    char *dst = dstOrigin + a * (Vertical ? static_cast<ptrdiff_t>(sizeof(Pixel)) : dstRow);
    auto srcAt = [&](A_long i) -> const Pixel & { return *reinterpret_cast<const Pixel *>(src + i * srcAlong); };
    auto inGroup = [&](A_long i) { return mask[i * maskAlong] != 0; };

    LineKeys<Pixel> keys;
    if (LineKeys<Pixel>::kNeedsFirst) {
      A_long first = 0;
      while (first < length && !inGroup(first)) ++first;
      if (first == length) continue;
      keys.start(srcAt(first));
    }

    for (A_long i = 0; i < length; ++i) {
      if (!inGroup(i)) continue;
      const Pixel &self = srcAt(i);
      const A_long key = keys.key(self);
      ColorSums<Pixel> sums;
      const A_long hi = i + reach < length - 1 ? i + reach : length - 1;
      const A_long lo = i - reach > 0 ? i - reach : 0;
      for (A_long j = i; j <= hi; ++j) {
        if (!inGroup(j)) {
          if (Bounded) break;
          continue;
        }
        const Pixel &p = srcAt(j);
        sums.add(p, bilateral[(j - i) * kCodes + codes.code(std::abs(keys.key(p) - key))]);
      }
      for (A_long j = i - 1; j >= lo; --j) {
        if (!inGroup(j)) {
          if (Bounded) break;
          continue;
        }
        const Pixel &p = srcAt(j);
        sums.add(p, bilateral[(i - j) * kCodes + codes.code(std::abs(keys.key(p) - key))]);
      }
      Pixel &out = *reinterpret_cast<Pixel *>(dst + i * dstAlong);
      if (sums.w != 0)
        sums.meanInto(out);
      else
        out = self;

      // Cross mix: the first result with weight K[0] and the group pixels
      // up to two lines beside and two pixels along, the pixel's own line and
      // position left out.
      ColorSums<Pixel> mix;
      mix.add(out, tables.K0);
      for (A_long da = -kCrossRadius; da <= kCrossRadius; ++da) {
        const A_long line = a + da;
        if (da == 0 || line < 0 || line >= lines) continue;
        for (A_long di = -kCrossRadius; di <= kCrossRadius; ++di) {
          const A_long at = i + di;
          if (di == 0 || at < 0 || at >= length) continue;
          if (mask[da * maskAcross + at * maskAlong] == 0) continue;
          const Pixel &p = *reinterpret_cast<const Pixel *>(src + da * srcAcross + at * srcAlong);
          const A_long code = codes.code(LineKeys<Pixel>::difference(self, p));
          mix.add(p, cross[(di < 0 ? -di : di) * kCodes + code]);
        }
      }
      if (static_cast<A_u_short>(mix.w) != 0) mix.meanInto(out);
    }
  }
}

template <typename Pixel, bool Bounded, bool Vertical>
PF_Err RunPass(PF_InData *in_data, PF_EffectWorld *from, PF_EffectWorld *to, const PF_LRect &rect,
               const MaskPlane8 &M, const PassTables &tables, const RangeCodes &codes, A_long taps,
               SimdLevel simd, ProgressRecord *progress) {
  PassJob<Pixel> job;
  job.source = from;
  job.destination = to;
  job.rect = rect;
  job.groupMask = M;
  job.tables = &tables;
  job.codes = &codes;
  job.taps = taps;
  job.simd = simd;
  PF_Err err = IterateBands<PassJob<Pixel>, PassLines<Pixel, Bounded, Vertical>>(
      in_data, job, Vertical ? job.width() : job.height());
  if (err == PF_Err_NONE && progress) err = ReportProgress(*progress);
  return err;
}

template <typename Pixel, bool Bounded>
PF_Err RunSoften(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc, const PF_LRect &rect,
                 const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma, ProgressRecord *progress) {
  if (!RectFitsWorld(rect, D) || !RectFitsWorld(rect, S) || !RectFitsPlane(rect, M))
    return PF_Err_BAD_CALLBACK_PARAM;
  if (2.0 > sigma) return copyMasked<Pixel>(D, in_data, S, rect, M);
  if (!RectFitsWorld(rect, Wc)) return PF_Err_BAD_CALLBACK_PARAM;

  const RangeCodes codes(terms);
  const SimdLevel simd = ActiveSimdLevel();

  // Cycle 1: ceil(sigma) taps, variance sigma^2 / 8; S -> D across, D -> Wc down.
  const GaussianKernel first = buildGaussianKernel(static_cast<A_long>(std::ceil(sigma)), sigma * sigma * 0.125);
  const PassTables firstTables = BuildPassTables(first, codes);
  PF_Err err = RunPass<Pixel, Bounded, false>(in_data, S, D, rect, M, firstTables, codes, first.count, simd, progress);
  if (err == PF_Err_NONE)
    err = RunPass<Pixel, Bounded, true>(in_data, D, Wc, rect, M, firstTables, codes, first.count, simd, progress);
  if (err != PF_Err_NONE) return err;

  // Cycle 2: r = sigma / sigma^(1/2), at least 1; ceil(r) taps, variance r^2;
  // Wc -> D across.
  double r = sigma / std::sqrt(sigma);
  if (r < 1.0) r = 1.0;
  const GaussianKernel second = buildGaussianKernel(static_cast<A_long>(std::ceil(r)), r * r);
  const PassTables secondTables = BuildPassTables(second, codes);
  return RunPass<Pixel, Bounded, false>(in_data, Wc, D, rect, M, secondTables, codes, second.count, simd, progress);
}

} // namespace

template <typename Pixel>
PF_Err softenGroupBounded(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                          const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                          ProgressRecord *progress) {
  return RunSoften<Pixel, true>(D, in_data, S, Wc, rect, M, terms, sigma, progress);
}

template <typename Pixel>
PF_Err softenGroupOpen(PF_EffectWorld *D, PF_InData *in_data, PF_EffectWorld *S, PF_EffectWorld *Wc,
                       const PF_LRect &rect, const MaskPlane8 &M, const SoftenColorTerms &terms, double sigma,
                       ProgressRecord *progress) {
  return RunSoften<Pixel, false>(D, in_data, S, Wc, rect, M, terms, sigma, progress);
}

#define VORTANE_SOFTEN_INSTANCES(Pixel)                                                                           \
  template PF_Err softenGroupBounded<Pixel>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, PF_EffectWorld *,    \
                                            const PF_LRect &, const MaskPlane8 &, const SoftenColorTerms &,       \
                                            double, ProgressRecord *);                                            \
  template PF_Err softenGroupOpen<Pixel>(PF_EffectWorld *, PF_InData *, PF_EffectWorld *, PF_EffectWorld *,       \
                                         const PF_LRect &, const MaskPlane8 &, const SoftenColorTerms &, double,  \
                                         ProgressRecord *);
VORTANE_SOFTEN_INSTANCES(PF_Pixel16)
VORTANE_SOFTEN_INSTANCES(PF_PixelFloat)
