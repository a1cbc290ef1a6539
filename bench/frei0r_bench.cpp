// The frei0r edition against the vortane tool: the same 1920 x 1080 8-bit
// frame with four colour groups, rendered through f0r_update (RGBA in and
// out, converted each way) and through the tool's effect instance. The
// edition should stay within 10 % of the tool.
#include <benchmark/benchmark.h>

#include <cstring>

#include "EffectInstance.h"
#include "Frei0rTestSupport.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

void BM_Frei0rUpdate(benchmark::State &state) {
  const std::vector<uint32_t> frame = f0rtest::TestFrame(kWidth, kHeight);
  std::vector<uint32_t> out(frame.size());
  f0r_instance_t instance = f0r_construct(kWidth, kHeight);
  if (!instance) {
    state.SkipWithError("f0r_construct failed");
    return;
  }
  f0rtest::Apply(instance, f0rtest::FourGroups(kWidth, kHeight));
  for (auto _ : state) {
    f0r_update(instance, 0.0, frame.data(), out.data());
    benchmark::ClobberMemory();
  }
  f0r_destruct(instance);
}

void BM_ToolRender(benchmark::State &state) {
  const std::vector<uint32_t> frame = f0rtest::TestFrame(kWidth, kHeight);
  vemu::Image input(kWidth, kHeight, PF_PixelFormat_ARGB32);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      uint8_t b[4];
      std::memcpy(b, &frame[static_cast<size_t>(y) * kWidth + x], 4);
      input.at<PF_Pixel>(x, y) = PF_Pixel{b[3], b[0], b[1], b[2]};
    }
  }
  vcli::EffectInstance instance;
  f0rtest::Apply(instance.host(), f0rtest::FourGroups(kWidth, kHeight));
  for (auto _ : state) {
    vemu::Image output = instance.render(input);
    benchmark::DoNotOptimize(output.row(0));
  }
}

// On a shared machine, compare medians of interleaved repetitions:
//   vortane_frei0r_bench --benchmark_repetitions=6 --benchmark_enable_random_interleaving=true
BENCHMARK(BM_Frei0rUpdate)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ToolRender)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace
