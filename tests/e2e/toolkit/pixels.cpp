#include "pixels.h"

#include <cstdlib>

#include "process.h"

COLORREF ScreenPixel(int x, int y)
{
    return GetPixel(ScreenDC().dc, x, y);
}

RECT DesktopRect()
{
    RECT desktop = {};
    GetClientRect(GetDesktopWindow(), &desktop);
    return desktop;
}

POINT ScreenCentre()
{
    return POINT{DesktopRect().right / 2, DesktopRect().bottom / 2};
}

bool Near(COLORREF actual, COLORREF expected, int tolerance)
{
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

std::string Rgb(COLORREF colour)
{
    return "(" + std::to_string(GetRValue(colour)) + "," + std::to_string(GetGValue(colour)) +
           "," + std::to_string(GetBValue(colour)) + ")";
}

bool WaitForPixel(int x, int y, COLORREF colour, int tolerance, DWORD timeoutMs)
{
    return WaitUntil([&] { return Near(ScreenPixel(x, y), colour, tolerance); }, timeoutMs);
}

const wchar_t COLOUR_CLASS[] = L"DusklidE2EColour";

ColourWindow::ColourWindow(COLORREF colour, RECT area) : brush(CreateSolidBrush(colour))
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
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
    DestroyWindow(window);
    PumpMessages();
    UnregisterClassW(COLOUR_CLASS, GetModuleHandleW(nullptr));
    DeleteObject(brush);
}
