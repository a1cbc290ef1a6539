// One frei0r instance of the effect: an effect session of its own that drives
// the statically linked plug-in through its entry point (setup, parameters,
// smart render), as the vortane tool does, with the pixels converted between
// frei0r's RGBA and the plug-in's 8-bit ARGB.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "EffectSession.h"
#include "ParamMapping.h"

namespace vfrei0r {

// The largest frame side accepted (the host's largest layer).
constexpr unsigned kMaxSide = 30000;

// The frei0r parameters, built once on first use from a parameter setup of
// the plug-in and kept until the library is unloaded (their strings are
// handed to hosts). Empty when the plug-in refused to set up.
const std::vector<MappedParam> &Params();

class Instance {
 public:
  // Null when a side is beyond kMaxSide or the plug-in refuses to set up.
  // threads: the emulated host's worker threads, 0 for one per processor.
  static std::unique_ptr<Instance> Create(unsigned width, unsigned height, int threads = 0);
  Instance(const Instance &) = delete;
  Instance &operator=(const Instance &) = delete;

  // value points to the frei0r value of the parameter's type. Unknown
  // indices and null pointers are ignored; get leaves value untouched then.
  void set(int index, const void *value);
  void get(int index, void *value) const;

  // Renders one frame of width x height pixels. A null input gives a
  // transparent frame; when the effect fails, the input is passed through
  // unchanged (and the failure reported once on standard error).
  void update(const uint32_t *in, uint32_t *out);

 private:
  Instance(int width, int height);

  int width_, height_;
  std::unique_ptr<vemu::EffectSession> session_;
  std::vector<double> fractionX_, fractionY_; // positions, per frei0r index
  std::unique_ptr<vemu::Image> input_, output_;
  bool failureReported_ = false;
};

} // namespace vfrei0r
