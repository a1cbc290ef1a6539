// The user-interface language of the plug-in: 0 Japanese, 1 English. Asked
// of the host's app suite; without it, of the command line (-L en...) and of
// the system's UI language.
#pragma once

#include "AEHost.h"

A_long GetUILanguage(PF_InData *in_data);

// The command-line rule on its own (for tests): true when the arguments hold
// "-L" (any case) followed by a tag whose part before the first blank, "_" or
// "-" is "en" (any case). Hosts of API version above 9.0 never ask.
bool CommandLineAsksForEnglish(int argc, const char *const *argv);
