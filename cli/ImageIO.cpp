// Image files: the format chosen by content when reading and by extension
// when writing, the size limit, and writing through a temporary file that is
// renamed over the target only when it is complete.
#include "ImageIO.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "Errors.h"
#include "ImageCodecs.h"

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

// A temporary file beside the target: removed unless committed.
class PendingFile {
 public:
  explicit PendingFile(const std::string &target) : target_(target) {
    FileCreationMode();
    path_ = FolderOf(target) + "/." + FileNameOf(target) + ".vortane-XXXXXX";
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

void CheckImageSize(const std::string &path, long long width, long long height) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide)
    throw Failure(ReadError(path, "image size " + std::to_string(width) + " x " + std::to_string(height) +
                                      " is outside 1 to " + std::to_string(kMaxImageSide) + " pixels a side"));
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

Raster ReadImage(const std::string &path) {
  unsigned char magic[4] = {0, 0, 0, 0};
  struct stat info;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) throw Failure(ReadError(path, "it is a folder"));
  {
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) throw Failure(ReadError(path, std::strerror(errno)));
    const size_t n = std::fread(magic, 1, sizeof magic, file);
    std::fclose(file);
    if (n == 0) throw Failure(ReadError(path, "the file is empty"));
  }
  try {
    if (magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G') return ReadPng(path);
    if ((magic[0] == 'I' && magic[1] == 'I' && (magic[2] == 42 || magic[2] == 43) && magic[3] == 0) ||
        (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && (magic[3] == 42 || magic[3] == 43)))
      return ReadTiff(path);
    if (magic[0] == 0x76 && magic[1] == 0x2f && magic[2] == 0x31 && magic[3] == 0x01) return ReadExr(path);
  } catch (const std::bad_alloc &) {
    throw Failure(ReadError(path, "out of memory"));
  }
  throw Failure(ReadError(path, "not a PNG, TIFF or OpenEXR file"));
}

void WriteImage(const std::string &path, const Raster &raster) {
  const FileFormat format = FormatOfPath(path);
  CheckFormatHolds(path, raster.kind);
  CheckOutputFolder(path);
  PendingFile pending(path);
  try {
    switch (format) {
    case FileFormat::Png: WritePng(pending.path(), raster); break;
    case FileFormat::Tiff: WriteTiff(pending.path(), raster); break;
    case FileFormat::Exr: WriteExr(pending.path(), raster); break;
    }
  } catch (const Failure &e) {
    // The message names the temporary file; name the target instead.
    std::string message = e.what();
    for (size_t at; (at = message.find(pending.path())) != std::string::npos;)
      message.replace(at, pending.path().size(), path);
    throw Failure(message);
  }
  pending.commit();
}

void CheckOutputFolder(const std::string &path) {
  const std::string folder = FolderOf(path);
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    throw Failure("output folder does not exist: " + folder);
}

void InstallInterruptCleanup() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnInterrupt);
}

} // namespace vcli
