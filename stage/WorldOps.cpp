// copyWorld and clearWorld through the host suites.
#include "WorldOps.h"

#include "SuiteCache.h"

PF_Err copyWorld(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination) {
  AEUtil::SuiteCache suites(in_data->pica_basicP);
  const PF_WorldTransformSuite1 *transform = suites.worldTransformSuite();
  if (in_data->quality == PF_Quality_HI)
    return transform->copy_hq(in_data->effect_ref, source, destination, nullptr, nullptr);
  return transform->copy(in_data->effect_ref, source, destination, nullptr, nullptr);
}

PF_Err clearWorld(PF_InData *in_data, PF_EffectWorld *world) {
  AEUtil::SuiteCache suites(in_data->pica_basicP);
  const PF_Rect whole{0, 0, world->width, world->height};
  return suites.fillMatteSuite()->fill(in_data->effect_ref, nullptr, &whole, world);
}

PF_Err copyWorldArea(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination, const PF_LRect &area) {
  if (area.left >= area.right || area.top >= area.bottom) return PF_Err_NONE;
  AEUtil::SuiteCache suites(in_data->pica_basicP);
  const PF_WorldTransformSuite1 *transform = suites.worldTransformSuite();
  PF_Rect from = area, to = area;
  if (in_data->quality == PF_Quality_HI) return transform->copy_hq(in_data->effect_ref, source, destination, &from, &to);
  return transform->copy(in_data->effect_ref, source, destination, &from, &to);
}
