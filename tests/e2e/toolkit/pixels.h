// What the screen shows, read back pixel by pixel, and windows of a known colour to cover.
#pragma once

#include <windows.h>

#include <string>

// The screen's device context while it lives.
struct ScreenDC {
    HDC dc = GetDC(nullptr);
    ~ScreenDC() { ReleaseDC(nullptr, dc); }
};

COLORREF ScreenPixel(int x, int y);

// The primary display: left and top 0, right and bottom its size.
RECT DesktopRect();
POINT ScreenCentre();

// Each channel within `tolerance` (a JPEG decodes a level or two off).
bool Near(COLORREF actual, COLORREF expected, int tolerance);

// "(r,g,b)", for messages.
std::string Rgb(COLORREF colour);

bool WaitForPixel(int x, int y, COLORREF colour, int tolerance = 0, DWORD timeoutMs = 5000);

// A plain window of one colour, the driver's, to give the cover a known background.
struct ColourWindow {
    HWND window = nullptr;
    HBRUSH brush = nullptr;
    ColourWindow(COLORREF colour, RECT area);
    ~ColourWindow();
    ColourWindow(const ColourWindow&) = delete;
    ColourWindow& operator=(const ColourWindow&) = delete;
};
