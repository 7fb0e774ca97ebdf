// Showing and hiding the cover from outside, as a person does.
#pragma once

#include <windows.h>

// Presses Windows+Shift+H until the cover shows: after a start-up message box nothing tells
// when the hot key has been registered.
bool ShowCoverByHotKey(HWND cover);

// Holds both buttons, the only way to hide the cover, on `at`, away from any earlier press, so
// that it cannot count as a double-click.
bool HideCover(HWND cover, POINT at);
