// Disk ids of the effect's parameters. Projects store values under these ids,
// so they never change; ids 2 and B+9, B+10, B+13, B+14 of each group are
// unused.
#pragma once

#include "AEHost.h"

constexpr A_long kIdView = 1;
constexpr A_long kIdMasterBlurAmount = 3;

constexpr int kColorGroupCount = 4;

// Base of colour group g (1 to 4); the group's ids are the base plus these.
constexpr A_long ColorGroupIdBase(int g) { return 50 * g; }

enum ColorGroupIdOffset : A_long {
  kGroupStartId = 0,
  kGroupEndId = 1,
  kEnableId = 2,
  kBlurCenterId = 3,
  kColorAId = 4,
  kColorBId = 5,
  kRangeId = 6,
  kBlurAmountId = 7,
  kBlurOffsetId = 8,
  kSoftnessId = 11,
  kSoftnessThresholdId = 12,
  kKeepDivisionId = 15,
  kInvertId = 16,
};
