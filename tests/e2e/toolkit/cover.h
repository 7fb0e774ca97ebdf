// Showing and hiding the cover from outside, as a person does.
#pragma once

#include <windows.h>

// Presses Windows+Shift+H until the cover shows. After a start-up message
// box the window exists, and the process has idled, before the hot key is
// registered; nothing tells the driver when it is, so the key is pressed
// again while the cover stays hidden.
bool ShowCoverByHotKey(HWND cover);

// Holding both buttons is the only way to hide the cover. The press is made
// on `at`, away from any earlier press, so it cannot count as a double-click.
bool HideCover(HWND cover, POINT at);
