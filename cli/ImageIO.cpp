// Image files: the format chosen by content when reading and by extension
// when writing, the size limit, and writing through a temporary file that is
// renamed over the target only when it is complete.
#include "ImageIO.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <climits>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "Errors.h"
#include "HugePages.h"
#include "ImageCodecs.h"
#include "InputFile.h"

namespace vcli {

namespace {

std::string LowerExtension(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

std::string FolderOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string &path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// ---- the temporary file of the write in progress, for the interrupt handler ----
char pendingPath[4096];
volatile sig_atomic_t pendingActive = 0;

void OnInterrupt(int signal) {
  if (pendingActive) unlink(pendingPath);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

mode_t FileCreationMode() {
  static mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

// ".NAME.vortane-XXXXXX" beside the target, NAME cut (at a character's
// start) where the whole would be longer than a file name or a path may be,
// so every target the file system takes has a temporary file.
std::string TemporaryPath(const std::string &target) {
  static const std::string kTail = ".vortane-XXXXXX";
  const std::string folder = FolderOf(target), name = FileNameOf(target);
  const size_t fixed = 1 + kTail.size();
  const size_t nameRoom = std::max(FileNameLimit(target), fixed) - fixed;
  const size_t pathRoom = std::max<size_t>(PATH_MAX - 1, folder.size() + 1 + fixed) - (folder.size() + 1 + fixed);
  size_t keep = std::min({name.size(), nameRoom, pathRoom});
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  return folder + "/." + name.substr(0, keep) + kTail;
}

// A temporary file beside the target: removed unless committed.
class PendingFile {
 public:
  explicit PendingFile(const std::string &target) : target_(target) {
    FileCreationMode();
    path_ = TemporaryPath(target);
    const int fd = mkstemp(&path_[0]);
    if (fd < 0) throw Failure(WriteError(target, std::strerror(errno)));
    close(fd);
    if (path_.size() < sizeof pendingPath) {
      std::memcpy(pendingPath, path_.c_str(), path_.size() + 1);
      std::atomic_signal_fence(std::memory_order_seq_cst);
      pendingActive = 1;
    }
  }
  ~PendingFile() {
    pendingActive = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!committed_) unlink(path_.c_str());
  }
  PendingFile(const PendingFile &) = delete;
  PendingFile &operator=(const PendingFile &) = delete;

  const std::string &path() const { return path_; }
  void commit() {
    if (chmod(path_.c_str(), FileCreationMode()) != 0 || std::rename(path_.c_str(), target_.c_str()) != 0)
      throw Failure(WriteError(target_, std::strerror(errno)));
    committed_ = true;
  }

 private:
  std::string target_;
  std::string path_;
  bool committed_ = false;
};

} // namespace

std::string ReadError(const std::string &path, const std::string &what) { return "cannot read " + path + ": " + what; }
std::string WriteError(const std::string &path, const std::string &what) {
  return "cannot write " + path + ": " + what;
}

void CheckImageSize(const std::string &path, long long width, long long height, uint64_t maxPixels) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide)
    throw Failure(ReadError(path, "image size " + std::to_string(width) + " x " + std::to_string(height) +
                                      " is outside 1 to " + std::to_string(kMaxImageSide) + " pixels a side"));
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (pixels > maxPixels)
    throw Failure(ReadError(path, "image size " + std::to_string(width) + " x " + std::to_string(height) + " (" +
                                      std::to_string(pixels) + " pixels) is above the limit of " +
                                      std::to_string(maxPixels) + " pixels; --max-pixels raises it"));
}

uint64_t DefaultPixelLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return uint64_t{64} << 20;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 128;
}

size_t FileNameLimit(const std::string &path) {
  const long limit = pathconf(FolderOf(path).c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : 255;
}

GrowingRaster::GrowingRaster(int width, int height, SampleKind kind)
    : rowBytes_(static_cast<size_t>(width) * 4 * SampleBytes(kind)) {
  raster_.width = width;
  raster_.height = height;
  raster_.kind = kind;
}

uint8_t *GrowingRaster::add(int count) {
  count = std::min(count, raster_.height - rows_);
  const size_t first = static_cast<size_t>(rows_) * rowBytes_;
  const size_t needed = first + static_cast<size_t>(count) * rowBytes_;
  std::vector<uint8_t> &bytes = raster_.bytes;
  if (needed > bytes.capacity()) {
    const size_t whole = static_cast<size_t>(raster_.height) * rowBytes_;
    // From 8 MiB (a full-HD 8-bit frame at once; memory that is reserved
    // but not yet written costs address space only), doubling. New storage
    // is advised before the rows so far are copied into it.
    std::vector<uint8_t> grown;
    grown.reserve(std::min(whole, std::max({needed, bytes.capacity() * 2, size_t{8} << 20})));
    vemu::AdviseHugePages(grown.data(), grown.capacity());
    grown.assign(bytes.begin(), bytes.end());
    bytes.swap(grown);
  }
  bytes.resize(needed);
  rows_ += count;
  return bytes.data() + first;
}

Raster GrowingRaster::take() {
  if (rows_ != raster_.height) throw std::logic_error("raster taken before all its rows were read");
  return std::move(raster_);
}

FileFormat FormatOfPath(const std::string &path) {
  const std::string ext = LowerExtension(path);
  if (ext == "png") return FileFormat::Png;
  if (ext == "tif" || ext == "tiff") return FileFormat::Tiff;
  if (ext == "exr") return FileFormat::Exr;
  throw UsageError("cannot tell the format of " + path + " from its extension; use .png, .tif, .tiff or .exr");
}

const char *FormatName(FileFormat format) {
  switch (format) {
  case FileFormat::Png: return "PNG";
  case FileFormat::Tiff: return "TIFF";
  default: return "OpenEXR";
  }
}

bool FormatHolds(FileFormat format, SampleKind kind) {
  switch (format) {
  case FileFormat::Png: return kind != SampleKind::F32;
  case FileFormat::Tiff: return true;
  default: return kind == SampleKind::F32;
  }
}

void CheckFormatHolds(const std::string &path, SampleKind kind) {
  const FileFormat format = FormatOfPath(path);
  if (FormatHolds(format, kind)) return;
  if (format == FileFormat::Png)
    throw UsageError("PNG cannot hold 32-bit float output (" + path +
                     "): write TIFF or OpenEXR (.tif, .exr), or choose --depth 8 or 16");
  throw UsageError("OpenEXR holds float samples only, not " + std::to_string(SampleBits(kind)) + "-bit output (" +
                   path + "): write PNG or TIFF (.png, .tif), or choose --depth 32");
}

Raster ReadImage(const std::string &path) { return ReadImage(path, DefaultPixelLimit()); }

Raster ReadImage(const std::string &path, uint64_t maxPixels) {
  const InputFile file(path);
  unsigned char magic[4] = {0, 0, 0, 0};
  if (file.read(0, magic, sizeof magic) == 0) throw Failure(ReadError(path, "the file is empty"));
  try {
    if (magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G') return ReadPng(file, maxPixels);
    if ((magic[0] == 'I' && magic[1] == 'I' && (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
        (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43)))
      return ReadTiff(file, maxPixels);
    if (magic[0] == 0x76 && magic[1] == 0x2f && magic[2] == 0x31 && magic[3] == 0x01) return ReadExr(file, maxPixels);
  } catch (const std::bad_alloc &) {
    throw Failure(ReadError(path, "out of memory"));
  }
  throw Failure(ReadError(path, "not a PNG, TIFF or OpenEXR file"));
}

RowSource::RowSource(const Raster &raster)
    : raster_(&raster), width_(raster.width), height_(raster.height), kind_(raster.kind),
      rowBytes_(static_cast<size_t>(raster.width) * 4 * SampleBytes(raster.kind)) {}

RowSource::RowSource(const vemu::Image &working)
    : working_(&working), width_(working.width()), height_(working.height()),
      kind_(FileKindOfWorking(working.format())),
      rowBytes_(static_cast<size_t>(working.width()) * 4 * SampleBytes(kind_)) {}

const uint8_t *RowSource::row(int y, uint8_t *scratch) const {
  if (raster_) return raster_->bytes.data() + static_cast<size_t>(y) * rowBytes_;
  FileRowFromWorking(working_->row(y), working_->format(), width_, scratch);
  return scratch;
}

namespace {

// Writes through a temporary file renamed over the target when complete.
template <typename Write> void WriteThroughPending(const std::string &path, SampleKind kind, Write write) {
  const FileFormat format = FormatOfPath(path);
  CheckFormatHolds(path, kind);
  CheckOutputFolder(path);
  PendingFile pending(path);
  try {
    write(format, pending.path());
  } catch (const Failure &e) {
    // The message names the temporary file; name the target instead.
    std::string message = e.what();
    for (size_t at; (at = message.find(pending.path())) != std::string::npos;)
      message.replace(at, pending.path().size(), path);
    throw Failure(message);
  }
  pending.commit();
}

} // namespace

void WriteImage(const std::string &path, const Raster &raster) {
  WriteThroughPending(path, raster.kind, [&](FileFormat format, const std::string &file) {
    switch (format) {
    case FileFormat::Png: WritePng(file, RowSource(raster)); break;
    case FileFormat::Tiff: WriteTiff(file, raster); break;
    case FileFormat::Exr: WriteExr(file, raster); break;
    }
  });
}

void WriteImage(const std::string &path, const vemu::Image &working) {
  WriteThroughPending(path, FileKindOfWorking(working.format()), [&](FileFormat format, const std::string &file) {
    switch (format) {
    case FileFormat::Png: WritePng(file, RowSource(working)); break;
    case FileFormat::Tiff: WriteTiff(file, FromWorking(working)); break;
    case FileFormat::Exr: WriteExr(file, FromWorking(working)); break;
    }
  });
}

void CheckOutputFolder(const std::string &path) {
  const std::string folder = FolderOf(path);
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    throw Failure("output folder does not exist: " + folder);
}

void CheckOutputName(const std::string &path) {
  const size_t limit = FileNameLimit(path);
  if (FileNameOf(path).size() > limit)
    throw UsageError("cannot write " + path + ": the file name is longer than the " + std::to_string(limit) +
                     " bytes a file name can have there");
}

void InstallInterruptCleanup() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnInterrupt);
}

} // namespace vcli
