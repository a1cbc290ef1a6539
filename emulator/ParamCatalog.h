// The parameters as the plug-in registered them, and a value typed for one of
// them: what the vortane tool and the frei0r edition both read their
// parameter names, popup entries and ranges from.
#pragma once

#include <string>
#include <vector>

#include "AEHost.h"

namespace vemu {

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

// The parts of a text between separators (one part when there is none).
std::vector<std::string> Split(const std::string &text, char separator);
// The display name of a definition.
std::string ParamName(const PF_ParamDef &def);
// Whether a popup entry is the divider line ("(-"), which cannot be chosen.
bool IsDividerEntry(const std::string &entry);

class ParamCatalog {
 public:
  // choiceTexts: one text per definition, a popup's entries separated by '|'.
  ParamCatalog(std::vector<PF_ParamDef> defs, std::vector<std::string> choiceTexts);

  int count() const { return static_cast<int>(defs_.size()); }
  // Host index 1 to count().
  const PF_ParamDef &def(int index) const { return defs_.at(static_cast<size_t>(index) - 1); }
  // The entries of a popup, first entry value 1; empty for other types.
  std::vector<std::string> popupEntries(int index) const;

 private:
  std::vector<PF_ParamDef> defs_;
  std::vector<std::string> choiceTexts_;
};

} // namespace vemu
