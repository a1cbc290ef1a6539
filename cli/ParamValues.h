// Parameter values from the command line and from preset files: names are
// the display names the plug-in registered, values are parsed and checked
// against the registered definitions (types, choices, valid ranges).
#pragma once

#include <string>
#include <vector>

#include "AEHost.h"
#include "Host.h"

namespace vcli {

// One value ready to be given to the host.
struct ParamValue {
  int index = 0;  // host index
  PF_ParamType type = PF_Param_NO_DATA;
  double number = 0.0;  // popup value, slider value, checkbox 0 or 1
  PF_Pixel color{};     // colour (alpha 255)
  double x = 0.0, y = 0.0;  // point, layer pixels at full resolution
};

// A point is held by the host as 16.16 fixed-point numbers.
constexpr double kPointMin = -32768.0;
constexpr double kPointMax = 32767.0;

// The shortest decimal text that reads back as the value, with '.' as the
// decimal separator whatever the process locale.
std::string FormatNumber(double value);
// The same for single precision (0.05f is "0.05").
std::string FormatNumber(float value);

// The display name of a definition.
std::string ParamName(const PF_ParamDef &def);
// Whether a popup entry is the divider line ("(-"), which cannot be chosen.
bool IsDividerEntry(const std::string &entry);

// The parameters as the plug-in registered them through add_param.
class ParamCatalog {
 public:
  ParamCatalog(std::vector<PF_ParamDef> defs, std::vector<std::string> choiceTexts);
  static ParamCatalog FromHost(const vemu::Host &host);

  int count() const { return static_cast<int>(defs_.size()); }
  // Host index 1 to count().
  const PF_ParamDef &def(int index) const { return defs_.at(static_cast<size_t>(index) - 1); }
  // The entries of a popup, first entry value 1.
  std::vector<std::string> popupEntries(int index) const;

  // Host index of the parameter with this display name (compared without
  // regard to ASCII case); UsageError naming likely names when there is none.
  int find(const std::string &name) const;
  // Parses a value given as text for the parameter. fromPreset accepts a
  // decimal comma in slider values, as settings files written under such a
  // locale hold them. UsageError on malformed or out-of-range values.
  ParamValue parse(int index, const std::string &text, bool fromPreset = false) const;
  // "NAME=VALUE".
  ParamValue parseAssignment(const std::string &assignment) const;

 private:
  std::vector<PF_ParamDef> defs_;
  std::vector<std::string> choiceTexts_;
};

// The values a preset file sets, in host index order: the stored-defaults
// INI format (section [Version=1.0], keys named like the parameters, colours
// as "NAME.r", "NAME.g", "NAME.b"), plus points as "NAME=x,y". Failure when
// the file cannot be read; UsageError for bad values or a file that sets no
// parameter.
std::vector<ParamValue> ReadPreset(const std::string &path, const ParamCatalog &catalog);

void ApplyValue(vemu::Host &host, const ParamValue &value);

} // namespace vcli
