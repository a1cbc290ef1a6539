// Image operations on host worlds that the pipeline uses, whole or over a
// rectangle: copy (the host's high-quality copy when rendering at high
// quality) and clear to transparent black.
#pragma once

#include "AEHost.h"

// Copies the whole source world into the destination through "PF World
// Transform Suite" 1. A missing suite throws the integer 516.
PF_Err copyWorld(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination);

// Fills the whole world with transparent black through "PF Fill Matte Suite"
// 2. A missing suite throws the integer 516.
PF_Err clearWorld(PF_InData *in_data, PF_EffectWorld *world);

// The copy over one rectangle of both worlds (buffer coordinates, already
// inside them); an empty rectangle makes no host call.
PF_Err copyWorldArea(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination, const PF_LRect &area);

