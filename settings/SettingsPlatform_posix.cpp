// The settings file's folders on Linux: the application-data folder is
// $XDG_CONFIG_HOME, or ~/.config when that is unset (relative values are
// ignored, as the XDG base-directory rules ask).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SettingsPlatform.h"

namespace SettingsPlatform {

const char kPathSeparator = '/';

bool AppDataFolder(char *out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  std::string folder;
  const char *config = std::getenv("XDG_CONFIG_HOME");
  const char *home = std::getenv("HOME");
  if (config && config[0] == '/') {
    folder = config;
  } else if (home && home[0] == '/') {
    folder = home;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    folder += "/.config";
  } else {
    return false;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder == "/") folder.clear(); // the root: paths below it start with the separator
  if (folder.size() >= size) return false;
  std::memcpy(out, folder.c_str(), folder.size() + 1);
  return true;
}

bool CreateFolderTree(const char *folder) {
  std::string path(folder);
  if (path.empty()) return false;
  // Every level from the top; levels that exist are passed over.
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    const std::string level = path.substr(0, at);
    if (mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat info;
  return stat(folder, &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFileAt(const char *path) { return unlink(path) == 0; }

bool RemoveEmptyFolder(const char *folder) { return rmdir(folder) == 0; }

} // namespace SettingsPlatform
