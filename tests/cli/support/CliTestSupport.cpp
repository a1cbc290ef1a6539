// Test folders, test rasters and running the vortane tool.
#include "CliTestSupport.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SyntheticFrame.h"

namespace clitest {

static std::string ShellQuoted(const std::string &text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::vector<std::string> TempDir::entries() const {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(path()))
    if (entry.path().filename() != "config") names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

vcli::Raster CelRaster(int width, int height, vcli::SampleKind kind) {
  return vcli::FromWorking(
      vemu::ConvertFrame(vemu::SyntheticCelFrame(width, height), vcli::DefaultWorkingFormat(kind)));
}

std::string ReadText(const std::string &path) {
  std::stringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

void WriteText(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

void Truncate(const std::string &path, long bytes) {
  std::filesystem::resize_file(path,
                               static_cast<uintmax_t>(bytes < 0 ? std::filesystem::file_size(path) + bytes : bytes));
}

ToolRun RunTool(const std::string &folder, const std::vector<std::string> &args, long addressSpaceMiB) {
  std::string command = "cd " + ShellQuoted(folder) + " && ";
#if !defined(__SANITIZE_ADDRESS__)
  if (addressSpaceMiB > 0) command += "ulimit -v " + std::to_string(addressSpaceMiB * 1024) + " && ";
#endif
  command += ShellQuoted(VORTANE_CLI_BINARY);
  for (const std::string &arg : args) command += " " + ShellQuoted(arg);
  const std::string out = folder + "/.tool-out", err = folder + "/.tool-err";
  command += " >" + ShellQuoted(out) + " 2>" + ShellQuoted(err);
  const int status = std::system(command.c_str());
  const ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

void ExpectRuns(const TempDir &dir, const std::vector<ToolCase> &cases, const std::vector<std::string> &lead,
                long addressSpaceMiB) {
  std::vector<std::string> files = dir.entries();
  for (const ToolCase &c : cases) {
    std::vector<std::string> args = lead;
    args.insert(args.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1].substr(0, 60) : ""));
    const ToolRun run = RunTool(dir.path(), args, addressSpaceMiB);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 0 ? 0 : 1) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    files.insert(files.end(), c.written.begin(), c.written.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(dir.entries(), files);
  }
}

} // namespace clitest
