// The frei0r parameter table and the value mapping in both directions.
#include "ParamMapping.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "Frei0rApi.h"

namespace vfrei0r {

namespace {

// The host holds a point as 16.16 fixed-point numbers.
constexpr double kPointMin = -32768.0;
constexpr double kPointMax = 32767.0;

double Clamp(double value, double low, double high) { return value < low ? low : value > high ? high : value; }

// The shortest text that reads back as the value.
std::string Number(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

bool EndsWith(const std::string &text, const char *end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

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

std::string SliderExplanation(const PF_ParamDef &def, const std::string &name) {
  const PF_FloatSliderDef &s = def.u.fs_d;
  // Blur lengths are in pixels of the full-size frame; the percent display
  // flag marks percentages.
  std::string unit;
  if (s.display_flags & PF_ValueDisplayFlag_PERCENT)
    unit = " %";
  else if (EndsWith(name, "Blur Amount"))
    unit = " pixels";
  return "0 to 1 is " + Number(s.valid_min) + " to " + Number(s.valid_max) + unit + " (default " +
         Number(s.dephault) + unit + ")";
}

MappedParam MapOne(const PF_ParamDef &def, const std::string &choiceText, int hostIndex) {
  MappedParam p;
  p.hostIndex = hostIndex;
  p.name.assign(def.name, strnlen(def.name, sizeof def.name));
  switch (def.param_type) {
  case PF_Param_CHECKBOX:
    p.kind = Kind::Bool;
    p.type = F0R_PARAM_BOOL;
    p.explanation = std::string("on (1) or off (0); default ") + (def.u.bd.dephault ? "on" : "off");
    break;
  case PF_Param_FLOAT_SLIDER:
    p.kind = Kind::Slider;
    p.type = F0R_PARAM_DOUBLE;
    p.min = def.u.fs_d.valid_min;
    p.max = def.u.fs_d.valid_max;
    p.explanation = SliderExplanation(def, p.name);
    break;
  case PF_Param_POPUP: {
    p.kind = Kind::Choice;
    p.type = F0R_PARAM_DOUBLE;
    // The choices are spread evenly over [0, 1]; divider lines ("(-")
    // cannot be chosen and take no place.
    std::vector<std::string> entries = Split(choiceText, '|');
    entries.resize(static_cast<size_t>(std::max<A_short>(def.u.pd.num_choices, 0)));
    std::vector<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].rfind("(-", 0) == 0) continue;
      p.choices.push_back(static_cast<A_long>(i) + 1);
      names.push_back(entries[i]);
    }
    for (size_t i = 0; i < names.size(); ++i) {
      const double at = names.size() > 1 ? static_cast<double>(i) / static_cast<double>(names.size() - 1) : 0.0;
      p.explanation += (i ? ", " : "") + Number(at) + " " + names[i];
    }
    break;
  }
  case PF_Param_COLOR:
    p.kind = Kind::Color;
    p.type = F0R_PARAM_COLOR;
    p.explanation = "red, green and blue, each 0 to 1, rounded to 8 bits";
    break;
  case PF_Param_POINT:
    p.kind = Kind::Position;
    p.type = F0R_PARAM_POSITION;
    p.explanation = "position as a fraction of the frame's width and height (default " +
                    Number(def.u.td.x_dephault / 65536.0 / 100.0) + ", " +
                    Number(def.u.td.y_dephault / 65536.0 / 100.0) + "); may lie outside the frame";
    break;
  default: break;
  }
  return p;
}

} // namespace

std::vector<MappedParam> MapParams(const std::vector<PF_ParamDef> &defs, const std::vector<std::string> &choiceTexts) {
  std::vector<MappedParam> mapped;
  for (size_t i = 0; i < defs.size(); ++i) {
    switch (defs[i].param_type) {
    case PF_Param_CHECKBOX:
    case PF_Param_FLOAT_SLIDER:
    case PF_Param_POPUP:
    case PF_Param_COLOR:
    case PF_Param_POINT:
      mapped.push_back(MapOne(defs[i], i < choiceTexts.size() ? choiceTexts[i] : std::string(), static_cast<int>(i) + 1));
      break;
    default: break;
    }
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
  return Clamp(value, kPointMin / side, kPointMax / side);
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
