// Scoped access to host suites: SuiteCache acquires on first use and throws
// the integer 516 when a suite is missing; ScopedSuite tolerates a missing one.
#pragma once

#include "AEHost.h"

namespace AEUtil {

class SuiteCache {
 public:
  // Throws the integer PF_Err_BAD_CALLBACK_PARAM when basicSuite is null.
  explicit SuiteCache(const SPBasicSuite *basicSuite);
  ~SuiteCache(); // releases every acquired slot, in slot order
  SuiteCache(const SuiteCache &) = delete;
  SuiteCache &operator=(const SuiteCache &) = delete;

  const PF_HandleSuite1 *handleSuite();                 // "PF Handle Suite" 2
  // Like handleSuite(), but the acquisition passes to the caller, who keeps
  // it as long as it needs the suite and then calls ReleaseSuite itself.
  const PF_HandleSuite1 *takeHandleSuite();
  const PF_FillMatteSuite2 *fillMatteSuite();           // "PF Fill Matte Suite" 2
  const PF_WorldTransformSuite1 *worldTransformSuite(); // "PF World Transform Suite" 1

  const SPBasicSuite *basicSuite() const { return basic_; }

 private:
  enum Slot { kHandle2, kFillMatte2, kWorldTransform1, kSlotCount };
  const void *get(Slot slot);

  const SPBasicSuite *basic_;
  const void *suites_[kSlotCount] = {};
};

class ScopedSuite {
 public:
  ScopedSuite(const SPBasicSuite *basicSuite, const char *name, int32 version);
  ~ScopedSuite();
  ScopedSuite(const ScopedSuite &) = delete;
  ScopedSuite &operator=(const ScopedSuite &) = delete;

  template <typename T> const T *as() const { return static_cast<const T *>(suite_); }
  explicit operator bool() const { return suite_ != nullptr; }
  // No suite because the host has none by that name and version (or there is
  // no basic suite), as opposed to a host that failed to hand it out.
  bool missing() const { return !basic_ || acquireError_ == kSPSuiteNotFoundError; }

 private:
  const SPBasicSuite *basic_;
  const void *suite_ = nullptr;
  SPErr acquireError_ = kSPNoError;
  const char *name_;
  int32 version_;
};

} // namespace AEUtil
