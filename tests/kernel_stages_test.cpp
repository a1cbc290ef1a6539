// The stages of the length analysis, the radial blur and the patch smoothing
// on hand-made groups at both working depths, and what every kernel stage
// shares: below a radius of 2 it only copies the group, it reports progress
// once per pass without advancing it, and a host error or a mask plane
// smaller than the rectangle ends it.
#include <gtest/gtest.h>

#include "kernel_fixtures.h"

namespace ktest {
namespace {

template <typename Pixel> class KernelStages : public ::testing::Test {};
TYPED_TEST_SUITE(KernelStages, Depths);

TYPED_TEST(KernelStages, RayLengthsOnHandMadeRows) {
  // R = 20, centre at column 0 of the middle row of three equal rows; the
  // pixel of interest at column x. Written value:
  // max(1, min(R, ((k - O - E) x R) / 10 + 2)).
  struct Case {
    const char *what;
    bool outward;
    std::string row;
    int x, expected;
  };
  const Case cases[] = {
      {"Color B to the edge: nothing written", true, std::string(45, 'b'), 2, kUntouched},
      {"exit at k = 2, solid Color B at k = 5: (5 - 0 - 2) R / 10 + 2", true, "bbbbaabbbbbbbb", 2, 8},
      {"non-Color-B pixel, outside before the exit: 6 - 3 - 4 gives 0, so 1", true, "bba...abbbbbbbb", 2, 1},
      {"k - O - E = 4 - 2 - 2 = 0 writes 2", true, "bba.a.bbbbbbbb", 2, 2},
      {"a long non-Color-B stretch is capped at R", true, "bbbaaaaaaaaaaaaabbbbbbbbbbbbb", 2, 20},
      {"outward: an outside sample before the exit counts: (5 - 1 - 3) R / 10 + 2", true, "bbb.babbbbbbbb", 2, 4},
      {"inward: it does not while in the pixel's Color B: (5 - 0 - 3) R / 10 + 2", false, "bbbbbbbbbab.bb", 12, 6},
      {"inward: a patched Color B pixel on the ray leaves R - 1", false, "bbbbbbbbbbbqbb", 12, 19},
      {"inward: a later write replaces it", false, "bbbbbbbbbbaqbb", 12, 6},
      {"outward walks ignore patched pixels", true, "bbq" + std::string(48, 'b'), 1, kUntouched},
      {"the centre pixel gets no length", false, "aaabaaaab", 0, kUntouched},
  };
  for (const Case &c : cases) {
    StageRun run(Stage::Lengths, Map{{c.row, c.row, c.row}}, 20);
    run.invert = c.outward;
    const auto res = RunStage<TypeParam>(run);
    ASSERT_EQ(res.err, PF_Err_NONE);
    EXPECT_EQ(res.lengths[1][c.x], c.expected) << c.what;
    // Only the centre pixel is copied to the destination.
    EXPECT_TRUE(SamePixel(res.output.template at<TypeParam>(0, 1), res.source.template at<TypeParam>(0, 1)));
    EXPECT_TRUE(SamePixel(res.output.template at<TypeParam>(1, 1), Marker<TypeParam>()));
  }
}

enum class Kind { BoundedInward, BoundedOutward, OpenInward, OpenOutward };

int ColumnRed(int x) { return 1000 + 37 * x * x + 11 * x; }

// Hand-made rows through the centre (row 1 of three, rows split at '/',
// centre column 0, D = 64 so the walk's positions are exact): each
// accumulation case with its expected terms in walk order, for each kind
// listed. A term is the sum of the step weights W[i] listed (none: weight 1)
// and the red of a column, 1000 + 37 x^2 + 11 x (kBc: the substitute colour).
// W = buildStepWeights(R).
TYPED_TEST(KernelStages, RadialBlurAccumulationCases) {
  constexpr int kBc = -1;
  struct Case {
    std::vector<Kind> kinds;
    std::string rows;
    int x;
    double R, f;
    std::vector<std::pair<std::vector<int>, int>> terms;
    int length = 0;                          // L at the pixel
    std::function<int(int)> alpha = nullptr; // by column; null: opaque
  };
  const std::string wide = "aaaaaaaaaaaaaaaa/aaaaaaaaaaaaaaaa/aaaaaaaaaaaaaaaa";
  auto onlyOpaque = [](int column) { return [column](int x) { return x == column ? 32768 : 0; }; };
  const std::vector<Kind> openIn = {Kind::OpenInward}, boundedIn = {Kind::BoundedInward}, openOut = {Kind::OpenOutward},
                          boundedOut = {Kind::BoundedOutward}, outward = {Kind::OpenOutward, Kind::BoundedOutward},
                          all = {Kind::BoundedInward, Kind::BoundedOutward, Kind::OpenInward, Kind::OpenOutward};
  const Case cases[] = {
      // Blur Offset and length: the columns the walk of pixel 10 samples, R = 5.
      {boundedIn, wide, 10, 5, 1.0, {{{0}, 14}, {{1}, 13}, {{2}, 12}, {{3}, 11}, {{4}, 10}}}, // offset 100: d+4 to d
      {openIn, wide, 10, 5, 0.0, {{{0}, 9}, {{1}, 8}, {{2}, 7}, {{3}, 6}, {{4}, 5}}},         // offset 0: d-1 to d-5
      {outward, wide, 10, 5, 0.0, {{{0}, 10}, {{1}, 11}, {{2}, 12}, {{3}, 13}, {{4}, 14}}},   // d to d+4
      {boundedIn, wide, 10, 5, 0.5, {{{0}, 12}, {{1}, 11}, {{2}, 10}, {{3}, 9}, {{4}, 8}}},   // off = 2
      {openIn, wide, 10, 5, 0.5, {{{0}, 11}, {{1}, 10}, {{2}, 9}, {{3}, 8}, {{4}, 7}}},
      {openOut, wide, 10, 5, 0.5, {{{0}, 8}, {{1}, 9}, {{2}, 10}, {{3}, 11}, {{4}, 12}}},
      {boundedOut, wide, 10, 5, 0.0, {{{0}, 10}, {{1}, 11}}, 2},        // the length map shortens the walk
      {openIn, wide, 10, 5, 1.0, {{{0}, 12}, {{1}, 11}, {{2}, 10}}, 3}, // off = len = 3: d+2 down to d
      {openOut, wide, 10, 5, 0.0, {{{0}, 10}, {{1}, 11}, {{2}, 12}, {{3}, 13}, {{4}, 14}}, 9}, // longer than R: R
      // B2 then B1: a pending weight goes to the next group sample (outward: its own colour).
      {outward, "aaaaaaaa/aaaa.aaa/aaaaaaaa", 6, 4, 0.5, {{{1}, 5}, {{0}, 5}, {{2}, 6}, {{3}, 7}}},
      // B2 then B1 inward: the pending weight takes the substitute colour.
      {openIn, "aaaaa/aaaa./aaaaa", 3, 4, 0.5, {{{1}, 3}, {{0}, kBc}, {{2}, 2}, {{3}, 1}}},
      // Bounded inward, R f / 3 = 2 / 3: a sample off the image is skipped, the first before-weight is dropped,
      // a second one is pending.
      {boundedIn, "aaaaa/aaaa./aaaaa", 3, 4, 0.5, {{{2}, 3}, {{3}, 2}}},
      {boundedIn, "aaaaaaa/aaaa..a/aaaaaaa", 3, 4, 0.5, {{{2}, 3}, {{1}, kBc}, {{3}, 2}}},
      // Bounded inward: K drops while R f / 3 > K, the next weight is pending.
      {boundedIn, "aaaaaaa/aaaa.../aaaaaaa", 3, 4, 1.0, {{{3}, 3}, {{2}, kBc}}},
      // Bounded inward: a transparent sample is not counted in K.
      {boundedIn, "aaaaaaa/aaaa.../aaaaaaa", 3, 4, 1.0, {{{3}, 3}}, 0, [](int x) { return x == 6 ? 0 : 32768; }},
      // Open inward keeps every before-weight.
      {openIn, "aaaaaaa/aaaa.../aaaaaaa", 3, 4, 1.0, {{{3}, 3}, {{0, 1, 2}, kBc}}},
      // B3: Color B and outside samples past the pixel repeat the held colour.
      {openIn, "aaaaaaaaa/aaaa.abaa/aaaaaaaaa", 8, 4, 0.0, {{{0}, 7}, {{1}, 7}, {{2}, 5}, {{3}, 5}}},
      // Bounded outward ends at the group's edge; open outward runs past it.
      {boundedOut, "aaaaaaaa/aaaaa.aa/aaaaaaaa", 3, 5, 0.0, {{{0}, 3}, {{1}, 4}, {{2}, 4}}},
      {openOut, "aaaaaaaa/aaaaa.aa/aaaaaaaa", 3, 5, 0.0, {{{0}, 3}, {{1}, 4}, {{2}, 4}, {{3}, 6}, {{4}, 7}}},
      // A3, A1 before, A2 on itself, A1 past, A0 (outward).
      {outward, "aaaaaaaa/a..ababb/aaaaaaaa", 4, 6, 0.5, {{{0}, 4}, {{1}, 4}, {{3}, 4}, {{4}, 5}, {{5}, 5}}},
      // Bounded inward: A0 at the look-ahead's end goes on through A2, then stops.
      {boundedIn, "bbb.bbbb/bbbbbabb/bbbbbbbb", 6, 5, 0.0, {{{0}, 6}, {{1}, 5}, {{2}, 5}, {{2}, 4}}},
      // Open inward on the same row: A1 past, then A0 repeats the held colour.
      {openIn, "bbb.bbbb/bbbbbabb/bbbbbbbb", 6, 5, 0.0, {{{0}, 5}, {{1}, 5}, {{2}, 5}, {{3}, 5}, {{4}, 5}}},
      // The centre pixel (d = 0) keeps its source.
      {all, "aaa/aaa/aaa", 0, 4, 0.0, {{{}, 0}}},
      // Pixels that gain nothing keep their source: open inward from d - 1
      // every sample is outside the group and past the pixel, and nothing is
      // held yet; outward with offset 100 every sample is before the pixel,
      // outside the group and transparent.
      {openIn, "........./........a/.........", 8, 4, 0.0, {{{}, 8}}, 0, onlyOpaque(8)},
      {outward, "........./....a..../.........", 4, 4, 1.0, {{{}, 4}}, 0, onlyOpaque(4)},
  };
  for (const Case &c : cases)
    for (Kind kind : c.kinds) {
      SCOPED_TRACE("case " + std::to_string(&c - cases) + ", kind " + std::to_string(static_cast<int>(kind)));
      StageRun run(kind == Kind::BoundedInward || kind == Kind::BoundedOutward ? Stage::BlurBounded : Stage::BlurOpen,
                   {}, c.R);
      run.invert = kind == Kind::BoundedOutward || kind == Kind::OpenOutward;
      for (size_t from = 0; from < c.rows.size(); from += run.map.rows.back().size() + 1)
        run.map.rows.push_back(c.rows.substr(from, c.rows.find('/', from) - from));
      run.f = c.f;
      run.length = [&](int x, int y) { return x == c.x && y == 1 ? c.length : 0; };
      run.argb = [&](int x, int) { return std::array<int, 4>{c.alpha ? c.alpha(x) : 32768, ColumnRed(x), 100, 200}; };
      const auto res = RunStage<TypeParam>(run);
      ASSERT_EQ(res.err, PF_Err_NONE);
      std::vector<Term> terms;
      for (const auto &t : c.terms) {
        long weight = t.first.empty() ? 1 : 0;
        for (int i : t.first) weight += static_cast<long>(res.W[i]);
        terms.push_back({weight, t.second == kBc ? run.bcRed : ColumnRed(t.second)});
      }
      const TypeParam &out = res.output.template at<TypeParam>(c.x, 1), &in = res.source.template at<TypeParam>(c.x, 1);
      EXPECT_EQ(Red(out), ExpectedRed<TypeParam>(terms));
      EXPECT_TRUE(out.alpha == in.alpha && out.green == in.green && out.blue == in.blue);
    }
}

// Each marked pixel ('p' in the group, 'm' outside it) becomes the mean of
// itself and its group neighbours above, below, left and right; marks are
// rewritten in reading order in place, so a mark sees the new values of
// marks to its left and above.
TYPED_TEST(KernelStages, SmoothingTakesTheMeanOfGroupNeighbours) {
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
      {"outside the group: counts itself", {"aaaa", "amaa", "aaaa"}, 1, 1, {{1, 1}, {1, 0}, {1, 2}, {0, 1}, {2, 1}}},
      {"the new value on the left", {"aaaa", "appa", "apaa", "aaaa"}, 2, 1, {{2, 1}, {2, 0}, {2, 2}, {1, 1}, {3, 1}}},
      {"a mark after eight unmarked pixels", {"aaaaaaaaaa", "aaaaaaaapa"}, 8, 1, {{8, 1}, {8, 0}, {7, 1}, {9, 1}}},
      {"the new value above", {"aaaa", "appa", "apaa", "aaaa"}, 1, 2, {{1, 2}, {1, 1}, {1, 3}, {0, 2}, {2, 2}}},
  };
  auto red = [](int x, int y) { return 1000 + 3001 * x + 7919 * y % 9000 + 13 * x * y; };
  for (const Case &c : cases) {
    StageRun run(Stage::Smooth, Map{c.rows});
    run.argb = [&](int x, int y) { return std::array<int, 4>{20000 + x, red(x, y), 2 * red(x, y) % 32768, 7}; };
    const auto res = RunStage<TypeParam>(run);
    ASSERT_EQ(res.err, PF_Err_NONE);
    EXPECT_EQ(res.counters.iterateCalls, 1);
    auto marked = [&](int x, int y) { return c.rows[y][x] == 'p' || c.rows[y][x] == 'm'; };
    std::vector<Term> terms;
    for (auto p : c.counted) {
      const bool before = p.second < c.y || (p.second == c.y && p.first < c.x);
      terms.push_back({1, marked(p.first, p.second) && before
                              ? Red(res.output.template at<TypeParam>(p.first, p.second))
                              : red(p.first, p.second)});
    }
    EXPECT_EQ(Red(res.output.template at<TypeParam>(c.x, c.y)), ExpectedRed<TypeParam>(terms)) << c.what;
    for (int y = 0; y < run.map.height(); ++y)
      for (int x = 0; x < run.map.width(); ++x) {
        const TypeParam &out = res.output.template at<TypeParam>(x, y), &in = res.source.template at<TypeParam>(x, y);
        EXPECT_TRUE(marked(x, y) ? out.alpha == in.alpha : SamePixel(out, in)) << c.what << " at " << x << y;
      }
  }
}

TYPED_TEST(KernelStages, RadiusBelowTwoCopiesTheGroupOnly) {
  for (Stage stage : {Stage::Lengths, Stage::BlurBounded, Stage::BlurOpen, Stage::SoftenBounded, Stage::SoftenOpen})
    for (double radius : {1.0, 1.99, 2.0}) {
      StageRun run(stage, Map{{"..aa..", ".bbaa.", "......"}}, radius);
      const auto res = RunStage<TypeParam>(run);
      ASSERT_EQ(res.err, PF_Err_NONE);
      bool copied = res.counters.progressCalls == 0 && res.counters.worldCopies == 0;
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
          copied &= res.lengths[y][x] == (stage == Stage::Lengths ? kUntouched : 0);
          copied &=
              SamePixel(res.output.template at<TypeParam>(x, y),
                        run.map.rows[y][x] != '.' ? res.source.template at<TypeParam>(x, y) : Marker<TypeParam>());
        }
      EXPECT_EQ(copied, radius < 2.0) << "stage " << static_cast<int>(stage) << ", radius " << radius;
    }
}

TEST(KernelStages, ReportProgressAndStopAtTheFirstError) {
  struct Case {
    Stage stage;
    vemu::Fault fault;
    int successes;
    PF_Err err;
    long iterateCalls, progressCalls;
  };
  using vemu::Fault;
  const PF_Err damaged = PF_Err_INTERNAL_STRUCT_DAMAGED, cancel = PF_Interrupt_CANCEL;
  const Case cases[] = {{Stage::Lengths, Fault::IterateGeneric, 0, damaged, 1, 0},
                        {Stage::Lengths, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::BlurBounded, Fault::WorldCopy, 0, PF_Err_OUT_OF_MEMORY, 0, 0},
                        {Stage::BlurOpen, Fault::IterateGeneric, 0, damaged, 1, 0},
                        {Stage::BlurOpen, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::SoftenBounded, Fault::Progress, 0, cancel, 1, 1},
                        {Stage::SoftenOpen, Fault::Progress, 1, cancel, 2, 2},
                        {Stage::SoftenBounded, Fault::IterateGeneric, 2, damaged, 3, 2},
                        {Stage::Smooth, Fault::IterateGeneric, 0, damaged, 1, 0}};
  for (const Case &c : cases)
    for (bool shortMask : {false, true}) {
      StageRun run(c.stage, Map{{"aaaa", "abba", "aapa"}}, 3);
      run.fault = c.fault;
      run.faultErr = c.err;
      run.faultSuccesses = c.successes;
      run.shortMask = shortMask;
      const auto res = RunStage<PF_Pixel16>(run);
      SCOPED_TRACE("stage " + std::to_string(static_cast<int>(c.stage)) + ", fault " +
                   std::to_string(static_cast<int>(c.fault)) + ", short mask " + std::to_string(shortMask));
      EXPECT_EQ(res.err, shortMask ? PF_Err_BAD_CALLBACK_PARAM : c.err);
      EXPECT_EQ(res.counters.iterateCalls, shortMask ? 0 : c.iterateCalls);
      EXPECT_EQ(res.counters.progressCalls, shortMask ? 0 : c.progressCalls);
      // Every report gives the record's own percentage, 2 x 100 / 3.
      EXPECT_EQ(res.progress, (std::vector<std::pair<A_long, A_long>>(res.counters.progressCalls, {66, 100})));
    }
}

} // namespace
} // namespace ktest
