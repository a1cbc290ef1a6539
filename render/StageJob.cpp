// StageJob construction.
#include "StageJob.h"

StageJob::StageJob() {
  makeEmpty(groupMask);
  makeEmpty(colorBMask);
  makeEmpty(patchMask);
  makeEmpty(lengthMap);
}
