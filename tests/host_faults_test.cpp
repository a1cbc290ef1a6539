// Host failures through the entry point: every callback, suite function and
// suite acquisition of a frame is failed in turn; each faulted frame must
// report an error or equal the clean frame, and leave nothing with the host.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EffectParams.h"
#include "GoldenScenes.h"
#include "SyntheticFrame.h"
#include "TestSupport.h"

namespace {

constexpr int kW = 40, kH = 24;
const PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

// Two groups over a small frame, every stage taking part: corner fill and
// patch smoothing (R > 2), softening, both Keep Division forms, and the view
// mask of View Extract.
std::unique_ptr<vemu::Host> SceneHost() {
  auto host = vtest::MakeHost(2);
  host->setLayerSize(kW, kH);
  vtest::ApplyEffect(*host);
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(kW, kH);
  for (int g = 1; g <= 2; ++g) {
    vtest::GroupValues v = vtest::SceneGroupValues(scene, g);
    v.blurAmount = 3.0;
    v.softness = 4.0;
    v.range = 10.0;
    v.keepDivision = g == 1;
    vtest::SetGroup(*host, g, v);
  }
  vtest::SetView(*host, 3);
  host->resetCallCounts();
  return host;
}

PF_Err Render(vemu::Host &host, bool smart, vemu::Image &input, vemu::Image &output) {
  return smart ? host.renderSmart(input, output) : host.renderClassic(input, output);
}

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

// What every faulted frame is held to.
void ExpectSound(const vemu::Host &host, PF_Err err, const vemu::Image &output, const vemu::Image &clean,
                 const std::string &what) {
  EXPECT_EQ(host.leaks(), "") << what;
  const std::vector<std::string> misuse = host.misuse();
  EXPECT_TRUE(misuse.empty()) << what << ": " << misuse.front();
  if (err == PF_Err_NONE) {
    EXPECT_TRUE(output.samePixels(clean)) << what << ": succeeded with other pixels";
  }
}

TEST(HostFaults, EveryFailedHostCallGivesAnErrorOrTheCleanFrameAndLeavesNothing) {
  long runs = 0, failed = 0;
  for (PF_PixelFormat format : kFormats) {
    const vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), format);
    for (bool smart : {true, false}) {
      const std::string path = std::string(smart ? "smart " : "classic ") + vtest::DepthName(format);
      auto host = SceneHost();
      vemu::Image in = input, clean(kW, kH, format);
      ASSERT_EQ(Render(*host, smart, in, clean), PF_Err_NONE) << path;
      ASSERT_EQ(host->leaks(), "") << path;
      const std::map<std::string, long> counts = host->callCounts();
      for (const auto &[function, count] : counts) {
        if (!vemu::Host::canFail(function)) continue;
        for (long n : SampledCalls(count)) {
          const std::string what = path + ", " + function + " call " + std::to_string(n);
          auto faulted = SceneHost();
          ASSERT_TRUE(faulted->failCall(function, n, PF_Err_OUT_OF_MEMORY)) << what;
          vemu::Image output(kW, kH, format);
          in = input;
          const PF_Err err = Render(*faulted, smart, in, output);
          EXPECT_TRUE(faulted->faultFired()) << what;
          ExpectSound(*faulted, err, output, clean, what);
          ++runs;
          if (err != PF_Err_NONE) ++failed;
        }
      }
    }
  }
  std::printf("%ld faulted frames, %ld of them reported an error\n", runs, failed);
}

TEST(HostFaults, FailuresTheHostCannotMistakeEndTheFrameWithTheirCode) {
  struct Case {
    PF_PixelFormat format;
    bool smart;
    const char *function;
    long n;
    PF_Err err;
    PF_Err expected;
  } cases[] = {
      // A host that calls its world suite missing in a float frame: the
      // world's flags would call the input 8-bit, so the frame stops before
      // any world is made or copied.
      {PF_PixelFormat_ARGB128, true, "AcquireSuite PF World Suite/2", 1, kSPSuiteNotFoundError,
       PF_Err_BAD_CALLBACK_PARAM},
      // The same suite failing to be handed out, in both paths.
      {PF_PixelFormat_ARGB128, false, "AcquireSuite PF World Suite/2", 1, PF_Err_OUT_OF_MEMORY,
       PF_Err_BAD_CALLBACK_PARAM},
      // A conversion failing on a worker thread is the frame's result.
      {PF_PixelFormat_ARGB64, true, "RGBtoHLS", 6, PF_Err_INTERNAL_STRUCT_DAMAGED, PF_Err_INTERNAL_STRUCT_DAMAGED},
      {PF_PixelFormat_ARGB32, false, "RGBtoHLS", 9, PF_Interrupt_CANCEL, PF_Interrupt_CANCEL},
  };
  for (const Case &c : cases) {
    const std::string what = std::string(c.function) + " " + std::to_string(c.n);
    auto host = SceneHost();
    ASSERT_TRUE(host->failCall(c.function, c.n, c.err));
    vemu::Image input = vemu::ConvertFrame(vemu::SyntheticCelFrame(kW, kH), c.format), output(kW, kH, c.format);
    EXPECT_EQ(Render(*host, c.smart, input, output), c.expected) << what;
    EXPECT_EQ(host->leaks(), "") << what;
    EXPECT_TRUE(host->misuse().empty()) << what;
  }
}

} // namespace
