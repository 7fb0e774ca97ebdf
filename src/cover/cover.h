// Showing and hiding the cover, and the hot-corner check that shows it.
#pragma once

#include <windows.h>

// Any non-zero `visible` shows the cover, centring the picture afresh; zero
// hides it. Keeps appState.covered in step.
void SetCoverVisible(HWND window, int visible);

// One tick of the hot-corner timer: shows the cover once the pointer has
// rested in the chosen corner for the chosen delay.
void CheckHotCorner(HWND window);
