// `vortane params`: every parameter as the plug-in registered it through
// add_param (host index, disk id, type, default, ranges), as a table or as
// JSON. Defaults include the user's stored defaults, as a host sees them.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "EffectInstance.h"

namespace vcli {

namespace {

const char *TypeName(PF_ParamType type) {
  switch (type) {
  case PF_Param_POPUP: return "popup";
  case PF_Param_FLOAT_SLIDER: return "float slider";
  case PF_Param_CHECKBOX: return "checkbox";
  case PF_Param_COLOR: return "color";
  case PF_Param_POINT: return "point";
  case PF_Param_GROUP_START: return "group start";
  case PF_Param_GROUP_END: return "group end";
  default: return "other";
  }
}

double PointPercent(PF_Fixed value) { return value / 65536.0; }

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Range(float low, float high) { return FormatNumber(low) + " to " + FormatNumber(high); }

// The default as the table shows it, and its extra column (ranges or
// choices).
void Describe(const ParamCatalog &catalog, int index, std::string *dephault, std::string *ranges) {
  const PF_ParamDef &d = catalog.def(index);
  switch (d.param_type) {
  case PF_Param_POPUP: {
    const std::vector<std::string> entries = catalog.popupEntries(index);
    const size_t chosen = static_cast<size_t>(d.u.pd.dephault);
    *dephault = std::to_string(d.u.pd.dephault) +
                (chosen >= 1 && chosen <= entries.size() ? " (" + entries[chosen - 1] + ")" : "");
    for (size_t i = 0; i < entries.size(); ++i)
      if (!IsDividerEntry(entries[i])) *ranges += (ranges->empty() ? "" : ", ") + std::to_string(i + 1) + " " + entries[i];
    break;
  }
  case PF_Param_FLOAT_SLIDER: {
    const PF_FloatSliderDef &s = d.u.fs_d;
    const bool percent = (s.display_flags & PF_ValueDisplayFlag_PERCENT) != 0;
    *dephault = FormatNumber(s.dephault) + (percent ? " %" : "");
    *ranges = "valid " + Range(s.valid_min, s.valid_max) + ", slider " + Range(s.slider_min, s.slider_max);
    break;
  }
  case PF_Param_CHECKBOX:
    *dephault = d.u.bd.dephault ? "on" : "off";
    *ranges = "on or off";
    break;
  case PF_Param_COLOR: {
    const PF_Pixel &c = d.u.cd.dephault;
    *dephault = std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
    *ranges = "red, green, blue 0 to 255";
    break;
  }
  case PF_Param_POINT:
    *dephault = FormatNumber(PointPercent(d.u.td.x_dephault)) + " %, " +
                FormatNumber(PointPercent(d.u.td.y_dephault)) + " % of the layer";
    *ranges = "x,y in layer pixels";
    break;
  default: break;
  }
}

std::string JsonObject(const ParamCatalog &catalog, int index) {
  const PF_ParamDef &d = catalog.def(index);
  std::string o = "{\"index\": " + std::to_string(index) + ", \"id\": " + std::to_string(d.uu.id) +
                  ", \"type\": " + JsonString(TypeName(d.param_type)) + ", \"name\": " + JsonString(ParamName(d)) +
                  ", \"flags\": " + std::to_string(d.flags);
  switch (d.param_type) {
  case PF_Param_POPUP: {
    o += ", \"default\": " + std::to_string(d.u.pd.dephault) + ", \"choices\": [";
    const std::vector<std::string> entries = catalog.popupEntries(index);
    for (size_t i = 0; i < entries.size(); ++i) o += (i ? ", " : "") + JsonString(entries[i]);
    o += "]";
    break;
  }
  case PF_Param_FLOAT_SLIDER: {
    const PF_FloatSliderDef &s = d.u.fs_d;
    o += ", \"default\": " + FormatNumber(s.dephault) + ", \"valid_min\": " + FormatNumber(s.valid_min) +
         ", \"valid_max\": " + FormatNumber(s.valid_max) + ", \"slider_min\": " + FormatNumber(s.slider_min) +
         ", \"slider_max\": " + FormatNumber(s.slider_max) + ", \"precision\": " + std::to_string(s.precision) +
         ", \"percent\": " + ((s.display_flags & PF_ValueDisplayFlag_PERCENT) ? "true" : "false");
    break;
  }
  case PF_Param_CHECKBOX: o += std::string(", \"default\": ") + (d.u.bd.dephault ? "true" : "false"); break;
  case PF_Param_COLOR: {
    const PF_Pixel &c = d.u.cd.dephault;
    o += ", \"default\": {\"red\": " + std::to_string(c.red) + ", \"green\": " + std::to_string(c.green) +
         ", \"blue\": " + std::to_string(c.blue) + "}";
    break;
  }
  case PF_Param_POINT:
    o += ", \"default\": {\"x_percent\": " + FormatNumber(PointPercent(d.u.td.x_dephault)) +
         ", \"y_percent\": " + FormatNumber(PointPercent(d.u.td.y_dephault)) + "}";
    break;
  default: break;
  }
  return o + "}";
}

} // namespace

int RunParams(bool json, std::FILE *out) {
  EffectInstance instance(1);
  const ParamCatalog &catalog = instance.catalog();
  if (json) {
    std::fprintf(out, "[\n");
    for (int i = 1; i <= catalog.count(); ++i)
      std::fprintf(out, "  %s%s\n", JsonObject(catalog, i).c_str(), i < catalog.count() ? "," : "");
    std::fprintf(out, "]\n");
    return 0;
  }
  std::fprintf(out, "%5s %4s  %-12s  %-26s  %-24s  %s\n", "index", "id", "type", "name", "default", "range");
  for (int i = 1; i <= catalog.count(); ++i) {
    const PF_ParamDef &d = catalog.def(i);
    std::string dephault, ranges;
    Describe(catalog, i, &dephault, &ranges);
    std::fprintf(out, "%5d %4d  %-12s  %-26s  %-24s  %s\n", i, static_cast<int>(d.uu.id), TypeName(d.param_type),
                 ParamName(d).c_str(), dephault.c_str(), ranges.c_str());
  }
  return 0;
}

} // namespace vcli
