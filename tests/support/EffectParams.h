// Setting the effect's parameters on an emulated instance by their display
// names, as a user would in the effect controls.
#pragma once

#include <string>

#include "AEHost.h"
#include "Host.h"
#include "SyntheticFrame.h"

namespace vtest {

struct GroupValues {
  bool enable = true;
  PF_Pixel colorA = {255, 3, 180, 245};
  PF_Pixel colorB = {255, 3, 180, 245};
  double range = 0.0;
  double blurAmount = 10.0;
  double blurOffset = 0.0;
  double softness = 10.0;
  double softnessThreshold = 50.0;
  bool keepDivision = true;
  bool invert = false;
  double centerX = -1.0; // layer pixels; negative keeps the default (the layer's centre)
  double centerY = -1.0;
};

// Host index of a parameter by name; fails the test when it is missing.
int ParamIndex(const vemu::Host &host, const std::string &name);

// Group g (1 to 4) of the synthetic cel scene: its colours and centre, the
// other values at their built-in defaults.
GroupValues SceneGroupValues(const vemu::SyntheticScene &scene, int g);

void SetGroup(vemu::Host &host, int g, const GroupValues &values);
void SetView(vemu::Host &host, A_long view);
void SetMasterBlurAmount(vemu::Host &host, double amount);

} // namespace vtest
