// Emulator images and the registry of world formats.
#include "Image.h"

#include "HugePages.h"

#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>

namespace vemu {

namespace {
std::mutex &registryMutex() {
  static std::mutex m;
  return m;
}
std::map<const void *, PF_PixelFormat> &registry() {
  static auto *r = new std::map<const void *, PF_PixelFormat>();
  return *r;
}
} // namespace

int BytesPerPixel(PF_PixelFormat format) {
  switch (format) {
  case PF_PixelFormat_ARGB32:
  case PF_PixelFormat_BGRA32: // a format the effect does not render
    return 4;
  case PF_PixelFormat_ARGB64:
    return 8;
  case PF_PixelFormat_ARGB128:
    return 16;
  default:
    return 0;
  }
}

void RegisterWorldData(const void *data, PF_PixelFormat format) {
  std::lock_guard<std::mutex> lock(registryMutex());
  registry()[data] = format;
}

void UnregisterWorldData(const void *data) {
  std::lock_guard<std::mutex> lock(registryMutex());
  registry().erase(data);
}

bool LookupWorldFormat(const void *data, PF_PixelFormat *format) {
  std::lock_guard<std::mutex> lock(registryMutex());
  auto it = registry().find(data);
  if (it == registry().end()) return false;
  *format = it->second;
  return true;
}

Image::Image(int width, int height, PF_PixelFormat format, int rowPadBytes) : format_(format), rowPad_(rowPadBytes) {
  if (BytesPerPixel(format) == 0) throw std::invalid_argument("unsupported pixel format");
  if (width < 0 || height < 0) throw std::invalid_argument("negative image size");
  describe(width, height, rowPadBytes);
}

Image::Image(const Image &other) : format_(other.format_), rowPad_(other.rowPad_) {
  describe(other.width(), other.height(), other.rowPad_);
  data_ = other.data_;
  world_.origin_x = other.world_.origin_x;
  world_.origin_y = other.world_.origin_y;
}

Image &Image::operator=(const Image &other) {
  if (this != &other) {
    UnregisterWorldData(data_.data());
    format_ = other.format_;
    rowPad_ = other.rowPad_;
    describe(other.width(), other.height(), other.rowPad_);
    std::memcpy(data_.data(), other.data_.data(), data_.size());
    world_.origin_x = other.world_.origin_x;
    world_.origin_y = other.world_.origin_y;
  }
  return *this;
}

Image::~Image() { UnregisterWorldData(data_.data()); }

void Image::describe(int width, int height, int rowPadBytes) {
  const int bpp = BytesPerPixel(format_);
  int rowbytes = width * bpp + (rowPadBytes > 0 ? rowPadBytes : 0);
  rowbytes = (rowbytes + 15) / 16 * 16;
  if (rowbytes == 0) rowbytes = 16;
  const size_t bytes = static_cast<size_t>(rowbytes) * (height > 0 ? height : 1);
  if (data_.capacity() < bytes) {
    std::vector<uint8_t>().swap(data_);
    data_.reserve(bytes);
    AdviseHugePages(data_.data(), bytes);
  }
  data_.assign(bytes, 0);
  std::memset(&world_, 0, sizeof world_);
  world_.world_flags = PF_WorldFlag_WRITEABLE | (format_ == PF_PixelFormat_ARGB64 ? PF_WorldFlag_DEEP : 0);
  world_.data = reinterpret_cast<PF_PixelPtr>(data_.data());
  world_.rowbytes = rowbytes;
  world_.width = width;
  world_.height = height;
  world_.extent_hint = {0, 0, width, height};
  world_.pix_aspect_ratio = {1, 1};
  RegisterWorldData(data_.data(), format_);
}

std::vector<uint8_t> Image::pixelBytes() const {
  const size_t rowLen = static_cast<size_t>(width()) * BytesPerPixel(format_);
  std::vector<uint8_t> out(rowLen * height());
  for (int y = 0; y < height(); ++y) std::memcpy(out.data() + rowLen * y, row(y), rowLen);
  return out;
}

bool Image::samePixels(const Image &other) const { return differingPixels(other) == 0; }

long Image::differingPixels(const Image &other, int *firstX, int *firstY) const {
  if (format_ != other.format_ || width() != other.width() || height() != other.height()) return -1;
  const int bpp = BytesPerPixel(format_);
  long count = 0;
  for (int y = 0; y < height(); ++y) {
    for (int x = 0; x < width(); ++x) {
      if (std::memcmp(row(y) + x * bpp, other.row(y) + x * bpp, bpp) != 0) {
        if (count == 0) {
          if (firstX) *firstX = x;
          if (firstY) *firstY = y;
        }
        ++count;
      }
    }
  }
  return count;
}

void Image::fillBytes(const void *pixel) {
  const int bpp = BytesPerPixel(format_);
  for (int y = 0; y < height(); ++y)
    for (int x = 0; x < width(); ++x) std::memcpy(row(y) + x * bpp, pixel, bpp);
}

} // namespace vemu
