// The radial blur stage through the emulator, at both working depths: step
// weights, Blur Offset sample positions, and each accumulation case on
// hand-made rows through the centre.
#include <gtest/gtest.h>

#include "kernel_fixtures.h"

namespace {

using ktest::Map;
using ktest::Stage;
using ktest::Term;

enum class Kind { BoundedInward, BoundedOutward, OpenInward, OpenOutward };

// The run of one kind; red of column x is 1000 + 37 x^2 + 11 x (ColumnRed).
ktest::StageRun BlurRun(Kind kind) {
  ktest::StageRun run;
  run.stage = kind == Kind::BoundedInward || kind == Kind::BoundedOutward ? Stage::BlurBounded : Stage::BlurOpen;
  run.invert = kind == Kind::BoundedOutward || kind == Kind::OpenOutward;
  return run;
}
int ColumnRed(int x) { return 1000 + 37 * x * x + 11 * x; }

template <typename Pixel> class RadialBlur : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(RadialBlur, Depths);

TEST(StepWeights, SmallTables) {
  // e_i = expf(-i^2 / (100 n)), W[i] = trunc(e_i / sum x 1024).
  const std::vector<std::vector<A_u_long>> expected = {{1024}, {513, 510}, {343, 342, 338}, {207, 206, 205, 203, 200}};
  for (const auto &want : expected) {
    std::vector<A_u_long> W(want.size());
    EXPECT_EQ(buildStepWeights(static_cast<A_long>(want.size()), 100.0, W.data()), 0);
    EXPECT_EQ(W, want) << "n = " << want.size();
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
    ktest::StageRun run = BlurRun(c.kind);
    run.map = Map{{"aaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaa"}};
    run.cx = 1;
    run.radius = 5;
    run.f = c.f;
    run.D = 2202.907f; // a 1920 x 1080 layer
    run.length = [&](int x, int y) { return x == 10 && y == 1 ? c.length : 0; };
    const auto r = ktest::RunStage<TypeParam>(run);
    ASSERT_EQ(r.err, PF_Err_NONE);
    std::vector<Term> terms;
    for (size_t k = 0; k < c.columns.size(); ++k) terms.push_back({static_cast<long>(r.W[k]), ColumnRed(c.columns[k])});
    EXPECT_EQ(ktest::Red(r.output.template at<TypeParam>(10, 1)), ktest::ExpectedRed<TypeParam>(terms))
        << "kind " << static_cast<int>(c.kind) << " f " << c.f << " length " << c.length;
  }
}

// Hand-made rows through the centre (row 1 of three, rows split at '/',
// centre column 0, D = 64 so the walk's positions are exact): each
// accumulation case with its expected terms in walk order, for each kind
// listed. A term is the sum of the step weights W[i] listed (none: weight 1)
// and the red of a column (kBc: the substitute colour). W = buildStepWeights(R).
TYPED_TEST(RadialBlur, AccumulationCases) {
  constexpr int kBc = -1;
  struct Case {
    std::vector<Kind> kinds;
    std::string rows;
    int x;
    double R, f;
    std::vector<std::pair<std::vector<int>, int>> terms;
    std::function<int(int)> alpha; // by column; null: opaque
  };
  auto onlyOpaque = [](int column) { return [column](int x) { return x == column ? 32768 : 0; }; };
  const std::vector<Kind> openIn = {Kind::OpenInward}, boundedIn = {Kind::BoundedInward}, openOut = {Kind::OpenOutward},
                          boundedOut = {Kind::BoundedOutward}, outward = {Kind::OpenOutward, Kind::BoundedOutward},
                          all = {Kind::BoundedInward, Kind::BoundedOutward, Kind::OpenInward, Kind::OpenOutward};
  const Case cases[] = {
      // B2 then B1: a pending weight goes to the next group sample (outward: its own colour).
      {outward, "aaaaaaaa/aaaa.aaa/aaaaaaaa", 6, 4, 0.5, {{{1}, 5}, {{0}, 5}, {{2}, 6}, {{3}, 7}}},
      // B2 then B1 inward: the pending weight takes the substitute colour.
      {openIn, "aaaaa/aaaa./aaaaa", 3, 4, 0.5, {{{1}, 3}, {{0}, kBc}, {{2}, 2}, {{3}, 1}}},
      // Bounded inward: a sample off the image is skipped, the first before-weight is dropped.
      {boundedIn, "aaaaa/aaaa./aaaaa", 3, 4, 0.5, {{{2}, 3}, {{3}, 2}}},
      // Bounded inward: K drops while R f / 3 > K, the next weight is pending.
      {boundedIn, "aaaaaaa/aaaa.../aaaaaaa", 3, 4, 1.0, {{{3}, 3}, {{2}, kBc}}},
      // Bounded inward: a transparent sample is not counted in K.
      {boundedIn, "aaaaaaa/aaaa.../aaaaaaa", 3, 4, 1.0, {{{3}, 3}}, [](int x) { return x == 6 ? 0 : 32768; }},
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
      {openIn, "........./........a/.........", 8, 4, 0.0, {{{}, 8}}, onlyOpaque(8)},
      {outward, "........./....a..../.........", 4, 4, 1.0, {{{}, 4}}, onlyOpaque(4)},
  };
  for (const Case &c : cases)
    for (Kind kind : c.kinds) {
      SCOPED_TRACE("case " + std::to_string(&c - cases) + ", kind " + std::to_string(static_cast<int>(kind)));
      ktest::StageRun run = BlurRun(kind);
      for (size_t from = 0; from < c.rows.size(); from += run.map.rows.back().size() + 1)
        run.map.rows.push_back(c.rows.substr(from, c.rows.find('/', from) - from));
      run.radius = c.R;
      run.f = c.f;
      run.argb = [&](int x, int) { return std::array<int, 4>{c.alpha ? c.alpha(x) : 32768, ColumnRed(x), 100, 200}; };
      const auto res = ktest::RunStage<TypeParam>(run);
      ASSERT_EQ(res.err, PF_Err_NONE);
      std::vector<Term> terms;
      for (const auto &t : c.terms) {
        long weight = t.first.empty() ? 1 : 0;
        for (int i : t.first) weight += static_cast<long>(res.W[i]);
        terms.push_back({weight, t.second == kBc ? run.bcRed : ColumnRed(t.second)});
      }
      const TypeParam &out = res.output.template at<TypeParam>(c.x, 1), &in = res.source.template at<TypeParam>(c.x, 1);
      EXPECT_EQ(ktest::Red(out), ktest::ExpectedRed<TypeParam>(terms));
      EXPECT_TRUE(out.alpha == in.alpha && out.green == in.green && out.blue == in.blue);
    }
}

} // namespace
