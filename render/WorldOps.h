// Image operations on host worlds that the pipeline uses, whole or over a
// rectangle: copy (the host's high-quality copy when rendering at high
// quality) and clear to transparent black.
#pragma once

#include "AEHost.h"
#include "MaskPlane.h"

// Copies the whole source world into the destination through "PF World
// Transform Suite" 1. A missing suite throws the integer 516.
PF_Err copyWorld(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination);

// Fills the whole world with transparent black through "PF Fill Matte Suite"
// 2. A missing suite throws the integer 516.
PF_Err clearWorld(PF_InData *in_data, PF_EffectWorld *world);

// The same over one rectangle of both worlds (buffer coordinates, already
// inside them); an empty rectangle makes no host call.
PF_Err copyWorldArea(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination, const PF_LRect &area);
PF_Err clearWorldArea(PF_InData *in_data, PF_EffectWorld *world, const PF_LRect &area);

// Copies source into destination where a stage over `rect` may have written
// for the group mask M: only M's bounds when extraction left them exact
// (shifted by the rectangle's corner), the whole world otherwise.
PF_Err copyWorldOverMask(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination,
                         const PF_LRect &rect, const MaskPlane8 &M);
