// Parameter values from the command line and from preset files: names are
// the display names the plug-in registered, values are parsed and checked
// against the registered definitions (types, choices, valid ranges).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ParamCatalog.h"

namespace vcli {

using vemu::FormatNumber;
using vemu::IsDividerEntry;
using vemu::kPointMax;
using vemu::kPointMin;
using vemu::ParamName;
using vemu::ParamValue;

// The parameters as the plug-in registered them through add_param, found by
// name and given values as text.
class ParamCatalog : public vemu::ParamCatalog {
 public:
  explicit ParamCatalog(vemu::ParamCatalog registered) : vemu::ParamCatalog(std::move(registered)) {}

  // Host index of the parameter with this display name (compared without
  // regard to ASCII case); UsageError naming likely names when there is none.
  int find(const std::string &name) const;
  // Parses a value given as text for the parameter. fromPreset accepts a
  // decimal comma in slider values, as settings files written under such a
  // locale hold them. UsageError on malformed or out-of-range values.
  ParamValue parse(int index, const std::string &text, bool fromPreset = false) const;
  // "NAME=VALUE".
  ParamValue parseAssignment(const std::string &assignment) const;
};

// The values a preset file sets, in host index order: the stored-defaults
// INI format (section [Version=1.0], keys named like the parameters, colours
// as "NAME.r", "NAME.g", "NAME.b"), plus points as "NAME=x,y". Failure when
// the file cannot be read; UsageError for bad values or a file that sets no
// parameter.
std::vector<ParamValue> ReadPreset(const std::string &path, const ParamCatalog &catalog);

} // namespace vcli
