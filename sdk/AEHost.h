// The one header through which the plug-in sees the host API. By default it
// takes our own declarations; configured with VORTANE_AE_SDK_DIR, the build
// defines VORTANE_USE_AE_SDK and the user's copy of the real SDK is used.
#pragma once

#if defined(VORTANE_USE_AE_SDK)
#ifndef _WINDOWS
#define _WINDOWS 1
#endif
#include "AE_Effect.h"
#include "AE_EffectCB.h"
#include "AE_EffectCBSuites.h"
#include "AE_EffectSuites.h"
#include "AE_Macros.h"
#include "SPBasic.h"
#else
#include "ours/AEHostDecl.h"
#endif

// The application code of After Effects in PF_InData::appl_id ('FXTC').
#define VORTANE_APPL_ID_AFTER_EFFECTS 0x46585443
