// The edge-preserving softening: its tables and colour terms, and the stage
// through the emulator against a plain per-pixel reference of its passes, on
// hand-made rows and for any number of threads, at both working depths.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <type_traits>

#include "filters/SimdLevel.h"
#include "filters/Soften.h"
#include "kernel_fixtures.h"

namespace {

using ktest::Map;

std::vector<A_u_short> Taps(const GaussianKernel &k) { return std::vector<A_u_short>(k.taps(), k.taps() + k.count); }

TEST(SoftenTables, GaussianKernelsOfTheTwoCycles) {
  // Softness 2: cycle 1 has 2 taps with variance 0.5, cycle 2 r = sqrt 2,
  // 2 taps with variance 2.
  EXPECT_EQ(Taps(buildGaussianKernel(2, 2.0 * 2.0 * 0.125)), (std::vector<A_u_short>{18880, 6944}));
  const double r = 2.0 / std::sqrt(2.0);
  EXPECT_EQ(Taps(buildGaussianKernel(static_cast<A_long>(std::ceil(r)), r * r)),
            (std::vector<A_u_short>{12814, 9977}));
}

TEST(SoftenTables, EveryKernelSumsTo32768AndFallsOff) {
  for (double sigma : {2.0, 2.5, 3.7, 10.0, 33.3, 50.0, 99.9, 100.0}) {
    const double r = std::max(sigma / std::sqrt(sigma), 1.0);
    const GaussianKernel kernels[] = {
        buildGaussianKernel(static_cast<A_long>(std::ceil(sigma)), sigma * sigma * 0.125),
        buildGaussianKernel(static_cast<A_long>(std::ceil(r)), r * r)};
    for (const GaussianKernel &k : kernels) {
      long full = k.taps()[0];
      for (A_long i = 1; i < k.count; ++i) {
        full += 2 * k.taps()[i];
        EXPECT_LE(k.taps()[i], k.taps()[i - 1]) << sigma << " tap " << i;
      }
      EXPECT_EQ(full, 32768) << sigma;
    }
  }
}

TEST(SoftenTables, RangeTable) {
  A_u_char G[kRangeTableSize];
  buildRangeTable(G);
  EXPECT_EQ(G[0], 0);
  EXPECT_EQ(G[200], 0); // zero up to about b = 0.4
  EXPECT_EQ(G[256], 1);
  EXPECT_EQ(G[384], 26);
  EXPECT_EQ(G[448], 79);
  EXPECT_EQ(G[480], 112);
  EXPECT_EQ(G[511], 128);
  EXPECT_EQ(G[512], 128);
  for (int i = 1; i < kRangeTableSize; ++i) EXPECT_GE(G[i], G[i - 1]) << i;
}

TEST(SoftenTables, CrossTableAndRangeWeights) {
  A_long Kc[3];
  buildCrossTable(Kc);
  EXPECT_EQ(Kc[0], 32768);
  EXPECT_EQ(Kc[1], 10);
  EXPECT_EQ(Kc[2], 0);
  EXPECT_EQ(rangeWeight(0), 1.0f);
  EXPECT_EQ(rangeWeight(128), static_cast<float>(std::exp(static_cast<double>(-16384.0f / 5000.0f))));
  EXPECT_LT(rangeWeight(16384), 1e-30f);
}

TEST(SoftenTables, ColourTermsAndCodes) {
  // X from about 19.2 (threshold 0, equal colours) down to about 0
  // (threshold 100, T = 20).
  const PF_Pixel16 grey{32768, 16000, 16000, 16000};
  const SoftenColorTerms equal = softenTerms16(grey, grey, 0.0);
  EXPECT_EQ(equal.dAB, 0);
  EXPECT_NEAR(equal.X, (100.0 / (10.0 * 100.0 / 30.0 + 1.0) - 100.0 / 101.0) * 10.0, 1e-7);
  EXPECT_NEAR(softenTerms16(grey, grey, 20.0).X, 0.0, 1e-6);
  EXPECT_EQ(softenTerms16(PF_Pixel16{0, 32768, 32768, 32768}, PF_Pixel16{0, 0, 0, 0}, 10.0).dAB, 98304);
  // The float distance is scaled by 32768 and clamped there.
  EXPECT_EQ(softenTermsFloat(PF_PixelFloat{1, 1, 1, 1}, PF_PixelFloat{1, 0, 0, 0}, 10.0).dAB, 32768);
  EXPECT_EQ(softenTermsFloat(PF_PixelFloat{1, 0.25f, 0, 0}, PF_PixelFloat{1, 0, 0, 0}, 10.0).dAB, 8192);

  // Equal colours with Xi > 0: vAB = G[0] = 0, codes are not normalized.
  const RangeCodes plain(equal);
  EXPECT_EQ(plain.Xi, static_cast<A_long>(equal.X * 1024.0 + 0.5));
  EXPECT_EQ(plain.limit, 0x2000000 / plain.Xi);
  EXPECT_EQ(plain.vAB, 0);
  const A_long c = 1200; // (Xi c) >> 16 = 360
  EXPECT_EQ(plain.code(c), plain.G[(plain.Xi * c) >> 16]);
  EXPECT_EQ(plain.normalized(c), plain.code(c));
  EXPECT_EQ(plain.code(plain.limit - 1), plain.G[(plain.Xi * (plain.limit - 1)) >> 16]);
  EXPECT_EQ(plain.code(plain.limit), 128);

  // Threshold 100: Xi = 0, the limit is 0 and every code is 128.
  const RangeCodes flat(softenTerms16(grey, grey, 20.0));
  EXPECT_EQ(flat.Xi, 0);
  EXPECT_EQ(flat.code(0), 128);
  EXPECT_EQ(flat.normalized(0), 128);

  // Distinct colours: the code of dAB becomes 128 after normalization.
  const RangeCodes scaled(SoftenColorTerms{20000, 5.0});
  ASSERT_GT(scaled.vAB, 0);
  EXPECT_EQ(scaled.normalized(20000), 128);
  EXPECT_EQ(scaled.normalized(15000), scaled.code(15000) * 128 / scaled.vAB);
}

// ---------------------------------------------------------------------------
// The stage against a per-pixel reference
// ---------------------------------------------------------------------------

int Sum(const PF_Pixel16 &p) { return p.red + p.green + p.blue; }
float Sum(const PF_PixelFloat &p) { return p.red + p.green + p.blue; }

A_long Quantize(float v) {
  const double q = static_cast<double>(v) * 32768.0 + 0.5;
  return q < 32768.0 ? static_cast<A_long>(q) : 32768;
}

// One pass written directly from the rules, coordinates exchanged for a
// vertical pass through at(): (u, v) is (x, y) across, (y, x) down.
template <typename Pixel>
void ReferencePass(const vemu::Image &P, vemu::Image &Q, const std::vector<std::vector<bool>> &M, bool bounded,
                   bool vertical, const GaussianKernel &K, const RangeCodes &codes) {
  const int W = P.width(), H = P.height();
  const int lengthU = vertical ? H : W, lengthV = vertical ? W : H;
  auto in = [&](int u, int v) { return vertical ? M[u][v] : M[v][u]; };
  auto src = [&](int u, int v) -> const Pixel & { return vertical ? P.at<Pixel>(v, u) : P.at<Pixel>(u, v); };
  auto dst = [&](int u, int v) -> Pixel & { return vertical ? Q.at<Pixel>(v, u) : Q.at<Pixel>(u, v); };
  auto r = [&](A_long c) { return static_cast<double>(rangeWeight(codes.normalized(c))); };
  A_long Kc[3];
  buildCrossTable(Kc);
  constexpr bool is16 = std::is_same<Pixel, PF_Pixel16>::value;
  for (int v = 0; v < lengthV; ++v) {
    int u0 = 0;
    while (u0 < lengthU && !in(u0, v)) ++u0;
    if (u0 == lengthU) continue;
    auto key = [&](int u) -> A_long {
      if constexpr (is16) {
        return Sum(src(u0, v)) - Sum(src(u, v));
      } else {
        const float d = Sum(src(u0, v)) - Sum(src(u, v));
        return d >= 0 ? Quantize(d) : -Quantize(-d);
      }
    };
    for (int u = 0; u < lengthU; ++u) {
      if (!in(u, v)) continue;
      int runStart = u, runEnd = u;
      while (runStart > 0 && in(runStart - 1, v)) --runStart;
      while (runEnd < lengthU - 1 && in(runEnd + 1, v)) ++runEnd;
      const int from = std::max(bounded ? runStart : 0, u - K.count + 1);
      const int to = std::min(bounded ? runEnd : lengthU - 1, u + K.count - 1);
      std::vector<int> order;
      for (int i = u; i <= to; ++i) order.push_back(i);
      for (int i = u - 1; i >= from; --i) order.push_back(i);
      ktest::Acc<Pixel> acc;
      for (int i : order) {
        if (!in(i, v)) continue;
        const auto q = static_cast<A_u_short>(static_cast<double>(K.taps()[std::abs(i - u)]) *
                                              r(std::abs(key(i) - key(u))));
        acc.add(src(i, v), q);
      }
      Pixel first = dst(u, v);
      if (acc.total != 0) acc.mean(first);
      else first = src(u, v);
      ktest::Acc<Pixel> mix;
      mix.add(first, K.taps()[0]);
      for (int vv = v - 2; vv <= v + 2; ++vv)
        for (int uu = u - 2; uu <= u + 2; ++uu) {
          if (vv == v || uu == u || vv < 0 || vv >= lengthV || uu < 0 || uu >= lengthU || !in(uu, vv)) continue;
          A_long d;
          if constexpr (is16) d = std::abs(Sum(src(u, v)) - Sum(src(uu, vv)));
          else d = Quantize(std::fabs(Sum(src(u, v)) - Sum(src(uu, vv))));
          const auto nearWeight = static_cast<A_u_short>(static_cast<double>(Kc[std::abs(uu - u)]) * r(d));
          mix.add(src(uu, vv), static_cast<A_u_short>(static_cast<double>(nearWeight) * 0.35));
        }
      if (static_cast<A_u_short>(mix.total) != 0) mix.mean(first);
      dst(u, v) = first;
    }
  }
}

template <typename Pixel>
void ReferenceSoften(vemu::Image &D, const vemu::Image &S, vemu::Image &Wc, const std::vector<std::vector<bool>> &M,
                     bool bounded, const SoftenColorTerms &terms, double sigma) {
  const RangeCodes codes(terms);
  const GaussianKernel k1 = buildGaussianKernel(static_cast<A_long>(std::ceil(sigma)), sigma * sigma * 0.125);
  ReferencePass<Pixel>(S, D, M, bounded, false, k1, codes);
  ReferencePass<Pixel>(D, Wc, M, bounded, true, k1, codes);
  const double r = std::max(sigma / std::sqrt(sigma), 1.0);
  ReferencePass<Pixel>(Wc, D, M, bounded, false, buildGaussianKernel(static_cast<A_long>(std::ceil(r)), r * r),
                       codes);
}

template <typename Pixel> class Soften : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(Soften, Depths);

struct SoftenRun {
  Map map; // '.' outside the group, anything else inside
  bool bounded = true;
  double sigma = 3.0;
  SoftenColorTerms terms{3000, 12.0};
  int threads = 2;
  std::function<std::array<int, 3>(int, int)> rgb;
  bool hostile = false; // a few channels past full scale (16-bit) or not finite (float)
};

// Every 7th pixel gets a hostile channel: 65535 in 16-bit; infinity, minus
// infinity or NaN in float.
void MakeHostile(vemu::Image &image, PF_Pixel16) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = (y * 3) % 7; x < image.width(); x += 7) image.at<PF_Pixel16>(x, y).green = 65535;
}
void MakeHostile(vemu::Image &image, PF_PixelFloat) {
  const float values[] = {INFINITY, -INFINITY, NAN};
  for (int y = 0; y < image.height(); ++y)
    for (int x = (y * 3) % 7; x < image.width(); x += 7) image.at<PF_PixelFloat>(x, y).red = values[(x + y) % 3];
}

template <typename Pixel> struct SoftenResult {
  vemu::Image D, S, Wc;
  std::vector<std::vector<bool>> M;
  long progressCalls = 0;
};

template <typename Pixel> SoftenResult<Pixel> RunSoften(const SoftenRun &run) {
  auto host = vtest::MakeHost(run.threads);
  vemu::Host::DirectCall call(*host);
  const int w = run.map.width(), h = run.map.height();
  auto make = [&](int, int) { return ktest::Px<Pixel>(0, 0, 0, 0); };
  SoftenResult<Pixel> res{ktest::MakeImage<Pixel>(w, h, [&](int x, int y) {
                            const auto c = run.rgb(x, y);
                            return ktest::Px<Pixel>(30000 + x, c[0], c[1], c[2]);
                          }),
                          vemu::Image(w, h, ktest::FormatOf<Pixel>()), ktest::MakeImage<Pixel>(w, h, make),
                          {}};
  if (run.hostile) MakeHostile(res.D, Pixel{});
  res.S = res.D;
  res.M.assign(h, std::vector<bool>(w));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) res.M[y][x] = run.map.at(x, y) != '.';
  const MaskPlane8 M = ktest::PlaneOf(call.in(), run.map, "abcdefghijklmnopqrstuvwxyz");
  ProgressRecord progress{call.in(), call.in()->effect_ref, 2, 1};
  const PF_LRect rect{0, 0, w, h};
  const PF_Err err =
      run.bounded
          ? softenGroupBounded<Pixel>(res.D.world(), call.in(), res.S.world(), res.Wc.world(), rect, M, run.terms,
                                      run.sigma, &progress)
          : softenGroupOpen<Pixel>(res.D.world(), call.in(), res.S.world(), res.Wc.world(), rect, M, run.terms,
                                   run.sigma, &progress);
  EXPECT_EQ(err, PF_Err_NONE);
  res.progressCalls = host->counters().progressCalls;
  return res;
}

Map BlobMap(int w, int h) {
  Map map;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      const int dx = x - w / 3, dy = y - h / 2;
      const bool blob = dx * dx + 2 * dy * dy < w * h / 3;
      const bool hole = (x * 3 + y * 5) % 17 == 0;
      row += blob && !hole ? 'a' : (x + y) % 11 == 0 ? 'a' : '.';
    }
    map.rows.push_back(row);
  }
  return map;
}

std::array<int, 3> NoisyColour(int x, int y) {
  const int base = (x / 5 + y / 4) % 2 ? 24000 : 6000; // flat patches with an edge
  return {base + (x * 131 + y * 71) % 1500, base / 2 + (x * 37) % 900, 30000 - base + (y * 53) % 700};
}

TYPED_TEST(Soften, MatchesThePerPixelReference) {
  struct Case {
    bool bounded;
    double sigma;
    SoftenColorTerms terms;
  };
  const Case cases[] = {{true, 2.0, {0, 19.2}},       {false, 2.0, {0, 19.2}},   {true, 3.7, {20000, 4.0}},
                        {false, 3.7, {20000, 4.0}},   {true, 10.0, {98304, 0.5}}, {false, 10.0, {500, 0.0}},
                        {true, 6.0, {1500, 12.5}}};
  for (const Case &c : cases) {
    SoftenRun run;
    run.map = BlobMap(29, 21);
    run.bounded = c.bounded;
    run.sigma = c.sigma;
    run.terms = c.terms;
    run.rgb = NoisyColour;
    auto res = RunSoften<TypeParam>(run);
    vemu::Image D = res.S;
    vemu::Image Wc = ktest::MakeImage<TypeParam>(D.width(), D.height(),
                                                 [](int, int) { return ktest::Px<TypeParam>(0, 0, 0, 0); });
    ReferenceSoften<TypeParam>(D, res.S, Wc, res.M, c.bounded, c.terms, c.sigma);
    long differing = 0;
    for (int y = 0; y < D.height(); ++y)
      for (int x = 0; x < D.width(); ++x)
        differing += !ktest::SamePixel(D.template at<TypeParam>(x, y), res.D.template at<TypeParam>(x, y));
    EXPECT_EQ(differing, 0) << "bounded " << c.bounded << " sigma " << c.sigma;
    EXPECT_NE(res.D.pixelBytes(), res.S.pixelBytes());
    EXPECT_EQ(res.progressCalls, 3);
  }
}

TYPED_TEST(Soften, SameBytesForAnyThreadCount) {
  for (bool bounded : {true, false}) {
    std::vector<uint8_t> reference;
    for (int threads : {1, 2, 3, 7}) {
      SoftenRun run;
      run.map = BlobMap(33, 19);
      run.bounded = bounded;
      run.sigma = 4.5;
      run.rgb = NoisyColour;
      run.threads = threads;
      auto res = RunSoften<TypeParam>(run);
      if (reference.empty())
        reference = res.D.pixelBytes();
      else
        EXPECT_EQ(res.D.pixelBytes(), reference) << "bounded " << bounded << ", threads " << threads;
    }
  }
}

// Sets VORTANE_SIMD for its lifetime.
struct SimdOverride {
  explicit SimdOverride(const char *level) { setenv("VORTANE_SIMD", level, 1); }
  ~SimdOverride() { unsetenv("VORTANE_SIMD"); }
};

TYPED_TEST(Soften, VectorPathsGiveThePlainPathsPixels) {
  if (ProcessorSimdLevel() == SimdLevel::Scalar) GTEST_SKIP() << "no vector level on this processor";
  Map tall, wide;
  for (int y = 0; y < 150; ++y) tall.rows.push_back(y % 40 == 17 ? "aaa.aaaaaaa" : "aaaaaaaaaaa");
  wide.rows.assign(3, std::string(2100, 'a'));
  wide.rows[1][1000] = '.';
  struct Case {
    Map map;
    bool bounded;
    double sigma;
    SoftenColorTerms terms;
    bool hostile;
  };
  // Lines not a multiple of 8 long, holes, keys of both signs (the patches
  // lie above and below a line's first pixel), range factor 0, windows longer
  // than a staging chunk across (wide) and down (tall).
  const Case cases[] = {{BlobMap(29, 21), true, 2.0, {0, 19.2}, false},
                        {BlobMap(29, 21), false, 3.7, {20000, 4.0}, false},
                        {BlobMap(37, 13), true, 10.0, {98304, 0.5}, true},
                        {BlobMap(37, 13), false, 10.0, {500, 0.0}, true},
                        {BlobMap(19, 26), false, 6.0, {1500, 12.5}, false},
                        {tall, true, 100.0, {3000, 12.0}, false},
                        {tall, false, 100.0, {3000, 12.0}, true},
                        {wide, true, 30.0, {3000, 12.0}, false},
                        {wide, false, 30.0, {3000, 12.0}, true}};
  for (const Case &c : cases) {
    SoftenRun run;
    run.map = c.map;
    run.bounded = c.bounded;
    run.sigma = c.sigma;
    run.terms = c.terms;
    run.hostile = c.hostile;
    run.rgb = NoisyColour;
    run.threads = 1;
    const auto plain = [&] {
      SimdOverride scalar("scalar");
      return RunSoften<TypeParam>(run);
    }();
    for (int threads : {1, 2, 3, 7}) {
      run.threads = threads;
      const auto vector = RunSoften<TypeParam>(run);
      const std::string what = std::to_string(c.map.width()) + " x " + std::to_string(c.map.height()) +
                               ", bounded " + std::to_string(c.bounded) + ", sigma " + std::to_string(c.sigma) +
                               ", threads " + std::to_string(threads);
      EXPECT_EQ(vector.Wc.pixelBytes(), plain.Wc.pixelBytes()) << what; // after the pass down
      EXPECT_EQ(vector.D.pixelBytes(), plain.D.pixelBytes()) << what;
    }
  }
}

TEST(SoftenStage, FlatGroupKeepsItsColourExactly) {
  for (bool bounded : {true, false}) {
    SoftenRun run;
    run.map = BlobMap(25, 17);
    run.bounded = bounded;
    run.sigma = 7.0;
    run.rgb = [](int, int) { return std::array<int, 3>{12345, 23456, 3456}; };
    auto res = RunSoften<PF_Pixel16>(run);
    EXPECT_EQ(res.D.pixelBytes(), res.S.pixelBytes()) << bounded;
  }
}

TEST(SoftenStage, BoundedPassesStayInsideTheirRunOpenPassesCrossGaps) {
  // One row: no cross mix and the vertical pass leaves every pixel as it is,
  // so only the horizontal bilateral passes act. Two flat runs either side of
  // a one-pixel gap.
  for (bool bounded : {true, false}) {
    SoftenRun run;
    run.map = Map{{"aaaaaa.aaaaaa"}};
    run.bounded = bounded;
    run.sigma = 4.0;
    run.terms = SoftenColorTerms{0, 0.0}; // Xi = 0: every difference weighs the same
    run.rgb = [](int x, int) { return x < 6 ? std::array<int, 3>{8000, 8000, 8000} : std::array<int, 3>{20000, 0, 0}; };
    auto res = RunSoften<PF_Pixel16>(run);
    const PF_Pixel16 &nearGap = res.D.at<PF_Pixel16>(5, 0);
    if (bounded) {
      EXPECT_EQ(res.D.pixelBytes(), res.S.pixelBytes());
    } else {
      EXPECT_GT(nearGap.red, 8000);
      EXPECT_LT(nearGap.green, 8000);
      EXPECT_EQ(res.D.at<PF_Pixel16>(6, 0).red, res.S.at<PF_Pixel16>(6, 0).red); // outside: not written
    }
  }
}

TYPED_TEST(Soften, SoftnessBelowTwoCopiesTheGroup) {
  auto host = vtest::MakeHost(2);
  vemu::Host::DirectCall call(*host);
  const Map map{{"a..a", ".aa."}};
  auto S = ktest::MakeImage<TypeParam>(4, 2, [](int x, int y) { return ktest::Px<TypeParam>(32768, x * 999, y, 5); });
  const TypeParam marker = ktest::Px<TypeParam>(1, 2, 3, 4);
  auto D = ktest::MakeImage<TypeParam>(4, 2, [&](int, int) { return marker; });
  vemu::Image Wc(4, 2, ktest::FormatOf<TypeParam>());
  const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "a");
  ProgressRecord progress{call.in(), call.in()->effect_ref, 2, 1};
  ASSERT_EQ(softenGroupOpen<TypeParam>(D.world(), call.in(), S.world(), Wc.world(), PF_LRect{0, 0, 4, 2}, M,
                                       SoftenColorTerms{0, 10.0}, 1.99, &progress),
            PF_Err_NONE);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_TRUE(ktest::SamePixel(D.template at<TypeParam>(x, y),
                                   map.at(x, y) == 'a' ? S.template at<TypeParam>(x, y) : marker));
  EXPECT_EQ(host->counters().progressCalls, 0);
}

TEST(SoftenStage, AnErrorEndsTheStage) {
  struct Case {
    vemu::Fault fault;
    int successes;
    PF_Err err;
    long iterateCalls, progressCalls;
  };
  const Case cases[] = {{vemu::Fault::Progress, 0, PF_Interrupt_CANCEL, 1, 1},
                        {vemu::Fault::Progress, 1, PF_Interrupt_CANCEL, 2, 2},
                        {vemu::Fault::IterateGeneric, 2, PF_Err_INTERNAL_STRUCT_DAMAGED, 3, 2}};
  for (const Case &c : cases) {
    auto host = vtest::MakeHost(2);
    host->injectFault(c.fault, c.err, c.successes);
    vemu::Host::DirectCall call(*host);
    const Map map{{"aaaa", "aaaa"}};
    auto S = ktest::MakeImage<PF_Pixel16>(4, 2, [](int x, int y) { return ktest::Px<PF_Pixel16>(32768, x * 999, y, 5); });
    vemu::Image D = S, Wc(4, 2, PF_PixelFormat_ARGB64);
    const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "a");
    ProgressRecord progress{call.in(), call.in()->effect_ref, 4, 1};
    EXPECT_EQ(softenGroupBounded<PF_Pixel16>(D.world(), call.in(), S.world(), Wc.world(), PF_LRect{0, 0, 4, 2}, M,
                                             SoftenColorTerms{0, 10.0}, 3.0, &progress),
              c.err);
    EXPECT_EQ(host->counters().iterateCalls, c.iterateCalls);
    EXPECT_EQ(host->counters().progressCalls, c.progressCalls);
    EXPECT_EQ(host->progressLog().front(), (std::pair<A_long, A_long>(25, 100)));
  }
}

} // namespace
