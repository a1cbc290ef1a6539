// The throw-away application-data folder of the settings tests.
#include "SettingsSandbox.h"

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vtest {

namespace {
int RemoveEntry(const char *path, const struct stat *, int, struct FTW *) { return std::remove(path); }
} // namespace

void RemoveTree(const std::string &path) { nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); }

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string &path, const std::string &text) {
  for (size_t at = 1; at < path.size(); ++at)
    if (path[at] == '/') mkdir(path.substr(0, at).c_str(), 0700);
  std::ofstream(path, std::ios::binary) << text;
}

SettingsSandbox::SavedVariable SettingsSandbox::Save(const char *name) {
  SavedVariable saved;
  if (const char *value = getenv(name)) {
    saved.set = true;
    saved.value = value;
  }
  return saved;
}

void SettingsSandbox::Put(const char *name, const SavedVariable &saved) {
  if (saved.set)
    setenv(name, saved.value.c_str(), 1);
  else
    unsetenv(name);
}

SettingsSandbox::SettingsSandbox() : configHome_(Save("XDG_CONFIG_HOME")), home_(Save("HOME")) {
  char pattern[] = "/tmp/vortane-settings-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary settings folder");
  root_ = pattern;
  config_ = root_ + "/config";
  if (mkdir(config_.c_str(), 0700) != 0) throw std::runtime_error("cannot create " + config_);
  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
}

SettingsSandbox::~SettingsSandbox() {
  Put("XDG_CONFIG_HOME", configHome_);
  Put("HOME", home_);
  RemoveTree(root_);
}

} // namespace vtest
