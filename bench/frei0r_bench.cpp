// The frei0r edition against the vortane tool: the same 1920 x 1080 8-bit
// frame with four colour groups, rendered through f0r_update (RGBA in and
// out, converted each way) and through the tool's effect instance. The
// edition should stay within 10 % of the tool.
#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

#include "EffectInstance.h"
#include "EffectParams.h"
#include "Frei0rTestSupport.h"
#include "Host.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// The settings applied to the tool's emulated host as the host values they
// stand for, as the frei0r instance gets their frei0r values.
void Apply(vemu::Host &host, const std::vector<f0rtest::Setting> &settings) {
  for (const f0rtest::Setting &s : settings) {
    const int index = vtest::ParamIndex(host, s.name);
    switch (host.paramValue(index).param_type) {
    case PF_Param_CHECKBOX: host.setCheckbox(index, s.host[0] != 0.0); break;
    case PF_Param_FLOAT_SLIDER: host.setFloat(index, s.host[0]); break;
    case PF_Param_POPUP: host.setPopup(index, static_cast<A_long>(s.host[0])); break;
    case PF_Param_COLOR:
      host.setColor(index, static_cast<A_u_char>(s.host[0]), static_cast<A_u_char>(s.host[1]),
                    static_cast<A_u_char>(s.host[2]));
      break;
    case PF_Param_POINT: host.setPoint(index, s.host[0], s.host[1]); break;
    default: throw std::runtime_error("\"" + s.name + "\" takes no value");
    }
  }
}

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
  Apply(instance.host(), f0rtest::FourGroups(kWidth, kHeight));
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
