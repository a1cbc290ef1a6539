// Setting parameters by display name.
#include "EffectParams.h"

#include <stdexcept>

namespace vtest {

int ParamIndex(const vemu::Host &host, const std::string &name) {
  const int index = host.findParam(name);
  if (index < 0) throw std::runtime_error("no parameter named \"" + name + "\"");
  return index;
}

std::string GroupParamName(int g, const char *name) { return std::to_string(g) + " : " + name; }

GroupValues SceneGroupValues(const vemu::SyntheticScene &scene, int g) {
  GroupValues v;
  v.colorA = scene.groups[g - 1].colorA;
  v.colorB = scene.groups[g - 1].colorB;
  v.centerX = scene.groups[g - 1].centerX;
  v.centerY = scene.groups[g - 1].centerY;
  return v;
}

void SetGroup(vemu::Host &host, int g, const GroupValues &v) {
  host.setCheckbox(ParamIndex(host, GroupParamName(g, "Enable Color Group")), v.enable);
  host.setColor(ParamIndex(host, GroupParamName(g, "Color A")), v.colorA.red, v.colorA.green, v.colorA.blue);
  host.setColor(ParamIndex(host, GroupParamName(g, "Color B")), v.colorB.red, v.colorB.green, v.colorB.blue);
  host.setFloat(ParamIndex(host, GroupParamName(g, "Range")), v.range);
  host.setFloat(ParamIndex(host, GroupParamName(g, "Blur Amount")), v.blurAmount);
  host.setFloat(ParamIndex(host, GroupParamName(g, "Blur Offset")), v.blurOffset);
  host.setFloat(ParamIndex(host, GroupParamName(g, "Softness")), v.softness);
  host.setFloat(ParamIndex(host, GroupParamName(g, "Softness Threshold")), v.softnessThreshold);
  host.setCheckbox(ParamIndex(host, GroupParamName(g, "Keep Division")), v.keepDivision);
  host.setCheckbox(ParamIndex(host, GroupParamName(g, "Invert")), v.invert);
  if (v.centerX >= 0.0) host.setPoint(ParamIndex(host, GroupParamName(g, "Blur Center")), v.centerX, v.centerY);
}

void SetView(vemu::Host &host, A_long view) { host.setPopup(ParamIndex(host, "View"), view); }

void SetMasterBlurAmount(vemu::Host &host, double amount) {
  host.setFloat(ParamIndex(host, "Master Blur Amount"), amount);
}

} // namespace vtest
