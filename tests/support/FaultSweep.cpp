// The host-failure sweep over the effect's entry point.
#include "FaultSweep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectParams.h"
#include "GoldenScenes.h"
#include "SyntheticFrame.h"

namespace vtest {

namespace {

constexpr int kW = 40, kH = 24;

// Every call number up to 12, then six spread over the rest.
std::vector<long> SampledCalls(long count) {
  std::vector<long> n;
  for (long i = 1; i <= count && i <= 12; ++i) n.push_back(i);
  for (long k = 1; k <= 6 && count > 12; ++k) {
    const long i = 12 + (count - 12) * k / 6;
    if (i != n.back()) n.push_back(i);
  }
  return n;
}

} // namespace

std::unique_ptr<vemu::Host> FaultSceneHost(PF_FilterProc entry) {
  auto host = std::make_unique<vemu::Host>(entry);
  host->setThreads(2);
  host->setLayerSize(kW, kH);
  EXPECT_EQ(host->globalSetup(), PF_Err_NONE);
  EXPECT_EQ(host->paramsSetup(), PF_Err_NONE);
  EXPECT_EQ(host->sequenceSetup(), PF_Err_NONE);
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(kW, kH);
  for (int g = 1; g <= 2; ++g) {
    GroupValues v = SceneGroupValues(scene, g);
    v.blurAmount = 3.0;
    v.softness = 4.0;
    v.range = 10.0;
    v.keepDivision = g == 1;
    SetGroup(*host, g, v);
  }
  SetView(*host, 3);
  host->resetCallCounts();
  return host;
}

PF_Err RenderFaultScene(vemu::Host &host, bool smart, PF_PixelFormat format, vemu::Image *output) {
  vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), format);
  *output = vemu::Image(kW, kH, format);
  return smart ? host.renderSmart(input, *output) : host.renderClassic(input, *output);
}

FaultSweepResult SweepHostFaults(PF_FilterProc entry) {
  FaultSweepResult result;
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
    for (bool smart : {true, false}) {
      const std::string path = std::string(smart ? "smart " : "classic ") + DepthName(format);
      auto host = FaultSceneHost(entry);
      vemu::Image clean(1, 1, format);
      EXPECT_EQ(RenderFaultScene(*host, smart, format, &clean), PF_Err_NONE) << path;
      EXPECT_EQ(host->leaks(), "") << path;
      for (const auto &[function, count] : host->callCounts()) {
        if (!vemu::Host::canFail(function)) continue;
        for (long n : SampledCalls(count)) {
          const std::string what = path + ", " + function + " call " + std::to_string(n);
          auto faulted = FaultSceneHost(entry);
          EXPECT_TRUE(faulted->failCall(function, n, PF_Err_OUT_OF_MEMORY)) << what;
          vemu::Image output(1, 1, format);
          const PF_Err err = RenderFaultScene(*faulted, smart, format, &output);
          EXPECT_TRUE(faulted->faultFired()) << what;
          EXPECT_EQ(faulted->leaks(), "") << what;
          const std::vector<std::string> misuse = faulted->misuse();
          EXPECT_TRUE(misuse.empty()) << what << ": " << misuse.front();
          if (err == PF_Err_NONE) {
            EXPECT_TRUE(output.samePixels(clean)) << what << ": succeeded with other pixels";
          } else {
            ++result.errors;
          }
          ++result.runs;
        }
      }
    }
  }
  return result;
}

} // namespace vtest
