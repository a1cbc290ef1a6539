// copyWorldArea hands the host real rectangles only. Which copy the quality
// chooses, and the copies' and clears' pixels, are checked through the entry
// point.
#include <gtest/gtest.h>

#include "pipeline_fixtures.h"
#include "stage/WorldOps.h"

namespace {

TEST(WorldOps, AnEmptyAreaMakesNoHostCall) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  vemu::Image source(7, 5, PF_PixelFormat_ARGB64), destination(7, 5, PF_PixelFormat_ARGB64);
  EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 2, 4}), PF_Err_NONE);
  EXPECT_EQ(host->counters().worldCopies + host->counters().worldCopiesHq, 0);
  EXPECT_EQ(copyWorldArea(call.in(), source.world(), destination.world(), PF_LRect{2, 1, 5, 4}), PF_Err_NONE);
  EXPECT_EQ(host->counters().worldCopiesHq, 1);
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
