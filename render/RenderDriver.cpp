// Placeholder until the pipeline lands.
#include "RenderDriver.h"

template <typename Pixel> PF_Err renderColorGroups(RenderSettings) { return PF_Err_NONE; }

template PF_Err renderColorGroups<PF_Pixel8>(RenderSettings);
template PF_Err renderColorGroups<PF_Pixel16>(RenderSettings);
template PF_Err renderColorGroups<PF_PixelFloat>(RenderSettings);
