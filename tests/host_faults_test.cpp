// Host failures through the entry point: every callback, suite function and
// suite acquisition of a frame is failed in turn; each faulted frame must
// report an error or equal the clean frame, and leave nothing with the host.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "FaultSweep.h"
#include "GoldenScenes.h"
#include "TestSupport.h"

namespace {

TEST(HostFaults, EveryFailedHostCallGivesAnErrorOrTheCleanFrameAndLeavesNothing) {
  const vtest::FaultSweepResult result = vtest::SweepHostFaults(&EntryPointFunc);
  std::printf("%ld faulted frames, %ld of them reported an error\n", result.runs, result.errors);
}

// Failures of the host end the frame with their own code. Rows without a
// depth run at all three.
TEST(HostFaults, FailuresEndTheFrameWithTheirCode) {
  constexpr PF_PixelFormat kAll = PF_PixelFormat_INVALID;
  struct Case {
    PF_PixelFormat format;
    bool smart;
    const char *function;
    long n;
    PF_Err err;
    PF_Err expected;
  } cases[] = {
      {kAll, true, "progress", 1, PF_Interrupt_CANCEL, PF_Interrupt_CANCEL},
      {kAll, true, "iterate_generic", 4, PF_Err_INTERNAL_STRUCT_DAMAGED, PF_Err_INTERNAL_STRUCT_DAMAGED},
      {kAll, true, "copy_hq", 1, PF_Err_BAD_CALLBACK_PARAM, PF_Err_BAD_CALLBACK_PARAM},
      {kAll, true, "RGBtoHLS", 1, PF_Err_INVALID_CALLBACK, PF_Err_INVALID_CALLBACK},
      {kAll, true, "PF_NewWorld", 1, PF_Err_OUT_OF_MEMORY, PF_Err_OUT_OF_MEMORY}, // the first working image
      {kAll, true, "checkout_layer_pixels", 1, PF_Err_INVALID_INDEX, PF_Err_INVALID_INDEX},
      {kAll, true, "checkout_output", 1, PF_Err_INVALID_INDEX, PF_Err_INVALID_INDEX},
      {kAll, true, "checkin_layer_pixels", 1, PF_Err_INVALID_INDEX, PF_Err_INVALID_INDEX},
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
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
      if (c.format != kAll && c.format != format) continue;
      SCOPED_TRACE(testing::Message() << c.function << " " << c.n << ", " << vtest::DepthName(format));
      auto host = vtest::FaultSceneHost(&EntryPointFunc);
      ASSERT_TRUE(host->failCall(c.function, c.n, c.err));
      vemu::Image output(1, 1, format);
      EXPECT_EQ(vtest::RenderFaultScene(*host, c.smart, format, &output), c.expected);
      EXPECT_EQ(host->leaks(), "");
      EXPECT_TRUE(host->misuse().empty());
    }
  }
}

} // namespace
