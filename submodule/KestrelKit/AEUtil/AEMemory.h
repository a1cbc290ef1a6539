// Memory blocks taken from host handles. Each block is one handle holding a
// 32-byte header (handle, 1, byte size, handle suite) followed by the
// caller's bytes; every host-handle call is made under the one allocator lock.
// A block keeps its acquisition of "PF Handle Suite" from allocation to
// release, so it can always go back to the host.
#pragma once

#include <cstdint>

#include "AEHost.h"

namespace AEUtil {

class AEMemory {
 public:
  // Only byteSize and basicSuite are used. Returns null without touching the
  // host when byteSize is 0 or basicSuite is null; throws AEException code 4
  // when the host gives no handle or the handle cannot be locked, and also
  // when the handle size (byteSize + 32) does not fit a signed 32-bit value.
  static void *alloc(uint64_t, uint64_t byteSize, const SPBasicSuite *basicSuite, uint32_t, uint32_t);

  // Unlocks and disposes of the block's handle through the suite the block
  // kept, then releases that suite on basicSuite (the one the block was
  // allocated with). Does nothing when either argument is null.
  static void release(void *address, const SPBasicSuite *basicSuite);

  static constexpr uint64_t kHeaderBytes = 32;
};

// The process-wide allocator lock, created when the library is attached and
// deleted when it is detached.
namespace AllocatorLock {
void create();
void destroy();
void lock();
void unlock();
} // namespace AllocatorLock

class AllocatorLockGuard {
 public:
  AllocatorLockGuard() { AllocatorLock::lock(); }
  ~AllocatorLockGuard() { AllocatorLock::unlock(); }
  AllocatorLockGuard(const AllocatorLockGuard &) = delete;
  AllocatorLockGuard &operator=(const AllocatorLockGuard &) = delete;
};

} // namespace AEUtil
