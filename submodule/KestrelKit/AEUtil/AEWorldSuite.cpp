// WorldSuite::newWorld, disposeWorld, getPixelFormat and EffectWorldPtr.
#include "AEWorldSuite.h"

#include <cstring>

#include "AEException.h"
#include "SuiteCache.h"

namespace AEUtil {

namespace {
const char kNewWorldFailure[] =
    "class AEUtil::EffectWorldPtr __cdecl AEUtil::WorldSuite::newWorld(PF_InData *,int,int,char,int)";
}

EffectWorldPtr::EffectWorldPtr(const EffectWorldPtr &other) : block_(other.block_), world_(other.world_) {
  if (block_) ++block_->useCount;
}

EffectWorldPtr &EffectWorldPtr::operator=(const EffectWorldPtr &other) {
  if (this != &other) {
    if (other.block_) ++other.block_->useCount;
    reset();
    block_ = other.block_;
    world_ = other.world_;
  }
  return *this;
}

EffectWorldPtr::~EffectWorldPtr() { reset(); }

uint32_t EffectWorldPtr::useCount() const { return block_ ? block_->useCount : 0; }

void EffectWorldPtr::reset() {
  Block *block = block_;
  PF_EffectWorld *world = world_;
  block_ = nullptr;
  world_ = nullptr;
  if (block && --block->useCount == 0) {
    if (world) disposeWorld(block->basicSuite, block->effectRef, world);
    delete block;
  }
}

EffectWorldPtr WorldSuite::newWorld(PF_InData *in_data, int width, int height, char clear, int pixelFormat) {
  EffectWorldPtr handle;
  handle.block_ = new EffectWorldPtr::Block{in_data->pica_basicP, in_data->effect_ref, {}, 1};
  std::memset(&handle.block_->world, 0, sizeof handle.block_->world);

  PF_Err err = PF_Err_NONE;
  {
    ScopedSuite v2(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2);
    if (v2) {
      err = v2.as<PF_WorldSuite2>()->PF_NewWorld(in_data->effect_ref, width, height, clear, pixelFormat,
                                                  &handle.block_->world);
      handle.world_ = &handle.block_->world;
    } else if (pixelFormat == PF_PixelFormat_ARGB32 || pixelFormat == PF_PixelFormat_ARGB64) {
      ScopedSuite v1(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion1);
      if (v1) {
        PF_NewWorldFlags flags = pixelFormat == PF_PixelFormat_ARGB64 ? PF_NewWorldFlag_DEEP_PIXELS : 0;
        if (clear) flags |= PF_NewWorldFlag_CLEAR_PIXELS;
        err = v1.as<PF_WorldSuite1>()->new_world(in_data->effect_ref, width, height, flags, &handle.block_->world);
        handle.world_ = &handle.block_->world;
      } else {
        err = PF_Err_BAD_CALLBACK_PARAM;
      }
    } else {
      // Only version 2 makes float worlds; handing back a handle without a
      // world would leave the caller writing through a null record.
      err = PF_Err_BAD_CALLBACK_PARAM;
    }
  }
  if (err != PF_Err_NONE) {
    // The world was not made: release the block without disposing of it.
    handle.world_ = nullptr;
    handle.reset();
    AEUTIL_THROW(err, kNewWorldFailure);
  }
  return handle;
}

PF_Err disposeWorld(const SPBasicSuite *basicSuite, PF_ProgPtr effectRef, PF_EffectWorld *world) {
  ScopedSuite v2(basicSuite, kPFWorldSuite, kPFWorldSuiteVersion2);
  if (v2) return v2.as<PF_WorldSuite2>()->PF_DisposeWorld(effectRef, world);
  ScopedSuite v1(basicSuite, kPFWorldSuite, kPFWorldSuiteVersion1);
  if (v1) return v1.as<PF_WorldSuite1>()->dispose_world(effectRef, world);
  return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err getPixelFormat(PF_InData *in_data, const PF_EffectWorld *world, PF_PixelFormat *pixelFormat) {
  ScopedSuite v2(in_data->pica_basicP, kPFWorldSuite, kPFWorldSuiteVersion2);
  if (v2) return v2.as<PF_WorldSuite2>()->PF_GetPixelFormat(world, pixelFormat);
  // Hosts without version 2 have no float worlds, so the deep flag tells the
  // format. A host that has the suite but did not hand it out leaves the
  // format unknown: guessing could call a float world 8-bit.
  if (!v2.missing()) return PF_Err_BAD_CALLBACK_PARAM;
  *pixelFormat = (world->world_flags & PF_WorldFlag_DEEP) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
  return PF_Err_NONE;
}

} // namespace AEUtil
