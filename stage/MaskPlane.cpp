// MaskPlane allocation, clearing, merging and occupancy.
#include "MaskPlane.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "AEException.h"
#include "AEMemory.h"

namespace {

// Groups of four elements for n elements; a negative count counts as 0.
int64_t Quads(A_long n) { return n > 0 ? (static_cast<int64_t>(n) + 3) / 4 : 0; }

int64_t NonNegative(A_long n) { return n > 0 ? n : 0; }

// ((rowsOfQuads) x c + r) x 4. The largest u16 plane (2^31 - 1 square)
// comes to exactly 2^63 bytes, one past int64_t: the product is formed
// unsigned and held at the largest int64_t, which no allocator takes.
int64_t PlaneBytes(int64_t rowsOfQuads, A_long width, A_long height) {
  const uint64_t bytes =
      (static_cast<uint64_t>(rowsOfQuads) * Quads(width) + static_cast<uint64_t>(Quads(height))) * 4;
  return bytes > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
}

template <typename T> void Allocate(MaskPlane<T> &plane, PF_InData *in_data, A_long width, A_long height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  const int64_t c = Quads(width), r = Quads(height);
  const int64_t bytes = sizeof(T) == 1 ? MaskPlaneBytes8(width, height) : MaskPlaneBytes16(width, height);
  // Sizes are 64-bit: the allocator refuses what does not fit the host.
  const SPBasicSuite *basic = in_data->pica_basicP;
  auto *memory = static_cast<unsigned char *>(AEUtil::AEMemory::alloc(0, static_cast<uint64_t>(bytes), basic, 0, 0));
  // The allocator gives nothing without a basic suite; a plane with sizes but
  // no elements would be written through a null pointer later.
  if (!memory && bytes > 0)
    AEUTIL_THROW(PF_Err_OUT_OF_MEMORY, "mask plane not allocated: alloc_size=%lld\n", static_cast<long long>(bytes));
  AEUtil::HostByteBlock *block = nullptr;
  try {
    block = new AEUtil::HostByteBlock(memory, basic);
  } catch (...) {
    AEUtil::AEMemory::release(memory, basic);
    throw;
  }
  plane.owner = AEUtil::SharedOwner<AEUtil::HostByteBlock>(block);
  plane.data = reinterpret_cast<T *>(memory);
  plane.size = bytes;
  plane.width = width;
  plane.height = height;
  plane.pitch = static_cast<A_long>(4 * c);
  plane.rowBytes = static_cast<A_long>(4 * c * sizeof(T));
  plane.bounds = PF_LRect{0, 0, width, height};
  plane.flagsStale = 1;
  plane.boundsStale = 1;
  plane.rowFlags = memory ? memory + static_cast<int64_t>(height) * plane.rowBytes : nullptr;
  plane.columnFlags = memory ? plane.rowFlags + 4 * r : nullptr;
}

} // namespace

int64_t MaskPlaneBytes8(A_long width, A_long height) { return PlaneBytes(NonNegative(height) + 1, width, height); }

int64_t MaskPlaneBytes16(A_long width, A_long height) {
  return PlaneBytes(2 * NonNegative(height) + 1, width, height);
}

void createPlane8(MaskPlane8 &plane, PF_InData *in_data, A_long width, A_long height) {
  Allocate(plane, in_data, width, height);
}

void createPlane16(MaskPlane16 &plane, PF_InData *in_data, A_long width, A_long height) {
  Allocate(plane, in_data, width, height);
}

template <typename T> void makeEmpty(MaskPlane<T> &plane) {
  plane.owner = AEUtil::SharedOwner<AEUtil::HostByteBlock>(new AEUtil::HostByteBlock(nullptr, nullptr));
  plane.data = nullptr;
  plane.size = 0;
  plane.width = plane.height = plane.rowBytes = plane.pitch = 0;
  plane.bounds = PF_LRect{0, 0, 0, 0};
  plane.flagsStale = 0;
  plane.boundsStale = 0;
  plane.rowFlags = nullptr;
  plane.columnFlags = nullptr;
}

void resizePlane8(MaskPlane8 &plane, PF_InData *in_data, A_long width, A_long height) {
  // A negative size is an empty plane like a zero one.
  if (width > 0 && height > 0) {
    Allocate(plane, in_data, width, height);
  } else {
    makeEmpty(plane);
  }
  plane.flagsStale = 1;
  plane.boundsStale = 1;
}

template <typename T> void clearPlane(MaskPlane<T> &plane) {
  if (plane.data) {
    for (A_long y = 0; y < plane.height; ++y) std::memset(plane.row(y), 0, sizeof(T) * plane.width);
    std::memset(plane.columnFlags, 0, plane.width);
    std::memset(plane.rowFlags, 0, plane.height);
  }
  plane.bounds = PF_LRect{0, 0, 0, 0};
  plane.flagsStale = 0;
  plane.boundsStale = 0;
}

void mergePlane(MaskPlane8 &destination, const MaskPlane8 &source) {
  const A_long w = std::min(destination.width, source.width);
  const A_long h = std::min(destination.height, source.height);
  for (A_long y = 0; y < h; ++y) {
    if (source.flagsStale == 0 && source.rowFlags[y] == 0) continue;
    const uint8_t *s = source.row(y);
    uint8_t *d = destination.row(y);
    bool copied = false;
    for (A_long x = 0; x < w; ++x) {
      if (s[x]) {
        d[x] = s[x];
        destination.columnFlags[x] = 1;
        copied = true;
      }
    }
    if (copied) destination.rowFlags[y] = 1;
  }
  destination.boundsStale = 1;
}

void updateOccupancy(MaskPlane8 &plane) {
  if (plane.data) {
    std::memset(plane.rowFlags, 0, plane.height);
    std::memset(plane.columnFlags, 0, plane.width);
    for (A_long y = 0; y < plane.height; ++y) {
      const uint8_t *r = plane.row(y);
      for (A_long x = 0; x < plane.width; ++x) {
        if (r[x]) {
          plane.rowFlags[y] = 1;
          plane.columnFlags[x] = 1;
        }
      }
    }
  }
  plane.flagsStale = 0;
  plane.boundsStale = 1;
}

template void makeEmpty<uint8_t>(MaskPlane8 &);
template void makeEmpty<uint16_t>(MaskPlane16 &);
template void clearPlane<uint8_t>(MaskPlane8 &);
template void clearPlane<uint16_t>(MaskPlane16 &);
