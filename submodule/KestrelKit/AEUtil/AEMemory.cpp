// AEMemory: host-handle allocation with a header, under the allocator lock.
#include "AEMemory.h"

#include <climits>

#include "AEException.h"
#include "SuiteCache.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <mutex>
#endif

namespace AEUtil {

namespace {

#if defined(_WIN32)
CRITICAL_SECTION gLock;
bool gLockCreated = false;
#else
std::mutex gLock;
#endif

// Text after the "file(line): " prefix; the Japanese part reads "memory
// allocation failed." and is kept as Shift-JIS bytes.
const char kAllocFailure[] =
    "void *__cdecl AEUtil::AEMemory::alloc(unsigned __int64,unsigned __int64,const struct SPBasicSuite *,"
    "unsigned int,unsigned int)"
    "\x83\x81\x83\x82\x83\x8a\x8am\x95\xdb\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81"
    "Balloc_size=%lld\n";

} // namespace

namespace AllocatorLock {
#if defined(_WIN32)
void create() {
  if (!gLockCreated) {
    InitializeCriticalSection(&gLock);
    gLockCreated = true;
  }
}
void destroy() {
  if (gLockCreated) {
    DeleteCriticalSection(&gLock);
    gLockCreated = false;
  }
}
void lock() { EnterCriticalSection(&gLock); }
void unlock() { LeaveCriticalSection(&gLock); }
#else
void create() {}
void destroy() {}
void lock() { gLock.lock(); }
void unlock() { gLock.unlock(); }
#endif
} // namespace AllocatorLock

void *AEMemory::alloc(uint64_t, uint64_t byteSize, const SPBasicSuite *basicSuite, uint32_t, uint32_t) {
  if (byteSize == 0 || !basicSuite) return nullptr;

  // The suite stays acquired for the block's lifetime: a release must never
  // depend on acquiring it again. Until the block is handed out, every way
  // out gives the acquisition back.
  struct HeldSuite {
    const SPBasicSuite *basic;
    const PF_HandleSuite1 *suite;
    ~HeldSuite() {
      if (suite) basic->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    }
  } held{basicSuite, SuiteCache(basicSuite).takeHandleSuite()};
  const PF_HandleSuite1 *handles = held.suite;

  // The host takes the size as a signed 32-bit value; a larger block would
  // wrap into a wrong (possibly tiny) handle, so it is refused outright.
  if (byteSize > static_cast<uint64_t>(INT32_MAX) - kHeaderBytes) {
    long long shown = byteSize > static_cast<uint64_t>(LLONG_MAX) - kHeaderBytes
                          ? LLONG_MAX
                          : static_cast<long long>(byteSize + kHeaderBytes);
    AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, kAllocFailure, shown);
  }
  const int32_t handleSize = static_cast<int32_t>(byteSize + kHeaderBytes);

  AllocatorLockGuard guard;
  PF_Handle handle = handles->host_new_handle(static_cast<A_HandleSize>(handleSize));
  if (!handle) AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, kAllocFailure, static_cast<long long>(handleSize));
  auto *header = static_cast<uint64_t *>(handles->host_lock_handle(handle));
  if (!header) {
    handles->host_dispose_handle(handle);
    AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, kAllocFailure, static_cast<long long>(handleSize));
  }
  header[0] = reinterpret_cast<uint64_t>(handle);
  header[1] = 1;
  header[2] = byteSize;
  header[3] = reinterpret_cast<uint64_t>(handles);
  held.suite = nullptr; // now the block's
  return header + 4;
}

void AEMemory::release(void *address, const SPBasicSuite *basicSuite) {
  if (!address || !basicSuite) return;
  const auto *header = static_cast<const uint64_t *>(address) - 4;
  const auto handle = reinterpret_cast<PF_Handle>(header[0]);
  const auto *handles = reinterpret_cast<const PF_HandleSuite1 *>(header[3]);
  if (!handles) return;
  {
    AllocatorLockGuard guard;
    if (handle) {
      handles->host_unlock_handle(handle);
      handles->host_dispose_handle(handle);
    }
  }
  // The host's answer changes nothing: the block is gone either way.
  basicSuite->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
}

} // namespace AEUtil
