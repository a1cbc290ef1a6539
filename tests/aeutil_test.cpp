// The host utility layer against the emulator: host-handle memory with its
// header and size limits, suites acquired without a table, and worlds made
// with version 1 of the world suite (host_faults_test fails each host call).
#include <gtest/gtest.h>

#include <cstring>

#include "AEException.h"
#include "AEMemory.h"
#include "FaultSweep.h"
#include "SuiteCache.h"
#include "TestSupport.h"

namespace {

using AEUtil::AEMemory;

TEST(AEMemory, BlockIsOneHandleWithHeaderAndReleasedWithoutAcquiring) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  // Zero bytes or no suite: no host call at all.
  EXPECT_EQ(AEMemory::alloc(0, 0, call.in()->pica_basicP, 0, 0), nullptr);
  EXPECT_EQ(AEMemory::alloc(0, 100, nullptr, 0, 0), nullptr);
  EXPECT_EQ(host->counters().suitesAcquired, 0);
  EXPECT_EQ(host->counters().handlesMade, 0);

  void *p = AEMemory::alloc(1, 100, call.in()->pica_basicP, 2, 3);
  ASSERT_NE(p, nullptr);
  auto *header = static_cast<uint64_t *>(p) - 4;
  EXPECT_EQ(call.in()->utils->host_get_handle_size(reinterpret_cast<PF_Handle>(header[0])), 132u);
  EXPECT_EQ(header[1], 1u);
  EXPECT_EQ(header[2], 100u);
  std::memset(p, 0x5a, 100); // the caller's bytes are all usable
  // The block holds the handle suite until it goes back, so its release
  // needs no acquisition that could fail.
  EXPECT_EQ(host->outstandingSuites(), 1);
  EXPECT_TRUE(host->failCall("AcquireSuite PF Handle Suite/2", 1, PF_Err_OUT_OF_MEMORY));
  AEMemory::release(p, call.in()->pica_basicP);
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

TEST(AEMemory, FailuresAndSizesTheHostCannotTakeAreThrownWithTheirSize) {
  enum Setup { kNone, kNewHandleFails, kLockFails, kNoHandleSuite };
  const struct {
    Setup setup;
    uint64_t size;
    A_long code;
    const char *message; // a part of it; null for a thrown integer
  } cases[] = {
      {kNewHandleFails, 100, PF_Err_OUT_OF_MEMORY, "alloc_size=132\n"},
      {kLockFails, 100, PF_Err_OUT_OF_MEMORY, "alloc_size=132\n"},
      {kNone, 0x7fffffffull - 31, PF_Err_OUT_OF_MEMORY, "alloc_size="},
      {kNone, 0x80000000ull, PF_Err_OUT_OF_MEMORY, "alloc_size="},
      {kNone, ~0ull, PF_Err_OUT_OF_MEMORY, "alloc_size="},
      {kNewHandleFails, 0x7fffffffull - 32, PF_Err_OUT_OF_MEMORY, "alloc_size=2147483647\n"}, // the largest asked
      {kNoHandleSuite, 10, PF_Err_BAD_CALLBACK_PARAM, nullptr},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.size);
    auto host = vtest::MakeHost();
    if (c.setup == kNewHandleFails) host->injectFault(vemu::Fault::NewHandle, 1);
    if (c.setup == kLockFails) host->injectFault(vemu::Fault::LockHandle, 1);
    if (c.setup == kNoHandleSuite) host->withholdSuite(kPFHandleSuite, 2);
    vemu::Host::DirectCall call(*host);
    try {
      AEMemory::alloc(0, c.size, call.in()->pica_basicP, 0, 0);
      ADD_FAILURE() << "no exception";
    } catch (const AEUtil::AEException &e) {
      EXPECT_EQ(e.code(), c.code);
      EXPECT_TRUE(c.message && e.message().find(c.message) != std::string::npos) << e.message();
    } catch (A_long code) {
      EXPECT_EQ(code, c.code);
      EXPECT_EQ(c.message, nullptr);
    }
    // Sizes the host cannot take are refused before asking it; a handle
    // that did not lock is disposed of; the suite went back.
    long asked = 0;
    for (const auto &call : host->callCounts()) asked += call.first.find("new_handle") != std::string::npos;
    EXPECT_EQ(asked, c.setup == kNewHandleFails || c.setup == kLockFails);
    EXPECT_EQ(host->leaks(), "");
  }
}

// A host that reports success without handing out a table: the suite is
// refused, and what was acquired goes back.
TEST(SuiteCache, ASuiteAcquiredWithoutATableIsRefusedAndReleased) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  host->injectFault(vemu::Fault::SuiteWithoutTable, 0);
  {
    AEUtil::SuiteCache cache(call.in()->pica_basicP);
    EXPECT_THROW(cache.handleSuite(), A_long);
    EXPECT_FALSE(AEUtil::ScopedSuite(call.in()->pica_basicP, kPFWorldSuite, 2));
  }
  EXPECT_EQ(host->counters().suitesAcquired, 2);
  EXPECT_EQ(host->outstandingSuites(), 0);
}

// Without version 2 of the world suite, 8- and 16-bit frames are made with
// version 1 (their depth read from the deep flag) and come out the same.
// (Float frames are then refused: host_faults_test.)
TEST(WorldSuite, WithoutVersion2FlatAndDeepFramesAreTheSame) {
  for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64}) {
    for (bool smart : {true, false}) {
      SCOPED_TRACE(testing::Message() << format << (smart ? " smart" : " classic"));
      vemu::Image expected(1, 1, format), output(1, 1, format);
      ASSERT_EQ(vtest::RenderFaultScene(*vtest::FaultSceneHost(&EntryPointFunc), smart, format, &expected),
                PF_Err_NONE);
      auto host = vtest::FaultSceneHost(&EntryPointFunc);
      host->withholdSuite(kPFWorldSuite, 2);
      EXPECT_EQ(vtest::RenderFaultScene(*host, smart, format, &output), PF_Err_NONE);
      EXPECT_TRUE(output.samePixels(expected));
      EXPECT_EQ(host->leaks(), "");
      EXPECT_GT(host->counters().worldsMade, 0);
    }
  }
}

} // namespace
