// Setting parameters by display name.
#include "EffectParams.h"

#include <stdexcept>

namespace vtest {

int ParamIndex(const vemu::Host &host, const std::string &name) {
  const int index = host.findParam(name);
  if (index < 0) throw std::runtime_error("no parameter named \"" + name + "\"");
  return index;
}

GroupValues SceneGroupValues(const vemu::SyntheticScene &scene, int g) {
  GroupValues v;
  v.colorA = scene.groups[g - 1].colorA;
  v.colorB = scene.groups[g - 1].colorB;
  v.centerX = scene.groups[g - 1].centerX;
  v.centerY = scene.groups[g - 1].centerY;
  return v;
}

void SetGroup(vemu::Host &host, int g, const GroupValues &v) {
  auto at = [&](const char *name) { return ParamIndex(host, std::to_string(g) + " : " + name); };
  host.setCheckbox(at("Enable Color Group"), v.enable);
  host.setColor(at("Color A"), v.colorA.red, v.colorA.green, v.colorA.blue);
  host.setColor(at("Color B"), v.colorB.red, v.colorB.green, v.colorB.blue);
  host.setFloat(at("Range"), v.range);
  host.setFloat(at("Blur Amount"), v.blurAmount);
  host.setFloat(at("Blur Offset"), v.blurOffset);
  host.setFloat(at("Softness"), v.softness);
  host.setFloat(at("Softness Threshold"), v.softnessThreshold);
  host.setCheckbox(at("Keep Division"), v.keepDivision);
  host.setCheckbox(at("Invert"), v.invert);
  if (v.centerX >= 0.0) host.setPoint(at("Blur Center"), v.centerX, v.centerY);
}

void SetView(vemu::Host &host, A_long view) { host.setPopup(ParamIndex(host, "View"), view); }

void SetMasterBlurAmount(vemu::Host &host, double amount) {
  host.setFloat(ParamIndex(host, "Master Blur Amount"), amount);
}

} // namespace vtest
