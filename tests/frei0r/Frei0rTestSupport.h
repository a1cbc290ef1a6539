// Helpers of the frei0r edition's tests and benchmark: settings given both as
// frei0r values and as the host values they stand for (as the vortane tool
// takes them), applied to a frei0r instance, and test frames in frei0r's RGBA
// byte order.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "Frei0rApi.h"
#include "SyntheticFrame.h"

namespace f0rtest {

enum class SettingKind { Number, Color, Point };

struct Setting {
  std::string name;
  SettingKind kind;
  double f0r[3];  // bool and double: [0]; colour: r, g, b; position: x, y
  double host[3]; // checkbox, slider, popup: [0]; colour: 0 to 255; point: pixels
};

// A checkbox, slider or popup: its frei0r value and the host's value.
inline Setting Number(const std::string &name, double f0rValue, double hostValue) {
  return {name, SettingKind::Number, {f0rValue}, {hostValue}};
}
inline Setting Color(const std::string &name, int red, int green, int blue) {
  return {name, SettingKind::Color, {red / 255.0, green / 255.0, blue / 255.0}, {1.0 * red, 1.0 * green, 1.0 * blue}};
}
// A point at this fraction of a frame of width x height.
inline Setting Point(const std::string &name, double fx, double fy, int width, int height) {
  return {name, SettingKind::Point, {fx, fy}, {fx * width, fy * height}};
}

// Four colour groups on the synthetic cel scene (its colours, centres at the
// nearest 1/64 of the frame), with Master Blur Amount 4 and group 3 inverted.
inline std::vector<Setting> FourGroups(int width, int height) {
  const vemu::SyntheticScene scene = vemu::SyntheticCelScene(width, height);
  std::vector<Setting> settings = {Number("Master Blur Amount", 0.004, 4.0)};
  for (int g = 1; g <= 4; ++g) {
    const vemu::SyntheticGroup &group = scene.groups[g - 1];
    const std::string n = std::to_string(g) + " : ";
    settings.push_back(Number(n + "Enable Color Group", 1.0, 1.0));
    settings.push_back(Color(n + "Color A", group.colorA.red, group.colorA.green, group.colorA.blue));
    settings.push_back(Color(n + "Color B", group.colorB.red, group.colorB.green, group.colorB.blue));
    settings.push_back(Point(n + "Blur Center", std::round(group.centerX / width * 64.0) / 64.0,
                             std::round(group.centerY / height * 64.0) / 64.0, width, height));
    settings.push_back(Number(n + "Blur Amount", 0.0125 * g, 12.5 * g));
    settings.push_back(Number(n + "Range", 0.25, 25.0));
  }
  settings.push_back(Number("3 : Invert", 1.0, 1.0));
  settings.push_back(Number("2 : Softness", 0.25, 25.0));
  return settings;
}

// frei0r index of the parameter with this name; -1 when there is none.
inline int Frei0rIndex(const std::string &name) {
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  for (int i = 0; i < plugin.num_params; ++i) {
    f0r_param_info_t info;
    f0r_get_param_info(&info, i);
    if (name == info.name) return i;
  }
  return -1;
}

// Sets parameter index from up to three values as its type takes them: one
// number, a colour's channels or a position's coordinates.
inline void SetValue(f0r_instance_t instance, int index, const double (&values)[3]) {
  f0r_param_info_t info;
  f0r_get_param_info(&info, index);
  f0r_param_color_t color{static_cast<float>(values[0]), static_cast<float>(values[1]), static_cast<float>(values[2])};
  f0r_param_position_t position{values[0], values[1]}; // a number is its x
  f0r_set_param_value(instance, info.type == F0R_PARAM_COLOR ? static_cast<void *>(&color) : &position, index);
}

// Reads it back the same way.
inline std::vector<double> Value(f0r_instance_t instance, int index) {
  f0r_param_info_t info;
  f0r_get_param_info(&info, index);
  double v[3] = {-1, -1, -1};
  f0r_get_param_value(instance, v, index);
  f0r_param_color_t color;
  std::memcpy(&color, v, sizeof color);
  if (info.type == F0R_PARAM_COLOR) return {color.r, color.g, color.b};
  return std::vector<double>(v, v + (info.type == F0R_PARAM_POSITION ? 2 : 1));
}

inline void Apply(f0r_instance_t instance, const std::vector<Setting> &settings) {
  for (const Setting &s : settings) {
    const int index = Frei0rIndex(s.name);
    if (index < 0) throw std::runtime_error("no frei0r parameter named \"" + s.name + "\"");
    SetValue(instance, index, s.f0r);
  }
}

// The synthetic cel frame in RGBA bytes, with a band of part-transparent
// pixels across the top third; mirrored left to right when mirror is set.
inline std::vector<uint32_t> TestFrame(int width, int height, bool mirror = false) {
  const vemu::Image frame = vemu::SyntheticCelFrame(width, height);
  std::vector<uint32_t> rgba(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PF_Pixel &p = frame.at<PF_Pixel>(mirror ? width - 1 - x : x, y);
      const uint8_t alpha = y < height / 3 ? static_cast<uint8_t>(64 + (x * 191) / std::max(1, width - 1)) : p.alpha;
      const uint8_t bytes[4] = {p.red, p.green, p.blue, alpha};
      std::memcpy(&rgba[static_cast<size_t>(y) * width + x], bytes, 4);
    }
  }
  return rgba;
}

} // namespace f0rtest
