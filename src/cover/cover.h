// Showing and hiding the cover, and the hot-corner check that shows it.
#pragma once

#include <windows.h>

// Reads the displays into appState.displayLayout.
void ReadDisplayLayout();

// Shows the cover over every display, centring the picture afresh on the
// primary one, or hides it. Keeps appState.covered in step.
void SetCoverVisible(HWND window, bool visible);

// A display was added, removed, moved or resized, or the screen took another
// colour depth (`bitsPerPixel`): reads the layout again and, while the cover
// is shown, lays it over every display anew.
void FollowDisplayLayout(HWND window, int bitsPerPixel);

// One tick of the hot-corner timer: shows the cover once the pointer has
// rested in the chosen corner for the chosen delay.
void CheckHotCorner(HWND window);
