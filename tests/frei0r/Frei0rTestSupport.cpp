// Settings, frames and reference renders of the frei0r tests.
#include "Frei0rTestSupport.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "EffectParams.h"
#include "SyntheticFrame.h"
#include "TestSupport.h"

namespace f0rtest {

Setting Number(const std::string &name, double f0rValue, double hostValue) {
  Setting s;
  s.name = name;
  s.f0r[0] = f0rValue;
  s.host[0] = hostValue;
  return s;
}

Setting Color(const std::string &name, int red, int green, int blue) {
  Setting s;
  s.name = name;
  s.kind = SettingKind::Color;
  const int rgb[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c) {
    s.f0r[c] = rgb[c] / 255.0;
    s.host[c] = rgb[c];
  }
  return s;
}

Setting Point(const std::string &name, double fx, double fy, int width, int height) {
  Setting s;
  s.name = name;
  s.kind = SettingKind::Point;
  s.f0r[0] = fx;
  s.f0r[1] = fy;
  s.host[0] = fx * width;
  s.host[1] = fy * height;
  return s;
}

std::vector<Setting> FourGroups(int width, int height) {
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

int Frei0rIndex(const std::string &name) {
  f0r_plugin_info_t plugin;
  f0r_get_plugin_info(&plugin);
  for (int i = 0; i < plugin.num_params; ++i) {
    f0r_param_info_t info;
    f0r_get_param_info(&info, i);
    if (name == info.name) return i;
  }
  return -1;
}

void Apply(f0r_instance_t instance, const std::vector<Setting> &settings) {
  for (const Setting &s : settings) {
    const int index = Frei0rIndex(s.name);
    if (index < 0) throw std::runtime_error("no frei0r parameter named \"" + s.name + "\"");
    if (s.kind == SettingKind::Color) {
      f0r_param_color_t c{static_cast<float>(s.f0r[0]), static_cast<float>(s.f0r[1]), static_cast<float>(s.f0r[2])};
      f0r_set_param_value(instance, &c, index);
    } else if (s.kind == SettingKind::Point) {
      f0r_param_position_t p{s.f0r[0], s.f0r[1]};
      f0r_set_param_value(instance, &p, index);
    } else {
      double v = s.f0r[0];
      f0r_set_param_value(instance, &v, index);
    }
  }
}

void Apply(vemu::Host &host, const std::vector<Setting> &settings) {
  for (const Setting &s : settings) {
    const int index = vtest::ParamIndex(host, s.name);
    switch (host.paramValue(index).param_type) {
    case PF_Param_CHECKBOX: host.setCheckbox(index, s.host[0] != 0.0); break;
    case PF_Param_FLOAT_SLIDER: host.setFloat(index, s.host[0]); break;
    case PF_Param_POPUP: host.setPopup(index, static_cast<A_long>(s.host[0])); break;
    case PF_Param_COLOR:
      host.setColor(index, static_cast<A_u_char>(s.host[0]), static_cast<A_u_char>(s.host[1]),
                    static_cast<A_u_char>(s.host[2]));
      break;
    case PF_Param_POINT: host.setPoint(index, s.host[0], s.host[1]); break;
    default: throw std::runtime_error("\"" + s.name + "\" takes no value");
    }
  }
}

std::vector<uint32_t> TestFrame(int width, int height, bool mirror) {
  const vemu::Image frame = vemu::SyntheticCelFrame(width, height);
  std::vector<uint32_t> rgba(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PF_Pixel &p = frame.at<PF_Pixel>(mirror ? width - 1 - x : x, y);
      // A band of part-transparent pixels across the top third.
      const uint8_t alpha = y < height / 3 ? static_cast<uint8_t>(64 + (x * 191) / std::max(1, width - 1)) : p.alpha;
      const uint8_t bytes[4] = {p.red, p.green, p.blue, alpha};
      std::memcpy(&rgba[static_cast<size_t>(y) * width + x], bytes, 4);
    }
  }
  return rgba;
}

std::vector<uint32_t> HostRender(const std::vector<uint32_t> &frame, int width, int height,
                                 const std::vector<Setting> &settings) {
  auto host = vtest::MakeHost(2);
  host->setLayerSize(width, height);
  if (host->globalSetup() || host->paramsSetup() || host->sequenceSetup())
    throw std::runtime_error("the effect could not be applied");
  Apply(*host, settings);
  vemu::Image input(width, height, PF_PixelFormat_ARGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t b[4];
      std::memcpy(b, &frame[static_cast<size_t>(y) * width + x], 4);
      input.at<PF_Pixel>(x, y) = PF_Pixel{b[3], b[0], b[1], b[2]};
    }
  }
  vemu::Image output(width, height, PF_PixelFormat_ARGB32);
  if (host->renderSmart(input, output) != PF_Err_NONE) throw std::runtime_error("the host render failed");
  host->sequenceSetdown();
  std::vector<uint32_t> rgba(frame.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PF_Pixel &p = output.at<PF_Pixel>(x, y);
      const uint8_t b[4] = {p.red, p.green, p.blue, p.alpha};
      std::memcpy(&rgba[static_cast<size_t>(y) * width + x], b, 4);
    }
  }
  return rgba;
}

} // namespace f0rtest
