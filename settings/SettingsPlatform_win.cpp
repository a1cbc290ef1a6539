// The settings file on Windows: the roaming application-data folder and the
// system's own profile functions.
#include "SettingsPlatform.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

namespace SettingsPlatform {

const char kPathSeparator = '\\';

bool AppDataFolder(char *out, size_t size) {
  if (size == 0) return false;
  out[0] = '\0';
  char folder[MAX_PATH] = {};
  // The folder is only named, never created here.
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
  size_t length = std::strlen(folder);
  while (length > 0 && folder[length - 1] == '\\') folder[--length] = '\0';
  if (length == 0 || length >= size) return false;
  std::memcpy(out, folder, length + 1);
  return true;
}

A_long ProfileReadInt(const char *section, const char *key, A_long fallback, const char *path) {
  return static_cast<A_long>(GetPrivateProfileIntA(section, key, fallback, path));
}

void ProfileReadString(const char *section, const char *key, const char *fallback, char *out, size_t size,
                       const char *path) {
  if (size == 0) return;
  GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), path);
  out[size - 1] = '\0';
}

bool ProfileWriteString(const char *section, const char *key, const char *value, const char *path) {
  return WritePrivateProfileStringA(section, key, value, path) != 0;
}

bool CreateFolderTree(const char *folder) {
  const int result = SHCreateDirectoryExA(nullptr, folder, nullptr);
  return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS || result == ERROR_FILE_EXISTS;
}

bool DeleteFileAt(const char *path) { return DeleteFileA(path) != 0; }

bool RemoveEmptyFolder(const char *folder) { return RemoveDirectoryA(folder) != 0; }

} // namespace SettingsPlatform
