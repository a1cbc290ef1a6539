// The settings file of stored defaults: path, section, and the typed readers
// and writers over the platform's profile functions.
#include "SettingsFile.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SettingsPlatform.h"

const char kSettingsSectionName[] = "Version=1.0";

namespace {

// Process-wide; written only by parameter setup.
char gSection[kSettingsSectionSize] = "";

bool Usable(const char *path) { return path && path[0] && gSection[0]; }

// "name" followed by ".r" and so on; false when it would not fit.
bool ChannelKey(char (&key)[64], const char *name, const char *suffix) {
  const int n = std::snprintf(key, sizeof key, "%s%s", name, suffix);
  return n > 0 && static_cast<size_t>(n) < sizeof key;
}

void WriteKey(const char *name, const char *path, const char *text) {
  SettingsPlatform::ProfileWriteString(gSection, name, text, path);
}

// Position of the last separator of path, or nullptr.
char *LastSeparator(char *path) { return std::strrchr(path, SettingsPlatform::kPathSeparator); }

} // namespace

void SetSettingsSection(const char *name) {
  std::snprintf(gSection, sizeof gSection, "%s", name ? name : "");
}

const char *SettingsSection() { return gSection; }

bool GetSettingsFilePath(char (&out)[kSettingsPathSize]) {
  out[0] = '\0';
  char folder[kSettingsPathSize];
  if (!SettingsPlatform::AppDataFolder(folder, sizeof folder)) return false;
  const char s = SettingsPlatform::kPathSeparator;
  char path[kSettingsPathSize];
  const int n = std::snprintf(path, sizeof path, "%s%cTovra%cTandro%cT_Vortane.ini", folder, s, s, s);
  // A path that does not fit is refused whole, never cut.
  if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return false;
  std::memcpy(out, path, static_cast<size_t>(n) + 1);
  return true;
}

A_long ReadStoredInt(const char *name, const char *path, A_long fallback) {
  if (!Usable(path)) return fallback;
  return SettingsPlatform::ProfileReadInt(gSection, name, fallback, path);
}

double ReadStoredFloat(const char *name, const char *path, double fallback) {
  if (!Usable(path)) return fallback;
  char fallbackText[128];
  std::snprintf(fallbackText, sizeof fallbackText, "%f", fallback);
  char text[128];
  SettingsPlatform::ProfileReadString(gSection, name, fallbackText, text, sizeof text, path);
  return std::atof(text);
}

PF_Pixel ReadStoredColor(const char *name, const char *path, const PF_Pixel &fallback) {
  PF_Pixel color = fallback;
  char key[64];
  if (ChannelKey(key, name, ".r")) color.red = static_cast<A_u_char>(ReadStoredInt(key, path, fallback.red));
  if (ChannelKey(key, name, ".g")) color.green = static_cast<A_u_char>(ReadStoredInt(key, path, fallback.green));
  if (ChannelKey(key, name, ".b")) color.blue = static_cast<A_u_char>(ReadStoredInt(key, path, fallback.blue));
  return color;
}

void WriteStoredInt(const char *name, const char *path, A_long value) {
  if (!Usable(path)) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  WriteKey(name, path, text);
}

void WriteStoredFloat(const char *name, const char *path, double value) {
  if (!Usable(path)) return;
  // Room for every double in "%f": up to 309 integer digits, sign, decimal
  // separator (which may be several bytes in some locales) and six decimals.
  char text[DBL_MAX_10_EXP + 32];
  const int n = std::snprintf(text, sizeof text, "%f", value);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof text) return;
  WriteKey(name, path, text);
}

void WriteStoredColor(const char *name, const char *path, const PF_Pixel &color) {
  if (!Usable(path)) return;
  const struct {
    const char *suffix;
    A_u_char value;
  } channels[] = {{".r", color.red}, {".g", color.green}, {".b", color.blue}, {".a", color.alpha}};
  char key[64];
  for (const auto &c : channels)
    if (ChannelKey(key, name, c.suffix)) WriteStoredInt(key, path, c.value);
}

void CreateSettingsFolder(const char *path) {
  if (!path || !path[0]) return;
  char folder[kSettingsPathSize];
  std::snprintf(folder, sizeof folder, "%s", path);
  if (char *cut = LastSeparator(folder)) {
    *cut = '\0';
    SettingsPlatform::CreateFolderTree(folder);
  }
}

void DeleteSettingsFileAndFolders(const char *path) {
  if (!path || !path[0]) return;
  char appData[kSettingsPathSize];
  if (!SettingsPlatform::AppDataFolder(appData, sizeof appData)) return;
  SettingsPlatform::DeleteFileAt(path);
  char folder[kSettingsPathSize];
  std::snprintf(folder, sizeof folder, "%s", path);
  const size_t appDataLength = std::strlen(appData);
  for (char *cut = LastSeparator(folder); cut; cut = LastSeparator(folder)) {
    *cut = '\0';
    // Never the application-data folder itself, nor anything above it.
    if (std::strcmp(folder, appData) == 0 || std::strlen(folder) <= appDataLength) break;
    if (!SettingsPlatform::RemoveEmptyFolder(folder)) break;
  }
}
