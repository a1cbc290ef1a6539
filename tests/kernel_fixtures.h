// Helpers for the filter-kernel tests: groups drawn from small character
// maps, pixels of both working depths from 16-bit values, weighted means as
// the kernels must form them, and one call of any kernel stage.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "Host.h"
#include "TestSupport.h"
#include "filters/PatchSmooth.h"
#include "filters/RadialBlur.h"
#include "filters/RayLengths.h"
#include "filters/Soften.h"

namespace ktest {

using Depths = ::testing::Types<PF_Pixel16, PF_PixelFloat>; // the working depths of the kernels

// A map of equal-length rows; each character is one pixel.
struct Map {
  std::vector<std::string> rows;
  int width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
  int height() const { return static_cast<int>(rows.size()); }
};

// Pixels of either depth from 16-bit values (full scale 32768).
template <typename Pixel> Pixel Px(int a, int r, int g, int b) {
  using C = decltype(Pixel::red);
  const float scale = std::is_same<C, float>::value ? 1.0f / 32768.0f : 1.0f; // exact: a power of two
  return Pixel{C(a * scale), C(r * scale), C(g * scale), C(b * scale)};
}
template <typename Pixel> bool SamePixel(const Pixel &a, const Pixel &b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The red channel in 16-bit units.
inline double Red(const PF_Pixel16 &p) { return p.red; }
inline double Red(const PF_PixelFloat &p) { return p.red * 32768.0; }

// One contribution to a weighted mean: a weight and a red value in 16-bit
// units (whole in 16-bit, any value a float channel holds in float).
using Term = std::pair<long, double>;

// The mean red of the terms as a kernel forms it, in 16-bit units: 16-bit
// (sum + total / 2) / total; float: single precision products of the weight
// and red / 32768 added in double, divided without rounding.
template <typename Pixel> double ExpectedRed(const std::vector<Term> &terms) {
  long sum = 0, total = 0;
  double floatSum = 0.0;
  for (const Term &t : terms) {
    sum += t.first * static_cast<long>(t.second);
    floatSum += static_cast<double>(static_cast<float>(t.first) * static_cast<float>(t.second / 32768.0));
    total += t.first;
  }
  if (std::is_same<Pixel, PF_Pixel16>::value) return static_cast<double>((sum + total / 2) / total);
  return static_cast<float>(floatSum / static_cast<double>(total)) * 32768.0;
}

enum class Stage { Lengths, BlurBounded, BlurOpen, SoftenBounded, SoftenOpen, Smooth };

// One call of a stage on a map: '.' outside the group, 'a' group pixel, 'b'
// Color B pixel, 'p' and 'q' patched group and Color B pixels, 'm' a patched
// pixel outside the group. The destination starts as Marker() everywhere (the
// smoothing works in place on the source), the length map as kUntouched.
struct StageRun {
  StageRun(Stage stage = Stage::BlurOpen, Map map = {}, double radius = 4)
      : stage(stage), map(std::move(map)), radius(radius) {}
  Stage stage;
  Map map;
  double radius; // R, or the Softness
  bool invert = false;
  int cx = 0, cy = 1;
  float D = 64.0f;
  double f = 0.0;
  SoftenColorTerms terms{3000, 12.0};
  std::function<std::array<int, 4>(int, int)> argb = [](int x, int) {
    return std::array<int, 4>{32768, 1000 + 37 * x * x + 11 * x, 100, 200};
  };
  std::function<int(int, int)> length = [](int, int) { return 0; };
  int bcRed = 30000; // Color B's substitute: red, green 100, blue 200
  int threads = 2;
  vemu::Fault fault = vemu::Fault::Count; // none; injected once the planes are made
  PF_Err faultErr = PF_Err_OUT_OF_MEMORY;
  int faultSuccesses = 0;
  bool shortMask = false;                           // the group mask lacks the map's last row
  std::function<void(vemu::Image &)> prepareSource; // changes to the source, if any
};

constexpr int kUntouched = 777;
template <typename Pixel> Pixel Marker() { return Px<Pixel>(1, 2, 3, 4); }

struct StageResult {
  vemu::Image source, output, scratch;
  std::vector<std::vector<int>> lengths;
  std::vector<A_u_long> W; // the blur's step weights
  PF_Err err = PF_Err_NONE;
  vemu::Counters counters;
  std::vector<std::pair<A_long, A_long>> progress;
};

template <typename Pixel> StageResult RunStage(const StageRun &run) {
  auto host = vtest::MakeHost(run.threads);
  vemu::Host::DirectCall call(*host);
  PF_InData *in = call.in();
  const int w = run.map.width(), h = run.map.height();
  const PF_PixelFormat format = sizeof(Pixel) == 8 ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB128;
  // The map lies m pixels inside larger images (grey around it), so the stage
  // works in rectangle coordinates; the images come back cropped to the map.
  const int m = 2;
  auto image = [&] { return vemu::Image(w + 2 * m, h + 2 * m, format); };
  StageResult res{image(), image(), image(), {}, {}, 0, {}, {}};
  const Map maskMap = run.shortMask ? Map{{run.map.rows.begin(), run.map.rows.end() - 1}} : run.map;
  // u8 planes: 1 where the map's character is one of `set`; the flags are made exact.
  auto planeOf = [in](const Map &map, const std::string &set) {
    MaskPlane8 plane;
    createPlane8(plane, in, map.width(), map.height());
    for (int y = 0; y < map.height(); ++y)
      for (int x = 0; x < map.width(); ++x) plane.row(y)[x] = set.find(map.rows[y][x]) != std::string::npos ? 1 : 0;
    updateOccupancy(plane);
    return plane;
  };
  const MaskPlane8 M = planeOf(maskMap, "abpq"), N = planeOf(run.map, "bq"), Q = planeOf(run.map, "pqm");
  MaskPlane16 L;
  createPlane16(L, in, w, h);
  for (int y = -m; y < h + m; ++y)
    for (int x = -m; x < w + m; ++x) {
      const bool inside = x >= 0 && y >= 0 && x < w && y < h;
      const auto c = inside ? run.argb(x, y) : std::array<int, 4>{32768, 5000, 5000, 5000};
      res.source.at<Pixel>(x + m, y + m) = Px<Pixel>(c[0], c[1], c[2], c[3]);
      res.output.at<Pixel>(x + m, y + m) = Marker<Pixel>();
      if (inside) L.row(y)[x] = static_cast<uint16_t>(run.stage == Stage::Lengths ? kUntouched : run.length(x, y));
    }
  if (run.prepareSource) run.prepareSource(res.source);
  if (run.stage == Stage::Smooth) res.output = res.source;
  res.W.resize(static_cast<size_t>(std::ceil(run.radius)) + 1);
  buildStepWeights(static_cast<A_long>(run.radius), 100.0, res.W.data());
  if (run.fault != vemu::Fault::Count) host->injectFault(run.fault, run.faultErr, run.faultSuccesses);
  ProgressRecord progress{in, in->effect_ref, 3, 2};
  const PF_LRect rect{m, m, m + w, m + h};
  const Pixel Bc = Px<Pixel>(32768, run.bcRed, 100, 200);
  PF_EffectWorld *D = res.output.world(), *S = res.source.world(), *Wc = res.scratch.world();
  const auto blur = run.stage == Stage::BlurBounded ? radialBlurBounded<Pixel> : radialBlurOpen<Pixel>;
  const auto soften = run.stage == Stage::SoftenBounded ? softenGroupBounded<Pixel> : softenGroupOpen<Pixel>;
  if (run.stage == Stage::Lengths)
    res.err =
        analyseRayLengths<Pixel>(D, in, S, rect, M, N, Q, L, run.radius, run.cx, run.cy, run.D, run.invert, &progress);
  else if (run.stage == Stage::BlurBounded || run.stage == Stage::BlurOpen)
    res.err = blur(D, in, S, rect, M, N, L, run.radius, run.cx, run.cy, run.D, run.f, run.invert, Bc, res.W.data(),
                   &progress);
  else if (run.stage == Stage::Smooth)
    res.err = smoothPatchedPixels<Pixel>(D, in, M, rect, Q);
  else
    res.err = soften(D, in, S, Wc, rect, M, run.terms, run.radius, &progress);
  for (vemu::Image *full : {&res.source, &res.output, &res.scratch}) {
    vemu::Image inner(w, h, format);
    for (int y = 0; y < h; ++y) std::memcpy(inner.row(y), full->row(y + m) + m * sizeof(Pixel), w * sizeof(Pixel));
    *full = inner;
  }
  res.lengths.assign(h, std::vector<int>(w));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) res.lengths[y][x] = L.at(x, y);
  res.counters = host->counters();
  res.progress = host->progressLog();
  return res;
}

} // namespace ktest
