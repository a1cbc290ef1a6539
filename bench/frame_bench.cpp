// Whole frames through the entry point: the synthetic 1920 x 1080 cel frame
// with its four colour groups, at each depth, with the default settings and
// with heavy ones (Blur Amount 100, Softness 50), on one thread and on all.
#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

#include "EffectParams.h"
#include "Host.h"
#include "SyntheticFrame.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// args: depth (8, 16, 32), heavy (0, 1), threads (0: all processors)
void BM_Frame(benchmark::State &state) {
  const int depth = static_cast<int>(state.range(0));
  const bool heavy = state.range(1) != 0;
  const int threads = state.range(2) ? static_cast<int>(state.range(2))
                                     : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const PF_PixelFormat format = depth == 32   ? PF_PixelFormat_ARGB128
                                : depth == 16 ? PF_PixelFormat_ARGB64
                                              : PF_PixelFormat_ARGB32;
  vemu::Host host(&EntryPointFunc);
  host.setThreads(threads);
  host.setLayerSize(kWidth, kHeight);
  if (host.globalSetup() || host.paramsSetup() || host.sequenceSetup()) {
    state.SkipWithError("the effect could not be applied");
    return;
  }
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(kWidth, kHeight);
  for (int g = 1; g <= 4; ++g) {
    // The registered defaults, with the scene's colours and centres.
    vtest::GroupValues v = vtest::SceneGroupValues(scene, g);
    if (heavy) {
      v.blurAmount = 100.0;
      v.softness = 50.0;
    }
    vtest::SetGroup(host, g, v);
  }
  vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kWidth, kHeight), format);
  vemu::Image output(kWidth, kHeight, format);
  for (auto _ : state) {
    if (host.renderSmart(input, output) != PF_Err_NONE) state.SkipWithError("render failed");
    benchmark::ClobberMemory();
  }
  // The time column is the wall-clock time of one frame.
  state.counters["threads"] = threads;
}

BENCHMARK(BM_Frame)
    ->ArgNames({"depth", "heavy", "threads"})
    ->ArgsProduct({{8, 16, 32}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5);

} // namespace
