// What the settings file of stored defaults needs from the operating system:
// the application-data folder, profile (INI) reads and writes, and folder and
// file removal. Windows uses its own profile functions; Linux our INI module.
#pragma once

#include <cstddef>

#include "AEHost.h"

namespace SettingsPlatform {

// Separator of the folders in a path.
extern const char kPathSeparator;

// The user's application-data folder, without a trailing separator, copied
// into out (size bytes, terminator included). False, with out empty, when the
// system cannot name the folder or its name does not fit.
bool AppDataFolder(char *out, size_t size);

// The profile integer of key in section of the file at path; fallback when
// the file, the section or the key is missing or the value is empty.
A_long ProfileReadInt(const char *section, const char *key, A_long fallback, const char *path);
// The profile text of key (or fallback when it is missing), cut to size - 1
// bytes and terminated.
void ProfileReadString(const char *section, const char *key, const char *fallback, char *out, size_t size,
                       const char *path);
// Writes key=value into section: an existing key is replaced in place, a new
// one is appended to the section, a missing section to the file. The file is
// created when missing, its folder is not. False when nothing was written.
bool ProfileWriteString(const char *section, const char *key, const char *value, const char *path);

// Creates folder and every missing folder above it.
bool CreateFolderTree(const char *folder);
bool DeleteFileAt(const char *path);
// Removes folder if it is empty; false when it is not, or cannot be removed.
bool RemoveEmptyFolder(const char *folder);

} // namespace SettingsPlatform
