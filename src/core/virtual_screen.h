// The rectangle around every display, in screen coordinates: where the cover
// lies and what a capture of the whole screen takes. With one display it is
// that display, at 0, 0.
#pragma once

#include <windows.h>

RECT VirtualScreenRect();
