// TIFF through libtiff: RGB, RGBA, grey and grey-alpha images of 8-bit or
// 16-bit integer or 32-bit float samples, in strips (read a row at a time)
// or tiles, interleaved or in planes, are read as RGBA; RGBA with straight
// alpha is written, deflate-compressed.
// Our headers first: libtiff marks its own int32 typedef deprecated, which
// would flag the host API's use of the same name.
#include "Errors.h"
#include "ImageCodecs.h"

#include <tiffio.h>
#include <unistd.h>

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

// The file's samples are up to this many a pixel (colour, alpha and extra
// channels), so a row of them is small.
constexpr uint16_t kMaxSamplesPerPixel = 16;
// The largest tile decoded at once.
constexpr uint64_t kMaxTileBytes = 64ull << 20;

// How the file's samples become RGBA: the file channel of red, green, blue
// and alpha (-1: opaque alpha), and the bytes of one sample.
struct ChannelMap {
  int from[4];
  int sampleBytes;

  // Whether a colour or alpha is taken from this channel.
  bool uses(int channel) const { return std::find(from, from + 4, channel) != from + 4; }
};

// Stores count pixels as RGBA at dst from a run of pixels of `stride`
// samples each, sample k being file channel first + k (a whole pixel when
// the channels are interleaved, one channel when they are in planes). Alpha
// the file lacks is set opaque along with channel 0.
template <typename T>
void ToRgba(const uint8_t *src, int stride, int first, const ChannelMap &map, T opaque, uint8_t *dst, size_t count) {
  for (int d = 0; d < 4; ++d) {
    const int channel = map.from[d];
    const bool fromHere = channel >= first && channel < first + stride;
    if (!fromHere && !(channel < 0 && first == 0)) continue;
    for (size_t p = 0; p < count; ++p) {
      T v = opaque;
      if (fromHere) std::memcpy(&v, src + (p * stride + (channel - first)) * sizeof(T), sizeof(T));
      std::memcpy(dst + (p * 4 + d) * sizeof(T), &v, sizeof(T));
    }
  }
}

void StoreRgba(const uint8_t *src, int stride, int first, const ChannelMap &map, uint8_t *dst, size_t count) {
  switch (map.sampleBytes) {
  case 1: ToRgba<uint8_t>(src, stride, first, map, 255, dst, count); break;
  case 2: ToRgba<uint16_t>(src, stride, first, map, 65535, dst, count); break;
  default: ToRgba<float>(src, stride, first, map, 1.0f, dst, count); break;
  }
}

// The image's layout as the reading needs it.
struct TiffLayout {
  uint32_t width = 0, height = 0;
  uint16_t spp = 1;
  bool separate = false;  // one plane a channel
  int stride() const { return separate ? 1 : spp; }
  int planes() const { return separate ? spp : 1; }
};

// Strips are read a row at a time, so memory follows the rows the file
// really holds whatever its strips declare. With planes, the first adds the
// rows and the others fill their channel in.
void ReadStrips(TIFF *tif, const std::string &path, const TiffLayout &l, const ChannelMap &map,
                GrowingRaster *raster) {
  const uint64_t lineBytes = static_cast<uint64_t>(l.width) * l.stride() * map.sampleBytes;
  if (TIFFScanlineSize64(tif) != lineBytes) throw Failure(ReadError(path, TiffProblem("corrupt TIFF (bad row size)")));
  std::vector<uint8_t> line(lineBytes);
  for (int plane = 0; plane < l.planes(); ++plane) {
    if (plane > 0 && !map.uses(plane)) continue;
    for (uint32_t y = 0; y < l.height; ++y) {
      if (TIFFReadScanline(tif, line.data(), y, static_cast<uint16_t>(plane)) < 0)
        throw Failure(ReadError(path, TiffProblem("truncated or corrupt TIFF")));
      uint8_t *row = plane == 0 ? raster->add(1) : raster->row(static_cast<int>(y));
      StoreRgba(line.data(), l.stride(), l.separate ? plane : 0, map, row, l.width);
    }
  }
}

// Tiles are read a row of tiles at a time.
void ReadTiles(TIFF *tif, const InputFile &file, const TiffLayout &l, const ChannelMap &map, GrowingRaster *raster) {
  const std::string &path = file.path();
  uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
  const uint64_t pixelBytes = static_cast<uint64_t>(l.stride()) * map.sampleBytes;
  const uint64_t tileBytes = static_cast<uint64_t>(tileWidth) * tileHeight * pixelBytes;
  if (tileWidth == 0 || tileHeight == 0 || TIFFTileSize64(tif) != tileBytes)
    throw Failure(ReadError(path, "corrupt TIFF (bad tile size)"));
  if (tileBytes > kMaxTileBytes)
    throw Failure(ReadError(path, "unsupported TIFF layout (tiles of " + std::to_string(tileWidth) + " x " +
                                      std::to_string(tileHeight) + " pixels hold more than " +
                                      std::to_string(kMaxTileBytes >> 20) + " MiB)"));
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  const auto forEachTile = [&](uint32_t y, auto visit) {
    for (int plane = 0; plane < l.planes(); ++plane) {
      if (plane > 0 && !map.uses(plane)) continue;
      for (uint32_t x = 0; x < l.width; x += tileWidth)
        visit(plane, x, TIFFComputeTile(tif, x, y, 0, static_cast<uint16_t>(plane)));
    }
  };
  std::vector<uint8_t> tile;
  for (uint32_t y = 0; y < l.height; y += tileHeight) {
    // Room is made for a row of tiles once the file is known to hold data
    // for every one of them.
    forEachTile(y, [&](int, uint32_t, uint32_t index) {
      const uint64_t offset = TIFFGetStrileOffset(tif, index), bytes = TIFFGetStrileByteCount(tif, index);
      if (bytes == 0 || offset > file.size() || bytes > file.size() - offset ||
          (compression == COMPRESSION_NONE && bytes < tileBytes))
        throw Failure(ReadError(path, "truncated or corrupt TIFF (tile data missing)"));
    });
    const uint32_t rows = std::min(tileHeight, l.height - y);
    raster->add(static_cast<int>(rows));
    forEachTile(y, [&](int plane, uint32_t x, uint32_t index) {
      tile.resize(tileBytes);
      if (TIFFReadEncodedTile(tif, index, tile.data(), static_cast<tmsize_t>(tileBytes)) !=
          static_cast<tmsize_t>(tileBytes))
        throw Failure(ReadError(path, TiffProblem("truncated or corrupt TIFF")));
      const size_t count = std::min(tileWidth, l.width - x);
      for (uint32_t r = 0; r < rows; ++r)
        StoreRgba(tile.data() + r * tileWidth * pixelBytes, l.stride(), l.separate ? plane : 0, map,
                  raster->row(static_cast<int>(y + r)) + static_cast<size_t>(x) * 4 * map.sampleBytes, count);
    });
  }
}

} // namespace

Raster ReadTiff(const InputFile &file, uint64_t maxPixels) {
  PrepareTiff();
  const std::string &path = file.path();
  const int fd = file.duplicate();
  if (fd < 0) throw Failure(ReadError(path, std::strerror(errno)));
  TiffPtr tif(TIFFFdOpen(fd, path.c_str(), "r"));
  if (!tif) {
    close(fd);
    throw Failure(ReadError(path, TiffProblem("corrupt TIFF")));
  }
  TIFF *t = tif.get();

  TiffLayout layout;
  uint16_t bits = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG, photometric = 0xffff;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &layout.width) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &layout.height))
    throw Failure(ReadError(path, "corrupt TIFF (no image size)"));
  CheckImageSize(path, layout.width, layout.height, maxPixels);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &layout.spp);
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
  if (layout.spp < 1 || layout.spp > kMaxSamplesPerPixel)
    throw Failure(ReadError(path, "unsupported TIFF layout (" + std::to_string(layout.spp) +
                                      " samples a pixel; at most " + std::to_string(kMaxSamplesPerPixel) +
                                      " are supported)"));
  const bool rgb = photometric == PHOTOMETRIC_RGB && layout.spp >= 3;
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK;
  if (!rgb && !grey) throw Failure(ReadError(path, "unsupported TIFF colour layout; RGB, RGBA or grey are supported"));
  const int colours = rgb ? 3 : 1;
  const ChannelMap map{{0, grey ? 0 : 1, grey ? 0 : 2, layout.spp > colours ? colours : -1}, SampleBytes(kind)};
  layout.separate = planar == PLANARCONFIG_SEPARATE && layout.spp > 1;

  GrowingRaster raster(static_cast<int>(layout.width), static_cast<int>(layout.height), kind);
  if (TIFFIsTiled(t)) ReadTiles(t, file, layout, map, &raster);
  else ReadStrips(t, path, layout, map, &raster);
  return raster.take();
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
