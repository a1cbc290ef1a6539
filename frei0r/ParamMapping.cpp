// The frei0r parameter table and the value mapping in both directions.
#include "ParamMapping.h"

#include <cmath>
#include <cstring>

#include "Frei0rApi.h"

namespace vfrei0r {

using vemu::FormatNumber;

namespace {

double Clamp(double value, double low, double high) { return value < low ? low : value > high ? high : value; }

bool EndsWith(const std::string &text, const char *end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

std::string SliderExplanation(const PF_ParamDef &def, const std::string &name) {
  const PF_FloatSliderDef &s = def.u.fs_d;
  // Blur lengths are in pixels of the full-size frame; the percent display
  // flag marks percentages.
  std::string unit;
  if (s.display_flags & PF_ValueDisplayFlag_PERCENT)
    unit = " %";
  else if (EndsWith(name, "Blur Amount"))
    unit = " pixels";
  return "0 to 1 is " + FormatNumber(s.valid_min) + " to " + FormatNumber(s.valid_max) + unit + " (default " +
         FormatNumber(s.dephault) + unit + ")";
}

MappedParam MapOne(const vemu::ParamCatalog &catalog, int hostIndex) {
  const PF_ParamDef &def = catalog.def(hostIndex);
  MappedParam p;
  p.hostIndex = hostIndex;
  p.name = vemu::ParamName(def);
  p.hostType = def.param_type;
  switch (def.param_type) {
  case PF_Param_CHECKBOX:
    p.type = F0R_PARAM_BOOL;
    p.explanation = std::string("on (1) or off (0); default ") + (def.u.bd.dephault ? "on" : "off");
    break;
  case PF_Param_FLOAT_SLIDER:
    p.type = F0R_PARAM_DOUBLE;
    p.min = def.u.fs_d.valid_min;
    p.max = def.u.fs_d.valid_max;
    p.explanation = SliderExplanation(def, p.name);
    break;
  case PF_Param_POPUP: {
    p.type = F0R_PARAM_DOUBLE;
    // The choices are spread evenly over [0, 1]; divider lines ("(-")
    // cannot be chosen and take no place.
    const std::vector<std::string> entries = catalog.popupEntries(hostIndex);
    std::vector<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (vemu::IsDividerEntry(entries[i])) continue;
      p.choices.push_back(static_cast<A_long>(i) + 1);
      names.push_back(entries[i]);
    }
    for (size_t i = 0; i < names.size(); ++i) {
      const double at = names.size() > 1 ? static_cast<double>(i) / static_cast<double>(names.size() - 1) : 0.0;
      p.explanation += (i ? ", " : "") + FormatNumber(at) + " " + names[i];
    }
    break;
  }
  case PF_Param_COLOR:
    p.type = F0R_PARAM_COLOR;
    p.explanation = "red, green and blue, each 0 to 1, rounded to 8 bits";
    break;
  case PF_Param_POINT:
    p.type = F0R_PARAM_POSITION;
    p.explanation = "position as a fraction of the frame's width and height (default " +
                    FormatNumber(def.u.td.x_dephault / 65536.0 / 100.0) + ", " +
                    FormatNumber(def.u.td.y_dephault / 65536.0 / 100.0) + "); may lie outside the frame";
    break;
  default: p.hostType = PF_Param_NO_DATA; break;
  }
  return p;
}

} // namespace

std::vector<MappedParam> MapParams(const vemu::ParamCatalog &catalog) {
  std::vector<MappedParam> mapped;
  for (int i = 1; i <= catalog.count(); ++i) {
    MappedParam p = MapOne(catalog, i);
    if (p.hostType != PF_Param_NO_DATA) mapped.push_back(std::move(p));
  }
  return mapped;
}

bool BoolFromFrei0r(double value, bool current) { return std::isnan(value) ? current : value >= 0.5; }

double SliderFromFrei0r(const MappedParam &param, double value, double current) {
  if (std::isnan(value)) return current;
  return param.min + Clamp(value, 0.0, 1.0) * (param.max - param.min);
}

A_long ChoiceFromFrei0r(const MappedParam &param, double value, A_long current) {
  if (std::isnan(value) || param.choices.empty()) return current;
  const double last = static_cast<double>(param.choices.size() - 1);
  return param.choices[static_cast<size_t>(std::round(Clamp(value, 0.0, 1.0) * last))];
}

PF_Pixel ColorFromFrei0r(float red, float green, float blue, PF_Pixel current) {
  auto channel = [](float v, A_u_char keep) {
    if (std::isnan(v)) return keep;
    return static_cast<A_u_char>(Clamp(v, 0.0, 1.0) * 255.0 + 0.5);
  };
  return PF_Pixel{255, channel(red, current.red), channel(green, current.green), channel(blue, current.blue)};
}

double FractionFromFrei0r(double value, int side, double current) {
  if (std::isnan(value)) return current;
  if (side <= 0) return Clamp(value, 0.0, 1.0);
  return Clamp(value, vemu::kPointMin / side, vemu::kPointMax / side);
}

double Frei0rFromBool(bool on) { return on ? 1.0 : 0.0; }

double Frei0rFromSlider(const MappedParam &param, double value) {
  if (!(param.max > param.min)) return 0.0;
  return Clamp((value - param.min) / (param.max - param.min), 0.0, 1.0);
}

double Frei0rFromChoice(const MappedParam &param, A_long value) {
  for (size_t i = 0; i < param.choices.size(); ++i)
    if (param.choices[i] == value)
      return param.choices.size() > 1 ? static_cast<double>(i) / static_cast<double>(param.choices.size() - 1) : 0.0;
  return 0.0;
}

float Frei0rFromChannel(A_u_char channel) { return channel / 255.0f; }

} // namespace vfrei0r
