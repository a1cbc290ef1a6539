// The stages of the length analysis and the patch smoothing on hand-made
// groups, and what every kernel stage shares: below a radius of 2 it only
// copies the group, it reports progress once per pass without advancing it,
// and a host error or a mask plane smaller than the rectangle ends it.
#include <gtest/gtest.h>

#include "kernel_fixtures.h"

namespace {

using ktest::kUntouched;
using ktest::Map;
using ktest::Stage;

template <typename Pixel> class KernelStages : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(KernelStages, Depths);

TYPED_TEST(KernelStages, RayLengthsOnHandMadeRows) {
  // R = 20, centre at column 0 of the middle row of three equal rows; the
  // pixel of interest at column x. Written value:
  // max(1, min(R, ((k - O - E) x R) / 10 + 2)).
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
      {"non-Color-B pixel, outside before the exit: k - O - E = 6 - 3 - 4 gives 0, so 1", true, "bba...abbbbbbbb", 2,
       1},
      {"k - O - E = 4 - 2 - 2 = 0 writes 2", true, "bba.a.bbbbbbbb", 2, 2},
      {"a long non-Color-B stretch is capped at R", true, "bbbaaaaaaaaaaaaabbbbbbbbbbbbb", 2, 20},
      {"outward: an outside sample before the exit counts: (5 - 1 - 3) R / 10 + 2", true, "bbb.babbbbbbbb", 2, 4},
      {"inward: it does not while in the pixel's Color B: (5 - 0 - 3) R / 10 + 2", false, "bbbbbbbbbab.bb", 12, 6},
      {"inward: a patched Color B pixel on the ray leaves R - 1", false, "bbbbbbbbbbbqbb", 12, 19},
      {"inward: a later write replaces it", false, "bbbbbbbbbbaqbb", 12, 6},
      {"outward walks ignore patched pixels", true, "bbqbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", 1,
       kUntouched},
      {"the centre pixel gets no length", false, "aaabaaaab", 0, kUntouched},
  };
  for (const Case &c : cases) {
    ktest::StageRun run;
    run.stage = ktest::Stage::Lengths;
    run.map = Map{{c.row, c.row, c.row}};
    run.radius = 20;
    run.invert = c.outward;
    run.argb = [](int x, int y) { return std::array<int, 4>{32768, 100 + x, 200 + y, 300}; };
    const auto res = ktest::RunStage<TypeParam>(run);
    ASSERT_EQ(res.err, PF_Err_NONE);
    EXPECT_EQ(res.lengths[1][c.x], c.expected) << c.what;
    // Only the centre pixel is copied to the destination.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < run.map.width(); ++x)
        EXPECT_TRUE(
            ktest::SamePixel(res.output.template at<TypeParam>(x, y),
                             x == 0 && y == 1 ? res.source.template at<TypeParam>(x, y) : ktest::Marker<TypeParam>()))
            << c.what << " at " << x << "," << y;
  }
}

int RedAt(int x, int y) { return 1000 + 3001 * x + 7919 * y % 9000 + 13 * x * y; }

// Map: '.' outside the group, 'a' group, 'p' marked group pixel, 'm' marked
// pixel outside the group.
template <typename Pixel> ktest::StageResult Smooth(const Map &map) {
  ktest::StageRun run;
  run.stage = ktest::Stage::Smooth;
  run.map = map;
  run.argb = [](int x, int y) {
    return std::array<int, 4>{20000 + x, RedAt(x, y), 2 * RedAt(x, y) % 32768, 32768 - RedAt(x, y)};
  };
  ktest::StageResult res = ktest::RunStage<Pixel>(run);
  EXPECT_EQ(res.err, PF_Err_NONE);
  EXPECT_EQ(res.counters.iterateCalls, 1);
  return res;
}

// The mean of the reds as the stage forms it: every pixel weighs 1.
template <typename Pixel> double MeanOf(const std::vector<int> &reds) {
  std::vector<ktest::Term> terms;
  for (int r : reds) terms.push_back({1, r});
  return ktest::ExpectedRed<Pixel>(terms);
}

TYPED_TEST(KernelStages, SmoothingMarkedPixelsTakeTheMeanOfTheirGroupNeighbours) {
  struct Case {
    const char *what;
    std::vector<std::string> rows;
    int x, y;
    std::vector<std::pair<int, int>> counted; // the pixel itself first
  };
  const Case cases[] = {
      {"interior: four neighbours", {"aaaa", "aapa", "aaaa"}, 2, 1, {{2, 1}, {2, 0}, {2, 2}, {1, 1}, {3, 1}}},
      {"first row and column: below and right only", {"paaa", "aaaa", "aaaa"}, 0, 0, {{0, 0}, {0, 1}, {1, 0}}},
      {"last row and column: above and left only", {"aaaa", "aaaa", "aaap"}, 3, 2, {{3, 2}, {3, 1}, {2, 2}}},
      {"neighbours outside the group are left out", {"a.aa", ".pa.", "aaaa"}, 1, 1, {{1, 1}, {1, 2}, {2, 1}}},
      {"no group neighbours: n = 1", {"a.aa", ".p.a", "a.aa"}, 1, 1, {{1, 1}}},
      {"a marked pixel outside the group still counts itself",
       {"aaaa", "amaa", "aaaa"},
       1,
       1,
       {{1, 1}, {1, 0}, {1, 2}, {0, 1}, {2, 1}}},
  };
  for (const Case &c : cases) {
    const Map map{c.rows};
    const auto res = Smooth<TypeParam>(map);
    std::vector<int> reds;
    for (auto p : c.counted) reds.push_back(RedAt(p.first, p.second));
    const TypeParam &got = res.output.template at<TypeParam>(c.x, c.y);
    EXPECT_EQ(ktest::Red(got), MeanOf<TypeParam>(reds)) << c.what;
    EXPECT_EQ(got.alpha, res.source.template at<TypeParam>(c.x, c.y).alpha) << c.what;
    // Every other pixel is unchanged.
    for (int y = 0; y < map.height(); ++y)
      for (int x = 0; x < map.width(); ++x)
        if (x != c.x || y != c.y) {
          EXPECT_TRUE(
              ktest::SamePixel(res.output.template at<TypeParam>(x, y), res.source.template at<TypeParam>(x, y)))
              << c.what << " at " << x << "," << y;
        }
  }
}

TYPED_TEST(KernelStages, SmoothingMarksSeeTheirSmoothedNeighboursLeftAndAbove) {
  const auto res = Smooth<TypeParam>(Map{{"aaaa", "appa", "apaa", "aaaa"}});
  auto r = [](int x, int y) { return RedAt(x, y); };
  auto red = [&](int x, int y) { return ktest::Red(res.output.template at<TypeParam>(x, y)); };
  // (1, 1) first, from the source values.
  EXPECT_EQ(red(1, 1), MeanOf<TypeParam>({r(1, 1), r(1, 0), r(1, 2), r(0, 1), r(2, 1)}));
  // (2, 1) reads the new (1, 1) on its left, (1, 2) the new (1, 1) above it.
  EXPECT_NEAR(red(2, 1), (red(1, 1) + r(2, 1) + r(2, 0) + r(2, 2) + r(3, 1)) / 5.0, 0.51);
  EXPECT_NEAR(red(1, 2), (red(1, 1) + r(1, 2) + r(1, 3) + r(0, 2) + r(2, 2)) / 5.0, 0.51);
}

const Stage kWalkingStages[] = {Stage::Lengths, Stage::BlurBounded, Stage::BlurOpen, Stage::SoftenBounded,
                                Stage::SoftenOpen};

TYPED_TEST(KernelStages, RadiusBelowTwoCopiesTheGroupOnly) {
  for (Stage stage : kWalkingStages)
    for (double radius : {1.0, 1.99, 2.0}) {
      ktest::StageRun run;
      run.stage = stage;
      run.map = ktest::Map{{"..aa..", ".bbaa.", "......"}};
      run.radius = radius;
      run.argb = [](int x, int y) { return std::array<int, 4>{32768, 1000 * x, 500 * y, 7}; };
      const auto res = ktest::RunStage<TypeParam>(run);
      ASSERT_EQ(res.err, PF_Err_NONE);
      bool copied = res.counters.progressCalls == 0 && res.counters.worldCopies == 0;
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
          copied &= res.lengths[y][x] == (stage == Stage::Lengths ? kUntouched : 0);
          copied &= ktest::SamePixel(res.output.template at<TypeParam>(x, y),
                                     run.map.at(x, y) != '.' ? res.source.template at<TypeParam>(x, y)
                                                             : ktest::Marker<TypeParam>());
        }
      EXPECT_EQ(copied, radius < 2.0) << "stage " << static_cast<int>(stage) << ", radius " << radius;
    }
}

TEST(KernelStages, ReportProgressAndStopAtTheFirstError) {
  struct Case {
    Stage stage;
    vemu::Fault fault; // Fault::Count: none
    int successes;
    PF_Err err;
    long iterateCalls, progressCalls;
  };
  using vemu::Fault;
  const PF_Err damaged = PF_Err_INTERNAL_STRUCT_DAMAGED, cancel = PF_Interrupt_CANCEL;
  const Case cases[] = {{Stage::Lengths, Fault::Count, 0, PF_Err_NONE, 1, 1},
                        {Stage::Lengths, Fault::IterateGeneric, 0, damaged, 1, 0},
                        {Stage::Lengths, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::BlurBounded, Fault::Count, 0, PF_Err_NONE, 1, 1},
                        {Stage::BlurBounded, Fault::WorldCopy, 0, PF_Err_OUT_OF_MEMORY, 0, 0},
                        {Stage::BlurOpen, Fault::IterateGeneric, 0, damaged, 1, 0},
                        {Stage::BlurOpen, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::SoftenBounded, Fault::Count, 0, PF_Err_NONE, 3, 3},
                        {Stage::SoftenBounded, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::SoftenOpen, Fault::Progress, 1, cancel, 2, 2},
                        {Stage::SoftenBounded, Fault::IterateGeneric, 2, damaged, 3, 2},
                        {Stage::Smooth, Fault::Count, 0, PF_Err_NONE, 1, 0},
                        {Stage::Smooth, Fault::IterateGeneric, 0, damaged, 1, 0}};
  for (const Case &c : cases)
    for (bool shortMask : {false, true}) {
      ktest::StageRun run;
      run.stage = c.stage;
      run.map = ktest::Map{{"aaaa", "abba", "aapa"}};
      run.radius = 3;
      run.fault = c.fault;
      run.faultErr = c.err;
      run.faultSuccesses = c.successes;
      run.shortMask = shortMask;
      const auto res = ktest::RunStage<PF_Pixel16>(run);
      SCOPED_TRACE("stage " + std::to_string(static_cast<int>(c.stage)) + ", fault " +
                   std::to_string(static_cast<int>(c.fault)) + ", short mask " + std::to_string(shortMask));
      EXPECT_EQ(res.err, shortMask ? PF_Err_BAD_CALLBACK_PARAM : c.err);
      EXPECT_EQ(res.counters.iterateCalls, shortMask ? 0 : c.iterateCalls);
      EXPECT_EQ(res.counters.progressCalls, shortMask ? 0 : c.progressCalls);
      // Every report gives the record's own percentage, 3 x 100 / 8.
      EXPECT_EQ(res.progress, (std::vector<std::pair<A_long, A_long>>(res.counters.progressCalls, {37, 100})));
    }
}

} // namespace
