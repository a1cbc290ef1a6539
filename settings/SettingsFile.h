// The per-user settings file "T_Vortane.ini" of stored default parameter
// values: its path, its one section, and the readers and writers of the
// values by parameter type. Numbers use the process locale.
#pragma once

#include <cstddef>

#include "AEHost.h"

constexpr size_t kSettingsPathSize = 260;    // MAX_PATH, terminator included
constexpr size_t kSettingsSectionSize = 128;
// The section parameter setup selects on hosts that use stored defaults.
extern const char kSettingsSectionName[];    // "Version=1.0"

// The section every read and write uses; empty (the file is then neither read
// nor written) until parameter setup selects one. Longer names are cut to the
// 127 bytes the section buffer holds.
void SetSettingsSection(const char *name);
const char *SettingsSection();

// <application data>/Tovra/Tandro/T_Vortane.ini. False, with out empty, when
// the system cannot name the application-data folder or the path does not
// fit the buffer: such a file is neither read nor written.
bool GetSettingsFilePath(char (&out)[kSettingsPathSize]);

// Readers: the stored value of key `name`, or fallback when path is null, no
// section is selected, or the file, section or key is missing.
A_long ReadStoredInt(const char *name, const char *path, A_long fallback);
// The stored text converted by atof (text that is no number gives 0.0).
double ReadStoredFloat(const char *name, const char *path, double fallback);
// Red, green and blue from "name.r", "name.g", "name.b", each cut to 8 bits;
// alpha is the fallback's (it is never read).
PF_Pixel ReadStoredColor(const char *name, const char *path, const PF_Pixel &fallback);

// Writers: "%d", "%f" and the four channels "%d" under "name.r", ".g", ".b",
// ".a". Nothing happens when path is null or no section is selected.
void WriteStoredInt(const char *name, const char *path, A_long value);
void WriteStoredFloat(const char *name, const char *path, double value);
void WriteStoredColor(const char *name, const char *path, const PF_Pixel &color);

// Creates the folder of the settings file at path with every missing level.
void CreateSettingsFolder(const char *path);
// Deletes the settings file, then removes its folder and the folders above
// it while they are empty, stopping below the application-data folder.
void DeleteSettingsFileAndFolders(const char *path);
