// OpenEXR through the OpenEXR library: the R, G, B and (if present) A
// channels of half, float or integer samples are read as 32-bit float over
// the data window, a band of rows at a time; RGBA float is written,
// zip-compressed.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "Errors.h"
#include "ImageCodecs.h"
#include "ImageIO.h"

namespace vcli {

namespace {

const char *const kChannels[4] = {"R", "G", "B", "A"};

// Rows read at once: the raster grows by this much as they are decoded.
constexpr int kBandRows = 64;

// The slices of R, G, B and A for the rows of `window` stored at `rows`.
Imf::FrameBuffer RgbaFrameBuffer(uint8_t *rows, int width, const Imath::Box2i &window) {
  Imf::FrameBuffer buffer;
  const size_t xStride = 4 * sizeof(float);
  const size_t yStride = xStride * width;
  for (int c = 0; c < 4; ++c) {
    char *base = reinterpret_cast<char *>(rows) + c * sizeof(float);
    // A channel the file does not have is filled: only alpha can be
    // missing here, and it becomes opaque.
    buffer.insert(kChannels[c], Imf::Slice::Make(Imf::FLOAT, base, window, xStride, yStride, 1, 1, 1.0));
  }
  return buffer;
}

// The library's input stream over a file already opened.
class FileStream : public Imf::IStream {
 public:
  explicit FileStream(const InputFile &file) : Imf::IStream(file.path().c_str()), file_(file) {}
  bool read(char c[], int n) override {
    if (n < 0 || file_.read(position_, c, static_cast<size_t>(n)) != static_cast<size_t>(n))
      throw std::runtime_error("unexpected end of file");
    position_ += static_cast<uint64_t>(n);
    return position_ < file_.size();
  }
  uint64_t tellg() override { return position_; }
  void seekg(uint64_t position) override { position_ = position; }

 private:
  const InputFile &file_;
  uint64_t position_ = 0;
};

} // namespace

Raster ReadExr(const InputFile &input, uint64_t maxPixels) {
  const std::string &path = input.path();
  try {
    // Headers declaring larger images or tiles are refused by the library
    // before it makes room for their tables.
    static std::once_flag once;
    std::call_once(once, [] {
      Imf::Header::setMaxImageSize(kMaxImageSide, kMaxImageSide);
      Imf::Header::setMaxTileSize(kMaxImageSide, kMaxImageSide);
    });
    FileStream stream(input);
    Imf::InputFile file(stream);
    const Imf::Header &header = file.header();
    const Imath::Box2i window = header.dataWindow();
    const long long width = static_cast<long long>(window.max.x) - window.min.x + 1;
    const long long height = static_cast<long long>(window.max.y) - window.min.y + 1;
    CheckImageSize(path, width, height, maxPixels);
    for (int c = 0; c < 3; ++c) {
      const Imf::Channel *channel = header.channels().findChannel(kChannels[c]);
      if (!channel) throw Failure(ReadError(path, "OpenEXR file without R, G and B channels"));
      if (channel->xSampling != 1 || channel->ySampling != 1)
        throw Failure(ReadError(path, "OpenEXR file with subsampled channels"));
    }
    if (!file.isComplete()) throw Failure(ReadError(path, "truncated OpenEXR file"));
    GrowingRaster raster(static_cast<int>(width), static_cast<int>(height), SampleKind::F32);
    for (long long band = window.min.y; band <= window.max.y; band += kBandRows) {
      const int y = static_cast<int>(band);
      const int last = static_cast<int>(std::min<long long>(band + kBandRows - 1, window.max.y));
      uint8_t *rows = raster.add(last - y + 1);
      file.setFrameBuffer(RgbaFrameBuffer(rows, static_cast<int>(width),
                                          Imath::Box2i(Imath::V2i(window.min.x, y), Imath::V2i(window.max.x, last))));
      file.readPixels(y, last);
    }
    return raster.take();
  } catch (const Failure &) {
    throw;
  } catch (const std::bad_alloc &) {
    throw Failure(ReadError(path, "out of memory"));
  } catch (const std::exception &e) {
    throw Failure(ReadError(path, std::string("truncated or corrupt OpenEXR file (") + e.what() + ")"));
  }
}

void WriteExr(const std::string &path, const Raster &raster) {
  try {
    Imf::Header header(raster.width, raster.height);
    header.compression() = Imf::ZIP_COMPRESSION;
    for (const char *name : kChannels) header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    Imf::OutputFile file(path.c_str(), header);
    // The library only reads from the slices while writing.
    Raster &pixels = const_cast<Raster &>(raster);
    file.setFrameBuffer(RgbaFrameBuffer(pixels.bytes.data(), raster.width, header.dataWindow()));
    file.writePixels(raster.height);
  } catch (const std::exception &e) {
    throw Failure(WriteError(path, e.what()));
  }
}

} // namespace vcli
