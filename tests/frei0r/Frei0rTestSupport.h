// Helpers of the frei0r edition's tests: settings given both as frei0r values
// and as the host values they stand for, applied to a frei0r instance or to
// an emulated host, and test frames in frei0r's RGBA byte order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Frei0rApi.h"
#include "Host.h"

namespace f0rtest {

enum class SettingKind { Number, Color, Point };

struct Setting {
  std::string name;
  SettingKind kind = SettingKind::Number;
  double f0r[3] = {0, 0, 0};  // bool and double: [0]; colour: r, g, b; position: x, y
  double host[3] = {0, 0, 0}; // checkbox, slider, popup: [0]; colour: 0 to 255; point: pixels
};

// A checkbox, slider or popup: its frei0r value and the host's value.
Setting Number(const std::string &name, double f0rValue, double hostValue);
Setting Color(const std::string &name, int red, int green, int blue);
// A point at this fraction of a frame of width x height.
Setting Point(const std::string &name, double fx, double fy, int width, int height);

// Four colour groups on the synthetic cel scene (its colours, centres at the
// nearest 1/64 of the frame), with Master Blur Amount 4 and group 3 inverted.
std::vector<Setting> FourGroups(int width, int height);

// frei0r index of the parameter with this name; -1 when there is none.
int Frei0rIndex(const std::string &name);
void Apply(f0r_instance_t instance, const std::vector<Setting> &settings);
void Apply(vemu::Host &host, const std::vector<Setting> &settings);

// The synthetic cel frame in RGBA bytes, with a band of part-transparent
// pixels; mirrored left to right when mirror is set.
std::vector<uint32_t> TestFrame(int width, int height, bool mirror = false);

// The frame rendered through the statically linked plug-in in the emulated
// host (smart render at 8 bits, as the vortane tool renders), in RGBA bytes.
std::vector<uint32_t> HostRender(const std::vector<uint32_t> &frame, int width, int height,
                                 const std::vector<Setting> &settings);

} // namespace f0rtest
