// The parameter table: fixed arrays of object pointers, sorted once when the
// parameter set is complete.
#include "ParamTable.h"

#include <algorithm>

#include "AEException.h"
#include "ParamObjects.h"

namespace {

// Trivially destructible on purpose: Clear() may run from a static
// destructor, after other namespace-scope objects are gone.
BaseParam *gById[kParamTableCapacity];
BaseParam *gByIndex[kParamTableCapacity];
A_long gCount = 0;

} // namespace

void ParamTable::Clear() {
  for (A_long i = 0; i < gCount; ++i) delete gById[i];
  std::fill(gById, gById + kParamTableCapacity, nullptr);
  std::fill(gByIndex, gByIndex + kParamTableCapacity, nullptr);
  gCount = 0;
  // A set built again after this gets the same host indices 1, 2, 3 ...
  NextParamIndex = 1;
}

void ParamTable::Add(BaseParam *object) {
  if (gCount >= kParamTableCapacity) {
    delete object;
    AEUTIL_THROW(PF_Err_INTERNAL_STRUCT_DAMAGED, "parameter table full (%d objects)", kParamTableCapacity);
  }
  gById[gCount++] = object;
}

void ParamTable::Finish() {
  std::sort(gById, gById + gCount, [](const BaseParam *a, const BaseParam *b) { return a->id < b->id; });
  std::copy(gById, gById + gCount, gByIndex);
  std::sort(gByIndex, gByIndex + gCount,
            [](const BaseParam *a, const BaseParam *b) { return a->index < b->index; });
}

A_long ParamTable::FindIndexById(A_long id) {
  BaseParam **end = gById + gCount;
  BaseParam **at =
      std::lower_bound(gById, end, id, [](const BaseParam *object, A_long wanted) { return object->id < wanted; });
  return (at != end && (*at)->id == id) ? (*at)->index : 0;
}

A_long ParamTable::Count() { return gCount; }

BaseParam *ParamTable::InIndexOrder(int position) {
  return (position >= 0 && position < kParamTableCapacity) ? gByIndex[position] : nullptr;
}

void AddEndTopic(A_long id) {
  auto *end = new ParamEndTopic();
  end->id = id;
  ParamTable::Add(end);
}
