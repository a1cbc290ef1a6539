// Reference-counted owner blocks for arrays: one for AEMemory blocks (mask
// planes), one for heap arrays (kernel tables), and a small shared handle.
// Counts are plain integers: a handle and its copies stay on one thread.
#pragma once

#include <cstdint>

#include "AEHost.h"
#include "AEMemory.h"

namespace AEUtil {

class SharedCountBase {
 public:
  SharedCountBase() = default;
  SharedCountBase(const SharedCountBase &) = delete;
  SharedCountBase &operator=(const SharedCountBase &) = delete;
  virtual ~SharedCountBase() = default;
  // Releases the owned resource, then deletes this block.
  virtual void dispose() = 0;

  void addRef() { ++useCount_; }
  void release() {
    if (useCount_-- == 1) dispose();
  }
  uint32_t useCount() const { return useCount_; }

 private:
  uint32_t useCount_ = 1;
};

// Deleter of AEMemory blocks; remembers the basic suite the block came from.
template <typename T> struct array_deleterAE {
  const SPBasicSuite *basicSuite = nullptr;
  void operator()(T *address) const { AEMemory::release(address, basicSuite); }
};

// Deleter of arrays from the ordinary heap.
template <typename T> struct array_deleter {
  void operator()(T *address) const { delete[] address; }
};

template <typename T, typename D> class SharedCountImpl_PD;

template <typename T> class SharedCountImpl_PD<T, array_deleterAE<T>> final : public SharedCountBase {
 public:
  SharedCountImpl_PD(T *address, const SPBasicSuite *basicSuite) : address_(address), basicSuite_(basicSuite) {}
  void dispose() override {
    if (address_ && basicSuite_) array_deleterAE<T>{basicSuite_}(address_);
    delete this;
  }
  T *get() const { return address_; }

 private:
  T *address_;
  const SPBasicSuite *basicSuite_;
};

template <typename T> class SharedCountImpl_PD<T, array_deleter<T>> final : public SharedCountBase {
 public:
  explicit SharedCountImpl_PD(T *address) : address_(address) {}
  void dispose() override {
    if (address_) array_deleter<T>{}(address_);
    delete this;
  }
  T *get() const { return address_; }

 private:
  T *address_;
};

using HostByteBlock = SharedCountImpl_PD<unsigned char, array_deleterAE<unsigned char>>;
using HeapShortArray = SharedCountImpl_PD<unsigned short, array_deleter<unsigned short>>;

// A shared reference to one owner block; copying adds a reference, and the
// last reference to go disposes of the block.
template <typename Block> class SharedOwner {
 public:
  SharedOwner() = default;
  explicit SharedOwner(Block *block) : block_(block) {}
  SharedOwner(const SharedOwner &other) : block_(other.block_) {
    if (block_) block_->addRef();
  }
  SharedOwner(SharedOwner &&other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  SharedOwner &operator=(SharedOwner other) noexcept {
    Block *old = block_;
    block_ = other.block_;
    other.block_ = old;
    return *this;
  }
  ~SharedOwner() { reset(); }

  void reset() {
    if (block_) {
      Block *block = block_;
      block_ = nullptr;
      block->release();
    }
  }
  Block *block() const { return block_; }
  uint32_t useCount() const { return block_ ? block_->useCount() : 0; }

 private:
  Block *block_ = nullptr;
};

} // namespace AEUtil
