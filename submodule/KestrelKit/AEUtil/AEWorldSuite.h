// Host image worlds: creation through "PF World Suite" (version 2, or 1 for
// 8- and 16-bit), a shared handle that disposes of the world with its last
// copy, and the pixel-format query.
#pragma once

#include <cstdint>

#include "AEHost.h"

namespace AEUtil {

class EffectWorldPtr {
 public:
  EffectWorldPtr() = default;
  EffectWorldPtr(const EffectWorldPtr &other);
  EffectWorldPtr &operator=(const EffectWorldPtr &other);
  ~EffectWorldPtr();

  PF_EffectWorld *get() const { return world_; }
  PF_EffectWorld *operator->() const { return world_; }
  explicit operator bool() const { return world_ != nullptr; }
  uint32_t useCount() const;
  void reset();

 private:
  friend struct WorldSuite;
  struct Block {
    const SPBasicSuite *basicSuite;
    PF_ProgPtr effectRef;
    PF_EffectWorld world;
    uint32_t useCount;
  };
  Block *block_ = nullptr;
  PF_EffectWorld *world_ = nullptr;
};

struct WorldSuite {
  // Throws AEException with the host's code when the world cannot be made,
  // and with PF_Err_BAD_CALLBACK_PARAM when no world suite can make the
  // requested format (float needs version 2).
  static EffectWorldPtr newWorld(PF_InData *in_data, int width, int height, char clear, int pixelFormat);
};

PF_Err disposeWorld(const SPBasicSuite *basicSuite, PF_ProgPtr effectRef, PF_EffectWorld *world);
// Asks "PF World Suite" 2; a host without that suite gets the answer from the
// world's deep flag, and one that failed to hand it out gets
// PF_Err_BAD_CALLBACK_PARAM.
PF_Err getPixelFormat(PF_InData *in_data, const PF_EffectWorld *world, PF_PixelFormat *pixelFormat);

} // namespace AEUtil
