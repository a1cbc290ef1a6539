// The ray length analysis through the emulator, at both working depths:
// lengths written on hand-made rows (limits 1 and R, patched pixels), the
// centre pixel, fallback, progress, and independence of the thread count and
// of the vector instruction set.
#include <gtest/gtest.h>

#include "filters/RayLengths.h"
#include "SimdOverride.h"
#include "kernel_fixtures.h"

namespace {

using ktest::Map;

constexpr int kUntouched = 777; // length map entries start with this

// Map: '.' outside the group, 'a' group, 'b' Color B, 'p' patched group
// pixel, 'q' patched Color B pixel.
template <typename Pixel> struct LengthRun {
  Map map;
  int cx = 0, cy = 1;
  double R = 20;
  bool outward = true;
  float D = 64.0f;
  int threads = 2;
  bool noSpareMemory = false; // the host has no memory left once the planes are made
  PF_Err err = PF_Err_NONE;
  std::vector<std::vector<int>> lengths; // L after the stage
  std::unique_ptr<vemu::Image> source, destination;

  void run() {
    auto host = vtest::MakeHost(threads);
    vemu::Host::DirectCall call(*host);
    const int w = map.width(), h = map.height();
    source = std::make_unique<vemu::Image>(ktest::MakeImage<Pixel>(
        w, h, [](int x, int y) { return ktest::Px<Pixel>(32768, 100 + x, 200 + y, 300); }));
    destination = std::make_unique<vemu::Image>(
        ktest::MakeImage<Pixel>(w, h, [](int, int) { return ktest::Px<Pixel>(1, 2, 3, 4); }));
    const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "abpq");
    const MaskPlane8 N = ktest::PlaneOf(call.in(), map, "bq");
    const MaskPlane8 Q = ktest::PlaneOf(call.in(), map, "pq");
    MaskPlane16 L = ktest::Plane16(call.in(), w, h, [](int, int) { return kUntouched; });
    if (noSpareMemory) host->injectFault(vemu::Fault::NewHandle, PF_Err_OUT_OF_MEMORY);
    err = analyseRayLengths<Pixel>(destination->world(), call.in(), source->world(), PF_LRect{0, 0, w, h}, M, N, Q,
                                   L, R, cx, cy, D, outward, nullptr);
    lengths.assign(h, std::vector<int>(w));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) lengths[y][x] = L.at(x, y);
  }
};

// Three equal rows, so every 3x3 block sees the same columns above and below.
Map Rows3(const std::string &row) { return Map{{row, row, row}}; }

template <typename Pixel> class RayLengths : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(RayLengths, Depths);

TYPED_TEST(RayLengths, LengthsOnHandMadeRows) {
  // R = 20, centre at column 0 of the middle row; the pixel of interest at
  // column x. Written value: max(1, min(R, ((k - O - E) x R) / 10 + 2)).
  struct Case {
    const char *what;
    bool outward;
    std::string row;
    int x;
    int expected;
  };
  const Case cases[] = {
      {"Color B to the edge: nothing written", true, "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", 2, kUntouched},
      {"exit at k = 2, solid Color B at k = 5: (5 - 0 - 2) R / 10 + 2", true, "bbbbaabbbbbbbb", 2, 8},
      {"non-Color-B pixel, outside before the exit: k - O - E = 6 - 3 - 4 gives 0, so 1", true,
       "bba...abbbbbbbb", 2, 1},
      {"k - O - E = 4 - 2 - 2 = 0 writes 2", true, "bba.a.bbbbbbbb", 2, 2},
      {"a long non-Color-B stretch is capped at R", true, "bbbaaaaaaaaaaaaabbbbbbbbbbbbb", 2, 20},
      {"outward: an outside sample before the exit counts: (5 - 1 - 3) R / 10 + 2", true, "bbb.babbbbbbbb", 2, 4},
      {"inward: it does not while in the pixel's Color B: (5 - 0 - 3) R / 10 + 2", false, "bbbbbbbbbab.bb", 12,
       6},
      {"inward: a patched Color B pixel on the ray leaves R - 1", false, "bbbbbbbbbbbqbb", 12, 19},
      {"inward: a later write replaces it", false, "bbbbbbbbbbaqbb", 12, 6},
      {"outward walks ignore patched pixels", true, "bbqbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", 1,
       kUntouched},
  };
  for (const Case &c : cases) {
    LengthRun<TypeParam> run;
    run.map = Rows3(c.row);
    run.outward = c.outward;
    run.run();
    ASSERT_EQ(run.err, PF_Err_NONE);
    EXPECT_EQ(run.lengths[1][c.x], c.expected) << c.what;
  }
}

TYPED_TEST(RayLengths, CentrePixelIsCopiedAndGetsNoLength) {
  LengthRun<TypeParam> run;
  run.map = Map{{"abbbbbb", "bbbabbb", "bbbbbba"}};
  run.cx = 3;
  run.R = 4;
  run.run();
  ASSERT_EQ(run.err, PF_Err_NONE);
  EXPECT_EQ(run.lengths[1][3], kUntouched);
  const TypeParam marker = ktest::Px<TypeParam>(1, 2, 3, 4);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_TRUE(ktest::SamePixel(run.destination->template at<TypeParam>(x, y),
                                   x == 3 && y == 1 ? run.source->template at<TypeParam>(x, y) : marker))
          << x << "," << y;
}

TYPED_TEST(RayLengths, RadiusBelowTwoCopiesTheGroupAndWritesNoLength) {
  LengthRun<TypeParam> run;
  run.map = Map{{"ab..", ".aab", "...."}};
  run.R = 1;
  run.run();
  ASSERT_EQ(run.err, PF_Err_NONE);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(run.lengths[y][x], kUntouched);
      const bool inGroup = run.map.at(x, y) != '.';
      EXPECT_TRUE(ktest::SamePixel(run.destination->template at<TypeParam>(x, y),
                                   inGroup ? run.source->template at<TypeParam>(x, y)
                                           : ktest::Px<TypeParam>(1, 2, 3, 4)));
    }
}

// The same map for any thread count and with every vector instruction set
// (against the scalar walk at one thread).
TYPED_TEST(RayLengths, SameMapForAnyThreadCountAndInstructionSet) {
  Map map;
  for (int y = 0; y < 31; ++y) {
    std::string row;
    for (int x = 0; x < 37; ++x) {
      const int v = (x * 5 + y * 3 + (x * y) % 7) % 13;
      row += v == 0 ? '.' : v == 1 ? 'p' : v == 2 ? 'q' : (x / 6 + y / 5) % 2 ? 'b' : 'a';
    }
    map.rows.push_back(row);
  }
  vtest::SimdOverride simd;
  // Centres inside a block of lanes, and left of and below the rectangle.
  const int centres[][2] = {{14, 12}, {-9, 40}};
  for (const auto &centre : centres) {
    for (bool outward : {false, true}) {
      std::vector<std::vector<int>> reference;
      int written = 0;
      for (int level = 0; level <= static_cast<int>(ProcessorSimdLevel()); ++level) {
        simd.use(static_cast<SimdLevel>(level));
        // Thread count 0: two threads, and no memory for the vector walk's
        // look-up plane, so the stage falls back to the scalar walk.
        for (int threads : {1, 2, 3, 7, 0}) {
          LengthRun<TypeParam> run;
          run.map = map;
          run.cx = centre[0];
          run.cy = centre[1];
          run.R = 9;
          run.D = 49.5f;
          run.outward = outward;
          run.threads = threads ? threads : 2;
          run.noSpareMemory = threads == 0;
          run.run();
          ASSERT_EQ(run.err, PF_Err_NONE);
          if (reference.empty()) {
            reference = run.lengths;
            for (const auto &row : reference)
              for (int v : row) written += v != kUntouched;
          } else {
            EXPECT_EQ(run.lengths, reference) << "outward " << outward << ", centre " << centre[0] << ", level "
                                              << level << ", threads " << threads;
          }
        }
      }
      EXPECT_GT(written, 50) << outward; // the map exercises the writes
    }
  }
}

TEST(RayLengthStage, ReportsProgressAndPassesIterationErrorsOn) {
  for (bool fail : {false, true}) {
    auto host = vtest::MakeHost(2);
    if (fail) host->injectFault(vemu::Fault::IterateGeneric, PF_Err_INTERNAL_STRUCT_DAMAGED);
    vemu::Host::DirectCall call(*host);
    const Map map = Rows3("bbaab");
    vemu::Image matte(5, 3, PF_PixelFormat_ARGB64), out(5, 3, PF_PixelFormat_ARGB64);
    const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "ab");
    const MaskPlane8 N = ktest::PlaneOf(call.in(), map, "b");
    MaskPlane16 L = ktest::Plane16(call.in(), 5, 3, [](int, int) { return 0; });
    ProgressRecord progress{call.in(), call.in()->effect_ref, 8, 3};
    EXPECT_EQ(analyseRayLengths<PF_Pixel16>(out.world(), call.in(), matte.world(), PF_LRect{0, 0, 5, 3}, M, N, N, L,
                                            4, 0, 1, 10.0f, false, &progress),
              fail ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_NONE);
    EXPECT_EQ(host->counters().progressCalls, fail ? 0 : 1);
    if (!fail) {
      EXPECT_EQ(host->progressLog().back(), (std::pair<A_long, A_long>(37, 100))); // 3 x 100 / 8
    }
    EXPECT_EQ(progress.done, 3);
  }
}

} // namespace
