// Which part of the screen a capture copies. No platform calls, so the
// clipping can be tested natively.
#pragma once

#include "core/display_layout.h"

// Clips `area` (screen coordinates, right and bottom exclusive) to `screen`,
// the rectangle around every display. False when nothing is left to copy:
// the area was empty or lies wholly off the screen.
bool ClipCaptureArea(DisplayRect& area, const DisplayRect& screen);
