// Mapping between file samples and working pixels, written once over the
// sample type and the pixel type; every integer mapping is exact.
#include "ValueMapping.h"

#include <cmath>
#include <stdexcept>

namespace vcli {

int SampleBytes(SampleKind kind) { return kind == SampleKind::U8 ? 1 : kind == SampleKind::U16 ? 2 : 4; }
int SampleBits(SampleKind kind) { return SampleBytes(kind) * 8; }

Raster::Raster(int w, int h, SampleKind k)
    : width(w), height(h), kind(k), bytes(static_cast<size_t>(w) * h * 4 * SampleBytes(k)) {}

namespace {

double Clamp01(float v) {
  if (!(v > 0.0f)) return 0.0; // also NaN
  return v < 1.0f ? static_cast<double>(v) : 1.0;
}

// One file sample as a working channel of the type of the second argument.
A_u_char ToChannel(uint8_t v, A_u_char) { return v; }
A_u_short ToChannel(uint8_t v, A_u_short) { return Working16From8(v); }
float ToChannel(uint8_t v, float) { return FloatFrom8(v); }
A_u_char ToChannel(uint16_t v, A_u_char) { return Working8FromFile16(v); }
A_u_short ToChannel(uint16_t v, A_u_short) { return Working16FromFile16(v); }
float ToChannel(uint16_t v, float) { return FloatFromFile16(v); }
A_u_char ToChannel(float v, A_u_char) { return Working8FromFloat(v); }
A_u_short ToChannel(float v, A_u_short) { return Working16FromFloat(v); }
float ToChannel(float v, float) { return v; }

// One working channel as the file sample of its depth.
uint8_t ToFileSample(A_u_char v) { return v; }
uint16_t ToFileSample(A_u_short v) { return File16FromWorking16(v); }
float ToFileSample(float v) { return v; }

template <typename Sample, typename Pixel> void FillWorking(const Raster &raster, vemu::Image &image) {
  using Channel = decltype(Pixel::red);
  const Channel tag{};
  for (int y = 0; y < raster.height; ++y) {
    Pixel *row = reinterpret_cast<Pixel *>(image.row(y));
    size_t i = static_cast<size_t>(y) * raster.width * 4;
    for (int x = 0; x < raster.width; ++x, i += 4) {
      row[x].red = ToChannel(raster.sample<Sample>(i), tag);
      row[x].green = ToChannel(raster.sample<Sample>(i + 1), tag);
      row[x].blue = ToChannel(raster.sample<Sample>(i + 2), tag);
      row[x].alpha = ToChannel(raster.sample<Sample>(i + 3), tag);
    }
  }
}

template <typename Pixel> void FillRaster(const vemu::Image &image, Raster &raster) {
  for (int y = 0; y < image.height(); ++y) {
    const Pixel *row = reinterpret_cast<const Pixel *>(image.row(y));
    size_t i = static_cast<size_t>(y) * image.width() * 4;
    for (int x = 0; x < image.width(); ++x, i += 4) {
      raster.setSample(i, ToFileSample(row[x].red));
      raster.setSample(i + 1, ToFileSample(row[x].green));
      raster.setSample(i + 2, ToFileSample(row[x].blue));
      raster.setSample(i + 3, ToFileSample(row[x].alpha));
    }
  }
}

template <typename Pixel> void FillWorkingFrom(const Raster &raster, vemu::Image &image) {
  switch (raster.kind) {
  case SampleKind::U8: FillWorking<uint8_t, Pixel>(raster, image); break;
  case SampleKind::U16: FillWorking<uint16_t, Pixel>(raster, image); break;
  case SampleKind::F32: FillWorking<float, Pixel>(raster, image); break;
  }
}

} // namespace

uint8_t Working8FromFloat(float v) { return static_cast<uint8_t>(Clamp01(v) * 255.0 + 0.5); }
uint16_t Working16FromFloat(float v) { return static_cast<uint16_t>(Clamp01(v) * 32768.0 + 0.5); }

vemu::Image ToWorking(const Raster &raster, PF_PixelFormat format) {
  vemu::Image image(raster.width, raster.height, format);
  switch (format) {
  case PF_PixelFormat_ARGB32: FillWorkingFrom<PF_Pixel>(raster, image); break;
  case PF_PixelFormat_ARGB64: FillWorkingFrom<PF_Pixel16>(raster, image); break;
  case PF_PixelFormat_ARGB128: FillWorkingFrom<PF_PixelFloat>(raster, image); break;
  default: throw std::invalid_argument("unknown working pixel format");
  }
  return image;
}

Raster FromWorking(const vemu::Image &image) {
  Raster raster(image.width(), image.height(), FileKindOfWorking(image.format()));
  switch (image.format()) {
  case PF_PixelFormat_ARGB32: FillRaster<PF_Pixel>(image, raster); break;
  case PF_PixelFormat_ARGB64: FillRaster<PF_Pixel16>(image, raster); break;
  default: FillRaster<PF_PixelFloat>(image, raster); break;
  }
  return raster;
}

PF_PixelFormat DefaultWorkingFormat(SampleKind kind) {
  return kind == SampleKind::U8 ? PF_PixelFormat_ARGB32
         : kind == SampleKind::U16 ? PF_PixelFormat_ARGB64
                                   : PF_PixelFormat_ARGB128;
}

int WorkingDepth(PF_PixelFormat format) {
  switch (format) {
  case PF_PixelFormat_ARGB32: return 8;
  case PF_PixelFormat_ARGB64: return 16;
  case PF_PixelFormat_ARGB128: return 32;
  default: return 0;
  }
}

PF_PixelFormat WorkingFormatOfDepth(int depth) {
  return depth == 8 ? PF_PixelFormat_ARGB32 : depth == 16 ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB128;
}

SampleKind FileKindOfWorking(PF_PixelFormat format) {
  switch (format) {
  case PF_PixelFormat_ARGB32: return SampleKind::U8;
  case PF_PixelFormat_ARGB64: return SampleKind::U16;
  case PF_PixelFormat_ARGB128: return SampleKind::F32;
  default: throw std::invalid_argument("unknown working pixel format");
  }
}

} // namespace vcli
