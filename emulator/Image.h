// Host-side images of the emulator: a pixel buffer of one of the three host
// formats with the PF_EffectWorld record that describes it. Every buffer is
// registered process-wide so that the world suite can answer its format.
#pragma once

#include <cstdint>
#include <vector>

#include "AEHost.h"

namespace vemu {

int BytesPerPixel(PF_PixelFormat format);

class Image {
 public:
  // Rows are padded by rowPadBytes (plus alignment to 16 bytes), so code that
  // steps rows by width instead of rowbytes shows up in tests.
  Image(int width, int height, PF_PixelFormat format, int rowPadBytes = 16);
  Image(const Image &other);
  Image &operator=(const Image &other);
  ~Image();

  PF_EffectWorld *world() { return &world_; }
  const PF_EffectWorld *world() const { return &world_; }
  int width() const { return world_.width; }
  int height() const { return world_.height; }
  PF_PixelFormat format() const { return format_; }
  void setOrigin(int x, int y) {
    world_.origin_x = x;
    world_.origin_y = y;
  }

  uint8_t *row(int y) { return data_.data() + static_cast<size_t>(y) * world_.rowbytes; }
  const uint8_t *row(int y) const { return data_.data() + static_cast<size_t>(y) * world_.rowbytes; }
  template <typename P> P &at(int x, int y) { return reinterpret_cast<P *>(row(y))[x]; }
  template <typename P> const P &at(int x, int y) const { return reinterpret_cast<const P *>(row(y))[x]; }

  // Pixel bytes only, row padding left out: equal images compare equal.
  std::vector<uint8_t> pixelBytes() const;
  bool samePixels(const Image &other) const;
  // Number of pixels that differ, and the first of them (x, y), if any.
  long differingPixels(const Image &other, int *firstX = nullptr, int *firstY = nullptr) const;

  // Fills every pixel with the same bytes.
  void fillBytes(const void *pixel);

 private:
  void describe(int width, int height, int rowPadBytes);
  PF_PixelFormat format_;
  int rowPad_;
  std::vector<uint8_t> data_;
  PF_EffectWorld world_;
};

// Process-wide registry of pixel buffers and their formats (keyed by the
// world's data pointer).
void RegisterWorldData(const void *data, PF_PixelFormat format);
void UnregisterWorldData(const void *data);
bool LookupWorldFormat(const void *data, PF_PixelFormat *format);

} // namespace vemu
