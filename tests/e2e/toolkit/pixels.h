// What the screen shows, read back pixel by pixel, and windows of a known colour to cover.
#pragma once

#include <windows.h>

#include <string>

#include "core/gdi_guards.h"

COLORREF ScreenPixel(int x, int y);

// The primary display: left and top 0, right and bottom its size.
RECT DesktopRect();
POINT ScreenCentre();

// Each channel within `tolerance` (a JPEG decodes a level or two off).
bool Near(COLORREF actual, COLORREF expected, int tolerance);

// "(r,g,b)", for messages.
std::string Rgb(COLORREF color);

bool WaitForPixel(int x, int y, COLORREF color, int tolerance = 0, DWORD timeoutMs = 5000);

// A plain window of one colour, the driver's, to give the cover a known background.
struct ColorWindow {
    GdiObject<HBRUSH> brush;  // the class's background, deleted after the class
    HWND window = nullptr;
    ColorWindow(COLORREF color, RECT area);
    ~ColorWindow();
    ColorWindow(const ColorWindow&) = delete;
    ColorWindow& operator=(const ColorWindow&) = delete;
};
