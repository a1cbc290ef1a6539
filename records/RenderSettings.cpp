// Construction of RenderSettings.
#include "RenderSettings.h"

#include <cstring>

RenderSettings::RenderSettings() {
  std::memset(static_cast<void *>(this), 0, sizeof *this);
  view = 1;
  for (GroupSettings &g : groups) g.present = 1;
  spare = 1.5;
  pixelFormat = PF_PixelFormat_INVALID;
}
