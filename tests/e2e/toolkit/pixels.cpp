#include "pixels.h"

#include <cstdio>
#include <cstdlib>

#include "process.h"

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

RECT DesktopRect()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return desktop;
}

POINT ScreenCentre()
{
    const RECT desktop = DesktopRect();
    return POINT{desktop.right / 2, desktop.bottom / 2};
}

bool Near(COLORREF actual, COLORREF expected, int tolerance)
{
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

std::string Rgb(COLORREF colour)
{
    char text[32];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    return text;
}

bool WaitForPixel(int x, int y, COLORREF colour, int tolerance, DWORD timeoutMs)
{
    return WaitUntil([&] { return Near(ScreenPixel(x, y), colour, tolerance); }, timeoutMs);
}

namespace {

const wchar_t COLOUR_CLASS[] = L"DusklidE2EColour";

LRESULT CALLBACK ColourWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

ColourWindow::ColourWindow(COLORREF colour, RECT area)
{
    brush = CreateSolidBrush(colour);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ColourWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = brush;
    windowClass.lpszClassName = COLOUR_CLASS;
    UnregisterClassW(COLOUR_CLASS, windowClass.hInstance);
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, COLOUR_CLASS, L"e2e colour", WS_POPUP | WS_VISIBLE, area.left,
                             area.top, area.right - area.left, area.bottom - area.top, nullptr,
                             nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    UpdateWindow(window);
    PumpMessages();
}

ColourWindow::~ColourWindow()
{
    if (window != nullptr)
        DestroyWindow(window);
    PumpMessages();
    UnregisterClassW(COLOUR_CLASS, GetModuleHandleW(nullptr));
    if (brush != nullptr)
        DeleteObject(brush);
}

