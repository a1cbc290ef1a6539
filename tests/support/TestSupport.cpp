// Shared test helpers.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace vtest {

void ApplyEffect(vemu::Host &host) {
  ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
  ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
  ASSERT_EQ(host.sequenceSetup(), PF_Err_NONE);
}

std::unique_ptr<vemu::Host> AppliedHost(A_short major, A_short minor) {
  auto host = MakeHost();
  host->setApiVersion(major, minor);
  ApplyEffect(*host);
  return host;
}

} // namespace vtest
