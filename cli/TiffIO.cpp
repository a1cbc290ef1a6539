// TIFF through libtiff: RGB, RGBA, grey and grey-alpha images of 8-bit or
// 16-bit integer or 32-bit float samples, in strips or tiles, interleaved or
// in planes, are read as RGBA; RGBA with straight alpha is written,
// deflate-compressed.
// Our headers first: libtiff marks its own int32 typedef deprecated, which
// would flag the host API's use of the same name.
#include "Errors.h"
#include "ImageCodecs.h"

#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace vcli {

namespace {

// libtiff reports through process-wide handlers: the last error of the
// thread is kept for the message, warnings are dropped.
thread_local std::string tiffMessage;

void OnTiffError(const char *module, const char *format, va_list args) {
  char text[300];
  std::vsnprintf(text, sizeof text, format, args);
  tiffMessage = text;
}

void OnTiffWarning(const char *, const char *, va_list) {}

void PrepareTiff() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(OnTiffError);
    TIFFSetWarningHandler(OnTiffWarning);
  });
  tiffMessage.clear();
}

std::string TiffProblem(const char *what) {
  return tiffMessage.empty() ? std::string(what) : std::string(what) + " (" + tiffMessage + ")";
}

struct TiffCloser {
  void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// The image as decoded, before mapping to RGBA: interleaved (one plane of
// spp samples per pixel) or separate (spp planes of one sample per pixel).
struct TiffPixels {
  uint32_t width = 0, height = 0;
  uint16_t spp = 0;
  int sampleBytes = 0;
  bool separate = false;
  std::vector<uint8_t> data;

  size_t planeBytes() const { return static_cast<size_t>(width) * height * sampleBytes * (separate ? 1 : spp); }
  size_t rowBytes() const { return static_cast<size_t>(width) * sampleBytes * (separate ? 1 : spp); }
  template <typename T> T sample(size_t pixel, int channel) const {
    const size_t at = separate ? channel * (planeBytes() / sampleBytes) + pixel : pixel * spp + channel;
    T v;
    std::memcpy(&v, data.data() + at * sizeof(T), sizeof(T));
    return v;
  }
};

void ReadStrips(TIFF *tif, const std::string &path, TiffPixels *pixels) {
  uint32_t rowsPerStrip = pixels->height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  if (rowsPerStrip == 0 || rowsPerStrip > pixels->height) rowsPerStrip = pixels->height;
  const uint32_t stripsPerPlane = (pixels->height + rowsPerStrip - 1) / rowsPerStrip;
  const uint32_t planes = pixels->separate ? pixels->spp : 1;
  if (TIFFNumberOfStrips(tif) < stripsPerPlane * planes) throw Failure(ReadError(path, "corrupt TIFF (too few strips)"));
  for (uint32_t plane = 0; plane < planes; ++plane) {
    for (uint32_t s = 0; s < stripsPerPlane; ++s) {
      const uint32_t row = s * rowsPerStrip;
      const uint32_t rows = std::min(rowsPerStrip, pixels->height - row);
      const tmsize_t expected = static_cast<tmsize_t>(rows * pixels->rowBytes());
      uint8_t *at = pixels->data.data() + plane * pixels->planeBytes() + row * pixels->rowBytes();
      if (TIFFReadEncodedStrip(tif, plane * stripsPerPlane + s, at, expected) != expected)
        throw Failure(ReadError(path, TiffProblem("truncated or corrupt TIFF")));
    }
  }
}

void ReadTiles(TIFF *tif, const std::string &path, TiffPixels *pixels) {
  uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
  const tmsize_t tileSize = TIFFTileSize(tif);
  const size_t pixelBytes = pixels->rowBytes() / pixels->width;
  if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 ||
      static_cast<size_t>(tileSize) != static_cast<size_t>(tileWidth) * tileHeight * pixelBytes)
    throw Failure(ReadError(path, "corrupt TIFF (bad tile size)"));
  std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
  const uint16_t planes = pixels->separate ? pixels->spp : 1;
  for (uint16_t plane = 0; plane < planes; ++plane) {
    for (uint32_t y = 0; y < pixels->height; y += tileHeight) {
      for (uint32_t x = 0; x < pixels->width; x += tileWidth) {
        if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, plane), tile.data(), tileSize) != tileSize)
          throw Failure(ReadError(path, TiffProblem("truncated or corrupt TIFF")));
        const uint32_t rows = std::min(tileHeight, pixels->height - y);
        const size_t bytes = std::min(tileWidth, pixels->width - x) * pixelBytes;
        for (uint32_t r = 0; r < rows; ++r)
          std::memcpy(pixels->data.data() + plane * pixels->planeBytes() + (y + r) * pixels->rowBytes() +
                          x * pixelBytes,
                      tile.data() + r * tileWidth * pixelBytes, bytes);
      }
    }
  }
}

// Colour channels 0..2 (or the one grey channel) and alpha, if there is one.
template <typename T> void ToRaster(const TiffPixels &pixels, bool grey, int alphaChannel, T opaque, Raster *raster) {
  const size_t count = static_cast<size_t>(pixels.width) * pixels.height;
  for (size_t p = 0; p < count; ++p) {
    const T r = pixels.sample<T>(p, 0);
    raster->setSample(p * 4, r);
    raster->setSample(p * 4 + 1, grey ? r : pixels.sample<T>(p, 1));
    raster->setSample(p * 4 + 2, grey ? r : pixels.sample<T>(p, 2));
    raster->setSample(p * 4 + 3, alphaChannel >= 0 ? pixels.sample<T>(p, alphaChannel) : opaque);
  }
}

} // namespace

Raster ReadTiff(const std::string &path) {
  PrepareTiff();
  TiffPtr tif(TIFFOpen(path.c_str(), "r"));
  if (!tif) throw Failure(ReadError(path, TiffProblem("corrupt TIFF")));
  TIFF *t = tif.get();

  uint32_t width = 0, height = 0;
  uint16_t spp = 1, bits = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG, photometric = 0xffff;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height))
    throw Failure(ReadError(path, "corrupt TIFF (no image size)"));
  CheckImageSize(path, width, height);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);

  SampleKind kind;
  if (bits == 8 && format == SAMPLEFORMAT_UINT) kind = SampleKind::U8;
  else if (bits == 16 && format == SAMPLEFORMAT_UINT) kind = SampleKind::U16;
  else if (bits == 32 && format == SAMPLEFORMAT_IEEEFP) kind = SampleKind::F32;
  else
    throw Failure(ReadError(path, "unsupported TIFF samples (" + std::to_string(bits) + "-bit " +
                                      (format == SAMPLEFORMAT_IEEEFP ? "float"
                                       : format == SAMPLEFORMAT_UINT ? "integer"
                                       : format == SAMPLEFORMAT_INT  ? "signed integer"
                                                                     : "other") +
                                      "); 8 or 16-bit unsigned integer and 32-bit float are supported"));
  const bool rgb = photometric == PHOTOMETRIC_RGB && spp >= 3;
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK && spp >= 1;
  if (!rgb && !grey) throw Failure(ReadError(path, "unsupported TIFF colour layout; RGB, RGBA or grey are supported"));
  const int colours = rgb ? 3 : 1;
  const int alphaChannel = spp > colours ? colours : -1;

  TiffPixels pixels;
  pixels.width = width;
  pixels.height = height;
  pixels.spp = spp;
  pixels.sampleBytes = SampleBytes(kind);
  pixels.separate = planar == PLANARCONFIG_SEPARATE && spp > 1;
  pixels.data.resize(pixels.planeBytes() * (pixels.separate ? spp : 1));
  if (TIFFIsTiled(t)) ReadTiles(t, path, &pixels);
  else ReadStrips(t, path, &pixels);

  Raster raster(static_cast<int>(width), static_cast<int>(height), kind);
  switch (kind) {
  case SampleKind::U8: ToRaster<uint8_t>(pixels, grey, alphaChannel, 255, &raster); break;
  case SampleKind::U16: ToRaster<uint16_t>(pixels, grey, alphaChannel, 65535, &raster); break;
  case SampleKind::F32: ToRaster<float>(pixels, grey, alphaChannel, 1.0f, &raster); break;
  }
  return raster;
}

void WriteTiff(const std::string &path, const Raster &raster) {
  PrepareTiff();
  const size_t rowBytes = static_cast<size_t>(raster.width) * 4 * SampleBytes(raster.kind);
  // Classic TIFF addresses 4 GB; larger images need BigTIFF.
  const bool big = rowBytes * raster.height > (3ull << 30);
  TiffPtr tif(TIFFOpen(path.c_str(), big ? "w8" : "w"));
  if (!tif) throw Failure(WriteError(path, TiffProblem("cannot create the file")));
  TIFF *t = tif.get();
  const bool isFloat = raster.kind == SampleKind::F32;
  const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(raster.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(raster.height));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, SampleBits(raster.kind));
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, isFloat ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (TIFFIsCODECConfigured(COMPRESSION_ADOBE_DEFLATE)) {
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(t, TIFFTAG_PREDICTOR, isFloat ? PREDICTOR_FLOATINGPOINT : PREDICTOR_HORIZONTAL);
  }
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

  // The encoder may change the row it is given (predictor, byte order), so
  // each row is copied first.
  std::vector<uint8_t> row(rowBytes);
  for (int y = 0; y < raster.height; ++y) {
    std::memcpy(row.data(), raster.bytes.data() + y * rowBytes, rowBytes);
    if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0)
      throw Failure(WriteError(path, TiffProblem("write failed")));
  }
  if (!TIFFFlush(t)) throw Failure(WriteError(path, TiffProblem("write failed")));
}

} // namespace vcli
