// The commands of the vortane tool, apart from argument parsing: render one
// image or a frame sequence, render the built-in demo frame, list the
// parameters, and show what the plug-in tells a host at start-up.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vcli {

class EffectInstance;

struct CommonOptions {
  int threads = 0;  // 0: one per processor
  int depth = 0;    // 8, 16, 32, or 0 for the input's
  bool quiet = false;
  uint64_t maxPixels = 0;  // most pixels an input may have; 0 for DefaultPixelLimit()
  std::string preset;
  std::vector<std::string> sets;  // "NAME=VALUE", applied after the preset
};

struct RenderCommand {
  std::string input;
  std::string output;
  std::string frames;  // "A-B"; empty: every frame of the input pattern on disk
  CommonOptions options;
};

// Each returns the exit status (0, or 1 when frames of a sequence failed),
// and throws UsageError or Failure for errors that stop it. Progress and
// frame errors go to status.
int RunRender(const RenderCommand &command, std::FILE *status);
int RunDemo(const std::string &output, const CommonOptions &options, std::FILE *status);
int RunParams(bool json, std::FILE *out);
int RunAbout(std::FILE *out);

// The preset, then the --set values, parsed against the instance's
// parameters and applied to it (UsageError, or Failure for an unreadable
// preset, before anything is rendered).
void ApplyOptions(EffectInstance &instance, const CommonOptions &options);

// The "NAME=VALUE" settings of the demo for a frame of this size: all four
// groups of the synthetic cel scene with their colours and centres.
std::vector<std::string> DemoSettings(int width, int height);

// Renders one file at the depth given (0: the input's) and writes it; the
// input may have DefaultPixelLimit() pixels.
void RenderFile(EffectInstance &instance, const std::string &input, const std::string &output, int depth);

} // namespace vcli
