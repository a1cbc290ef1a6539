// The frei0r API as Debian's frei0r-plugins-dev declares it; its header has
// no C++ guard of its own, and the functions have C linkage.
#pragma once

extern "C" {
#include <frei0r.h>
}
