// Painting the cover: the background colour, then the picture.
#pragma once

#include <windows.h>

// Paints the whole client area of `window`: the picture on the primary
// display, stretched over it or at its position, and the cover colour around
// it. A null `dc` paints nothing.
void PaintCover(HWND window, HDC dc);

// Makes appState.stretchedPicture fit the picture, the stretch setting and
// the screen as they are now: made afresh when it is missing, of another size
// than the primary display, or of another colour depth than
// `screenBitsPerPixel` (0 where the depth is not known to have changed: only
// a display change, WM_DISPLAYCHANGE, changes it, and reading it at every
// showing would cost time). Freed when stretching is off or there is no
// picture. Without memory for it the cover stretches the picture as it paints.
void PrepareStretchedPicture(int screenBitsPerPixel = 0);

// Frees appState.stretchedPicture, if any.
void FreeStretchedPicture();

// Copies the whole of `bitmap` to (x, y, width, height) of `dc`; a width or
// height of 0 takes the bitmap's own. Returns the blit's result, 0 when `dc`
// or `bitmap` is null.
BOOL DrawBitmap(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, DWORD rasterOp);
