// Test folders, test rasters and running the vortane tool.
#include "CliTestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "SyntheticFrame.h"

namespace clitest {

namespace {

std::string ShellQuoted(const std::string &text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

} // namespace

std::vector<std::string> TempDir::entries() const {
  std::vector<std::string> names;
  if (DIR *dir = opendir(path().c_str())) {
    while (const dirent *entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != ".." && name != "config") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

vcli::Raster CelRaster(int width, int height, vcli::SampleKind kind) {
  const vemu::Image frame = vemu::SyntheticCelFrame(width, height);
  vcli::Raster raster(width, height, kind);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PF_Pixel &p = frame.at<PF_Pixel>(x, y);
      const uint8_t rgba[4] = {p.red, p.green, p.blue, p.alpha};
      for (int c = 0; c < 4; ++c) {
        const size_t i = (static_cast<size_t>(y) * width + x) * 4 + c;
        if (kind == vcli::SampleKind::U8) raster.setSample<uint8_t>(i, rgba[c]);
        else if (kind == vcli::SampleKind::U16) raster.setSample<uint16_t>(i, static_cast<uint16_t>(rgba[c] * 257));
        else raster.setSample<float>(i, rgba[c] / 255.0f);
      }
    }
  }
  return raster;
}

bool FileExists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteText(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

void Truncate(const std::string &path, long bytes) {
  if (truncate(path.c_str(), bytes) != 0) throw std::runtime_error("truncate failed: " + path);
}

long FileSize(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

std::string ReadAll(std::FILE *file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  return text;
}

bool CanLimitAddressSpace() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#else
  return true;
#endif
}

ToolRun RunTool(const std::string &folder, const std::vector<std::string> &args, long addressSpaceMiB) {
  std::string command = "cd " + ShellQuoted(folder) + " && ";
  if (addressSpaceMiB > 0 && CanLimitAddressSpace())
    command += "ulimit -v " + std::to_string(addressSpaceMiB * 1024) + " && ";
  command += ShellQuoted(VORTANE_CLI_BINARY);
  for (const std::string &arg : args) command += " " + ShellQuoted(arg);
  const std::string out = folder + "/.tool-out", err = folder + "/.tool-err";
  command += " >" + ShellQuoted(out) + " 2>" + ShellQuoted(err);
  ToolRun run;
  const int status = std::system(command.c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadText(out);
  run.err = ReadText(err);
  unlink(out.c_str());
  unlink(err.c_str());
  return run;
}

} // namespace clitest
