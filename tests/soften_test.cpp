// The edge-preserving softening through the emulator on tiny groups whose
// results follow by hand from the rules, at both working depths. Its tables
// and colour terms are in the golden file of detmath_test.
#include <gtest/gtest.h>

#include "kernel_fixtures.h"

namespace ktest {
namespace {

template <typename Pixel> class Soften : public ::testing::Test {};
TYPED_TEST_SUITE(Soften, Depths);

// Row "aaaa.aa": one row, so the pass down keeps every pixel and there is no
// cross mix. Softness 2.5 passes across with taps 14834 7821 1146, then with
// 12426 10171. X = 19.2 makes sum differences up to 700 weigh exactly 1 (code
// 0); the pixel of red 12000 differs from the others by over the limit of 1706
// (code 128), so it and they weigh each other at expf(-128^2 / 5000) = 0.03776
// of the tap. Bounded windows end at the gap, open ones skip it and take the
// pixel beyond. 16-bit results round after each pass, float ones do not; the
// gap pixel is not written.
//
// "a.a/.a./a.a": group pixels that touch only diagonally, so every bilateral
// window holds the pixel alone and each pass is only the cross mix. With X = 1
// every difference here weighs 1, so a diagonal neighbour (one step along, one
// line across) weighs trunc(trunc(10 x 1) x 0.35) = 3 against the pixel's
// K[0]: per pass, centre' = (K0 centre + 3 (sum of the corners)) / (K0 + 12)
// and corner' = (K0 corner + 3 centre) / (K0 + 3), with K0 = 18880, 18880,
// 12814 (Softness 2, three passes).
TYPED_TEST(Soften, BilateralWindowsAndCrossMix) {
  struct Case {
    std::vector<Stage> stages;
    std::vector<std::string> rows;
    double sigma, X;
    std::vector<int> reds; // row by row; green 6000, blue 7000
    std::vector<double> expected16, expectedFloat;
  };
  const std::vector<int> row = {1000, 1200, 1400, 12000, 0, 1600, 1800};
  const Case cases[] = {
      {{Stage::SoftenBounded}, {"aaaa.aa"}, 2.5, 19.2, row, {1144, 1246, 1516, 11455, 2, 1697, 1703},
       {1143.600, 1246.374, 1515.719, 11454.787, 2, 1696.911, 1703.089}},
      {{Stage::SoftenOpen}, {"aaaa.aa"}, 2.5, 19.2, row, {1144, 1246, 1515, 11427, 2, 1708, 1712},
       {1143.600, 1246.374, 1515.241, 11426.923, 2, 1707.673, 1711.898}},
      {{Stage::SoftenBounded, Stage::SoftenOpen}, {"a.a", ".a.", "a.a"}, 2.0, 1.0,
       {1000, 0, 3000, 0, 11000, 0, 3000, 0, 5000}, {1006, 2, 3004, 2, 10983, 2, 3004, 2, 5003},
       {1005.514, 2, 3004.411, 2, 10982.368, 2, 3004.411, 2, 5003.307}}};
  const bool is16 = std::is_same<TypeParam, PF_Pixel16>::value;
  for (const Case &c : cases)
    for (Stage stage : c.stages) {
      SCOPED_TRACE("case " + std::to_string(&c - cases) + ", stage " + std::to_string(static_cast<int>(stage)));
      StageRun run(stage, Map{c.rows}, c.sigma);
      run.terms = SoftenColorTerms{0, c.X};
      run.argb = [&](int x, int y) { return std::array<int, 4>{32768, c.reds[y * run.map.width() + x], 6000, 7000}; };
      const auto res = RunStage<TypeParam>(run);
      ASSERT_EQ(res.err, PF_Err_NONE);
      for (size_t i = 0; i < c.reds.size(); ++i) {
        const double got = Red(res.output.template at<TypeParam>(i % run.map.width(), i / run.map.width()));
        EXPECT_NEAR(got, is16 ? c.expected16[i] : c.expectedFloat[i], is16 ? 0 : 0.002) << "pixel " << i;
      }
    }
}

} // namespace
} // namespace ktest
