// The codec back ends of ImageIO, one file per library. Readers take a file
// already opened and checked, and the pixel limit; they check the declared
// layout before allocating and let memory grow with the rows actually
// decoded. Each throws Failure with the library's message.
#pragma once

#include <cstdint>
#include <string>

#include "InputFile.h"
#include "ValueMapping.h"

namespace vcli {

// The pixels a writer takes a row at a time: width x height RGBA samples
// of one kind, from a raster as they are or mapped from a working image.
class RowSource {
 public:
  explicit RowSource(const Raster &raster);
  explicit RowSource(const vemu::Image &working);  // at its own depth, as FromWorking
  int width() const { return width_; }
  int height() const { return height_; }
  SampleKind kind() const { return kind_; }
  size_t rowBytes() const { return rowBytes_; }
  // Row y's samples: in place, or mapped into scratch (rowBytes() bytes).
  const uint8_t *row(int y, uint8_t *scratch) const;

 private:
  const Raster *raster_ = nullptr;
  const vemu::Image *working_ = nullptr;
  int width_, height_;
  SampleKind kind_;
  size_t rowBytes_;
};

Raster ReadPng(const InputFile &file, uint64_t maxPixels);
void WritePng(const std::string &path, const RowSource &source);

Raster ReadTiff(const InputFile &file, uint64_t maxPixels);
void WriteTiff(const std::string &path, const Raster &raster);

Raster ReadExr(const InputFile &file, uint64_t maxPixels);
void WriteExr(const std::string &path, const Raster &raster);

// Failure unless width and height are 1 to kMaxImageSide and the image has
// at most maxPixels pixels (the message names the limit and --max-pixels).
void CheckImageSize(const std::string &path, long long width, long long height, uint64_t maxPixels);

// "cannot read PATH: WHAT" and "cannot write PATH: WHAT".
std::string ReadError(const std::string &path, const std::string &what);
std::string WriteError(const std::string &path, const std::string &what);

// A raster filled from the top as rows are decoded. Its storage grows with
// the rows added (reserved from 8 MiB, doubling, up to the whole image; only
// the rows added are written), so a file that declares a large image but
// holds little data never costs much memory.
class GrowingRaster {
 public:
  GrowingRaster(int width, int height, SampleKind kind);
  size_t rowBytes() const { return rowBytes_; }
  int rows() const { return rows_; }
  // Adds count rows (cut to the image's height), zero-filled; returns the
  // first of them. Pointers to rows stay valid until the next add.
  uint8_t *add(int count);
  uint8_t *row(int y) { return raster_.bytes.data() + static_cast<size_t>(y) * rowBytes_; }
  // The raster; every row must have been added.
  Raster take();

 private:
  Raster raster_;
  size_t rowBytes_;
  int rows_ = 0;
};

} // namespace vcli
