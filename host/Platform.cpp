// Operating-system facts for the host frame.
#include "Platform.h"

#if defined(_WIN32)
#include <windows.h>
bool IsShiftKeyDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }
#else
bool IsShiftKeyDown() { return false; }
#endif
