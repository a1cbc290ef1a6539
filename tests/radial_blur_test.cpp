// The radial blur stage through the emulator, at both working depths: step
// weights, Blur Offset sample positions, each accumulation case on hand-made
// rows, fallback, progress, errors and independence of the thread count.
#include <gtest/gtest.h>

#include "filters/RadialBlur.h"
#include "SimdOverride.h"
#include "kernel_fixtures.h"

namespace {

using ktest::Map;
using ktest::Term;

enum class Kind { BoundedInward, BoundedOutward, OpenInward, OpenOutward };

bool IsBounded(Kind k) { return k == Kind::BoundedInward || k == Kind::BoundedOutward; }
bool IsOutward(Kind k) { return k == Kind::BoundedOutward || k == Kind::OpenOutward; }

// Distinct reds along a row.
int ColumnRed(int x) { return 1000 + 37 * x * x + 11 * x; }

// One call of the stage. Source pixels: alpha from `alpha`, red from `red`,
// green 100, blue 200. Map: '.' outside the group, 'a' group, 'b' Color B.
struct BlurRun {
  Map map;
  int cx = 0, cy = 1;
  double R = 4;
  double f = 0.0;
  Kind kind = Kind::OpenInward;
  float D = 64.0f;
  std::function<int(int, int)> red = [](int x, int) { return ColumnRed(x); };
  std::function<int(int, int)> alpha = [](int, int) { return 32768; };
  std::function<int(int, int)> length = [](int, int) { return 0; };
  int bcRed = 30000;
  int threads = 2;
  bool noSpareMemory = false; // the host has no memory left once the planes are made
};

template <typename Pixel> struct BlurResult {
  vemu::Image source;
  vemu::Image output;
  std::vector<A_u_long> W;
};

template <typename Pixel> BlurResult<Pixel> RunBlur(const BlurRun &run, PF_Err *errOut = nullptr) {
  auto host = vtest::MakeHost(run.threads);
  vemu::Host::DirectCall call(*host);
  const int w = run.map.width(), h = run.map.height();
  BlurResult<Pixel> result{ktest::MakeImage<Pixel>(w, h,
                                                    [&](int x, int y) {
                                                      return ktest::Px<Pixel>(run.alpha(x, y), run.red(x, y), 100,
                                                                              200);
                                                    }),
                           vemu::Image(w, h, ktest::FormatOf<Pixel>()),
                           {}};
  const MaskPlane8 M = ktest::PlaneOf(call.in(), run.map, "ab");
  const MaskPlane8 N = ktest::PlaneOf(call.in(), run.map, "b");
  const MaskPlane16 L = ktest::Plane16(call.in(), w, h, run.length);
  if (run.noSpareMemory) host->injectFault(vemu::Fault::NewHandle, PF_Err_OUT_OF_MEMORY);
  result.W.resize(static_cast<size_t>(std::ceil(run.R)) + 1);
  buildStepWeights(static_cast<A_long>(run.R), 100.0, result.W.data());
  const PF_LRect rect{0, 0, w, h};
  const Pixel Bc = ktest::Px<Pixel>(32768, run.bcRed, 100, 200);
  const bool invert = IsOutward(run.kind);
  PF_Err err = IsBounded(run.kind)
                   ? radialBlurBounded<Pixel>(result.output.world(), call.in(), result.source.world(), rect, M, N, L,
                                              run.R, run.cx, run.cy, run.D, run.f, invert, Bc, result.W.data(),
                                              nullptr)
                   : radialBlurOpen<Pixel>(result.output.world(), call.in(), result.source.world(), rect, M, N, L,
                                           run.R, run.cx, run.cy, run.D, run.f, invert, Bc, result.W.data(), nullptr);
  if (errOut) *errOut = err;
  EXPECT_EQ(err, PF_Err_NONE);
  return result;
}

template <typename Pixel> class RadialBlur : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(RadialBlur, Depths);

TEST(StepWeights, SmallTablesAndTheirSums) {
  // e_i = expf(-i^2 / (100 n)), W[i] = trunc(e_i / sum x 1024).
  const std::vector<std::vector<A_u_long>> expected = {
      {1024}, {513, 510}, {343, 342, 338}, {207, 206, 205, 203, 200}};
  for (const auto &want : expected) {
    std::vector<A_u_long> W(want.size());
    EXPECT_EQ(buildStepWeights(static_cast<A_long>(want.size()), 100.0, W.data()), 0);
    EXPECT_EQ(W, want) << "n = " << want.size();
  }
  for (A_long n : {11, 101, 1000, 2001}) {
    std::vector<A_u_long> W(n);
    buildStepWeights(n, 100.0, W.data());
    A_u_long sum = 0;
    for (A_long i = 0; i < n; ++i) {
      sum += W[i];
      if (i > 0) {
        EXPECT_LE(W[i], W[i - 1]) << "n = " << n << ", i = " << i;
      }
    }
    EXPECT_LE(sum, 1024u) << n;
    EXPECT_GT(static_cast<long>(sum), 1024L - n) << n; // each entry loses less than 1 to truncation
  }
}

// Blur Offset examples on a row through the centre: which columns the walk
// of pixel (10, 1) samples, with weights W[0], W[1], ... in walk order.
TYPED_TEST(RadialBlur, SamplePositionsFollowBlurOffsetAndLength) {
  struct Case {
    Kind kind;
    double f;
    int length; // L at the pixel
    std::vector<int> columns;
  };
  const Case cases[] = {
      {Kind::BoundedInward, 1.0, 0, {14, 13, 12, 11, 10}}, // offset 100: d+4 down to d
      {Kind::OpenInward, 0.0, 0, {9, 8, 7, 6, 5}},         // offset 0: d-1 down to d-5
      {Kind::BoundedOutward, 0.0, 0, {10, 11, 12, 13, 14}},
      {Kind::OpenOutward, 0.0, 0, {10, 11, 12, 13, 14}},
      {Kind::BoundedInward, 0.5, 0, {12, 11, 10, 9, 8}}, // off = 2
      {Kind::OpenInward, 0.5, 0, {11, 10, 9, 8, 7}},
      {Kind::OpenOutward, 0.5, 0, {8, 9, 10, 11, 12}},
      {Kind::BoundedOutward, 0.0, 2, {10, 11}},          // the length map shortens the walk
      {Kind::OpenInward, 1.0, 3, {12, 11, 10}},          // off = len = 3: d+2 down to d
      {Kind::OpenOutward, 0.0, 9, {10, 11, 12, 13, 14}}, // longer than R: R
  };
  for (const Case &c : cases) {
    BlurRun run;
    run.map = Map{{"aaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaa"}};
    run.cx = 1;
    run.R = 5;
    run.f = c.f;
    run.kind = c.kind;
    run.D = 2202.907f; // a 1920 x 1080 layer
    run.length = [&](int x, int y) { return x == 10 && y == 1 ? c.length : 0; };
    auto r = RunBlur<TypeParam>(run);
    std::vector<Term> terms;
    for (size_t k = 0; k < c.columns.size(); ++k)
      terms.push_back({static_cast<long>(r.W[k]), ColumnRed(c.columns[k])});
    EXPECT_EQ(ktest::Red(r.output.template at<TypeParam>(10, 1)), ktest::ExpectedRed<TypeParam>(terms))
        << "kind " << static_cast<int>(c.kind) << " f " << c.f << " length " << c.length;
  }
}

// Hand-made rows through the centre (row 1, centre column 0, D = 64 so the
// walk's positions are exact): each accumulation case with its expected
// terms in walk order. W = 4 or more entries of buildStepWeights(R).
TYPED_TEST(RadialBlur, AccumulationCases) {
  const int Bc = 30000;
  struct Case {
    const char *what;
    Kind kind;
    std::vector<std::string> rows;
    int x;
    double R, f;
    std::function<int(int)> alpha; // by column; null: opaque
    std::function<std::vector<Term>(const std::vector<A_u_long> &)> terms;
  };
  auto r = [](int x) { return ColumnRed(x); };
  const Case cases[] = {
      {"B2 then B1: a pending weight goes to the next group sample (outward: its own colour)", Kind::OpenOutward,
       {"aaaaaaaa", "aaaa.aaa", "aaaaaaaa"}, 6, 4, 0.5, nullptr,
       [&](auto W) { return std::vector<Term>{{W[1], r(5)}, {W[0], r(5)}, {W[2], r(6)}, {W[3], r(7)}}; }},
      {"same, bounded outward", Kind::BoundedOutward,
       {"aaaaaaaa", "aaaa.aaa", "aaaaaaaa"}, 6, 4, 0.5, nullptr,
       [&](auto W) { return std::vector<Term>{{W[1], r(5)}, {W[0], r(5)}, {W[2], r(6)}, {W[3], r(7)}}; }},
      {"B2 then B1 inward: the pending weight takes the substitute colour", Kind::OpenInward,
       {"aaaaa", "aaaa.", "aaaaa"}, 3, 4, 0.5, nullptr,
       [&](auto W) { return std::vector<Term>{{W[1], r(3)}, {W[0], Bc}, {W[2], r(2)}, {W[3], r(1)}}; }},
      {"bounded inward: a sample off the image is skipped, the first before-weight is dropped",
       Kind::BoundedInward, {"aaaaa", "aaaa.", "aaaaa"}, 3, 4, 0.5, nullptr,
       [&](auto W) { return std::vector<Term>{{W[2], r(3)}, {W[3], r(2)}}; }},
      {"bounded inward: K drops while R f / 3 > K, the next weight is pending", Kind::BoundedInward,
       {"aaaaaaa", "aaaa...", "aaaaaaa"}, 3, 4, 1.0, nullptr,
       [&](auto W) { return std::vector<Term>{{W[3], r(3)}, {W[2], Bc}}; }},
      {"bounded inward: a transparent sample is not counted in K", Kind::BoundedInward,
       {"aaaaaaa", "aaaa...", "aaaaaaa"}, 3, 4, 1.0, [](int x) { return x == 6 ? 0 : 32768; },
       [&](auto W) { return std::vector<Term>{{W[3], r(3)}}; }},
      {"open inward keeps every before-weight", Kind::OpenInward, {"aaaaaaa", "aaaa...", "aaaaaaa"}, 3, 4, 1.0,
       nullptr,
       [&](auto W) { return std::vector<Term>{{W[3], r(3)}, {W[0] + W[1] + W[2], Bc}}; }},
      {"B3: Color B and outside samples past the pixel repeat the held colour", Kind::OpenInward,
       {"aaaaaaaaa", "aaaa.abaa", "aaaaaaaaa"}, 8, 4, 0.0, nullptr,
       [&](auto W) { return std::vector<Term>{{W[0], r(7)}, {W[1], r(7)}, {W[2], r(5)}, {W[3], r(5)}}; }},
      {"bounded outward ends at the group's edge", Kind::BoundedOutward, {"aaaaaaaa", "aaaaa.aa", "aaaaaaaa"}, 3, 5,
       0.0, nullptr,
       [&](auto W) { return std::vector<Term>{{W[0], r(3)}, {W[1], r(4)}, {W[2], r(4)}}; }},
      {"open outward runs past it", Kind::OpenOutward, {"aaaaaaaa", "aaaaa.aa", "aaaaaaaa"}, 3, 5, 0.0, nullptr,
       [&](auto W) {
         return std::vector<Term>{{W[0], r(3)}, {W[1], r(4)}, {W[2], r(4)}, {W[3], r(6)}, {W[4], r(7)}};
       }},
      {"A3, A1 before, A2 on itself, A1 past, A0 (open outward)", Kind::OpenOutward,
       {"aaaaaaaa", "a..ababb", "aaaaaaaa"}, 4, 6, 0.5, nullptr,
       [&](auto W) {
         return std::vector<Term>{{W[0], r(4)}, {W[1], r(4)}, {W[3], r(4)}, {W[4], r(5)}, {W[5], r(5)}};
       }},
      {"same cases, bounded outward", Kind::BoundedOutward, {"aaaaaaaa", "a..ababb", "aaaaaaaa"}, 4, 6, 0.5,
       nullptr,
       [&](auto W) {
         return std::vector<Term>{{W[0], r(4)}, {W[1], r(4)}, {W[3], r(4)}, {W[4], r(5)}, {W[5], r(5)}};
       }},
      {"bounded inward: A0 at the look-ahead's end goes on through A2, then stops", Kind::BoundedInward,
       {"bbb.bbbb", "bbbbbabb", "bbbbbbbb"}, 6, 5, 0.0, nullptr,
       [&](auto W) { return std::vector<Term>{{W[0], r(6)}, {W[1], r(5)}, {W[2], r(5)}, {W[2], r(4)}}; }},
      {"open inward on the same row: A1 past, then A0 repeats the held colour", Kind::OpenInward,
       {"bbb.bbbb", "bbbbbabb", "bbbbbbbb"}, 6, 5, 0.0, nullptr,
       [&](auto W) {
         return std::vector<Term>{{W[0], r(5)}, {W[1], r(5)}, {W[2], r(5)}, {W[3], r(5)}, {W[4], r(5)}};
       }},
  };
  for (const Case &c : cases) {
    BlurRun run;
    run.map = Map{c.rows};
    run.kind = c.kind;
    run.R = c.R;
    run.f = c.f;
    if (c.alpha) run.alpha = [&](int x, int) { return c.alpha(x); };
    auto res = RunBlur<TypeParam>(run);
    std::vector<Term> terms = c.terms(res.W);
    EXPECT_EQ(ktest::Red(res.output.template at<TypeParam>(c.x, 1)), ktest::ExpectedRed<TypeParam>(terms)) << c.what;
    EXPECT_EQ(res.output.template at<TypeParam>(c.x, 1).alpha, res.source.template at<TypeParam>(c.x, 1).alpha)
        << c.what;
  }
}

TYPED_TEST(RadialBlur, PixelsThatGainNothingKeepTheirSource) {
  struct Case {
    Kind kind;
    double f;
    std::vector<std::string> rows;
  };
  // Open inward from d-1: every sample is outside the group and past the
  // pixel, and nothing is held yet. Outward with offset 100: every sample is
  // before the pixel, outside the group and transparent.
  const Case cases[] = {{Kind::OpenInward, 0.0, {".........", "........a", "........."}},
                        {Kind::OpenOutward, 1.0, {".........", "....a....", "........."}},
                        {Kind::BoundedOutward, 1.0, {".........", "....a....", "........."}}};
  for (const Case &c : cases) {
    BlurRun run;
    run.map = Map{c.rows};
    run.kind = c.kind;
    run.f = c.f;
    run.alpha = [](int x, int) { return x == 8 || x == 4 ? 32768 : 0; };
    auto r = RunBlur<TypeParam>(run);
    EXPECT_EQ(r.output.pixelBytes(), r.source.pixelBytes()) << static_cast<int>(c.kind);
  }
}

TYPED_TEST(RadialBlur, CentrePixelKeepsItsSourceExactly) {
  for (Kind kind : {Kind::BoundedInward, Kind::BoundedOutward, Kind::OpenInward, Kind::OpenOutward}) {
    BlurRun run;
    run.map = Map{{"aaaaaaaaaaa", "aaaaaaaaaaa", "aaaaaaaaaaa"}};
    run.cx = 5;
    run.kind = kind;
    run.alpha = [](int x, int) { return 20000 + x; };
    auto r = RunBlur<TypeParam>(run);
    EXPECT_TRUE(ktest::SamePixel(r.output.template at<TypeParam>(5, 1), r.source.template at<TypeParam>(5, 1)));
    // Its neighbours are blurred.
    EXPECT_NE(ktest::Red(r.output.template at<TypeParam>(7, 1)), ktest::Red(r.source.template at<TypeParam>(7, 1)))
        << static_cast<int>(kind);
  }
}

TYPED_TEST(RadialBlur, RadiusBelowTwoCopiesTheGroupOnly) {
  for (double R : {1.0, 1.9}) {
    auto host = vtest::MakeHost(2);
    vemu::Host::DirectCall call(*host);
    const Map map{{"..aa..", ".bbaa.", "......"}};
    auto source = ktest::MakeImage<TypeParam>(6, 3, [](int x, int y) {
      return ktest::Px<TypeParam>(32768, 1000 * x, 500 * y, 7);
    });
    const TypeParam marker = ktest::Px<TypeParam>(1, 2, 3, 4);
    auto output = ktest::MakeImage<TypeParam>(6, 3, [&](int, int) { return marker; });
    const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "ab");
    const MaskPlane8 N = ktest::PlaneOf(call.in(), map, "b");
    const MaskPlane16 L = ktest::Plane16(call.in(), 6, 3, [](int, int) { return 0; });
    A_u_long W[2] = {1024, 0};
    ASSERT_EQ(radialBlurOpen<TypeParam>(output.world(), call.in(), source.world(), PF_LRect{0, 0, 6, 3}, M, N, L, R,
                                        0, 0, 64.0f, 0.0, false, marker, W, nullptr),
              PF_Err_NONE);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inGroup = map.at(x, y) != '.';
        EXPECT_TRUE(ktest::SamePixel(output.template at<TypeParam>(x, y),
                                     inGroup ? source.template at<TypeParam>(x, y) : marker))
            << x << "," << y;
      }
    EXPECT_EQ(host->suiteAcquisitions().count("PF World Transform Suite/1"), 0u); // no world copy
  }
}

// A noisy image with an irregular group: every kernel gives the same bytes
// with 1, 2, 3 and 7 threads and with every vector instruction set; a sub-rectangle of a larger image gives the
// same pixels as the same content on its own.
Map NoisyMap(int w, int h) {
  Map map;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      const int v = (x * 7 + y * 13 + (x * y) % 5) % 11;
      const bool ring = (x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < (w * w) / 9;
      row += v == 0 ? '.' : (ring || v < 4) ? 'b' : 'a';
    }
    map.rows.push_back(row);
  }
  return map;
}

TYPED_TEST(RadialBlur, SameBytesForAnyThreadCountAndInstructionSet) {
  vtest::SimdOverride simd;
  // Centres inside a block of lanes, left of and below the rectangle, and at
  // its right edge (where walks that start behind the centre leave it).
  const int centres[][2] = {{17, 11}, {-6, 35}, {40, 1}};
  for (const auto &centre : centres) {
    for (Kind kind : {Kind::BoundedInward, Kind::BoundedOutward, Kind::OpenInward, Kind::OpenOutward}) {
      std::vector<uint8_t> reference;
      for (int level = 0; level <= static_cast<int>(ProcessorSimdLevel()); ++level) {
        simd.use(static_cast<SimdLevel>(level));
        // Thread count 0: two threads, and no memory for the vector walk's
        // look-up plane, so the stage falls back to the scalar walk.
        for (int threads : {1, 2, 3, 7, 0}) {
          BlurRun run;
          run.map = NoisyMap(41, 29);
          run.cx = centre[0];
          run.cy = centre[1];
          run.R = 9;
          run.f = 0.35;
          run.kind = kind;
          run.D = 50.2f;
          run.red = [](int x, int y) { return (x * 811 + y * 397 + x * y * 13) % 32769; };
          run.alpha = [](int x, int y) { return (x + y) % 9 == 0 ? 0 : 32768; };
          run.length = [](int x, int y) { return (x * y) % 13; };
          run.threads = threads ? threads : 2;
          run.noSpareMemory = threads == 0;
          auto r = RunBlur<TypeParam>(run);
          if (reference.empty()) {
            reference = r.output.pixelBytes();
            EXPECT_NE(reference, r.source.pixelBytes());
          } else {
            EXPECT_EQ(r.output.pixelBytes(), reference)
                << "kind " << static_cast<int>(kind) << ", centre " << centre[0] << ", level " << level
                << ", threads " << threads;
          }
        }
      }
    }
  }
}

TYPED_TEST(RadialBlur, SubRectangleWorksInRectangleCoordinates) {
  auto host = vtest::MakeHost(3);
  vemu::Host::DirectCall call(*host);
  const Map map = NoisyMap(23, 17);
  const int left = 5, top = 3, W = 23, H = 17;
  auto pixel = [](int x, int y) { return ktest::Px<TypeParam>(32768, (x * 977 + y * 131) % 32768, x * 50, y * 70); };
  auto small = ktest::MakeImage<TypeParam>(W, H, pixel);
  auto big = ktest::MakeImage<TypeParam>(W + 9, H + 7, [&](int x, int y) {
    const bool inside = x >= left && x < left + W && y >= top && y < top + H;
    return inside ? pixel(x - left, y - top) : ktest::Px<TypeParam>(32768, 5, 5, 5);
  });
  vemu::Image smallOut(W, H, ktest::FormatOf<TypeParam>()), bigOut(W + 9, H + 7, ktest::FormatOf<TypeParam>());
  const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "ab");
  const MaskPlane8 N = ktest::PlaneOf(call.in(), map, "b");
  const MaskPlane16 L = ktest::Plane16(call.in(), W, H, [](int, int) { return 0; });
  std::vector<A_u_long> weights(7);
  buildStepWeights(7, 100.0, weights.data());
  const TypeParam Bc = ktest::Px<TypeParam>(32768, 100, 200, 300);
  ASSERT_EQ(radialBlurBounded<TypeParam>(smallOut.world(), call.in(), small.world(), PF_LRect{0, 0, W, H}, M, N, L,
                                         7, 9, 8, 40.0f, 0.2, false, Bc, weights.data(), nullptr),
            PF_Err_NONE);
  ASSERT_EQ(radialBlurBounded<TypeParam>(bigOut.world(), call.in(), big.world(),
                                         PF_LRect{left, top, left + W, top + H}, M, N, L, 7, 9, 8, 40.0f, 0.2, false,
                                         Bc, weights.data(), nullptr),
            PF_Err_NONE);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_TRUE(ktest::SamePixel(bigOut.template at<TypeParam>(x + left, y + top),
                                   smallOut.template at<TypeParam>(x, y)))
          << x << "," << y;
  // Outside the rectangle the destination holds the source copy.
  EXPECT_TRUE(ktest::SamePixel(bigOut.template at<TypeParam>(0, 0), big.template at<TypeParam>(0, 0)));
}

TEST(RadialBlurStage, ReportsProgressAndStopsAtTheFirstError) {
  const Map map{{"aaaa", "abba", "aaaa"}};
  struct Case {
    vemu::Fault fault; // Fault::Count: none injected
    PF_Err expected;
    long iterateCalls, progressCalls;
  };
  const Case cases[] = {{vemu::Fault::Count, PF_Err_NONE, 1, 1},
                        {vemu::Fault::WorldCopy, PF_Err_OUT_OF_MEMORY, 0, 0},
                        {vemu::Fault::IterateGeneric, PF_Err_INTERNAL_STRUCT_DAMAGED, 1, 0},
                        {vemu::Fault::Progress, PF_Interrupt_CANCEL, 1, 1}};
  for (const Case &c : cases) {
    auto host = vtest::MakeHost(2);
    if (c.fault != vemu::Fault::Count) host->injectFault(c.fault, c.expected);
    vemu::Host::DirectCall call(*host);
    auto source = ktest::MakeImage<PF_Pixel16>(4, 3, [](int x, int y) { return ktest::Px<PF_Pixel16>(32768, x, y, 0); });
    vemu::Image output(4, 3, PF_PixelFormat_ARGB64);
    const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "ab");
    const MaskPlane8 N = ktest::PlaneOf(call.in(), map, "b");
    const MaskPlane16 L = ktest::Plane16(call.in(), 4, 3, [](int, int) { return 0; });
    A_u_long W[3];
    buildStepWeights(3, 100.0, W);
    ProgressRecord progress{call.in(), call.in()->effect_ref, 6, 2};
    EXPECT_EQ(radialBlurBounded<PF_Pixel16>(output.world(), call.in(), source.world(), PF_LRect{0, 0, 4, 3}, M, N, L,
                                            3, 0, 0, 5.0f, 0.0, true, PF_Pixel16{}, W, &progress),
              c.expected);
    EXPECT_EQ(host->counters().iterateCalls, c.iterateCalls);
    EXPECT_EQ(host->counters().progressCalls, c.progressCalls);
    if (c.progressCalls) {
      EXPECT_EQ(host->progressLog().back(), (std::pair<A_long, A_long>(33, 100))); // 2 x 100 / 6
    }
    EXPECT_EQ(progress.done, 2); // the stage does not advance it
  }
}

TEST(RadialBlurStage, PlanesSmallerThanTheRectangleAreRefused) {
  auto host = vtest::MakeHost(2);
  vemu::Host::DirectCall call(*host);
  auto source = ktest::MakeImage<PF_Pixel16>(4, 3, [](int, int) { return PF_Pixel16{}; });
  vemu::Image output(4, 3, PF_PixelFormat_ARGB64);
  const MaskPlane8 M = ktest::Plane8(call.in(), 4, 2, [](int, int) { return 1; });
  const MaskPlane8 N = ktest::Plane8(call.in(), 4, 3, [](int, int) { return 0; });
  const MaskPlane16 L = ktest::Plane16(call.in(), 4, 3, [](int, int) { return 0; });
  A_u_long W[3] = {400, 350, 274};
  EXPECT_EQ(radialBlurOpen<PF_Pixel16>(output.world(), call.in(), source.world(), PF_LRect{0, 0, 4, 3}, M, N, L, 3, 0,
                                       0, 5.0f, 0.0, false, PF_Pixel16{}, W, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(radialBlurOpen<PF_Pixel16>(output.world(), call.in(), source.world(), PF_LRect{0, 0, 5, 3}, N, N, L, 3, 0,
                                       0, 5.0f, 0.0, false, PF_Pixel16{}, W, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(host->counters().iterateCalls, 0);
}

} // namespace
