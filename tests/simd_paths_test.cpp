// The fast paths against the plain one: every filter kernel with every vector
// instruction set the processor offers (the kernels hold all of the vector
// code) and several thread counts gives the bytes of the scalar kernel
// (VORTANE_SIMD=scalar) on one thread.
#include <gtest/gtest.h>

#include "SimdOverride.h"
#include "kernel_fixtures.h"

namespace ktest {
namespace {

// A blob of group pixels with holes, a few pixels strewn outside it; the
// characters of `set` in noisy blocks. The same for the same size.
Map NoisyMap(int w, int h, const std::string &set) {
  Map map;
  for (int y = 0; y < h; ++y) {
    map.rows.emplace_back();
    for (int x = 0; x < w; ++x) {
      const int v = (x * 7 + y * 13 + (x * y) % 5) % 11;
      const bool blob = (x - w / 3) * (x - w / 3) + 2 * (y - h / 2) * (y - h / 2) < w * h / 3;
      map.rows[y] += (blob ? v != 0 : v == 5 || v == 6) ? set[(x / 4 + y / 3 + v) % set.size()] : '.';
    }
  }
  return map;
}

// Every 7th source pixel gets a hostile channel: 65535 in 16-bit; infinity,
// minus infinity or NaN in float.
void MakeHostile(vemu::Image &image) {
  const float values[] = {INFINITY, -INFINITY, NAN};
  for (int y = 0; y < image.height(); ++y)
    for (int x = (y * 3) % 7; x < image.width(); x += 7) {
      if (image.format() == PF_PixelFormat_ARGB64) image.at<PF_Pixel16>(x, y).green = 65535;
      if (image.format() == PF_PixelFormat_ARGB128) image.at<PF_PixelFloat>(x, y).red = values[(x + y) % 3];
    }
}

std::vector<StageRun> KernelRuns() {
  std::vector<StageRun> runs;
  auto add = [&](Stage stage, Map map, double radius, int cx, int cy, bool invert) -> StageRun & {
    StageRun run(stage, std::move(map), radius);
    run.cx = cx;
    run.cy = cy;
    run.invert = invert;
    run.D = 50.2f;
    run.f = 0.35;
    run.argb = [](int x, int y) {
      const int base = (x / 5 + y / 4) % 2 ? 24000 : 6000; // flat patches with edges
      return std::array<int, 4>{(x + y) % 9 == 0 ? 0 : 32768, (x * 811 + y * 397 + x * y * 13) % 32769,
                                base / 2 + (x * 37) % 900, 30000 - base + (y * 53) % 700};
    };
    run.length = [](int x, int y) { return (x * y) % 13; };
    runs.push_back(run);
    return runs.back();
  };
  // Walks: centres inside a block of lanes, left of and below the rectangle,
  // and at its right edge; radius 100: walks far longer than the rectangle.
  for (bool invert : {false, true}) {
    for (const auto &c : {std::pair<int, int>{14, 12}, {-9, 40}})
      add(Stage::Lengths, NoisyMap(37, 31, "aabbbpq"), 9, c.first, c.second, invert);
    add(Stage::Lengths, NoisyMap(37, 31, "aabbbpq"), 100, 30, 3, invert);
    for (Stage stage : {Stage::BlurBounded, Stage::BlurOpen}) {
      for (const auto &c : {std::pair<int, int>{17, 11}, {-6, 35}, {40, 1}})
        add(stage, NoisyMap(41, 29, "aab"), 9, c.first, c.second, invert);
      add(stage, NoisyMap(41, 29, "aab"), 100, 5, 20, invert);
    }
  }
  // Softening: lines not a multiple of 8 long, holes, keys of both signs,
  // range factor 0, windows longer than a staging chunk down (tall) and
  // across (wide), hostile channels.
  Map tall, wide;
  for (int y = 0; y < 150; ++y) tall.rows.push_back(y % 40 == 17 ? "aaa.aaaaaaa" : "aaaaaaaaaaa");
  wide.rows.assign(3, std::string(2100, 'a'));
  wide.rows[1][1000] = '.';
  auto soften = [&](const Map &map, double sigma, SoftenColorTerms terms, bool hostile) {
    for (Stage stage : {Stage::SoftenBounded, Stage::SoftenOpen}) {
      add(stage, map, sigma, 0, 0, false).terms = terms;
      if (hostile) runs.back().prepareSource = MakeHostile;
    }
  };
  soften(NoisyMap(29, 21, "a"), 2.0, {0, 19.2}, false);
  soften(NoisyMap(29, 21, "a"), 3.7, {20000, 4.0}, false);
  soften(NoisyMap(37, 13, "a"), 10.0, {98304, 0.5}, true);
  soften(NoisyMap(37, 13, "a"), 10.0, {500, 0.0}, true);
  soften(NoisyMap(19, 26, "a"), 6.0, {1500, 12.5}, false);
  soften(tall, 100.0, {3000, 12.0}, true);
  soften(wide, 30.0, {3000, 12.0}, true);
  // Patch smoothing, with marks in consecutive rows.
  add(Stage::Smooth, NoisyMap(17, 23, "aapm"), 0, 0, 0, false);
  return runs;
}

template <typename Pixel> class KernelPaths : public ::testing::Test {};
TYPED_TEST_SUITE(KernelPaths, Depths);

TYPED_TEST(KernelPaths, EveryLevelAndThreadCountGivesTheScalarBytes) {
  vtest::SimdOverride simd;
  const std::vector<StageRun> runs = KernelRuns();
  for (size_t i = 0; i < runs.size(); ++i) {
    StageRun run = runs[i];
    simd.use(SimdLevel::Scalar);
    run.threads = 1;
    const auto plain = RunStage<TypeParam>(run);
    ASSERT_EQ(plain.err, PF_Err_NONE);
    EXPECT_NE(plain.output.pixelBytes(), plain.source.pixelBytes()) << i;
    for (int level = 0; level <= static_cast<int>(ProcessorSimdLevel()); ++level) {
      simd.use(static_cast<SimdLevel>(level));
      // Thread count 0: two threads, and no memory for the vector walks'
      // look-up planes, so the walks fall back to the scalar form.
      for (int threads : {1, 2, 3, 7, 0}) {
        SCOPED_TRACE("run " + std::to_string(i) + ", level " + std::to_string(level) + ", threads " +
                     std::to_string(threads));
        run.threads = threads ? threads : 2;
        run.fault = threads ? vemu::Fault::Count : vemu::Fault::NewHandle;
        const auto fast = RunStage<TypeParam>(run);
        ASSERT_EQ(fast.err, PF_Err_NONE);
        EXPECT_EQ(fast.output.pixelBytes(), plain.output.pixelBytes());
        EXPECT_EQ(fast.scratch.pixelBytes(), plain.scratch.pixelBytes()); // after the softening's pass down
        EXPECT_EQ(fast.lengths, plain.lengths);
      }
    }
  }
}

} // namespace
} // namespace ktest
