// Time per frame and per group pixel of each filter kernel on a 1920 x 1080
// 16-bit frame whose colour group is a few large flat areas, at radius 11 and
// 101 and Softness 10 and 50. The ray walks' CPU column counts every thread
// of the process, which a busy machine disturbs less than the real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "Host.h"
#include "Image.h"
#include "filters/PatchSmooth.h"
#include "filters/RadialBlur.h"
#include "filters/RayLengths.h"
#include "filters/Soften.h"
#include "stage/MaskPlane.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output, void *extra);

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// The frame: a sky-blue background (not in the group), a large Color B
// ellipse, a Color A rectangle overlapping it and a Color A band along the
// bottom with a Color B stripe, each flat with a soft shading.
struct Frame {
  std::unique_ptr<vemu::Host> host;
  std::unique_ptr<vemu::Host::DirectCall> call;
  std::unique_ptr<vemu::Image> source, destination, scratch, matte;
  MaskPlane8 M, N, Q;
  MaskPlane16 L;
  long groupPixels = 0;
  A_long cx = 900, cy = 500;
  float D = std::sqrt(static_cast<float>(kWidth) * kWidth + static_cast<float>(kHeight) * kHeight);
  PF_LRect rect{0, 0, kWidth, kHeight};
  PF_Pixel16 colorB{32768, 26000, 9000, 4000}, colorA{32768, 3000, 21000, 30000};

  Frame() {
    host = std::make_unique<vemu::Host>(&EntryPointFunc);
    call = std::make_unique<vemu::Host::DirectCall>(*host);
    PF_InData *in = call->in();
    const PF_PixelFormat format = PF_PixelFormat_ARGB64;
    source = std::make_unique<vemu::Image>(kWidth, kHeight, format);
    destination = std::make_unique<vemu::Image>(kWidth, kHeight, format);
    scratch = std::make_unique<vemu::Image>(kWidth, kHeight, format);
    matte = std::make_unique<vemu::Image>(kWidth, kHeight, format);
    createPlane8(M, in, kWidth, kHeight);
    createPlane8(N, in, kWidth, kHeight);
    createPlane8(Q, in, kWidth, kHeight);
    createPlane16(L, in, kWidth, kHeight);
    clearPlane(Q);
    clearPlane(L);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const double ex = (x - 700) / 520.0, ey = (y - 480) / 330.0;
        const bool ellipse = ex * ex + ey * ey < 1.0;
        const bool rectangle = x > 1000 && x < 1700 && y > 150 && y < 800;
        const bool band = y > 880 && y < 1040;
        const bool stripe = band && y > 940 && y < 980 && x % 400 < 300;
        const bool b = (ellipse && !rectangle) || stripe;
        const bool a = !b && (rectangle || band);
        M.row(y)[x] = a || b;
        N.row(y)[x] = b;
        groupPixels += a || b;
        const PF_Pixel16 base = b ? colorB : a ? colorA : PF_Pixel16{32768, 18000, 26000, 32000};
        const int shade = (x + 2 * y) % 64;
        source->at<PF_Pixel16>(x, y) = PF_Pixel16{base.alpha, static_cast<A_u_short>(base.red + shade),
                                                  static_cast<A_u_short>(base.green + shade / 2), base.blue};
        matte->at<PF_Pixel16>(x, y) = b ? PF_Pixel16{32768, 0, 0, 0} : PF_Pixel16{32768, 32768, 32768, 32768};
        // A few corner marks on the group's edges.
        if ((a || b) && (x * 7 + y * 13) % 4099 == 0) Q.row(y)[x] = 1;
      }
    updateOccupancy(M);
    updateOccupancy(N);
  }
};

Frame &TheFrame() {
  static Frame frame;
  return frame;
}

void PerPixel(benchmark::State &state, const Frame &frame) {
  state.counters["group_px"] = static_cast<double>(frame.groupPixels);
  state.counters["time_per_group_px"] = benchmark::Counter(
      static_cast<double>(frame.groupPixels), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: invert, radius.
void BM_RayLengths(benchmark::State &state) {
  Frame &f = TheFrame();
  const bool invert = state.range(0) != 0;
  const double R = static_cast<double>(state.range(1));
  for (auto _ : state) {
    clearPlane(f.L);
    analyseRayLengths<PF_Pixel16>(f.scratch->world(), f.call->in(), f.matte->world(), f.rect, f.M, f.N, f.Q, f.L, R,
                                  f.cx, f.cy, f.D, invert, nullptr);
  }
  PerPixel(state, f);
}
BENCHMARK(BM_RayLengths)->ArgNames({"invert", "R"})->ArgsProduct({{0, 1}, {11, 101}})->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Arguments: bounded, invert, radius. The length map comes from the ray
// length analysis of the same direction.
void BM_RadialBlur(benchmark::State &state) {
  Frame &f = TheFrame();
  const bool bounded = state.range(0) != 0, invert = state.range(1) != 0;
  const A_long R = static_cast<A_long>(state.range(2));
  std::vector<A_u_long> W(R);
  buildStepWeights(R, 100.0, W.data());
  clearPlane(f.L);
  analyseRayLengths<PF_Pixel16>(f.scratch->world(), f.call->in(), f.matte->world(), f.rect, f.M, f.N, f.Q, f.L, R,
                                f.cx, f.cy, f.D, invert, nullptr);
  for (auto _ : state) {
    if (bounded)
      radialBlurBounded<PF_Pixel16>(f.destination->world(), f.call->in(), f.source->world(), f.rect, f.M, f.N, f.L, R,
                                    f.cx, f.cy, f.D, 0.25, invert, f.colorB, W.data(), nullptr);
    else
      radialBlurOpen<PF_Pixel16>(f.destination->world(), f.call->in(), f.source->world(), f.rect, f.M, f.N, f.L, R,
                                 f.cx, f.cy, f.D, 0.25, invert, f.colorB, W.data(), nullptr);
  }
  PerPixel(state, f);
}
BENCHMARK(BM_RadialBlur)
    ->ArgNames({"bounded", "invert", "R"})
    ->ArgsProduct({{1, 0}, {0, 1}, {11, 101}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Arguments: bounded, Softness. Softness Threshold 50 %.
void BM_Soften(benchmark::State &state) {
  Frame &f = TheFrame();
  const bool bounded = state.range(0) != 0;
  const double sigma = static_cast<double>(state.range(1));
  const SoftenColorTerms terms = softenTerms16(f.colorB, f.colorA, 50.0 / 5.0);
  for (auto _ : state) {
    if (bounded)
      softenGroupBounded<PF_Pixel16>(f.destination->world(), f.call->in(), f.source->world(), f.scratch->world(),
                                     f.rect, f.M, terms, sigma, nullptr);
    else
      softenGroupOpen<PF_Pixel16>(f.destination->world(), f.call->in(), f.source->world(), f.scratch->world(),
                                  f.rect, f.M, terms, sigma, nullptr);
  }
  PerPixel(state, f);
}
BENCHMARK(BM_Soften)->ArgNames({"bounded", "softness"})->ArgsProduct({{1, 0}, {10, 50}})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PatchSmooth(benchmark::State &state) {
  Frame &f = TheFrame();
  for (auto _ : state)
    smoothPatchedPixels<PF_Pixel16>(f.destination->world(), f.call->in(), f.M, f.rect, f.Q);
  PerPixel(state, f);
}
BENCHMARK(BM_PatchSmooth)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
