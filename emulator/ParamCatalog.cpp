// Parameter names, popup entries and number texts from the registered
// definitions.
#include "ParamCatalog.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vemu {

namespace {

template <typename Number>
std::string Shortest(Number value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

} // namespace

std::string FormatNumber(double value) { return Shortest(value); }
std::string FormatNumber(float value) { return Shortest(value); }

std::vector<std::string> Split(const std::string &text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::string ParamName(const PF_ParamDef &def) { return std::string(def.name, strnlen(def.name, sizeof def.name)); }

bool IsDividerEntry(const std::string &entry) { return entry.rfind("(-", 0) == 0; }

ParamCatalog::ParamCatalog(std::vector<PF_ParamDef> defs, std::vector<std::string> choiceTexts)
    : defs_(std::move(defs)), choiceTexts_(std::move(choiceTexts)) {
  choiceTexts_.resize(defs_.size());
}

std::vector<std::string> ParamCatalog::popupEntries(int index) const {
  const PF_ParamDef &d = def(index);
  if (d.param_type != PF_Param_POPUP) return {};
  std::vector<std::string> entries = Split(choiceTexts_.at(static_cast<size_t>(index) - 1), '|');
  entries.resize(static_cast<size_t>(std::max<A_short>(d.u.pd.num_choices, 0)));
  return entries;
}

} // namespace vemu
