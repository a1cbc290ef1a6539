// The render driver: runs every enabled colour group of one frame through its
// stages. One template over the pixel type of the frame's worlds.
#pragma once

#include "AEHost.h"
#include "records/RenderSettings.h"

template <typename Pixel> PF_Err renderColorGroups(RenderSettings settings);

extern template PF_Err renderColorGroups<PF_Pixel8>(RenderSettings);
extern template PF_Err renderColorGroups<PF_Pixel16>(RenderSettings);
extern template PF_Err renderColorGroups<PF_PixelFloat>(RenderSettings);
