// A throw-away application-data folder for tests that register parameters or
// store defaults, so that no test reads or writes the user's own settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vtest {

// Creates /tmp/vortane-settings-XXXXXX with a "config" folder inside and
// points XDG_CONFIG_HOME at that folder; on destruction puts XDG_CONFIG_HOME,
// HOME and LC_ALL back as they were and removes the whole tree.
class SettingsSandbox {
 public:
  SettingsSandbox();
  ~SettingsSandbox();
  SettingsSandbox(const SettingsSandbox &) = delete;
  SettingsSandbox &operator=(const SettingsSandbox &) = delete;

  const std::string &root() const { return root_; }
  const std::string &config() const { return config_; }
  // Where the plug-in keeps its settings file in this sandbox.
  std::string settingsPath() const { return config_ + "/Tovra/Tandro/T_Vortane.ini"; }

 private:
  static std::optional<std::string> Save(const char *name);
  static void Put(const char *name, const std::optional<std::string> &saved);

  std::string root_, config_;
  std::vector<std::optional<std::string>> saved_; // of kSavedVariables
};

// Removes path and everything below it.
void RemoveTree(const std::string &path);

// Whole files for the settings tests: whether path exists, its bytes ("" when
// missing), and writing it with any missing folders made first.
bool Exists(const std::string &path);
std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &text);

} // namespace vtest
