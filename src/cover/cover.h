// Showing and hiding the cover, and the hot-corner check that shows it.
#pragma once

#include <windows.h>

// Shows the cover, centring the picture afresh, or hides it. Keeps
// appState.covered in step.
void SetCoverVisible(HWND window, bool visible);

// One tick of the hot-corner timer: shows the cover once the pointer has
// rested in the chosen corner for the chosen delay.
void CheckHotCorner(HWND window);
