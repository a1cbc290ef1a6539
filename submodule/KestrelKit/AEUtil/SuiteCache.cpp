// SuiteCache and ScopedSuite over the host's basic suite.
#include "SuiteCache.h"

namespace AEUtil {

namespace {
struct SlotName {
  const char *name;
  int32 version;
};
// Slot (and release) order.
const SlotName kSlots[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1},
};
} // namespace

SuiteCache::SuiteCache(const SPBasicSuite *basicSuite) : basic_(basicSuite) {
  if (!basic_) throw static_cast<A_long>(PF_Err_BAD_CALLBACK_PARAM);
}

SuiteCache::~SuiteCache() {
  for (int i = 0; i < kSlotCount; ++i) {
    if (suites_[i]) basic_->ReleaseSuite(kSlots[i].name, kSlots[i].version);
  }
}

const void *SuiteCache::get(Slot slot) {
  if (!suites_[slot]) {
    const void *suite = nullptr;
    SPErr err = basic_->AcquireSuite(kSlots[slot].name, kSlots[slot].version, &suite);
    if (err == kSPNoError && !suite) {
      // Acquired without a table: balance the acquisition, then fail.
      basic_->ReleaseSuite(kSlots[slot].name, kSlots[slot].version);
    }
    if (err != kSPNoError || !suite) throw static_cast<A_long>(PF_Err_BAD_CALLBACK_PARAM);
    suites_[slot] = suite;
  }
  return suites_[slot];
}

const PF_HandleSuite1 *SuiteCache::handleSuite() { return static_cast<const PF_HandleSuite1 *>(get(kHandle2)); }

const PF_HandleSuite1 *SuiteCache::takeHandleSuite() {
  const PF_HandleSuite1 *suite = handleSuite();
  suites_[kHandle2] = nullptr;
  return suite;
}

const PF_FillMatteSuite2 *SuiteCache::fillMatteSuite() {
  return static_cast<const PF_FillMatteSuite2 *>(get(kFillMatte2));
}

const PF_WorldTransformSuite1 *SuiteCache::worldTransformSuite() {
  return static_cast<const PF_WorldTransformSuite1 *>(get(kWorldTransform1));
}

ScopedSuite::ScopedSuite(const SPBasicSuite *basicSuite, const char *name, int32 version)
    : basic_(basicSuite), name_(name), version_(version) {
  if (!basic_) return;
  const void *suite = nullptr;
  acquireError_ = basic_->AcquireSuite(name_, version_, &suite);
  if (acquireError_ != kSPNoError) return;
  if (suite) {
    suite_ = suite;
  } else {
    // Acquired without a table: as good as missing, but the acquisition is
    // balanced.
    basic_->ReleaseSuite(name_, version_);
  }
}

ScopedSuite::~ScopedSuite() {
  if (suite_) basic_->ReleaseSuite(name_, version_);
}

} // namespace AEUtil
