// The throw-away application-data folder of the settings tests.
#include "SettingsSandbox.h"

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vtest {

namespace {
int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) { return std::remove(path); }
const char *const kSavedVariables[] = {"XDG_CONFIG_HOME", "HOME", "LC_ALL"};
} // namespace

void RemoveTree(const std::string &path) { nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string &path, const std::string &text) {
  for (size_t at = 1; at < path.size(); ++at)
    if (path[at] == '/') mkdir(path.substr(0, at).c_str(), 0700);
  std::ofstream(path, std::ios::binary) << text;
}

std::optional<std::string> SettingsSandbox::Save(const char *name) {
  const char *value = getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

void SettingsSandbox::Put(const char *name, const std::optional<std::string> &saved) {
  if (saved)
    setenv(name, saved->c_str(), 1);
  else
    unsetenv(name);
}

SettingsSandbox::SettingsSandbox() {
  for (const char *name : kSavedVariables) saved_.push_back(Save(name));
  char pattern[] = "/tmp/vortane-settings-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary settings folder");
  root_ = pattern;
  config_ = root_ + "/config";
  if (mkdir(config_.c_str(), 0700) != 0) throw std::runtime_error("cannot create " + config_);
  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
}

SettingsSandbox::~SettingsSandbox() {
  for (size_t i = 0; i < saved_.size(); ++i) Put(kSavedVariables[i], saved_[i]);
  RemoveTree(root_);
}

} // namespace vtest
