// Channel conversions between 8-bit and the 16-bit working range (full
// scale 32768), shared by the widening, the write-back and the extraction.
#pragma once

#include <cstdint>

#include "AEHost.h"

// (v x 32768 + 128) / 255: 0 stays 0, 255 becomes 32768.
inline A_u_short WidenChannel(A_u_char v) {
  return static_cast<A_u_short>((static_cast<uint32_t>(v) * 32768 + 128) / 255);
}

// (v x 255 + 16384) >> 15: 32768 becomes 255. Values above full scale count
// as full scale rather than wrapping round to dark ones.
inline A_u_char NarrowChannel(A_u_short v) {
  const uint32_t full = v < 32768 ? v : 32768;
  return static_cast<A_u_char>((full * 255 + 16384) >> 15);
}
