// Opening inputs without blocking on what is not a regular file: the path is
// looked at first (opening some devices has effects), then opened without
// waiting and looked at again, so what was opened is what was checked.
#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Errors.h"

namespace vcli {

namespace {

// What a path that is not a regular file is, for the message.
const char *KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a folder";
  if (S_ISFIFO(mode)) return "it is a named pipe, not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  if (S_ISCHR(mode)) return "it is a character device, not a file";
  if (S_ISBLK(mode)) return "it is a block device, not a file";
  return "it is not a regular file";
}

} // namespace

InputFile::InputFile(const std::string &path, const std::string &kind)
    : path_(path), what_("cannot read " + (kind.empty() ? "" : kind + " ") + path + ": ") {
  const std::string &what = what_;
  struct stat info;
  if (stat(path.c_str(), &info) != 0) throw Failure(what + std::strerror(errno));
  if (!S_ISREG(info.st_mode)) throw Failure(what + KindOf(info.st_mode));
  fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw Failure(what + std::strerror(errno));
  if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    const std::string problem = fstat(fd_, &info) != 0 ? std::strerror(errno) : KindOf(info.st_mode);
    close(fd_);
    throw Failure(what + problem);
  }
  // Reads of a regular file do not wait either way; blocking reads keep the
  // libraries' error handling simple.
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  size_ = static_cast<uint64_t>(info.st_size);
}

InputFile::~InputFile() {
  if (fd_ >= 0) close(fd_);
}

int InputFile::duplicate() const { return fcntl(fd_, F_DUPFD_CLOEXEC, 0); }

size_t InputFile::read(uint64_t offset, void *buffer, size_t size) const {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pread(fd_, static_cast<char *>(buffer) + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Failure(what_ + std::strerror(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

} // namespace vcli
