// Small reference renders kept under tests/data/golden: the synthetic cel
// frame at 80 x 45 with several parameter settings, at each depth. The
// native tests and the Windows test host render them through the entry point
// and compare with the stored pixels bit for bit.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AEHost.h"
#include "Host.h"
#include "Image.h"

namespace vtest {

struct GoldenScene {
  std::string name;
  std::function<void(vemu::Host &)> configure; // parameter values after parameter setup
  std::function<void(vemu::Image &)> prepare;  // changes to the input frame, if any
};

constexpr int kGoldenWidth = 80;
constexpr int kGoldenHeight = 45;

std::vector<GoldenScene> GoldenScenes();
const char *DepthName(PF_PixelFormat format); // "8", "16", "32"
std::string GoldenPath(const std::string &dataDir, const GoldenScene &scene, PF_PixelFormat format);

// Renders a scene through the smart path of a freshly applied instance.
// Returns the host's result; *output receives the frame.
PF_Err RenderGoldenScene(vemu::Host &host, const GoldenScene &scene, PF_PixelFormat format, vemu::Image *output);

// A small binary file: "VGLD", width, height, format (32-bit little-endian
// each), then the pixel bytes row after row without padding.
bool WriteImageFile(const std::string &path, const vemu::Image &image);
bool ReadImageFile(const std::string &path, vemu::Image *image);

} // namespace vtest
