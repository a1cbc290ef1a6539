// The host emulator's memory: handles (host_new_handle and the Handle Suite)
// and worlds (PF_NewWorld, new_world), with a pool of released world buffers
// as a host keeps.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "HostInternal.h"
#include "HugePages.h"

namespace vemu {

PF_Handle Host::allocHandle(A_HandleSize size) {
  PF_Err err;
  if (takeFault(Fault::NewHandle, &err)) return nullptr;
  if (size > (static_cast<A_HandleSize>(1) << 40)) {
    noteMisuse("host_new_handle of an absurd size");
    return nullptr;
  }
  auto *block = new HandleBlock{std::calloc(size ? size : 1, 1), static_cast<size_t>(size), kHandleMagic};
  if (!block->data) {
    delete block;
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    handles_[block] = static_cast<size_t>(size);
    handleLocks_[block] = 0;
  }
  ++live.handlesMade;
  return reinterpret_cast<PF_Handle>(block);
}

void *Host::lockHandle(PF_Handle handle) {
  PF_Err err;
  if (takeFault(Fault::LockHandle, &err)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (!handles_.count(handle)) {
    misuse_.push_back("host_lock_handle of an unknown handle");
    return nullptr;
  }
  ++handleLocks_[handle];
  return reinterpret_cast<HandleBlock *>(handle)->data;
}

void Host::unlockHandle(PF_Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!handles_.count(handle)) {
    misuse_.push_back("host_unlock_handle of an unknown handle");
    return;
  }
  if (--handleLocks_[handle] < 0) {
    misuse_.push_back("host_unlock_handle of a handle that is not locked");
    handleLocks_[handle] = 0;
  }
}

void Host::freeHandle(PF_Handle handle) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handles_.count(handle)) {
      misuse_.push_back("host_dispose_handle of an unknown handle");
      return;
    }
    handles_.erase(handle);
    handleLocks_.erase(handle);
  }
  auto *block = reinterpret_cast<HandleBlock *>(handle);
  std::free(block->data);
  delete block;
  ++live.handlesDisposed;
}

A_HandleSize Host::handleSize(PF_Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    misuse_.push_back("host_get_handle_size of an unknown handle");
    return 0;
  }
  return it->second;
}

PF_Handle Host::newHandle(size_t size) {
  Call call{this};
  CallScope scope(&call);
  return allocHandle(size);
}

void Host::disposeHandle(PF_Handle handle) { freeHandle(handle); }

PF_Err Host::makeWorld(A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format, PF_EffectWorld *world) {
  PF_Err err;
  if (takeFault(Fault::NewWorld, &err)) return err;
  const int bpp = BytesPerPixel(format);
  if (bpp == 0 || width < 0 || height < 0) return PF_Err_BAD_CALLBACK_PARAM;
  std::memset(world, 0, sizeof *world);
  // Rows aligned to 16 bytes plus 16 bytes of slack, like a real host's stride.
  const A_long rowbytes = ((width * bpp + 15) / 16) * 16 + 16;
  const size_t bytes = static_cast<size_t>(rowbytes) * std::max<A_long>(height, 1);
  void *data = nullptr;
  {
    // A released buffer of the same size is taken again, as a host's pool does.
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = worldPool_.begin(); it != worldPool_.end(); ++it) {
      if (it->first == bytes) {
        data = it->second;
        worldPool_.erase(it);
        break;
      }
    }
  }
  if (!data) {
    data = std::malloc(bytes);
    if (!data) return PF_Err_OUT_OF_MEMORY;
    // Fresh frame-sized memory is first written page by page; large pages
    // make that far cheaper, as a host's own allocator arranges.
    AdviseHugePages(data, bytes);
  }
  // Uncleared worlds hold garbage in a real host; a fixed pattern makes any
  // read of an unwritten pixel visible and repeatable.
  if (clear)
    std::memset(data, 0, bytes);
  else if (markNewWorlds_)
    std::memset(data, 0xA5, bytes);
  world->world_flags = PF_WorldFlag_WRITEABLE | (format == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0);
  world->data = static_cast<PF_PixelPtr>(data);
  world->rowbytes = rowbytes;
  world->width = width;
  world->height = height;
  world->extent_hint = {0, 0, width, height};
  world->pix_aspect_ratio = {1, 1};
  RegisterWorldData(data, format);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worlds_[data] = bytes;
  }
  ++live.worldsMade;
  return PF_Err_NONE;
}

PF_Err Host::freeWorld(PF_EffectWorld *world) {
  if (!world) return PF_Err_BAD_CALLBACK_PARAM;
  size_t bytes = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = worlds_.find(world->data);
    if (it == worlds_.end()) {
      misuse_.push_back("dispose of a world the host did not make");
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    bytes = it->second;
    worlds_.erase(it);
  }
  UnregisterWorldData(world->data);
  {
    // Kept for reuse; the pool holds a few buffers, the oldest go first.
    constexpr size_t kPooledWorlds = 8;
    std::lock_guard<std::mutex> lock(mutex_);
    worldPool_.insert(worldPool_.begin(), {bytes, world->data});
    if (worldPool_.size() > kPooledWorlds) {
      std::free(worldPool_.back().second);
      worldPool_.pop_back();
    }
  }
  world->data = nullptr;
  ++live.worldsDisposed;
  return PF_Err_NONE;
}

long Host::liveHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(handles_.size());
}

long Host::liveWorlds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<long>(worlds_.size());
}

} // namespace vemu
