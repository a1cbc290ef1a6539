// Images as files hold them (RGBA samples of 8, 16 or 32-bit float) and the
// exact mapping between file samples and the plug-in's working pixels
// (8-bit, 16-bit with full scale 32768, float).
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "AEHost.h"
#include "Image.h"

namespace vcli {

enum class SampleKind { U8, U16, F32 };

int SampleBytes(SampleKind kind);
// 8, 16 or 32.
int SampleBits(SampleKind kind);

// Interleaved straight-alpha RGBA samples, rows top to bottom, no padding.
// Files without alpha are stored with opaque alpha (255, 65535 or 1.0).
struct Raster {
  int width = 0;
  int height = 0;
  SampleKind kind = SampleKind::U8;
  std::vector<uint8_t> bytes;

  Raster() = default;
  Raster(int w, int h, SampleKind k);
  size_t sampleCount() const { return static_cast<size_t>(width) * height * 4; }
  template <typename T> T sample(size_t i) const {
    T v;
    std::memcpy(&v, bytes.data() + i * sizeof(T), sizeof(T));
    return v;
  }
  template <typename T> void setSample(size_t i, T v) { std::memcpy(bytes.data() + i * sizeof(T), &v, sizeof(T)); }
};

// ---- single values ----
// 8-bit to 16-bit working: (v x 32768 + 128) / 255.
inline uint16_t Working16From8(uint8_t v) { return static_cast<uint16_t>((v * 32768u + 128u) / 255u); }
// 16-bit working to 8-bit: (w x 255 + 16384) >> 15; values above full scale
// count as full scale.
inline uint8_t Working8From16(uint16_t w) {
  const uint32_t c = w > 32768 ? 32768u : w;
  return static_cast<uint8_t>((c * 255u + 16384u) >> 15);
}
// 16-bit file sample (full scale 65535) to 16-bit working: the smallest
// working value that writes back to v.
inline uint16_t Working16FromFile16(uint16_t v) { return static_cast<uint16_t>((v * 32768u + 32767u) / 65535u); }
// 16-bit working to 16-bit file: (w x 65535 + 16384) >> 15, the exact
// inverse of Working16FromFile16 for every working value 0 to 32768.
inline uint16_t File16FromWorking16(uint16_t w) {
  const uint32_t c = w > 32768 ? 32768u : w;
  return static_cast<uint16_t>((c * 65535u + 16384u) >> 15);
}
// Float to integers: clamped to 0..1 (NaN counts as 0), then scaled and
// rounded half up. The product is formed in double, where it is exact.
uint8_t Working8FromFloat(float v);
uint16_t Working16FromFloat(float v);
// 16-bit file sample to 8-bit working: through 16-bit working, as the host
// converts a 16-bit layer for an 8-bit effect.
inline uint8_t Working8FromFile16(uint16_t v) { return Working8From16(Working16FromFile16(v)); }
inline float FloatFrom8(uint8_t v) { return v / 255.0f; }
inline float FloatFromFile16(uint16_t v) { return v / 65535.0f; }

// ---- rows ----
// A row of width pixels: RGBA file samples of the kind to working pixels of
// the format, and working pixels to file samples of the format's own kind
// (FileKindOfWorking). The same mappings as the single values above.
void WorkingRowFromFile(const uint8_t *samples, SampleKind kind, int width, PF_PixelFormat format, uint8_t *pixels);
void FileRowFromWorking(const uint8_t *pixels, PF_PixelFormat format, int width, uint8_t *samples);

// ---- whole images ----
// The working image of the plug-in at the given format (ARGB32, ARGB64 or
// ARGB128), from file samples of any kind.
vemu::Image ToWorking(const Raster &raster, PF_PixelFormat format);
// The file samples of a working image at its own depth: 8-bit stays 8-bit,
// 16-bit working becomes 16-bit file samples (full scale 65535), float stays
// float.
Raster FromWorking(const vemu::Image &image);

// The working format a file's samples map to by default: 8-bit files to
// ARGB32, 16-bit to ARGB64, float to ARGB128.
PF_PixelFormat DefaultWorkingFormat(SampleKind kind);
// 8, 16 or 32 for a working format; 0 for others.
int WorkingDepth(PF_PixelFormat format);
// The working format of a depth (8, 16, 32).
PF_PixelFormat WorkingFormatOfDepth(int depth);
// The sample kind a working format is written as.
SampleKind FileKindOfWorking(PF_PixelFormat format);

} // namespace vcli
