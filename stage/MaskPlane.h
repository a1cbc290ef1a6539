// Single-channel planes the size of the render rectangle (u8 masks and the
// u16 length map), with per-row and per-column occupancy flags. One host
// allocation per plane; copies share it through a reference-counted owner.
#pragma once

#include <cstdint>

#include "AEHost.h"
#include "SharedCount.h"

template <typename T> struct MaskPlane {
  T *data = nullptr;                          // row 0; null for an empty plane
  AEUtil::SharedOwner<AEUtil::HostByteBlock> owner; // owner of the allocation
  int64_t size = 0;                           // bytes allocated
  A_long width = 0;                           // elements per row in use
  A_long height = 0;                          // rows
  A_long rowBytes = 0;                        // bytes from one row to the next
  A_long pitch = 0;                           // elements from one row to the next
  PF_LRect bounds = {0, 0, 0, 0};
  A_u_char flagsStale = 0;                    // 1: row and column flags not maintained
  A_u_char boundsStale = 0;
  A_u_char *rowFlags = nullptr;               // 1 where a row holds a non-zero element
  A_u_char *columnFlags = nullptr;            // 1 where a column holds a non-zero element

  T *row(A_long y) const { return data + static_cast<int64_t>(y) * pitch; }
  T at(A_long x, A_long y) const { return row(y)[x]; }
  bool empty() const { return data == nullptr; }
};

using MaskPlane8 = MaskPlane<uint8_t>;

// The plane's flags are exact and its bounds hold every non-zero element,
// as extraction leaves a mask.
template <typename T> bool MaskAreaKnown(const MaskPlane<T> &plane) {
  return plane.data && plane.flagsStale == 0 && plane.boundsStale == 0;
}
using MaskPlane16 = MaskPlane<uint16_t>;

// Bytes of the allocation of a w x h plane: rows padded to four elements,
// then the row flags and the column flags (each padded to four).
int64_t MaskPlaneBytes8(A_long width, A_long height);
int64_t MaskPlaneBytes16(A_long width, A_long height);

// Allocate through AEMemory (elements and flags not initialised); bounds
// (0, 0, w, h), both stale markers set. A size the host allocator cannot
// take, or no allocator at all, throws the out-of-memory AEException; the
// plane is then left as it was.
void createPlane8(MaskPlane8 &plane, PF_InData *in_data, A_long width, A_long height);
void createPlane16(MaskPlane16 &plane, PF_InData *in_data, A_long width, A_long height);

// Data null, a fresh owner block of its own, all sizes 0.
template <typename T> void makeEmpty(MaskPlane<T> &plane);

// A new allocation of w x h (old content lost), or an empty plane when
// w or h is 0 (or negative); both stale markers set afterwards.
void resizePlane8(MaskPlane8 &plane, PF_InData *in_data, A_long width, A_long height);

// Zeroes the elements in use, the column flags of the columns in use, every
// row flag and the bounds; both stale markers cleared.
template <typename T> void clearPlane(MaskPlane<T> &plane);

// Copies every non-zero element of source into destination over their common
// top-left area, skipping rows the source's exact flags mark empty.
void mergePlane(MaskPlane8 &destination, const MaskPlane8 &source);

// Recomputes the row and column flags from the elements (flags exact).
void updateOccupancy(MaskPlane8 &plane);

extern template void makeEmpty<uint8_t>(MaskPlane8 &);
extern template void makeEmpty<uint16_t>(MaskPlane16 &);
extern template void clearPlane<uint8_t>(MaskPlane8 &);
extern template void clearPlane<uint16_t>(MaskPlane16 &);
