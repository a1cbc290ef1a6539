// The edge-preserving softening: its tables and colour terms, and the stage
// through the emulator on tiny groups whose results follow by hand from the
// rules, at both working depths.
#include <gtest/gtest.h>

#include "kernel_fixtures.h"

namespace ktest {
namespace {

// The Gaussian kernels show in the stage's results below (and all tables in
// the golden file of detmath_test).
TEST(SoftenTables, RangeAndCrossTables) {
  // G is 0 up to about b = 0.4 and rises to 128.
  A_u_char G[kRangeTableSize];
  buildRangeTable(G);
  const std::pair<int, int> points[] = {{0, 0},    {200, 0},   {256, 1},   {384, 26},
                                        {448, 79}, {480, 112}, {511, 128}, {512, 128}};
  for (const auto &p : points) EXPECT_EQ(G[p.first], p.second) << p.first;
  A_long Kc[3];
  buildCrossTable(Kc);
  EXPECT_EQ((std::vector<A_long>(Kc, Kc + 3)), (std::vector<A_long>{32768, 10, 0}));
  EXPECT_EQ(rangeWeight(0), 1.0f);
  EXPECT_EQ(rangeWeight(128), static_cast<float>(std::exp(static_cast<double>(-16384.0f / 5000.0f))));
}

TEST(SoftenTables, ColourTermsAndCodes) {
  // X from about 19.2 (threshold 0, equal colours) down to about 0
  // (threshold 100, T = 20); dAB from the channel sums, in float scaled by
  // 32768 and clamped there.
  const PF_Pixel16 grey{32768, 16000, 16000, 16000};
  const SoftenColorTerms equal = softenTerms16(grey, grey, 0.0), flat = softenTerms16(grey, grey, 20.0);
  EXPECT_NEAR(equal.X, (100.0 / (10.0 * 100.0 / 30.0 + 1.0) - 100.0 / 101.0) * 10.0, 1e-7);
  EXPECT_NEAR(flat.X, 0.0, 1e-6);
  EXPECT_EQ(softenTerms16(PF_Pixel16{0, 32768, 32768, 32768}, PF_Pixel16{0, 0, 0, 0}, 10.0).dAB, 98304);
  EXPECT_EQ(softenTermsFloat(PF_PixelFloat{1, 1, 1, 1}, PF_PixelFloat{1, 0, 0, 0}, 10.0).dAB, 32768);
  EXPECT_EQ(softenTermsFloat(PF_PixelFloat{1, 0.25f, 0, 0}, PF_PixelFloat{1, 0, 0, 0}, 10.0).dAB, 8192);
  // Equal colours: vAB = G[0] = 0, codes are not normalized; from the limit
  // 0x2000000 / Xi on, codes are 128. Threshold 100: Xi = 0, every code 128.
  const RangeCodes plain(equal), none(flat), scaled(SoftenColorTerms{20000, 5.0});
  EXPECT_EQ(plain.vAB, 0);
  EXPECT_EQ(plain.code(0x2000000 / 19687), 128);
  EXPECT_EQ(none.normalized(0), 128);
  // Distinct colours: the code of dAB becomes 128 after normalization.
  EXPECT_EQ(scaled.normalized(20000), 128);
}

template <typename Pixel> class Soften : public ::testing::Test {};
TYPED_TEST_SUITE(Soften, Depths);

// Runs the stage on map with the reds given row by row, green 6000, blue
// 7000, and returns the reds of the result in 16-bit units.
template <typename Pixel>
std::vector<double> SoftenReds(Stage stage, const Map &map, double sigma, double X, const std::vector<int> &reds) {
  StageRun run;
  run.stage = stage;
  run.map = map;
  run.radius = sigma;
  run.terms = SoftenColorTerms{0, X};
  run.argb = [&](int x, int y) { return std::array<int, 4>{32768, reds[y * map.width() + x], 6000, 7000}; };
  const auto res = RunStage<Pixel>(run);
  EXPECT_EQ(res.err, PF_Err_NONE);
  std::vector<double> out;
  for (int y = 0; y < map.height(); ++y)
    for (int x = 0; x < map.width(); ++x) out.push_back(Red(res.output.template at<Pixel>(x, y)));
  return out;
}

// One row, so the pass down keeps every pixel and there is no cross mix:
// Softness 2.5 passes across with taps 14834 7821 1146, then with 12426
// 10171. X = 19.2 makes sum differences up to 700 weigh exactly 1 (code 0);
// the pixel of red 12000 differs from the others by over the limit of 1706
// (code 128), so it and they weigh each other at expf(-128^2 / 5000) =
// 0.03776 of the tap. Bounded windows end at the gap, open ones skip it and
// take the pixel beyond. 16-bit results round after each pass, float ones do
// not; the gap pixel is not written.
TYPED_TEST(Soften, BilateralWindowsOnOneRow) {
  const std::vector<int> reds = {1000, 1200, 1400, 12000, 0, 1600, 1800};
  const bool is16 = std::is_same<TypeParam, PF_Pixel16>::value;
  struct Case {
    Stage stage;
    std::vector<double> expected16, expectedFloat;
  };
  const Case cases[] = {{Stage::SoftenBounded,
                         {1144, 1246, 1516, 11455, 2, 1697, 1703},
                         {1143.60, 1246.37, 1515.72, 11454.79, 2, 1696.91, 1703.09}},
                        {Stage::SoftenOpen,
                         {1144, 1246, 1515, 11427, 2, 1708, 1712},
                         {1143.60, 1246.37, 1515.24, 11426.92, 2, 1707.67, 1711.90}}};
  for (const Case &c : cases) {
    const auto got = SoftenReds<TypeParam>(c.stage, Map{{"aaaa.aa"}}, 2.5, 19.2, reds);
    for (size_t x = 0; x < got.size(); ++x)
      EXPECT_NEAR(got[x], is16 ? c.expected16[x] : c.expectedFloat[x], is16 ? 0 : 0.01)
          << "stage " << static_cast<int>(c.stage) << ", x " << x;
  }
}

// Group pixels that touch only diagonally: every bilateral window holds the
// pixel alone, so each pass is only the cross mix. With X = 1 every
// difference here weighs 1, so a diagonal neighbour (one step along, one line
// across) weighs trunc(trunc(10 x 1) x 0.35) = 3 against the pixel's K[0]:
// per pass, centre' = (K0 centre + 3 (sum of the corners)) / (K0 + 12) and
// corner' = (K0 corner + 3 centre) / (K0 + 3), with K0 = 18880, 18880, 12814
// (Softness 2, three passes). Reds: corners 1000, 3000, 3000, 5000, centre 11000.
TYPED_TEST(Soften, CrossMixOfDiagonalNeighbours) {
  const bool is16 = std::is_same<TypeParam, PF_Pixel16>::value;
  const std::vector<double> expected16 = {1006, 2, 3004, 2, 10983, 2, 3004, 2, 5003};
  const std::vector<double> expectedFloat = {1005.514, 2, 3004.411, 2, 10982.368, 2, 3004.411, 2, 5003.307};
  for (Stage stage : {Stage::SoftenBounded, Stage::SoftenOpen}) {
    const auto got =
        SoftenReds<TypeParam>(stage, Map{{"a.a", ".a.", "a.a"}}, 2.0, 1.0, {1000, 0, 3000, 0, 11000, 0, 3000, 0, 5000});
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(got[i], is16 ? expected16[i] : expectedFloat[i], is16 ? 0 : 0.002) << "pixel " << i;
  }
}

} // namespace
} // namespace ktest
