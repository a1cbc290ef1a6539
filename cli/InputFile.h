// Opening the files the tool reads (images and presets): only regular files
// are taken, so a folder, a named pipe or a device is refused at once with
// what it is, instead of blocking or reading as empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vcli {

class InputFile {
 public:
  // Opens path for reading. Failure "cannot read [kind ]PATH: PROBLEM" when
  // it cannot be opened or is not a regular file; kind ("preset") names what
  // the file is for, or is empty for an image.
  InputFile(const std::string &path, const std::string &kind = "");
  ~InputFile();
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;

  const std::string &path() const { return path_; }
  int fd() const { return fd_; }
  // The size when it was opened, in bytes.
  uint64_t size() const { return size_; }
  // A new descriptor of the same open file, for a library that closes the
  // one it is given; -1 when none is left.
  int duplicate() const;
  // Reads up to size bytes at offset; fewer only at the end of the file.
  // Failure on a read error.
  size_t read(uint64_t offset, void *buffer, size_t size) const;

 private:
  std::string path_;
  std::string what_;  // "cannot read [kind ]PATH: "
  int fd_ = -1;
  uint64_t size_ = 0;
};

} // namespace vcli
