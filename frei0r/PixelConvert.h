// frei0r's RGBA8888 pixels (bytes r, g, b, a) and the plug-in's 8-bit ARGB
// pixels (bytes a, r, g, b): one channel rotation per pixel, each way.
#pragma once

#include <cstdint>
#include <cstring>

namespace vfrei0r {

// Bytes r g b a to a r g b, on a 32-bit word as it lies in memory.
inline uint32_t ArgbFromRgba(uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return (v << 8) | (v >> 24);
#else
  return (v >> 8) | (v << 24);
#endif
}

inline uint32_t RgbaFromArgb(uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  return (v >> 8) | (v << 24);
#else
  return (v << 8) | (v >> 24);
#endif
}

// One row of n pixels; the words are copied byte-wise, so neither side needs
// to be aligned.
inline void RowArgbFromRgba(const void *from, void *to, int n) {
  const auto *src = static_cast<const unsigned char *>(from);
  auto *dst = static_cast<unsigned char *>(to);
  for (int x = 0; x < n; ++x) {
    uint32_t v;
    std::memcpy(&v, src + 4 * x, 4);
    v = ArgbFromRgba(v);
    std::memcpy(dst + 4 * x, &v, 4);
  }
}

inline void RowRgbaFromArgb(const void *from, void *to, int n) {
  const auto *src = static_cast<const unsigned char *>(from);
  auto *dst = static_cast<unsigned char *>(to);
  for (int x = 0; x < n; ++x) {
    uint32_t v;
    std::memcpy(&v, src + 4 * x, 4);
    v = RgbaFromArgb(v);
    std::memcpy(dst + 4 * x, &v, 4);
  }
}

} // namespace vfrei0r
