// Patch smoothing through the emulator: means over group neighbours at the
// edges too, marks that see their smoothed neighbours to the left and above,
// and the same result for any number of threads.
#include <gtest/gtest.h>

#include "filters/PatchSmooth.h"
#include "kernel_fixtures.h"

namespace {

using ktest::Map;

int RedAt(int x, int y) { return 1000 + 3001 * x + 7919 * y % 9000 + 13 * x * y; }

template <typename Pixel> Pixel SourcePixel(int x, int y) {
  return ktest::Px<Pixel>(20000 + x, RedAt(x, y), 2 * RedAt(x, y) % 32768, 32768 - RedAt(x, y));
}

// Map: '.' outside the group, 'a' group, 'p' marked group pixel, 'm' marked
// pixel outside the group.
template <typename Pixel> vemu::Image RunSmooth(const Map &map, int threads, PF_LRect *rectOut = nullptr) {
  auto host = vtest::MakeHost(threads);
  vemu::Host::DirectCall call(*host);
  auto image = ktest::MakeImage<Pixel>(map.width(), map.height(), SourcePixel<Pixel>);
  const MaskPlane8 M = ktest::PlaneOf(call.in(), map, "ap");
  const MaskPlane8 Q = ktest::PlaneOf(call.in(), map, "pm");
  EXPECT_EQ(smoothPatchedPixels<Pixel>(image.world(), call.in(), M, PF_LRect{0, 0, map.width(), map.height()}, Q),
            PF_Err_NONE);
  EXPECT_EQ(host->counters().iterateCalls, 1);
  return image;
}

// The mean red of the given pixels as the stage forms it.
int MeanOf(const std::vector<int> &reds, PF_Pixel16 *) {
  long sum = 0;
  for (int r : reds) sum += r;
  const long n = static_cast<long>(reds.size());
  return static_cast<int>((sum + n / 2) / n);
}
float MeanOf(const std::vector<int> &reds, PF_PixelFloat *) {
  double sum = 0.0;
  for (int r : reds) sum += static_cast<double>(r / 32768.0f);
  return static_cast<float>(sum / static_cast<double>(reds.size()));
}

template <typename Pixel> class PatchSmooth : public ::testing::Test {};
using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>;
TYPED_TEST_SUITE(PatchSmooth, Depths);

TYPED_TEST(PatchSmooth, MarkedPixelsTakeTheMeanOfTheirGroupNeighbours) {
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
      {"a marked pixel outside the group still counts itself", {"aaaa", "amaa", "aaaa"}, 1, 1,
       {{1, 1}, {1, 0}, {1, 2}, {0, 1}, {2, 1}}},
  };
  for (const Case &c : cases) {
    const Map map{c.rows};
    vemu::Image out = RunSmooth<TypeParam>(map, 2);
    std::vector<int> reds;
    for (auto p : c.counted) reds.push_back(RedAt(p.first, p.second));
    const TypeParam &got = out.template at<TypeParam>(c.x, c.y);
    const TypeParam before = SourcePixel<TypeParam>(c.x, c.y);
    EXPECT_EQ(got.red, MeanOf(reds, static_cast<TypeParam *>(nullptr))) << c.what;
    EXPECT_EQ(got.alpha, before.alpha) << c.what;
    // Every other pixel is unchanged.
    for (int y = 0; y < map.height(); ++y)
      for (int x = 0; x < map.width(); ++x)
        if (x != c.x || y != c.y) {
          EXPECT_TRUE(ktest::SamePixel(out.template at<TypeParam>(x, y), SourcePixel<TypeParam>(x, y)))
              << c.what << " at " << x << "," << y;
        }
  }
}

TYPED_TEST(PatchSmooth, MarksSeeTheirSmoothedNeighboursLeftAndAbove) {
  const Map map{{"aaaa", "appa", "apaa", "aaaa"}};
  vemu::Image out = RunSmooth<TypeParam>(map, 1);
  auto* tag = static_cast<TypeParam *>(nullptr);
  auto r = [](int x, int y) { return RedAt(x, y); };
  // (1, 1) first, from the source values.
  const auto first = MeanOf({r(1, 1), r(1, 0), r(1, 2), r(0, 1), r(2, 1)}, tag);
  EXPECT_EQ(out.template at<TypeParam>(1, 1).red, first);
  // (2, 1) reads the new (1, 1) on its left: the mean is formed from a
  // value the test turns back into red units.
  auto asRed = [](auto v) {
    if constexpr (std::is_same<TypeParam, PF_Pixel16>::value) return static_cast<double>(v);
    else return static_cast<double>(v) * 32768.0;
  };
  const double left = asRed(first);
  const TypeParam &second = out.template at<TypeParam>(2, 1);
  const double expectedSecond = (left + r(2, 1) + r(2, 0) + r(2, 2) + r(3, 1)) / 5.0;
  EXPECT_NEAR(asRed(second.red), expectedSecond, 0.51);
  // (1, 2) reads the new (1, 1) above it.
  const double expectedThird = (left + r(1, 2) + r(1, 3) + r(0, 2) + r(2, 2)) / 5.0;
  EXPECT_NEAR(asRed(out.template at<TypeParam>(1, 2).red), expectedThird, 0.51);
}

TYPED_TEST(PatchSmooth, SameResultForAnyThreadCount) {
  // Marks in consecutive rows, so that any split into bands would cut
  // between a mark and the mark above it.
  Map map;
  for (int y = 0; y < 23; ++y) {
    std::string row;
    for (int x = 0; x < 17; ++x) row += (x + y) % 7 == 0 ? '.' : (x * 3 + y) % 4 == 0 || x == 8 ? 'p' : 'a';
    map.rows.push_back(row);
  }
  const std::vector<uint8_t> reference = RunSmooth<TypeParam>(map, 1).pixelBytes();
  for (int threads : {2, 3, 7})
    EXPECT_EQ(RunSmooth<TypeParam>(map, threads).pixelBytes(), reference) << threads;
}

} // namespace
