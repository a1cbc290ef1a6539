// The few operating-system facts the host frame asks for: the Shift key and
// the library's module handle.
#pragma once

// True while Shift is held down, as the system reports it for the calling
// thread. Systems without a keyboard state report it up.
bool IsShiftKeyDown();
