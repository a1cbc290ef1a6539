// Shared test helpers.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace vtest {

void ApplyEffect(vemu::Host &host) {
  ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
  ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
  ASSERT_EQ(host.sequenceSetup(), PF_Err_NONE);
}

} // namespace vtest
