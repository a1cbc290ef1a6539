// The host utility layer against the emulator: host-handle memory with its
// header, suite acquisition and release, image worlds and their shared
// handles, and the pixel-format query.
#include <gtest/gtest.h>

#include <cstring>

#include "AEException.h"
#include "AEMemory.h"
#include "AEWorldSuite.h"
#include "SharedCount.h"
#include "SuiteCache.h"
#include "TestSupport.h"

namespace {

using AEUtil::AEMemory;

TEST(AEMemory, ZeroBytesOrNoSuiteMakeNoHostCall) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  EXPECT_EQ(AEMemory::alloc(0, 0, call.in()->pica_basicP, 0, 0), nullptr);
  EXPECT_EQ(AEMemory::alloc(0, 100, nullptr, 0, 0), nullptr);
  EXPECT_EQ(host->counters().suitesAcquired, 0);
  EXPECT_EQ(host->counters().handlesMade, 0);
}

TEST(AEMemory, BlockIsOneHandleWithHeader) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  void *p = AEMemory::alloc(1, 100, call.in()->pica_basicP, 2, 3);
  ASSERT_NE(p, nullptr);
  auto *header = static_cast<uint64_t *>(p) - 4;
  auto handle = reinterpret_cast<PF_Handle>(header[0]);
  EXPECT_EQ(call.in()->utils->host_get_handle_size(handle), 132u);
  EXPECT_EQ(header[1], 1u);
  EXPECT_EQ(header[2], 100u);
  std::memset(p, 0x5a, 100); // the caller's bytes are all usable
  EXPECT_EQ(host->liveHandles(), 1);
  // The block holds the handle suite until it goes back, so its release
  // needs no acquisition that could fail.
  EXPECT_EQ(host->outstandingSuites(), 1);
  EXPECT_TRUE(host->failCall("AcquireSuite PF Handle Suite/2", 1, PF_Err_OUT_OF_MEMORY));
  AEMemory::release(p, call.in()->pica_basicP);
  EXPECT_EQ(host->liveHandles(), 0);
  EXPECT_EQ(host->leaks(), "");
  EXPECT_TRUE(host->misuse().empty());
}

TEST(AEMemory, FailedAllocationThrowsOutOfMemoryWithHandleSize) {
  const vemu::Fault faults[] = {vemu::Fault::NewHandle, vemu::Fault::LockHandle};
  for (vemu::Fault fault : faults) {
    auto host = vtest::MakeHost();
    host->injectFault(fault, 1);
    vemu::Host::DirectCall call(*host);
    try {
      AEMemory::alloc(0, 100, call.in()->pica_basicP, 0, 0);
      FAIL() << "no exception";
    } catch (const AEUtil::AEException &e) {
      EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
      const std::string &m = e.message();
      EXPECT_NE(m.find("AEMemory.cpp("), std::string::npos) << m;
      EXPECT_NE(m.find("): void *__cdecl AEUtil::AEMemory::alloc(unsigned __int64,unsigned __int64,const struct "
                       "SPBasicSuite *,unsigned int,unsigned int)\x83\x81"),
                std::string::npos);
      EXPECT_NE(m.find("alloc_size=132\n"), std::string::npos) << m;
      EXPECT_STREQ(e.what(), m.c_str());
    }
    // A handle that did not lock is disposed of; the suite went back.
    EXPECT_EQ(host->leaks(), "");
  }
}

TEST(AEMemory, SizesTheHostCannotTakeAreRefusedBeforeAsking) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  const uint64_t sizes[] = {0x7fffffffull - 31, 0x80000000ull, 0xffffffffffffffffull};
  for (uint64_t size : sizes) {
    try {
      AEMemory::alloc(0, size, call.in()->pica_basicP, 0, 0);
      FAIL() << "no exception for " << size;
    } catch (const AEUtil::AEException &e) {
      EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
      EXPECT_NE(e.message().find("alloc_size="), std::string::npos);
    }
  }
  EXPECT_EQ(host->counters().handlesMade, 0);
  // The largest size that fits is passed on.
  host->injectFault(vemu::Fault::NewHandle, 1);
  try {
    AEMemory::alloc(0, 0x7fffffffull - 32, call.in()->pica_basicP, 0, 0);
    FAIL();
  } catch (const AEUtil::AEException &e) {
    EXPECT_NE(e.message().find("alloc_size=2147483647\n"), std::string::npos) << e.message();
  }
}

TEST(AEMemory, MissingHandleSuiteThrowsTheInteger516) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFHandleSuite, 2);
  vemu::Host::DirectCall call(*host);
  try {
    AEMemory::alloc(0, 10, call.in()->pica_basicP, 0, 0);
    FAIL();
  } catch (A_long code) {
    EXPECT_EQ(code, PF_Err_BAD_CALLBACK_PARAM);
  }
}

TEST(SharedCount, HostBlockIsReleasedWithItsLastReference) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  {
    auto *bytes = static_cast<unsigned char *>(AEMemory::alloc(0, 16, call.in()->pica_basicP, 0, 0));
    AEUtil::SharedOwner<AEUtil::HostByteBlock> a(new AEUtil::HostByteBlock(bytes, call.in()->pica_basicP));
    AEUtil::SharedOwner<AEUtil::HostByteBlock> b = a;
    EXPECT_EQ(a.useCount(), 2u);
    a.reset();
    EXPECT_EQ(host->liveHandles(), 1);
    EXPECT_EQ(b.useCount(), 1u);
  }
  EXPECT_EQ(host->liveHandles(), 0);
  // An owner without an address releases nothing.
  AEUtil::SharedOwner<AEUtil::HostByteBlock> empty(new AEUtil::HostByteBlock(nullptr, call.in()->pica_basicP));
  empty.reset();
  AEUtil::SharedOwner<AEUtil::HeapShortArray> table(new AEUtil::HeapShortArray(new unsigned short[8]));
  EXPECT_EQ(table.block()->get() != nullptr, true);
  EXPECT_EQ(host->leaks(), "");
}

TEST(SuiteCache, AcquiresOnFirstUseAndReleasesEverySlot) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  {
    AEUtil::SuiteCache cache(call.in()->pica_basicP);
    EXPECT_EQ(host->counters().suitesAcquired, 0);
    const PF_HandleSuite1 *h1 = cache.handleSuite();
    const PF_HandleSuite1 *h2 = cache.handleSuite();
    EXPECT_EQ(h1, h2);
    cache.fillMatteSuite();
    cache.worldTransformSuite();
    EXPECT_EQ(host->counters().suitesAcquired, 3);
  }
  EXPECT_EQ(host->counters().suitesReleased, 3);
  EXPECT_THROW(AEUtil::SuiteCache(nullptr), A_long);
  host->withholdSuite(kPFFillMatteSuite, 2);
  AEUtil::SuiteCache cache(call.in()->pica_basicP);
  EXPECT_THROW(cache.fillMatteSuite(), A_long);
}

TEST(SuiteCache, AcquisitionWithoutATableIsBalancedAndRefused) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  host->injectFault(vemu::Fault::SuiteWithoutTable, 0);
  {
    AEUtil::SuiteCache cache(call.in()->pica_basicP);
    EXPECT_THROW(cache.handleSuite(), A_long);
    AEUtil::ScopedSuite scoped(call.in()->pica_basicP, kPFWorldSuite, 2);
    EXPECT_FALSE(scoped);
  }
  EXPECT_EQ(host->counters().suitesAcquired, 2);
  EXPECT_EQ(host->outstandingSuites(), 0);
}

TEST(ScopedSuite, ToleratesAMissingSuite) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFAppSuite, 7);
  vemu::Host::DirectCall call(*host);
  {
    AEUtil::ScopedSuite missing(call.in()->pica_basicP, kPFAppSuite, 7);
    EXPECT_FALSE(missing);
    AEUtil::ScopedSuite present(call.in()->pica_basicP, kPFWorldSuite, 2);
    EXPECT_TRUE(present);
  }
  EXPECT_EQ(host->outstandingSuites(), 0);
}

TEST(WorldSuite, LastCopyDisposesOfTheWorldOnce) {
  auto host = vtest::MakeHost();
  vemu::Host::DirectCall call(*host);
  {
    AEUtil::EffectWorldPtr a = AEUtil::WorldSuite::newWorld(call.in(), 7, 5, 1, PF_PixelFormat_ARGB128);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->width, 7);
    EXPECT_EQ(a->height, 5);
    PF_PixelFormat format = 0;
    EXPECT_EQ(AEUtil::getPixelFormat(call.in(), a.get(), &format), PF_Err_NONE);
    EXPECT_EQ(format, PF_PixelFormat_ARGB128);
    {
      AEUtil::EffectWorldPtr b = a;
      EXPECT_EQ(a.useCount(), 2u);
    }
    EXPECT_EQ(host->counters().worldsDisposed, 0);
    EXPECT_EQ(a.useCount(), 1u);
  }
  EXPECT_EQ(host->counters().worldsMade, 1);
  EXPECT_EQ(host->counters().worldsDisposed, 1);
  EXPECT_EQ(host->leaks(), "");
}

TEST(WorldSuite, WithoutVersion2DeepWorldsComeFromVersion1) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFWorldSuite, 2);
  vemu::Host::DirectCall call(*host);
  {
    AEUtil::EffectWorldPtr deep = AEUtil::WorldSuite::newWorld(call.in(), 4, 4, 0, PF_PixelFormat_ARGB64);
    AEUtil::EffectWorldPtr flat = AEUtil::WorldSuite::newWorld(call.in(), 4, 4, 1, PF_PixelFormat_ARGB32);
    PF_PixelFormat format = 0;
    EXPECT_EQ(AEUtil::getPixelFormat(call.in(), deep.get(), &format), PF_Err_NONE);
    EXPECT_EQ(format, PF_PixelFormat_ARGB64); // answered from the deep flag
    EXPECT_EQ(AEUtil::getPixelFormat(call.in(), flat.get(), &format), PF_Err_NONE);
    EXPECT_EQ(format, PF_PixelFormat_ARGB32);
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(flat->data)[0], 0); // cleared
  }
  EXPECT_EQ(host->leaks(), "");
}

TEST(WorldSuite, FloatWorldWithoutVersion2IsAnError) {
  auto host = vtest::MakeHost();
  host->withholdSuite(kPFWorldSuite, 2);
  vemu::Host::DirectCall call(*host);
  try {
    AEUtil::WorldSuite::newWorld(call.in(), 4, 4, 0, PF_PixelFormat_ARGB128);
    FAIL() << "no exception";
  } catch (const AEUtil::AEException &e) {
    EXPECT_EQ(e.code(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_NE(e.message().find("): class AEUtil::EffectWorldPtr __cdecl AEUtil::WorldSuite::newWorld(PF_InData "
                               "*,int,int,char,int)"),
              std::string::npos);
  }
  EXPECT_EQ(host->counters().worldsMade, 0);
  EXPECT_EQ(host->leaks(), "");
}

TEST(WorldSuite, HostFailureIsThrownWithItsCodeAndNothingIsDisposed) {
  auto host = vtest::MakeHost();
  host->injectFault(vemu::Fault::NewWorld, PF_Err_OUT_OF_MEMORY);
  vemu::Host::DirectCall call(*host);
  try {
    AEUtil::WorldSuite::newWorld(call.in(), 4, 4, 0, PF_PixelFormat_ARGB64);
    FAIL();
  } catch (const AEUtil::AEException &e) {
    EXPECT_EQ(e.code(), PF_Err_OUT_OF_MEMORY);
  }
  EXPECT_EQ(host->counters().worldsDisposed, 0);
  EXPECT_TRUE(host->misuse().empty());
  EXPECT_EQ(host->leaks(), "");
}

} // namespace
