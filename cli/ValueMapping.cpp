// Mapping between file samples and working pixels, written once over the
// sample type and the pixel type; every integer mapping is exact.
#include "ValueMapping.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "HugePages.h"

namespace vcli {

int SampleBytes(SampleKind kind) { return kind == SampleKind::U8 ? 1 : kind == SampleKind::U16 ? 2 : 4; }
int SampleBits(SampleKind kind) { return SampleBytes(kind) * 8; }

Raster::Raster(int w, int h, SampleKind k) : width(w), height(h), kind(k) {
  const size_t size = static_cast<size_t>(w) * h * 4 * SampleBytes(k);
  bytes.reserve(size);
  vemu::AdviseHugePages(bytes.data(), size);
  bytes.resize(size);
}

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

// One working channel as the file sample of its depth (8-bit pixels are
// moved whole, by RotatePixels).
uint16_t ToFileSample(A_u_short v) { return File16FromWorking16(v); }
float ToFileSample(float v) { return v; }

template <typename Sample, typename Pixel> void WorkingRow(const uint8_t *samples, int width, uint8_t *pixels) {
  using Channel = decltype(Pixel::red);
  const Channel tag{};
  for (int x = 0; x < width; ++x, samples += 4 * sizeof(Sample), pixels += sizeof(Pixel)) {
    Sample s[4];
    std::memcpy(s, samples, sizeof s);
    Pixel p;
    p.red = ToChannel(s[0], tag);
    p.green = ToChannel(s[1], tag);
    p.blue = ToChannel(s[2], tag);
    p.alpha = ToChannel(s[3], tag);
    std::memcpy(pixels, &p, sizeof p);
  }
}

template <typename Pixel> void FileRow(const uint8_t *pixels, int width, uint8_t *samples) {
  using Sample = decltype(ToFileSample(Pixel::red));
  for (int x = 0; x < width; ++x, pixels += sizeof(Pixel), samples += 4 * sizeof(Sample)) {
    Pixel p;
    std::memcpy(&p, pixels, sizeof p);
    const Sample s[4] = {ToFileSample(p.red), ToFileSample(p.green), ToFileSample(p.blue), ToFileSample(p.alpha)};
    std::memcpy(samples, s, sizeof s);
  }
}

// 8-bit samples to 8-bit working and back move bytes only: RGBA and ARGB
// are one rotation of a pixel's four bytes apart, done a word at a time
// (the compiler makes it a vector loop).
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

void RotatePixels(const uint8_t *from, int width, uint8_t *to, bool toArgb) {
  // In memory order RGBA -> ARGB moves every byte one place later.
  const bool left = toArgb == kLittleEndian;
  for (int x = 0; x < width; ++x) {
    uint32_t v;
    std::memcpy(&v, from + 4 * static_cast<size_t>(x), 4);
    v = left ? (v << 8) | (v >> 24) : (v >> 8) | (v << 24);
    std::memcpy(to + 4 * static_cast<size_t>(x), &v, 4);
  }
}

template <typename Pixel> void WorkingRowOf(const uint8_t *samples, SampleKind kind, int width, uint8_t *pixels) {
  switch (kind) {
  case SampleKind::U8: WorkingRow<uint8_t, Pixel>(samples, width, pixels); break;
  case SampleKind::U16: WorkingRow<uint16_t, Pixel>(samples, width, pixels); break;
  case SampleKind::F32: WorkingRow<float, Pixel>(samples, width, pixels); break;
  }
}

} // namespace

uint8_t Working8FromFloat(float v) { return static_cast<uint8_t>(Clamp01(v) * 255.0 + 0.5); }
uint16_t Working16FromFloat(float v) { return static_cast<uint16_t>(Clamp01(v) * 32768.0 + 0.5); }

void WorkingRowFromFile(const uint8_t *samples, SampleKind kind, int width, PF_PixelFormat format, uint8_t *pixels) {
  switch (format) {
  case PF_PixelFormat_ARGB32:
    if (kind == SampleKind::U8) RotatePixels(samples, width, pixels, true);
    else WorkingRowOf<PF_Pixel>(samples, kind, width, pixels);
    break;
  case PF_PixelFormat_ARGB64: WorkingRowOf<PF_Pixel16>(samples, kind, width, pixels); break;
  case PF_PixelFormat_ARGB128: WorkingRowOf<PF_PixelFloat>(samples, kind, width, pixels); break;
  default: throw std::invalid_argument("unknown working pixel format");
  }
}

void FileRowFromWorking(const uint8_t *pixels, PF_PixelFormat format, int width, uint8_t *samples) {
  switch (format) {
  case PF_PixelFormat_ARGB32: RotatePixels(pixels, width, samples, false); break;
  case PF_PixelFormat_ARGB64: FileRow<PF_Pixel16>(pixels, width, samples); break;
  case PF_PixelFormat_ARGB128: FileRow<PF_PixelFloat>(pixels, width, samples); break;
  default: throw std::invalid_argument("unknown working pixel format");
  }
}

vemu::Image ToWorking(const Raster &raster, PF_PixelFormat format) {
  vemu::Image image(raster.width, raster.height, format);
  const size_t stride = static_cast<size_t>(raster.width) * 4 * SampleBytes(raster.kind);
  for (int y = 0; y < raster.height; ++y)
    WorkingRowFromFile(raster.bytes.data() + y * stride, raster.kind, raster.width, format, image.row(y));
  return image;
}

Raster FromWorking(const vemu::Image &image) {
  Raster raster(image.width(), image.height(), FileKindOfWorking(image.format()));
  const size_t stride = static_cast<size_t>(raster.width) * 4 * SampleBytes(raster.kind);
  for (int y = 0; y < raster.height; ++y)
    FileRowFromWorking(image.row(y), image.format(), image.width(), raster.bytes.data() + y * stride);
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
