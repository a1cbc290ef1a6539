// OpenEXR through the OpenEXR library: the R, G, B and (if present) A
// channels of half, float or integer samples are read as 32-bit float over
// the data window; RGBA float is written, zip-compressed.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>

#include <exception>

#include "Errors.h"
#include "ImageCodecs.h"

namespace vcli {

namespace {

const char *const kChannels[4] = {"R", "G", "B", "A"};

Imf::FrameBuffer RgbaFrameBuffer(Raster &raster, const Imath::Box2i &window) {
  Imf::FrameBuffer buffer;
  const size_t xStride = 4 * sizeof(float);
  const size_t yStride = xStride * raster.width;
  for (int c = 0; c < 4; ++c) {
    char *base = reinterpret_cast<char *>(raster.bytes.data()) + c * sizeof(float);
    // A channel the file does not have is filled: only alpha can be
    // missing here, and it becomes opaque.
    buffer.insert(kChannels[c], Imf::Slice::Make(Imf::FLOAT, base, window, xStride, yStride, 1, 1, 1.0));
  }
  return buffer;
}

} // namespace

Raster ReadExr(const std::string &path) {
  try {
    Imf::InputFile file(path.c_str());
    const Imf::Header &header = file.header();
    const Imath::Box2i window = header.dataWindow();
    const long long width = static_cast<long long>(window.max.x) - window.min.x + 1;
    const long long height = static_cast<long long>(window.max.y) - window.min.y + 1;
    CheckImageSize(path, width, height);
    for (int c = 0; c < 3; ++c) {
      const Imf::Channel *channel = header.channels().findChannel(kChannels[c]);
      if (!channel) throw Failure(ReadError(path, "OpenEXR file without R, G and B channels"));
      if (channel->xSampling != 1 || channel->ySampling != 1)
        throw Failure(ReadError(path, "OpenEXR file with subsampled channels"));
    }
    Raster raster(static_cast<int>(width), static_cast<int>(height), SampleKind::F32);
    Imf::FrameBuffer buffer = RgbaFrameBuffer(raster, window);
    file.setFrameBuffer(buffer);
    if (!file.isComplete()) throw Failure(ReadError(path, "truncated OpenEXR file"));
    file.readPixels(window.min.y, window.max.y);
    return raster;
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
    file.setFrameBuffer(RgbaFrameBuffer(pixels, header.dataWindow()));
    file.writePixels(raster.height);
  } catch (const std::exception &e) {
    throw Failure(WriteError(path, e.what()));
  }
}

} // namespace vcli
