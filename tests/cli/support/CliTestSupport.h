// Helpers of the vortane tool's tests: a temporary folder that is removed
// afterwards (and holds the user settings folder, so no stored defaults of
// the machine leak in), small test rasters, and running the tool itself.
#pragma once

#include <string>
#include <vector>

#include "SettingsSandbox.h"
#include "ValueMapping.h"

namespace clitest {

// The settings sandbox's folder: its "config" folder is the user settings
// folder while the test runs.
class TempDir {
 public:
  const std::string &path() const { return sandbox_.root(); }
  std::string file(const std::string &name) const { return path() + "/" + name; }
  // Names of the entries of the folder but "config", sorted.
  std::vector<std::string> entries() const;

 private:
  vtest::SettingsSandbox sandbox_;
};

// The synthetic cel frame, converted to the working depth of the kind, in
// file samples of the kind.
vcli::Raster CelRaster(int width, int height, vcli::SampleKind kind);

std::string ReadText(const std::string &path);
void WriteText(const std::string &path, const std::string &text);
// Keeps the first bytes of a file; a negative count cuts that many from its end.
void Truncate(const std::string &path, long bytes);

struct ToolRun {
  int status = -1;
  std::string out, err;
};
// Runs the vortane tool in folder; with addressSpaceMiB, under that limit on
// its address space (not under AddressSanitizer, whose shadow memory needs
// far more), so an allocation beyond it fails.
ToolRun RunTool(const std::string &folder, const std::vector<std::string> &args, long addressSpaceMiB = 0);

// A row of a table of runs: arguments after the table's leading ones, exit
// status, text of the one line printed on failure, files written.
struct ToolCase {
  std::vector<std::string> args;
  int status;
  std::string message;
  std::vector<std::string> written = {};
};
// Runs the cases in turn in dir, checking each one's status, its message (one
// line holding the text; nothing on success) and that the folder holds what
// it held and what the cases wrote, nothing else (no temporary or partial file).
void ExpectRuns(const TempDir &dir, const std::vector<ToolCase> &cases,
                const std::vector<std::string> &lead = {"render", "-q"}, long addressSpaceMiB = 0);

} // namespace clitest
