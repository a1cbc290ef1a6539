// Parsing and checking parameter values by the registered definitions, and
// reading preset files.
#include "ParamValues.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "Errors.h"
#include "settings/SettingsFile.h"
#include "PresetFile.h"

namespace vcli {

using vemu::Split;

namespace {

std::string Trim(const std::string &text) {
  size_t begin = 0, end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A finite decimal number making up the whole text (blanks around allowed),
// independent of the process locale.
bool ParseNumber(const std::string &text, double *out) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  double value = 0.0;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != t.data() + t.size() || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

bool ParseInteger(const std::string &text, long *out) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  long value = 0;
  const auto result = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || result.ec != std::errc() || result.ptr != t.data() + t.size()) return false;
  *out = value;
  return true;
}

// The text in quotes for a one-line message: control bytes shown as \xNN,
// and a long text cut (at a character's start) and marked with "...".
std::string Quoted(const std::string &text) {
  constexpr size_t kShown = 60;
  size_t shown = text.size();
  if (shown > kShown) {
    shown = kShown;
    while (shown > 0 && (static_cast<unsigned char>(text[shown]) & 0xC0) == 0x80) --shown;
  }
  return "\"" + OneLine(text.substr(0, shown)) + (shown < text.size() ? "...\"" : "\"");
}

[[noreturn]] void Refuse(const PF_ParamDef &def, const std::string &problem) {
  throw UsageError(ParamName(def) + ": " + problem);
}

double ParseSlider(const PF_ParamDef &def, std::string text, bool fromPreset) {
  const PF_FloatSliderDef &s = def.u.fs_d;
  text = Trim(text);
  // A trailing percent sign is allowed on sliders shown as percent.
  if ((s.display_flags & PF_ValueDisplayFlag_PERCENT) && !text.empty() && text.back() == '%') text.pop_back();
  if (fromPreset && text.find(',') != std::string::npos && text.find('.') == std::string::npos)
    text[text.find(',')] = '.';
  double value;
  if (!ParseNumber(text, &value)) Refuse(def, Quoted(text) + " is not a number");
  if (value < s.valid_min || value > s.valid_max)
    Refuse(def, FormatNumber(value) + " is outside the valid range " + FormatNumber(s.valid_min) + " to " +
                    FormatNumber(s.valid_max));
  return value;
}

double ParseCheckbox(const PF_ParamDef &def, const std::string &text) {
  const std::string t = Lower(Trim(text));
  if (t == "1" || t == "on" || t == "true" || t == "yes") return 1.0;
  if (t == "0" || t == "off" || t == "false" || t == "no") return 0.0;
  Refuse(def, Quoted(text) + " is not on or off; use 1, 0, on or off");
}

// 0 to 255, or Refuse naming the channel.
A_u_char ParseChannel(const PF_ParamDef &def, const std::string &text, const char *channel) {
  long value;
  if (!ParseInteger(text, &value))
    Refuse(def, std::string(channel) + " " + Quoted(Trim(text)) + " is not a whole number 0 to 255");
  if (value < 0 || value > 255) Refuse(def, std::string(channel) + " " + std::to_string(value) + " is outside 0 to 255");
  return static_cast<A_u_char>(value);
}

PF_Pixel ParseColor(const PF_ParamDef &def, const std::string &text) {
  const std::string t = Trim(text);
  const char *usage = R"( is not a colour; use "r,g,b" (each 0 to 255) or "#rrggbb")";
  if (!t.empty() && t[0] == '#') {
    unsigned value = 0;
    const auto result = std::from_chars(t.data() + 1, t.data() + t.size(), value, 16);
    if (t.size() != 7 || result.ec != std::errc() || result.ptr != t.data() + t.size())
      Refuse(def, Quoted(t) + usage);
    return PF_Pixel{255, static_cast<A_u_char>(value >> 16), static_cast<A_u_char>(value >> 8),
                    static_cast<A_u_char>(value)};
  }
  const std::vector<std::string> parts = Split(t, ',');
  if (parts.size() != 3) Refuse(def, Quoted(t) + usage);
  return PF_Pixel{255, ParseChannel(def, parts[0], "red"), ParseChannel(def, parts[1], "green"),
                  ParseChannel(def, parts[2], "blue")};
}

void ParsePoint(const PF_ParamDef &def, const std::string &text, double *x, double *y) {
  const std::vector<std::string> parts = Split(Trim(text), ',');
  if (parts.size() != 2 || !ParseNumber(parts[0], x) || !ParseNumber(parts[1], y))
    Refuse(def, Quoted(Trim(text)) + " is not a point; use \"x,y\" in layer pixels");
  for (double v : {*x, *y})
    if (v < kPointMin || v > kPointMax)
      Refuse(def, FormatNumber(v) + " is outside the point range " + FormatNumber(kPointMin) + " to " +
                      FormatNumber(kPointMax));
}

} // namespace

int ParamCatalog::find(const std::string &name) const {
  const std::string wanted = Lower(Trim(name));
  for (int i = 1; i <= count(); ++i)
    if (!ParamName(def(i)).empty() && Lower(ParamName(def(i))) == wanted) return i;
  // Likely meant: names that contain the text, such as the group
  // parameters for a name given without its group number.
  std::string likely;
  int shown = 0;
  for (int i = 1; i <= count() && shown < 4; ++i) {
    const std::string candidate = ParamName(def(i));
    if (wanted.empty() || Lower(candidate).find(wanted) == std::string::npos) continue;
    likely += (shown++ ? ", " : "") + Quoted(candidate);
  }
  throw UsageError("unknown parameter " + Quoted(Trim(name)) + (shown ? "; did you mean " + likely + "?" : "") +
                   " (vortane params lists them)");
}

ParamValue ParamCatalog::parse(int index, const std::string &text, bool fromPreset) const {
  const PF_ParamDef &d = def(index);
  ParamValue value;
  value.index = index;
  value.type = d.param_type;
  switch (d.param_type) {
  case PF_Param_POPUP: {
    const std::vector<std::string> entries = popupEntries(index);
    long number = 0;
    bool found = ParseInteger(text, &number) && number >= 1 && number <= static_cast<long>(entries.size()) &&
                 !IsDividerEntry(entries[static_cast<size_t>(number) - 1]);
    for (size_t i = 0; i < entries.size() && !found; ++i) {
      if (IsDividerEntry(entries[i]) || Lower(entries[i]) != Lower(Trim(text))) continue;
      number = static_cast<long>(i) + 1;
      found = true;
    }
    if (!found) {
      std::string choices;
      for (size_t i = 0; i < entries.size(); ++i)
        if (!IsDividerEntry(entries[i])) choices += (choices.empty() ? "" : ", ") + std::to_string(i + 1) + " " + Quoted(entries[i]);
      Refuse(d, Quoted(Trim(text)) + " is not a choice; choose " + choices);
    }
    value.number = static_cast<double>(number);
    break;
  }
  case PF_Param_FLOAT_SLIDER: value.number = ParseSlider(d, text, fromPreset); break;
  case PF_Param_CHECKBOX: value.number = ParseCheckbox(d, text); break;
  case PF_Param_COLOR: value.color = ParseColor(d, text); break;
  case PF_Param_POINT: ParsePoint(d, text, &value.x, &value.y); break;
  case PF_Param_GROUP_START:
    throw UsageError(Quoted(ParamName(d)) + " is a group heading, not a value; the group's \"Enable Color Group\" "
                     "checkbox turns it on or off");
  default: Refuse(d, "cannot be set");
  }
  return value;
}

ParamValue ParamCatalog::parseAssignment(const std::string &assignment) const {
  const size_t equals = assignment.find('=');
  if (equals == std::string::npos)
    throw UsageError("--set " + Quoted(assignment) + ": expected NAME=VALUE, for example \"1 : Blur Amount=25\"");
  return parse(find(assignment.substr(0, equals)), assignment.substr(equals + 1));
}

std::vector<ParamValue> ReadPreset(const std::string &path, const ParamCatalog &catalog) {
  std::vector<std::string> keys;
  for (int i = 1; i <= catalog.count(); ++i) {
    const std::string name = ParamName(catalog.def(i));
    keys.push_back(name);
    if (catalog.def(i).param_type == PF_Param_COLOR)
      for (const char *channel : {".r", ".g", ".b"}) keys.push_back(name + channel);
  }
  const PresetFile preset(path, kSettingsSectionName, keys);
  const std::string *text = nullptr;
  auto lookup = [&](const std::string &key) { return (text = preset.find(key)) != nullptr; };
  std::vector<ParamValue> values;
  try {
    for (int i = 1; i <= catalog.count(); ++i) {
      const PF_ParamDef &d = catalog.def(i);
      const std::string name = ParamName(d);
      switch (d.param_type) {
      case PF_Param_POPUP:
      case PF_Param_FLOAT_SLIDER:
      case PF_Param_CHECKBOX:
      case PF_Param_POINT:
        if (lookup(name)) values.push_back(catalog.parse(i, *text, true));
        break;
      case PF_Param_COLOR: {
        // Channels missing from the file keep the registered default.
        ParamValue value;
        value.index = i;
        value.type = PF_Param_COLOR;
        value.color = d.u.cd.dephault;
        value.color.alpha = 255;
        bool any = false;
        const struct {
          const char *key, *channel;
          A_u_char *target;
        } channels[] = {{".r", "red", &value.color.red}, {".g", "green", &value.color.green},
                        {".b", "blue", &value.color.blue}};
        for (const auto &c : channels) {
          if (!lookup(name + c.key)) continue;
          *c.target = ParseChannel(d, *text, c.channel);
          any = true;
        }
        if (any) values.push_back(value);
        break;
      }
      default: break;
      }
    }
  } catch (const UsageError &e) {
    throw UsageError("preset " + path + ": " + e.what());
  }
  if (values.empty())
    throw UsageError("preset " + path + " sets no parameter: expected a [" + kSettingsSectionName +
                     "] section with keys named like the parameters (vortane params lists them)");
  return values;
}

} // namespace vcli
